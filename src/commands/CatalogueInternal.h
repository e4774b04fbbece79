#pragma once
// What the catalogue's files share: the small routines of its handlers.

#include <QString>
#include <QStringList>
#include <functional>

#include "commands/Catalogue.h"
#include "commands/CommandEngine.h"

namespace tavrel::catalogue {

// The first parameter, or empty.
QString FirstParam(const QStringList& params);

// The full name of an entry; empty for none.
QString FullNameOf(const TAbstractListFichier* fichier);
QString ShortNameOf(const TAbstractListFichier* fichier);

// Whether the entry's file is still on disk; when it is not, says so with
// the command's error text and returns false.
bool RequireSource(TCommandEngine& ce, const TFastCmd_np& cmd, TAbstractListFichier* fichier,
                   int passe);

// Reports a failure of a pass: the command's error text when it has one,
// followed by the reason; the reason alone otherwise. The run goes on.
void ReportFailure(TCommandEngine& ce, const TFastCmd_np& cmd, TAbstractListFichier* fichier,
                   int passe, const QString& reason);

// "La commande « <caption> » n'est pas encore disponible dans cette version."
QString NotAvailableText(const tAbstractCmd& cmd);

// Whether a configured program is a file on disk.
bool ProgramExists(const QString& path);

// The file condition of a media test: the same answer for visible and
// enabled when hidden is true, else visible stays true.
void SetCondition(bool& visible, bool& enabled, bool value, bool hidden);

}  // namespace tavrel::catalogue
