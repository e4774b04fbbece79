#include "framework/HelpText.h"

#include <gtest/gtest.h>

#include "framework/CheckAction.h"
#include "framework/OxActionList.h"
#include "framework/OxScript.h"
#include "framework/RichMarkup.h"
#include "framework/ValueActions.h"

namespace tavrel {
namespace {

QString Shown(const QString& tagged) {
    return TRichMarkup::Parse(tagged).PlainText(u"\n");
}

TEST(HelpText, CaptionsLoseTheirMnemonic) {
    EXPECT_EQ(CaptionWithoutMnemonic("&Ouvrir"), "Ouvrir");
    EXPECT_EQ(CaptionWithoutMnemonic("Tom && Jerry"), "Tom & Jerry");
    EXPECT_EQ(CaptionWithoutMnemonic("fin&"), "fin");
}

TEST(HelpText, EachActionWithItsShortcutsScriptSwitchAndComments) {
    TOxActionList list;
    auto* mute = list.Create<TCheckAction>("caMute");
    mute->SetCaption("&Muet");
    mute->SetShortCut(QKeySequence("Ctrl+M"));
    mute->SetSecondaryShortcuts({QKeySequence("F8")});
    mute->SetScriptName("Mute");
    mute->SetSwitch("m");
    mute->SetComments({"Coupe le son", "de la vidéo"});
    auto* interval = list.Create<TIntegerAction>("iaIntervalle");
    interval->SetCaption("Durée < 1 h");
    interval->SetScriptName("interval");
    list.Create<TNopeAction>("naHidden");  // nothing a user can reach

    EXPECT_EQ(Shown(ActionHelpText(*mute)),
              "Muet  Ctrl+M, F8\n"
              "    Script : procedure setMute(const fisTrue:Boolean);\n"
              "procedure Mute;\n"
              "    Ligne de commande : /m +m -m\n"
              "    Coupe le son\n"
              "    de la vidéo\n");
    EXPECT_EQ(Shown(ActionHelpText(*interval)),
              "Durée < 1 h\n    Script : procedure interval(const aInteger:integer);\n");
    EXPECT_TRUE(ActionHelpText(*list.TypedActions()[2]).isEmpty());
}

TEST(HelpText, SectionsInOrderWithoutEmptyOnesOrDeadLists) {
    TOxActionList commands;
    commands.Create<TNopeAction>("naA")->SetCaption("Action A");
    TOxActionList empty;
    auto* files = new TOxActionList;
    files->Create<TNopeAction>("naB")->SetCaption("Action B");
    auto* gone = new TOxActionList;
    gone->Create<TNopeAction>("naC")->SetCaption("Action C");
    std::vector<THelpSection> sections = {
        {"Commandes", {&commands, gone}}, {"Vide", {&empty}}, {"Fichiers", {files}}};
    delete gone;
    const QString text = Shown(HelpRichText(sections));
    delete files;
    EXPECT_TRUE(text.startsWith("Commandes\n\nAction A\n\nFichiers\n\nAction B\n"))
        << text.toStdString();
    EXPECT_FALSE(text.contains("Vide"));
    EXPECT_FALSE(text.contains("Action C"));
    EXPECT_TRUE(text.contains("Scripts et macros"));
}

// The engine keeps what the lists register at each compilation, by name.
TEST(OxScript, CompilationRegistersTheProceduresOfTheChainedLists) {
    TOxScript engine;
    TOxActionList list;
    auto* about = list.Create<TCheckAction>("caAbout");
    about->SetScriptName("About");
    auto* folder = list.Create<TWidestringAction>("waFolder");
    folder->SetScriptName("Folder");
    list.Create<TWidestringAction>("waNoName");  // no script name, no procedure
    list.SetScriptEngine(&engine);

    engine.Compile();
    QStringList names;
    for (const auto& p : engine.Procedures()) names << p.Name;
    EXPECT_EQ(names, (QStringList{"setAbout", "About", "Folder"}));
    EXPECT_TRUE(engine.Call("SETABOUT", {true})) << "script names ignore case";
    EXPECT_TRUE(about->Checked());
    EXPECT_TRUE(engine.Call("About"));
    EXPECT_FALSE(about->Checked());
    EXPECT_TRUE(engine.Call("folder", {"/tmp"}));
    EXPECT_EQ(folder->Value(), "/tmp");
    EXPECT_FALSE(engine.Call("Unknown"));

    // A second compilation starts afresh rather than refusing duplicates.
    engine.Compile();
    EXPECT_EQ(engine.Procedures().size(), 3u);
    EXPECT_FALSE(engine.RegisterProcedure("procedure About;", [](const QVariantList&) {}));
    EXPECT_FALSE(engine.RegisterProcedure("procedure ;", [](const QVariantList&) {}));
    EXPECT_EQ(TOxScript::ProcedureName("procedure FormSave(const left,right,top,bottom:integer);"),
              "FormSave");
}

}  // namespace
}  // namespace tavrel
