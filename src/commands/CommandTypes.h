#pragma once
// The small types shared by the command engine, the command classes and the
// user side of a run: which files a run takes, when the display is refreshed,
// what becomes of the list after a pass, the severity of an error, and the
// answers and button sets of the confirmation dialog.

#include <QString>
#include <QStringList>
#include <memory>

#include "avi/ListFichier.h"

namespace tavrel {

// Records of the file list are shared: the list holds them, and a run holds
// the ones it works on, so a record stays valid on the worker even when the
// list lets it go in the meantime.
using TFichierPtr = std::shared_ptr<TAbstractListFichier>;

// The order of these enumerations is that of the stored command properties.
enum TcmdNombre { fnNone, fnSingle, fnSelect, fnAll };
enum TUpdateDisplay { udNone, udFinal, udEach };
enum TUpdateFile { ufNone, ufAdd, ufRemove, ufReload, ufReplace, ufRename };
enum TErrorType { etNoError, etError, etAllError };

// The answers of a confirmation, named after their buttons.
enum class TAnswer { Oui = 1, Non, Annuler, NonATous, OuiATous };

// Oui, Non, Annuler for a run over one file or none; the same plus
// "Non à Tous" and "Oui à Tous" for a run over two or more.
enum class TConfirmButtons { Three = 1, Five };

// The texts of the confirmation dialog: its title, and the caption of each
// answer's button with its keyboard accelerator ("&Oui", "N&on à Tous"...).
QString ConfirmationTitle();
QString AnswerCaption(TAnswer answer);
// The answers a button set offers, in the order of their buttons.
QList<TAnswer> AnswersOf(TConfirmButtons buttons);

// The text of the error dialog: the message, a carriage return and what
// becomes of the run ("Le fichier courant a été interrompu." for etError,
// "La commande va être interrompue." for etAllError).
QString ErrorDialogText(const QString& message, TErrorType type);

// The start and error texts of the commands are format strings with two
// arguments, in this order: a text (the file name) and a number (the pass).
// "%s" takes the text, "%d" the number, each specifier the next argument
// (or the one named by an index, "%1:d"); "%%" is a percent sign. Widths
// and precisions ("%3d", "%.2d", "%-8s") are honoured. A specifier that
// names an argument that does not exist is kept as written.
QString FormatCommandText(const QString& format, const QString& text, int number);

}  // namespace tavrel
