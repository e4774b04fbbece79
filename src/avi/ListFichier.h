#pragma once
// An entry of the file list known only by its name: the parts of the full
// name and the keys of the orders that need nothing else. Records of the
// file system (TSRFichier) and of media files derive from it; the list keeps
// them through this class, and asks each for its key in the order in force.

#include <QString>

#include "avi/SortIndex.h"

namespace tavrel {

class TAbstractListFichier {
  public:
    // "/films/2003/Vacances.AVI" gives the folder "/films/2003/", the short
    // name "Vacances.AVI", the extension ".avi" and the bare name
    // "Vacances". The extension is the text from the last "." of the short
    // name; a name without one has an empty extension.
    explicit TAbstractListFichier(const QString& fullName);
    virtual ~TAbstractListFichier();

    // The key of this record in an order; empty for an order it does not
    // know. Derived records answer their own orders and pass the rest on.
    virtual QString GetSortKey(const TSortIndex& order) const;

    QString FullName;      // as given
    QString ShortName;     // the name shown in the list, with its extension
    QString Folder;        // with its trailing "/"; empty for a name without folder
    QString Extension;     // with its dot, lower-cased
    QString BareName;      // the short name without its extension
    QString AlphaKey;      // short name + full name, lower-cased
    QString ExtensionKey;  // extension + full name, lower-cased
    QString PathKey;       // full name, lower-cased

  protected:
    TAbstractListFichier() = default;
    void SetFullName(const QString& fullName);
};

}  // namespace tavrel
