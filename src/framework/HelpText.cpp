#include "framework/HelpText.h"

#include <QKeySequence>

#include "framework/AbstractAction.h"
#include "framework/OxActionList.h"
#include "framework/RichMarkup.h"

namespace tavrel {

namespace {

QString ShortcutsText(const TCustomAbstractAction& action) {
    QStringList keys;
    if (!action.ShortCut().isEmpty()) keys << action.ShortCut().toString(QKeySequence::NativeText);
    for (const QKeySequence& k : action.SecondaryShortcuts())
        if (!k.isEmpty()) keys << k.toString(QKeySequence::NativeText);
    return keys.join(QStringLiteral(", "));
}

// Script declarations of check actions hold two headings, one a line.
QString Lines(const QString& text) {
    QString out = RichEscape(text);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    out.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return out;
}

}  // namespace

QString CaptionWithoutMnemonic(const QString& caption) {
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (i + 1 < caption.size() && caption[i + 1] == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

QString ActionHelpText(TCustomAbstractAction& action) {
    const QString caption = CaptionWithoutMnemonic(action.Caption()).trimmed();
    const QString keys = ShortcutsText(action);
    const QString scriptName = action.ScriptName();
    if (caption.isEmpty() && keys.isEmpty() && scriptName.isEmpty()) return QString();

    QString text = QStringLiteral("<b>") + RichEscape(caption.isEmpty() ? action.Name() : caption) +
                   QStringLiteral("</b>");
    if (!keys.isEmpty())
        text += QStringLiteral("  <color navy>") + RichEscape(keys) + QStringLiteral("</color>");
    text += QStringLiteral("<br>");
    if (!scriptName.isEmpty())
        text += QStringLiteral("    Script : <color teal>") + Lines(action.ScriptDeclaration()) +
                QStringLiteral("</color><br>");
    if (!action.Switch().isEmpty())
        text += QStringLiteral("    Ligne de commande : <color purple>") +
                RichEscape(action.SwitchSyntax()) + QStringLiteral("</color><br>");
    for (const QString& comment : action.Comments())
        text += QStringLiteral("    <i>") + Lines(comment) + QStringLiteral("</i><br>");
    return text;
}

QString HelpRichText(const std::vector<THelpSection>& sections) {
    QString text;
    for (const THelpSection& section : sections) {
        QString entries;
        for (const QPointer<TCustomOxActionList>& list : section.Lists) {
            if (!list) continue;
            for (TCustomAbstractAction* a : list->TypedActions()) {
                const QString entry = ActionHelpText(*a);
                if (!entry.isEmpty()) entries += entry;
            }
        }
        if (entries.isEmpty()) continue;
        text += QStringLiteral("<size 12><b><u>") + RichEscape(section.Title) +
                QStringLiteral("</u></b></size><br><br>") + entries + QStringLiteral("<br>");
    }
    text += QStringLiteral(
        "<size 12><b><u>Scripts et macros</u></b></size><br><br>"
        "Dans un script, chaque action se déclenche par la procédure indiquée après "
        "« Script : ». Une case à cocher se règle par sa procédure « set » suivie de True ou "
        "False, ou s'inverse par son nom seul.<br><br>"
        "Pour enregistrer une macro, ouvrez la fenêtre des scripts et cliquez sur « Enregistrer "
        "une macro » : chaque action que vous faites ensuite s'ajoute au script, une ligne par "
        "action, jusqu'à ce que vous arrêtiez l'enregistrement.<br><br>"
        "Sur la ligne de commande, « +nom » coche une case, « -nom » la décoche, « /nom » "
        "l'inverse et « /nom=valeur » donne une valeur ; les autres paramètres sont des "
        "fichiers à ouvrir.<br>");
    return text;
}

}  // namespace tavrel
