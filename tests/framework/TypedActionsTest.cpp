#include <gtest/gtest.h>

#include <QLocale>
#include <QPixmap>
#include <QTemporaryDir>
#include <memory>
#include <stdexcept>

#include "framework/CheckAction.h"
#include "framework/OmbrixPreferences.h"
#include "framework/OxActionList.h"
#include "framework/Recorder.h"
#include "framework/ScriptEngine.h"
#include "framework/ValueActions.h"

namespace tavrel {
namespace {

// Records every line a macro recording would add, for the test's duration.
class Recording {
  public:
    Recording() {
        TRecorder::Instance().Start([this](const QString& line) { lines << line; });
    }
    ~Recording() { TRecorder::Instance().Stop(); }
    QStringList lines;
};

TEST(TypedActions, DeclarationsSwitchesAndRecordedLines) {
    TNopeAction nope;
    nope.SetScriptName("naQuit");
    nope.SetSwitch("q");
    EXPECT_EQ(nope.ScriptDeclaration(), "procedure naQuit;");
    EXPECT_EQ(nope.SwitchSyntax(), "/q");
    EXPECT_EQ(nope.RecordedLine(), "    naQuit;");

    TWidestringAction text;
    text.SetScriptName("titre");
    text.SetSwitch("t");
    EXPECT_EQ(text.ScriptDeclaration(), "procedure titre(const aWidestring:widestring);");
    EXPECT_EQ(text.SwitchSyntax(), "/t=aWidestring");
    EXPECT_EQ(text.Variables(), "aWidestring") << "filled the first time it is asked for";
    text.SetValue("l'été");
    EXPECT_EQ(text.RecordedLine(), "    titre('l''été');");

    TWStringsAction list;
    list.SetScriptName("OpenFiles");
    list.SetSwitch("o");
    EXPECT_EQ(list.ScriptDeclaration(), "procedure OpenFiles(ws:array of widestring);");
    EXPECT_EQ(list.SwitchSyntax(), "/o=aWStrings");
    list.SetValue({"a.avi", "b c.avi"});
    EXPECT_EQ(list.RecordedLine(), "    OpenFiles(['a.avi', 'b c.avi']);");

    TFontAction font;
    font.SetScriptName("FontIncrust");
    font.SetSwitch("f");
    EXPECT_EQ(font.ScriptDeclaration(),
              "procedure FontIncrust(aName:widestring;aSize:integer;aColor:TColor;isBold:Boolean;"
              "isItalic:Boolean;isUnderline:Boolean;isStrikeOut:Boolean);");
    EXPECT_EQ(font.SwitchSyntax(), "/f=aFont");
    TFontValue f;
    f.Name = "Arial";
    f.Size = 12;
    f.Color = 0xFF;  // red
    f.Bold = f.StrikeOut = true;
    font.SetValue(f);
    EXPECT_EQ(font.RecordedLine(),
              "    FontIncrust('Arial', 12, $0000FF, True, False, False, True);");

    TIntegerAction integer;
    integer.SetScriptName("Volume");
    integer.SetSwitch("v");
    integer.SetVariables("niveau");
    EXPECT_EQ(integer.ScriptDeclaration(), "procedure Volume(const niveau:integer);");
    EXPECT_EQ(integer.SwitchSyntax(), "/v=niveau");
    integer.SetValue(-3);
    EXPECT_EQ(integer.RecordedLine(), "    Volume(-3);");

    TDoubleAction real;
    real.SetScriptName("DecalageDisplay");
    real.SetSwitch("dd");
    EXPECT_EQ(real.ScriptDeclaration(), "procedure DecalageDisplay(const aDouble:Double);");
    EXPECT_EQ(real.SwitchSyntax(), "/dd=aDouble");
    real.SetValue(0.25);
    EXPECT_EQ(real.RecordedLine(), "    DecalageDisplay(0.25);");

    TBooleanAction boolean;
    boolean.SetScriptName("OpenlastFiles");
    boolean.SetSwitch("ol");
    EXPECT_EQ(boolean.ScriptDeclaration(), "procedure OpenlastFiles(const aBoolean:Boolean);");
    EXPECT_EQ(boolean.SwitchSyntax(), "/ol=aBoolean");
    boolean.SetValue(true);
    EXPECT_EQ(boolean.RecordedLine(), "    OpenlastFiles(True);");

    TRectAction rect;
    rect.SetScriptName("FormSave");
    rect.SetSwitch("r");
    EXPECT_EQ(rect.SwitchSyntax(), "/r=aRect");
    EXPECT_EQ(rect.ScriptDeclaration(), "procedure FormSave(const left,top,right,bottom:integer);");
    rect.SetValue(TRectValue{1, 2, 3, 4});
    EXPECT_EQ(rect.RecordedLine(), "    FormSave(1,2,3,4);");

    TCheckAction check;
    check.SetScriptName("mute");
    check.SetSwitch("m");
    EXPECT_EQ(check.ScriptDeclaration(),
              "procedure setmute(const fisTrue:Boolean);\nprocedure mute;");
    EXPECT_EQ(check.SwitchSyntax(), "/m +m -m");
    check.SetChecked(true);
    EXPECT_EQ(check.RecordedLine(), "    setmute(True);");
    check.SetScriptName("Script");
    EXPECT_EQ(check.RecordedLine(), "");
    TCheckAction stop("naStopMacro", nullptr);
    stop.SetScriptName("stopmacro");
    EXPECT_EQ(stop.RecordedLine(), "");
    EXPECT_EQ(stop.Category(), "internal");
}

TEST(TypedActions, ExecutingRunsThePrepareHandlersFirst) {
    std::vector<std::string> calls;
    TNopeAction nope;
    bool allow = false;
    nope.Events().OnPrepare = [&] { return allow; };
    nope.Events().OnBeforeApply = [&] { calls.push_back("before"); };
    nope.Internal().Apply = [&] { calls.push_back("internal"); };
    nope.Events().OnAfterApply = [&] { calls.push_back("after"); };
    nope.trigger();
    EXPECT_TRUE(calls.empty());
    allow = true;
    nope.trigger();
    EXPECT_EQ(calls, (std::vector<std::string>{"before", "internal", "after"}));

    // A value action without prepare handlers does nothing when executed.
    TIntegerAction interval;
    interval.SetValue(30);
    int applied = 0;
    interval.Events().OnAfterApply = [&](const std::int32_t&) { ++applied; };
    interval.trigger();
    EXPECT_EQ(applied, 0);
    EXPECT_EQ(interval.Value(), 30);

    // A fresh value goes through the published, then the internal prepare.
    interval.Events().OnPrepare = [](std::int32_t& v) {
        EXPECT_EQ(v, 0);
        v = 5;
        return true;
    };
    interval.Internal().Prepare = [](std::int32_t& v) {
        v += 1;
        return true;
    };
    interval.trigger();
    EXPECT_EQ(interval.Value(), 6);
    EXPECT_EQ(applied, 1);
    interval.Internal().Prepare = [](std::int32_t&) { return false; };
    interval.trigger();
    EXPECT_EQ(interval.Value(), 6);
    EXPECT_EQ(applied, 1);
}

TEST(TypedActions, ACheckActionRefusedByItsPrepareKeepsItsStateAndRecordsNothing) {
    TCheckAction mute;
    mute.SetScriptName("mute");
    mute.SetTrueCaption("Remettre le son");
    mute.SetFalseCaption("Couper le son");
    EXPECT_EQ(mute.Caption(), "Couper le son");
    bool allow = false;
    mute.Events().OnPrepare = [&] { return allow; };
    int trueApplied = 0;
    mute.Events().OnAfterTrueApply = [&] { ++trueApplied; };

    Recording rec;
    mute.trigger();  // as from its menu item
    EXPECT_FALSE(mute.Checked());
    EXPECT_EQ(trueApplied, 0);
    EXPECT_TRUE(rec.lines.isEmpty());

    allow = true;
    mute.trigger();
    EXPECT_TRUE(mute.Checked());
    EXPECT_EQ(trueApplied, 1);
    EXPECT_EQ(mute.Caption(), "Remettre le son");
    EXPECT_EQ(rec.lines, QStringList{"    setmute(True);"});
}

TEST(TypedActions, SameValueAgain) {
    Recording rec;
    TBooleanAction flag;
    flag.SetScriptName("flag");
    int applied = 0;
    flag.Events().OnAfterApply = [&](const bool&) { ++applied; };
    flag.SetValue(false);  // already false
    EXPECT_EQ(applied, 0);
    EXPECT_TRUE(rec.lines.isEmpty());
    flag.SetValue(true);
    EXPECT_EQ(applied, 1);

    TCheckAction check;
    check.SetScriptName("c");
    int falseApplied = 0;
    check.Internal().FalseApply = [&] { ++falseApplied; };
    check.SetChecked(false);
    check.SetChecked(false);
    EXPECT_EQ(falseApplied, 2) << "a check action applies its state every time";
    EXPECT_EQ(rec.lines, (QStringList{"    flag(True);", "    setc(False);", "    setc(False);"}));
}

TEST(TypedActions, OnlyTheOutermostChangeIsRecorded) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    TIntegerAction volume;
    volume.SetScriptName("Volume");
    TDoubleAction shift;
    shift.SetScriptName("DecalageDisplay");
    shift.Events().OnAfterApply = [&](const double&) { volume.SetValue(42); };
    {
        Recording rec;
        shift.SetValue(0.5);
        EXPECT_EQ(rec.lines, QStringList{"    DecalageDisplay(0.5);"});
        EXPECT_EQ(volume.Value(), 42);
        EXPECT_FALSE(TRecorder::Instance().InProgress());

        // A handler that throws does not leave the recorder stuck.
        shift.Events().OnAfterApply = [](const double&) { throw std::runtime_error("x"); };
        EXPECT_THROW(shift.SetValue(1), std::runtime_error);
        EXPECT_FALSE(TRecorder::Instance().InProgress());
        volume.SetValue(1);
        EXPECT_EQ(rec.lines.last(), "    Volume(1);");

        // An action without a script name writes no line but still hides
        // what its handlers change.
        TNopeAction anonymous;
        anonymous.Events().OnAfterApply = [&] { volume.SetValue(2); };
        const qsizetype before = rec.lines.size();
        anonymous.Apply();
        EXPECT_EQ(rec.lines.size(), before);
    }
    QLocale::setDefault(saved);
    // Not recording: nothing is added anywhere and nothing is in progress.
    volume.SetValue(3);
    EXPECT_FALSE(TRecorder::Instance().InProgress());
}

TEST(TypedActions, ApplyText) {
    TIntegerAction integer;
    integer.ApplyText("abc");
    EXPECT_EQ(integer.Value(), -1);
    integer.ApplyText(" 12 ");
    EXPECT_EQ(integer.Value(), 12);

    TDoubleAction real;
    real.ApplyText("abc");
    EXPECT_EQ(real.Value(), -1.0);
    real.ApplyText("2.5");
    EXPECT_EQ(real.Value(), 2.5);

    TBooleanAction boolean;
    for (const char* t : {"VRAI", " t ", "12"}) {
        boolean.SetValue(false);
        boolean.ApplyText(t);
        EXPECT_TRUE(boolean.Value()) << t;
    }
    boolean.ApplyText("abc");
    EXPECT_FALSE(boolean.Value());

    TRectAction rect;
    int rectApplied = 0;
    rect.Events().OnAfterApply = [&](const TRectValue&) { ++rectApplied; };
    rect.ApplyText("(10, 20, 30, 40)");
    EXPECT_EQ(rect.Value(), (TRectValue{10, 20, 30, 40}));
    rect.ApplyText("10,20,30,40");
    EXPECT_EQ(rectApplied, 1) << "a text that is no rectangle changes nothing";

    TWStringsAction list;
    list.ApplyText("a, \"b c\",d");
    EXPECT_EQ(list.Value(), (QStringList{"a", "b c", "d"}));

    TFontAction font;
    int fontApplied = 0;
    font.Events().OnAfterApply = [&](const TFontValue&) { ++fontApplied; };
    font.ApplyText("Arial");
    EXPECT_EQ(fontApplied, 0);

    TCheckAction check;
    check.ApplyText("vrai");
    EXPECT_TRUE(check.Checked());

    TNopeAction nope;
    int nopeApplied = 0;
    nope.Internal().Apply = [&] { ++nopeApplied; };
    nope.ApplyText("whatever");
    EXPECT_EQ(nopeApplied, 1);
}

class ListPrefs : public ::testing::Test {
  protected:
    void SetUp() override {
        gp.SetTitre("Tavrel");
        gp.SetProgramFolder(dir.path());
        gp.SetUserConfigFolder(dir.filePath("config"));
        gp.SetStorageMode(TSavePreferences::spPortable);
    }
    // One action of every kind, with defaults.
    struct Actions {
        explicit Actions(TCustomOxActionList& list) {
            text = list.Create<TWidestringAction>("waTitre");
            text->SetScriptName("Titre");
            text->SetDefaultValue("Sans titre");
            files = list.Create<TWStringsAction>("saFileNames");
            files->SetScriptName("FileNames");
            font = list.Create<TFontAction>("faFontIncrust");
            font->SetScriptName("FontIncrust");
            volume = list.Create<TIntegerAction>("iaVolume");
            volume->SetScriptName("Volume");
            volume->SetDefaultValue(-1000);
            shift = list.Create<TDoubleAction>("daDecalageDisplay");
            shift->SetScriptName("DecalageDisplay");
            reopen = list.Create<TBooleanAction>("baOpenlastFiles");
            reopen->SetScriptName("OpenlastFiles");
            reopen->SetDefaultValue(true);
            reopen->SetApplyWhenLoad(true);
            rect = list.Create<TRectAction>("raFormSave");
            rect->SetScriptName("FormSave");
            mute = list.Create<TCheckAction>("caMute");
            mute->SetScriptName("mute");
            quit = list.Create<TNopeAction>("naQuit");
            quit->SetScriptName("Quit");
        }
        TWidestringAction* text;
        TWStringsAction* files;
        TFontAction* font;
        TIntegerAction* volume;
        TDoubleAction* shift;
        TBooleanAction* reopen;
        TRectAction* rect;
        TCheckAction* mute;
        TNopeAction* quit;
    };
    QTemporaryDir dir;
    TOmbrixPreferences gp;
};

TEST_F(ListPrefs, EveryKindSavesAndLoadsThroughItsList) {
    {
        TOxActionList list;
        Actions a(list);
        ASSERT_TRUE(gp.OpenKey("UIForm"));
        ASSERT_TRUE(list.LoadFromPrefs(gp));
        EXPECT_EQ(a.text->Value(), "Sans titre");
        EXPECT_EQ(a.volume->Value(), -1000);
        EXPECT_TRUE(a.reopen->Value());

        a.text->SetValue("Vacances");
        a.files->SetValue({"un.avi", "deux.avi"});
        TFontValue f;
        f.Name = "Arial";
        f.Bold = f.Underline = true;
        a.font->SetValue(f);
        a.volume->SetValue(-250);
        a.shift->SetValue(1.0 / 24);
        a.reopen->SetValue(false);
        a.rect->SetValue(TRectValue{5, 6, 805, 606});
        a.mute->SetChecked(true);
        int beforeSave = 0;
        a.quit->Events().BeforeSave = [&] {
            ++beforeSave;
            return true;
        };
        // The check action's before-save changes only what is written.
        a.mute->Events().BeforeSave = [](bool& v) {
            v = false;
            return true;
        };
        EXPECT_TRUE(list.SaveToPrefs(gp));
        EXPECT_EQ(beforeSave, 1);
        EXPECT_TRUE(a.mute->Checked());
        gp.CloseKey();
    }
    TOxActionList list;
    Actions a(list);
    int reopenApplied = 0;
    a.reopen->Events().OnAfterApply = [&](const bool&) { ++reopenApplied; };
    int listHandler = 0;
    list.SetOnLoadFromPrefs([&](TOmbrixPreferences&) {
        ++listHandler;
        return true;
    });
    ASSERT_TRUE(gp.OpenKey("UIForm"));
    ASSERT_TRUE(list.LoadFromPrefs(gp));
    EXPECT_EQ(a.text->Value(), "Vacances");
    EXPECT_EQ(a.files->Value(), (QStringList{"un.avi", "deux.avi"}));
    EXPECT_EQ(a.font->Value().Name, "Arial");
    EXPECT_TRUE(a.font->Value().Bold && a.font->Value().Underline);
    EXPECT_FALSE(a.font->Value().Italic);
    EXPECT_EQ(a.volume->Value(), -250);
    EXPECT_NEAR(a.shift->Value(), 1.0 / 24, 1e-15);
    EXPECT_FALSE(a.reopen->Value());
    EXPECT_EQ(reopenApplied, 1) << "applied at load even though false is no change";
    EXPECT_EQ(a.rect->Value(), (TRectValue{5, 6, 805, 606}));
    EXPECT_FALSE(a.mute->Checked());
    EXPECT_EQ(listHandler, 1);
}

TEST_F(ListPrefs, OneFailingActionDoesNotStopTheOthers) {
    {
        TOxActionList list;
        Actions a(list);
        gp.OpenKey("UIForm");
        a.volume->SetValue(7);
        a.text->SetValue("gardé");
        list.SaveToPrefs(gp);
        gp.CloseKey();
    }
    TOxActionList list;
    Actions a(list);
    a.files->Events().OnDefault = [](QStringList&) -> bool {
        throw std::runtime_error("illisible");
    };
    a.rect->SetIncludePrefs(false);
    a.rect->Events().OnDefault = [](TRectValue&) -> bool {
        ADD_FAILURE() << "an action left out of the settings is not loaded";
        return true;
    };
    gp.OpenKey("UIForm");
    EXPECT_FALSE(list.LoadFromPrefs(gp));
    EXPECT_EQ(a.volume->Value(), 7);
    EXPECT_EQ(a.text->Value(), "gardé");

    list.SetOnSaveToPrefs([](TOmbrixPreferences&) { return false; });
    EXPECT_FALSE(list.SaveToPrefs(gp));
}

TEST_F(ListPrefs, DefaultsCanBeChangedBeforeLoading) {
    TOxActionList list;
    Actions a(list);
    a.volume->Events().OnDefault = [](std::int32_t& v) {
        v = 100;
        return true;
    };
    a.volume->Internal().Default = [](std::int32_t& v) {
        v += 1;
        return true;
    };
    a.mute->SetDefaultValue(true);
    EXPECT_TRUE(a.mute->Checked()) << "the default puts the action in its state";
    gp.OpenKey("UIForm");
    list.LoadFromPrefs(gp);
    EXPECT_EQ(a.volume->Value(), 101);
    EXPECT_EQ(a.volume->DefaultValue(), 101);
    EXPECT_TRUE(a.mute->Checked());
}

TEST(TypedActions, ResetDesignAndShortcuts) {
    TCustomOxActionList list;
    auto* play = list.Create<TCheckAction>("caPlayPause", "caPlayPause");
    play->SetScriptName("play");
    play->SetShortCut(QKeySequence(Qt::CTRL | Qt::Key_Space));
    play->SetSecondaryShortcuts({QKeySequence(Qt::Key_Space)});
    EXPECT_EQ(play->shortcuts(), (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Space),
                                                      QKeySequence(Qt::Key_Space)}));
    int internal = 0, published = 0;
    play->Internal().TrueApply = [&] { ++internal; };
    play->Events().OnAfterTrueApply = [&] { ++published; };
    EXPECT_EQ(list.FindByInternalId("caPlayPause"), play);
    EXPECT_EQ(list.FindByInternalId("caplaypause"), nullptr);

    play->ResetDesign();
    EXPECT_EQ(play->Category(), "");
    EXPECT_EQ(play->ScriptName(), "");
    EXPECT_TRUE(play->shortcuts().isEmpty());
    play->SetChecked(true);
    EXPECT_EQ(internal, 0);
    EXPECT_EQ(published, 1);
}

