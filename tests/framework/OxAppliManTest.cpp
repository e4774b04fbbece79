#include "framework/OxAppliMan.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <memory>
#include <ostream>

#include "framework/CheckAction.h"
#include "framework/HelpForm.h"
#include "framework/LinkEdit.h"
#include "framework/OmbrixPreferences.h"
#include "framework/OxScript.h"
#include "framework/OxSwitch.h"
#include "framework/PagePanel.h"
#include "framework/PreferencesOwnerHook.h"
#include "framework/ProductInfo.h"
#include "framework/Recorder.h"
#include "framework/SavePrefsForm.h"
#include "framework/ScriptForm.h"
#include "framework/ValueActions.h"

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << '(' << r.x() << ',' << r.y() << ' ' << r.width() << 'x' << r.height() << ')';
}

namespace tavrel {
namespace {

// A main window as the program has one: a tool bar, a status bar and a
// central widget, which the pages cover.
class MainWindow : public QMainWindow {
  public:
    MainWindow() {
        addToolBar(new QToolBar(this));
        setStatusBar(new QStatusBar(this));
        setCentralWidget(new QWidget(this));
        resize(900, 700);
    }
};

// A frame of a fixed size, as the options frame is.
QWidget* MakeFrame(int width, int height) {
    auto* frame = new QWidget;
    frame->resize(width, height);
    return frame;
}

// Real key presses reach the actions through their shortcuts, which work
// only in the active window.
void Press(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window, key, modifiers);
    QApplication::processEvents();
}

// A point inside the displayed character at position of a rich label.
QPoint CharPoint(TLinkEdit* edit, int position) {
    QTextCursor cursor(edit->document());
    cursor.setPosition(position);
    const QRect left = edit->cursorRect(cursor);
    cursor.setPosition(position + 1);
    const QRect right = edit->cursorRect(cursor);
    return {(left.x() + right.x()) / 2 + 1, left.center().y()};
}

void SendMouse(TLinkEdit* edit, QEvent::Type type, const QPoint& pos) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(Qt::LeftButton) : Qt::NoButton;
    QMouseEvent event(type, QPointF(pos), QPointF(edit->viewport()->mapToGlobal(pos)), button,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(edit->viewport(), &event);
}

class AppliMan : public ::testing::Test {
  protected:
    void SetUp() override {
        am = new TOxAppliMan(&window);
        am->SetOnOpenUrl([this](const QUrl& url) {
            opened << url;
            return true;
        });
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void TearDown() override { TRecorder::Instance().Stop(); }

    QRect Central() const { return window.centralWidget()->geometry(); }
    std::vector<bool> Shown() const {
        return {am->AboutPanel()->isVisible(), am->OptionsPanel()->isVisible(),
                am->CustomPanel()->isVisible()};
    }

    MainWindow window;
    TOxAppliMan* am = nullptr;  // a child of the window, as the program has it
    QList<QUrl> opened;
};

TEST_F(AppliMan, PagesAreExclusiveAndCoverTheWindowContent) {
    QStringList told;
    am->caAbout()->Events().OnAfterFalseApply = [&] { told << "about closed"; };
    am->caOptions()->Events().OnAfterFalseApply = [&] { told << "options closed"; };

    Press(&window, Qt::Key_F11);
    EXPECT_EQ(Shown(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(am->AboutPanel()->geometry(), Central());
    EXPECT_TRUE(told.isEmpty()) << "opening a page closes only the pages that are open";

    Press(&window, Qt::Key_F10);
    EXPECT_EQ(Shown(), (std::vector<bool>{false, true, false}));
    EXPECT_FALSE(am->caAbout()->Checked());
    EXPECT_TRUE(am->caOptions()->Checked());
    EXPECT_EQ(told, QStringList{"about closed"});
    EXPECT_EQ(am->caOptions()->Hint(), "Cliquez pour fermer la page des Options");

    Press(&window, Qt::Key_F10, Qt::AltModifier);
    EXPECT_EQ(Shown(), (std::vector<bool>{false, false, true}));
    EXPECT_FALSE(am->caOptions()->Checked());

    Press(&window, Qt::Key_F10);
    EXPECT_EQ(Shown(), (std::vector<bool>{false, true, false}));
    EXPECT_FALSE(am->caCustom()->Checked());
    Press(&window, Qt::Key_F10);
    EXPECT_EQ(Shown(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(am->caOptions()->Hint(), "Cliquez pour ouvrir la page des Options");

    // The page follows the window's content when the window changes size.
    Press(&window, Qt::Key_F11);
    window.resize(1000, 760);
    QApplication::processEvents();
    EXPECT_EQ(am->AboutPanel()->geometry(), Central());
}

TEST_F(AppliMan, FramesAreCentredOnTheirPages) {
    // Without a frame the Options page is an empty silver page.
    am->caOptions()->SetChecked(true);
    EXPECT_TRUE(am->OptionsPanel()->isVisible());
    EXPECT_EQ(am->OptionsPanel()->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_TRUE(am->OptionsPanel()->autoFillBackground());
    EXPECT_EQ(am->OptionsFrame(), nullptr);

    QWidget* frame = MakeFrame(301, 201);
    am->SetOptionsFrame(frame);
    EXPECT_EQ(frame->parentWidget(), am->OptionsPanel());
    EXPECT_TRUE(frame->isVisible());
    struct Case {
        QSize page;
        QPoint topLeft;
    };
    // Halves round toward zero, also when the frame is the larger.
    const Case cases[] = {
        {{700, 500}, {199, 149}}, {{500, 300}, {99, 49}}, {{200, 100}, {-50, -50}}};
    for (const Case& c : cases) {
        am->OptionsPanel()->resize(c.page);
        EXPECT_EQ(frame->pos(), c.topLeft) << c.page.width();
    }
    frame->resize(101, 51);
    EXPECT_EQ(frame->pos(), QPoint(49, 24)) << "a frame that changes size stays centred";

    // The page forgets a frame that is gone.
    delete frame;
    EXPECT_EQ(am->OptionsFrame(), nullptr);
    am->caOptions()->SetChecked(false);
}

TEST_F(AppliMan, TheCloseLines) {
    am->caOptions()->SetChecked(true);
    TLinkEdit* line = am->OptionsCloseLine();
    ASSERT_NE(line, nullptr);
    const QRect page = am->OptionsPanel()->rect();
    EXPECT_EQ(line->geometry(), QRect(page.width() - 16 - 180, page.height() - 16 - 40, 180, 40));
    EXPECT_TRUE(line->isVisible());
    EXPECT_TRUE(line->isReadOnly());
    EXPECT_EQ(line->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(line->palette().color(QPalette::Base), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(line->RichText(),
              "Tapez F10 pour quitter cette page ou <link closeOptions>cliquez ici</link>.");
    const TRichMarkup& markup = line->Markup();
    const TRichAttributes words = markup.AttributesAt(0);
    EXPECT_TRUE(words.Bold && words.Italic);
    EXPECT_EQ(words.SizePt, 8);
    EXPECT_EQ(words.Colour, QColor(0x80, 0x00, 0x00));
    ASSERT_EQ(markup.Links().size(), 1u);
    EXPECT_EQ(markup.Links()[0].Target, "closeOptions");

    // The line moves with the page's bottom right corner.
    window.resize(1100, 800);
    QApplication::processEvents();
    const QRect bigger = am->OptionsPanel()->rect();
    EXPECT_EQ(line->geometry().bottomRight(), QPoint(bigger.width() - 17, bigger.height() - 17));

    // Pointing at the link tells what it does; clicking it closes the page.
    const QPoint onLink = CharPoint(line, markup.Links()[0].Start + 2);
    SendMouse(line, QEvent::MouseMove, onLink);
    EXPECT_EQ(line->toolTip(), "Cliquez pour fermer cette page\net retourner à l'application");
    EXPECT_EQ(line->viewport()->cursor().shape(), Qt::PointingHandCursor);
    SendMouse(line, QEvent::MouseButtonPress, onLink);
    SendMouse(line, QEvent::MouseButtonRelease, onLink);
    EXPECT_FALSE(am->caOptions()->Checked());
    EXPECT_FALSE(am->OptionsPanel()->isVisible());

    am->SetOptionsCloseVisible(false);
    am->caOptions()->SetChecked(true);
    EXPECT_FALSE(line->isVisible());
    am->SetOptionsCloseVisible(true);
    EXPECT_TRUE(line->isVisible());

    // The About page carries the same line for its own key and link.
    am->caAbout()->SetChecked(true);
    TLinkEdit* aboutLine = am->AboutCloseLine();
    ASSERT_NE(aboutLine, nullptr);
    EXPECT_TRUE(aboutLine->isVisible());
    EXPECT_EQ(aboutLine->RichText(),
              "Tapez F11 pour quitter cette page ou <link closeAbout>cliquez ici</link>.");
    const QPoint onAboutLink = CharPoint(aboutLine, aboutLine->Markup().Links()[0].Start + 2);
    SendMouse(aboutLine, QEvent::MouseButtonPress, onAboutLink);
    SendMouse(aboutLine, QEvent::MouseButtonRelease, onAboutLink);
    EXPECT_FALSE(am->caAbout()->Checked());
}

TEST_F(AppliMan, TheAboutPageIsFilledEachTimeItOpens) {
    am->caAbout()->SetChecked(true);
    TLinkEdit* label = am->AboutLabel();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(am->AboutFrame()->parentWidget(), am->AboutPanel());
    EXPECT_TRUE(label->Markup().Text().contains(ProductTitle()));
    EXPECT_TRUE(label->Markup().Text().contains("Il utilise Qt, GStreamer."));
    am->caAbout()->SetChecked(false);

    am->SetTitreUses({"libdv"});
    am->SetUrlUses({"https://libdv.invalid/©"});
    am->caAbout()->SetChecked(true);
    const QString shown = label->Markup().Text();
    EXPECT_TRUE(shown.contains("Il utilise libdv.")) << shown.toStdString();
    EXPECT_FALSE(shown.contains("GStreamer"));

    // Its links open in the desktop's browser and mail program, the credit's
    // trailing copyright sign taken off the address.
    const TRichLink credit = label->Markup().Links().back();
    am->OpenUrl(credit.Target);
    am->naHomePage()->trigger();
    am->naEMail()->trigger();
    ASSERT_EQ(opened.size(), 3);
    EXPECT_EQ(opened[0], QUrl("https://libdv.invalid/"));
    EXPECT_EQ(opened[1], QUrl(ProductHomePage()));
    EXPECT_EQ(opened[2].scheme(), "mailto");
    EXPECT_TRUE(
        opened[2].toString(QUrl::FullyEncoded).startsWith("mailto:" + ProductMailAddress()));
}

TEST(AppliManUrls, MailTextStaysText) {
    const QUrl url = TOxAppliMan::MailUrl("a@b.invalid", "Tavrel & co", "1 + 1 = 2?\n#fin");
    EXPECT_EQ(
        url.toString(QUrl::FullyEncoded),
        "mailto:a@b.invalid?subject=Tavrel%20%26%20co&body=1%20%2B%201%20%3D%202%3F%0A%23fin");
    EXPECT_EQ(TOxAppliMan::UrlTarget(" https://x.invalid/© "), "https://x.invalid/");
    EXPECT_EQ(TOxAppliMan::UrlTarget("https://x.invalid/"), "https://x.invalid/");
}

TEST_F(AppliMan, QuitClosesTheWindow) {
    EXPECT_EQ(am->naQuit()->Hint(), "Quitter Tavrel");
    EXPECT_EQ(am->naHomePage()->Hint(), "Ouvrir la Page d'Accueil de Tavrel");
    am->naQuit()->trigger();
    EXPECT_FALSE(window.isVisible());
}

TEST(AppliManWithoutWindow, OnlyTheActionList) {
    QObject owner;
    TOxAppliMan am(&owner);
    EXPECT_EQ(am.WinControl(), nullptr);
    EXPECT_EQ(am.OptionsPanel(), nullptr);
    EXPECT_EQ(am.HelpForm(), nullptr);
    EXPECT_EQ(am.ScriptForm(), nullptr);
    EXPECT_EQ(am.Switch(), nullptr);
    EXPECT_EQ(am.TypedActions().size(), 12);
    // Its actions still work as settings.
    am.caAbout()->SetChecked(true);
    am.caOptions()->SetChecked(true);
    EXPECT_FALSE(am.caAbout()->Checked());
    am.raFormSave()->SetValue(TRectValue{1, 2, 3, 4});
    am.naQuit()->trigger();
}

TEST_F(AppliMan, TheSwitchComponentHoldsTheManagersList) {
    ASSERT_NE(am->Switch(), nullptr);
    EXPECT_EQ(am->Switch()->parent(), am);
    // None of its actions has a switch name: no parameter reaches them, and
    // "/quit" alone closes nothing.
    am->Switch()->Parse({"+caAbout", "/Options", "file.avi", "/quit"});
    EXPECT_TRUE(am->Switch()->Entries().empty());
    am->Switch()->RunEntries();
    am->Switch()->ClearEntries();
    EXPECT_TRUE(window.isVisible());
}

TEST_F(AppliMan, TheHelpWindow) {
    TOxActionList al;
    auto* open = al.Create<TNopeAction>("saOpenFiles");
    open->SetCaption("Ouvrir des fichiers");
    open->SetShortCut(QKeySequence("Ctrl+O"));
    open->SetScriptName("openfiles");
    open->SetSwitch("o");
    TOxActionList ficman;
    ficman.Create<TNopeAction>("naVider")->SetCaption("Vider la liste");
    THelpForm* help = am->HelpForm();
    help->RegisterList(am, "Commandes");
    help->RegisterList(&al, "Commandes");
    help->RegisterList(&ficman, "Fichiers");
    help->RegisterList(&al, "Fichiers");  // already there

    Press(&window, Qt::Key_F1);
    EXPECT_TRUE(am->caHelp()->Checked());
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowTitle(), "Aide pour Raccourcis, Script et Macros");
    const QString text = help->TextEdit()->Markup().PlainText(u"\n");
    const qsizetype commands = text.indexOf("Commandes\n");
    const qsizetype options = text.indexOf("Options  F10\n    Script : procedure setOptions(");
    const qsizetype openFiles = text.indexOf(
        "Ouvrir des fichiers  Ctrl+O\n    Script : procedure openfiles;\n"
        "    Ligne de commande : /o\n");
    const qsizetype files = text.indexOf("Fichiers\n");
    const qsizetype vider = text.indexOf("Vider la liste\n");
    EXPECT_GE(commands, 0);
    EXPECT_GT(options, commands);
    EXPECT_GT(openFiles, options) << "lists in the order they were registered";
    EXPECT_GT(files, openFiles);
    EXPECT_GT(vider, files);
    EXPECT_EQ(text.count("Ouvrir des fichiers"), 1);
    EXPECT_TRUE(text.contains("Quitter  Alt+F4"));

    // Closing the window unchecks the action; the text is rebuilt when it
    // is shown again.
    help->close();
    EXPECT_FALSE(am->caHelp()->Checked());
    open->SetCaption("Ouvrir des vidéos");
    am->caHelp()->trigger();
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->TextEdit()->Markup().Text().contains("Ouvrir des vidéos"));
    // F1 in the help window itself closes it again.
    help->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    Press(help, Qt::Key_F1);
    EXPECT_FALSE(help->isVisible());
    EXPECT_FALSE(am->caHelp()->Checked());
}

TEST_F(AppliMan, TheScriptWindow) {
    TScriptForm* form = am->ScriptForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), "Script pour " + ProductTitle());
    EXPECT_EQ(form->ScriptEngine(), am->Script());
    EXPECT_EQ(form->HelpButton()->defaultAction(), am->caHelp());
    EXPECT_EQ(form->PageButton()->defaultAction(), am->caScript());
    EXPECT_TRUE(form->HelpMenu()->actions().contains(am->caHelp()));

    Press(&window, Qt::Key_F12);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(am->caScript()->Checked());
    // Its page button closes it again; so does its own close button, which
    // leaves the action unchecked rather than claiming an open window.
    form->PageButton()->click();
    EXPECT_FALSE(form->isVisible());
    am->caScript()->SetChecked(true);
    form->close();
    EXPECT_FALSE(am->caScript()->Checked());

    // The folder chosen in its dialogs and its keep box are settings.
    am->waScriptFolder()->SetValue("/tmp/scripts");
    EXPECT_EQ(form->InitialFolder(), "/tmp/scripts");
    am->baConserverScript()->SetValue(true);
    EXPECT_TRUE(form->KeepScript());
}

TEST_F(AppliMan, TheMacroRecorderCollectsLinesOnlyWhileRecording) {
    TScriptForm* form = am->ScriptForm();
    TOxActionList al;
    auto* shift = al.Create<TDoubleAction>("daDecalage");
    shift->SetScriptName("shift");
    auto* view = al.Create<TIntegerAction>("iaVue");
    view->SetScriptName("view");
    shift->Events().OnAfterApply = [view](const double&) { view->SetValue(2); };

    am->caAbout()->SetChecked(true);  // not recorded: no recording yet
    EXPECT_TRUE(form->ScriptText().isEmpty());

    form->SetScriptText("program demo;\nbegin\n    Help;\nend.\n");
    am->caScript()->SetChecked(true);
    form->MacroAction()->trigger();
    EXPECT_TRUE(form->IsRecording());
    EXPECT_TRUE(TRecorder::Instance().IsRecording());
    Press(&window, Qt::Key_F10);        // closes About, which is not recorded
    shift->SetValue(0.5);               // its handler's change is not recorded
    am->caScript()->SetChecked(false);  // the script window itself is not recorded
    am->naHomePage()->trigger();
    form->MacroAction()->trigger();  // nor stopping
    EXPECT_FALSE(form->IsRecording());
    EXPECT_FALSE(TRecorder::Instance().IsRecording());
    view->SetValue(3);
    am->caOptions()->SetChecked(false);

    EXPECT_EQ(form->ScriptText(),
              "program demo;\nbegin\n    Help;\n    setOptions(True);\n    shift(0.5);\n"
              "    HomePage;\nend.\n");
}

TEST_F(AppliMan, ARecordingStartsAnEmptyScriptAndEndsWithItsWindow) {
    {
        TScriptForm form;
        am->SetScriptForm(&form);
        EXPECT_EQ(form.ScriptEngine(), am->Script());
        form.StartRecording();
        EXPECT_EQ(form.ScriptText(), "begin\nend.\n");
        am->caCustom()->SetChecked(true);
        EXPECT_EQ(form.ScriptText(), "begin\n    setCustom(True);\nend.\n");
        // A script without its "end." gets the lines at its end.
        form.SetScriptText("    Help;");
        am->caCustom()->SetChecked(false);
        EXPECT_EQ(form.ScriptText(), "    Help;\n    setCustom(False);");
    }
    EXPECT_FALSE(TRecorder::Instance().IsRecording());
    EXPECT_EQ(am->ScriptForm(), nullptr);
    am->caCustom()->SetChecked(true);  // nothing to write into, nothing breaks
}

// The window's rectangle, the open pages and the kept script go from one run
// to the next through the settings store, in a temporary folder.
class AppliManPrefs : public ::testing::Test {
  protected:
    struct Run {
        explicit Run(const QString& folder) {
            am = new TOxAppliMan(&window);
            gp.SetTitre("Tavrel");
            gp.SetVersion(ProductTitle() + " de Ombrix");
            gp.SetProgramFolder(folder);
            gp.SetUserConfigFolder(folder + "/config");
            hook = std::make_unique<TPreferencesOwnerHook>(gp, &window);
            gp.SetAskStorageMode([](const QString&) { return std::optional(spPortable); });
            gp.SetOnLoadPrefs([this](TOmbrixPreferences& p) {
                p.OpenKey("UIForm");
                loaded = am->LoadFromPrefs(p);
                p.CloseKey();
            });
            gp.SetOnSavePrefs([this](TOmbrixPreferences& p) {
                p.OpenKey("UIForm");
                saved = am->SaveToPrefs(p);
                p.CloseKey();
            });
        }
        MainWindow window;
        TOxAppliMan* am = nullptr;
        TOmbrixPreferences gp;
        std::unique_ptr<TPreferencesOwnerHook> hook;
        bool loaded = false;
        bool saved = false;
    };
    static constexpr TSavePreferences spPortable = TSavePreferences::spPortable;
    QTemporaryDir dir;
};

TEST_F(AppliManPrefs, TheWindowRectangleIsRestoredBeforeTheWindowShows) {
    const QRect placed(37, 41, 640, 480);
    {
        Run first(dir.path());
        first.window.resize(700, 500);
        first.window.show();
        EXPECT_TRUE(first.loaded);
        // Nothing stored yet: the window's size, centred on the screen.
        const QRect screen = first.window.screen()->geometry();
        EXPECT_EQ(first.window.geometry(),
                  QRect((screen.width() - 700) / 2, (screen.height() - 500) / 2, 700, 500));
        first.window.setGeometry(placed);
        first.am->caOptions()->SetChecked(true);
        first.am->caCustom()->SetChecked(true);  // never kept
        first.am->baConserverScript()->SetValue(true);
        first.am->ScriptForm()->SetScriptText("begin\n    setMute(True);\nend.");
        EXPECT_TRUE(first.window.close());
        EXPECT_TRUE(first.saved);
    }
    ASSERT_TRUE(QFile::exists(dir.filePath("Tavrel.ini")));

    Run second(dir.path());
    second.window.winId();  // its native window exists before it is shown
    QRect whenMapped;
    QObject::connect(second.window.windowHandle(), &QWindow::visibleChanged, [&](bool visible) {
        if (visible && whenMapped.isNull()) whenMapped = second.window.geometry();
    });
    second.window.show();
    EXPECT_EQ(whenMapped, placed);
    EXPECT_EQ(second.window.geometry(), placed);
    EXPECT_EQ(second.am->raFormSave()->Value(), TRectValue::FromQRect(placed));
    EXPECT_FALSE(second.am->caCustom()->Checked());
    EXPECT_FALSE(second.am->caOptions()->Checked()) << "the custom page had closed it";
    EXPECT_TRUE(second.am->baConserverScript()->Value());
    EXPECT_EQ(second.am->ScriptForm()->ScriptText(), "begin\n    setMute(True);\nend.");
    EXPECT_TRUE(second.am->ScriptForm()->KeepScript());
}

TEST_F(AppliManPrefs, AScriptNotKeptIsForgotten) {
    {
        Run first(dir.path());
        first.window.show();
        first.am->baConserverScript()->SetValue(true);
        first.am->ScriptForm()->SetScriptText("begin\nend.");
        first.window.close();
    }
    {
        Run second(dir.path());
        second.window.show();
        second.am->baConserverScript()->SetValue(false);
        second.window.close();
    }
    Run third(dir.path());
    third.window.show();
    EXPECT_TRUE(third.am->ScriptForm()->ScriptText().isEmpty());
}

TEST_F(AppliMan, ARectangleNoScreenShowsIsBroughtBack) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        QRect saved;
        QRect restored;
    };
    const Case cases[] = {
        {QRect(20, 30, 400, 300), QRect(20, 30, 400, 300)},
        // Mostly off the screen but its corner still shows: left as it is.
        {QRect(screen.right() - 120, 10, 400, 300), QRect(screen.right() - 120, 10, 400, 300)},
        // On a screen that is gone: centred on the screen at its size.
        {QRect(5000, 4000, 400, 300),
         QRect((screen.width() - 400) / 2, (screen.height() - 300) / 2, 400, 300)},
    };
    for (const Case& c : cases) {
        am->raFormSave()->SetValue(TRectValue::FromQRect(c.saved));
        EXPECT_EQ(window.geometry(), c.restored) << c.saved.x();
    }
    // A rectangle without area leaves the window where it is.
    am->raFormSave()->SetValue(TRectValue{100, 100, 100, 400});
    EXPECT_EQ(window.geometry(), cases[2].restored);
}

}  // namespace
}  // namespace tavrel
