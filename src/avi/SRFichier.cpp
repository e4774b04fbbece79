#include "avi/SRFichier.h"

namespace tavrel {

namespace {

QString JoinFolder(const QString& folder, const QString& name) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

// The folder part of a full name, with its trailing "/", after trailing "/"
// of the name itself have been dropped ("/films/2003/" is the entry "2003"
// of "/films/").
QString FolderOf(const QString& fullName) {
    qsizetype end = fullName.size();
    while (end > 1 && fullName.at(end - 1) == QLatin1Char('/')) --end;
    return fullName.left(fullName.lastIndexOf(QLatin1Char('/'), end - 1) + 1);
}

}  // namespace

TSRFichier::TSRFichier(const QString& fullName) {
    TDirEntry entry;
    if (ReadDirEntry(fullName, entry))
        SetEntry(FolderOf(fullName), entry);
    else
        SetFullName(fullName);
}

TSRFichier::TSRFichier(const QString& folder, const TDirEntry& entry) {
    SetEntry(folder, entry);
}

TSRFichier::~TSRFichier() = default;

void TSRFichier::SetEntry(const QString& folder, const TDirEntry& entry) {
    SetFullName(JoinFolder(folder, entry.Name));
    Found = true;
    SizeHigh = static_cast<std::uint32_t>(entry.SizeBytes >> 32);
    SizeLow = static_cast<std::uint32_t>(entry.SizeBytes & 0xFFFFFFFFu);
    Attributes = entry.Attributes;
    ReadOnly = (Attributes & kFileAttrReadOnly) != 0;
    Created = FileTimeToLocalDateTime(entry.CreatedMsUtc);
    Modified = FileTimeToLocalDateTime(entry.ModifiedMsUtc);
    Accessed = FileTimeToLocalDateTime(entry.AccessedMsUtc);

    const QString lowerFull = FullName.toLower();
    SizeKey = QString::asprintf("%016x%016x", SizeHigh, SizeLow) + lowerFull;
    ModifyKey = SortableDateTimeText(Modified) + lowerFull;
}

QString TSRFichier::GetSortKey(const TSortIndex& order) const {
    if (order.Id == SortModify().Id) return ModifyKey;
    if (order.Id == SortTaille().Id) return SizeKey;
    return TAbstractListFichier::GetSortKey(order);
}

QString SortableDateTimeText(TDateTime value) {
    TDateTimeParts p;
    if (!DecodeDateTime(value, p)) return {};
    return QString::asprintf("%04d%02d%02d%02d%02d%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute,
                             p.Second);
}

}  // namespace tavrel