TEST(TypedActions, ImagesFollowTheListAndTheState) {
    TCustomOxActionList list;
    QPixmap red(4, 4), blue(4, 4);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    list.SetImages({QIcon(red), QIcon(blue)});
    auto* mute = list.Create<TCheckAction>("caMute");
    std::vector<int> told;
    mute->SetOnImageChanged([&](const QList<QIcon>& images, int index) {
        EXPECT_EQ(images.size(), 2);
        told.push_back(index);
    });
    mute->SetTrueImageIndex(1);
    mute->SetFalseImageIndex(0);
    EXPECT_EQ(mute->ImageIndex(), 0);
    mute->SetChecked(true);
    EXPECT_EQ(mute->ImageIndex(), 1);
    EXPECT_FALSE(mute->icon().isNull());
    EXPECT_EQ(told, (std::vector<int>{0, 1}));
}

class FakeEngine : public TScriptEngine {
  public:
    bool RegisterProcedure(const QString& declaration, TProcedure procedure) override {
        procedures.emplace_back(declaration, std::move(procedure));
        return true;
    }
    void Compile() {
        procedures.clear();
        if (OnCompile()) OnCompile()();
    }
    TProcedure Find(const QString& declaration) {
        for (auto& [d, p] : procedures)
            if (d == declaration) return p;
        return nullptr;
    }
    std::vector<std::pair<QString, TProcedure>> procedures;
};

