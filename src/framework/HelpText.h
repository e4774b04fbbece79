#pragma once
// The text of the help window, in the tag language: for each section (a
// title and the action lists registered under it) every action a user can
// reach, with its caption, its keyboard shortcuts, its script declaration,
// its command-line switch and its comments; then how scripts and macros
// reach those actions.

#include <QList>
#include <QPointer>
#include <QString>
#include <vector>

namespace tavrel {

class TCustomAbstractAction;
class TCustomOxActionList;

struct THelpSection {
    QString Title;
    QList<QPointer<TCustomOxActionList>> Lists;
};

// A caption as a menu shows it: "&&" is one '&', a single '&' marks the
// mnemonic and is not shown.
QString CaptionWithoutMnemonic(const QString& caption);

// The entry of one action; empty for an action with neither caption,
// shortcut nor script name, which no user can reach or recognise.
QString ActionHelpText(TCustomAbstractAction& action);

// The whole help text; lists that are gone are skipped, sections left
// without any entry too.
QString HelpRichText(const std::vector<THelpSection>& sections);

}  // namespace tavrel
