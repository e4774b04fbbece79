#include "avi/ListFichier.h"

namespace tavrel {

TAbstractListFichier::TAbstractListFichier(const QString& fullName) {
    SetFullName(fullName);
}

TAbstractListFichier::~TAbstractListFichier() = default;

void TAbstractListFichier::SetFullName(const QString& fullName) {
    FullName = fullName;
    const qsizetype slash = fullName.lastIndexOf(QLatin1Char('/'));
    Folder = fullName.left(slash + 1);
    ShortName = fullName.mid(slash + 1);
    const qsizetype dot = ShortName.lastIndexOf(QLatin1Char('.'));
    Extension = dot < 0 ? QString() : ShortName.mid(dot).toLower();
    // Cut at the dot rather than by the extension's length: lower-casing may
    // change the length of a few letters.
    BareName = dot < 0 ? ShortName : ShortName.left(dot);

    const QString lowerFull = fullName.toLower();
    AlphaKey = (ShortName + fullName).toLower();
    ExtensionKey = Extension + lowerFull;
    PathKey = lowerFull;
}

QString TAbstractListFichier::GetSortKey(const TSortIndex& order) const {
    if (order.Id == SortAlpha().Id) return AlphaKey;
    if (order.Id == SortExtension().Id) return ExtensionKey;
    if (order.Id == SortPath().Id) return PathKey;
    return {};
}

}  // namespace tavrel