TEST(TypedActions, ListsRegisterTheirActionsAtEveryCompilation) {
    FakeEngine engine;
    int earlier = 0;
    engine.OnCompile() = [&] { ++earlier; };
    TOxActionList list;
    auto* mute = list.Create<TCheckAction>("caMute");
    mute->SetScriptName("mute");
    auto* rect = list.Create<TRectAction>("raFormSave");
    rect->SetScriptName("FormSave");
    auto* nameless = list.Create<TNopeAction>("naRien");
    Q_UNUSED(nameless);
    list.SetScriptEngine(&engine);
    engine.Compile();
    EXPECT_EQ(earlier, 1) << "the handler that was there runs first";
    ASSERT_EQ(engine.procedures.size(), 3u);
    engine.Find("procedure setmute(const fisTrue:Boolean);")({true});
    EXPECT_TRUE(mute->Checked());
    engine.Find("procedure mute;")({});
    EXPECT_FALSE(mute->Checked());
    engine.Find("procedure FormSave(const left,top,right,bottom:integer);")({1, 2, 3, 4});
    EXPECT_EQ(rect->Value(), (TRectValue{1, 2, 3, 4})) << "in the order of the recorded line";

    list.SetScriptEngine(nullptr);
    engine.Compile();
    EXPECT_EQ(earlier, 2);
    EXPECT_TRUE(engine.procedures.empty());

    auto other = std::make_unique<FakeEngine>();
    list.SetScriptEngine(other.get());
    other.reset();
    EXPECT_EQ(list.ScriptEngine(), nullptr);
}

}  // namespace
}  // namespace tavrel
