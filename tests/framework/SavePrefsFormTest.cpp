#include "framework/SavePrefsForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "framework/LinkEdit.h"
#include "framework/OmbrixPreferences.h"
#include "framework/PreferencesOwnerHook.h"

namespace tavrel {
namespace {

using enum TSavePreferences;

TEST(SavePrefsForm, TextsAndLayout) {
    TSavePrefsForm form;
    form.Prepare("Tavrel");
    EXPECT_EQ(form.windowTitle(), "Enregistrement des préférences de Tavrel");
    EXPECT_EQ(form.size(), QSize(551, 364));
    EXPECT_TRUE(form.LinkEdit1()->isReadOnly());
    EXPECT_EQ(form.LinkEdit1()->geometry(), QRect(39, 20, 464, 247));
    const QString shown = form.LinkEdit1()->toPlainText();
    EXPECT_TRUE(
        shown.contains("Voulez-vous enregistrer vos préférences pour pouvoir les "
                       "retrouver au prochain lancement?"));
    EXPECT_TRUE(shown.contains("* soit pour les enregistrer dans un fichier ini (mode portable)."));
    EXPECT_TRUE(shown.contains("dans votre dossier de configuration (mode normal)."));
    EXPECT_FALSE(shown.contains("<size")) << "the tags are not shown";
    // The whole tag language is rendered, not only the line breaks and sizes.
    const TRichMarkup& markup = form.LinkEdit1()->Markup();
    const TRichAttributes question = markup.AttributesAt(int(markup.Text().indexOf("Voulez")));
    EXPECT_TRUE(question.Italic);
    EXPECT_EQ(question.SizePt, 10);
    EXPECT_FALSE(markup.AttributesAt(int(markup.Text().indexOf("* soit"))).Italic);

    struct Button {
        QPushButton* button;
        const char* caption;
        QRect geometry;
        const char* hintStart;
    };
    const Button buttons[] = {
        {form.NormalBtn(), "Normal", QRect(39, 286, 120, 60),
         "Enregistre les préférences dans votre dossier de configuration.\nSi un fichier ini "
         "existait, il est supprimé."},
        {form.PortableBtn(), "Portable", QRect(207, 286, 119, 60),
         "Enregistre les préférences dans un fichier ini."},
        {form.AucunBtn(), "Aucun", QRect(374, 286, 120, 60),
         "Quitte sans enregistrer les préférences."},
    };
    for (const Button& b : buttons) {
        EXPECT_EQ(b.button->text(), b.caption);
        EXPECT_EQ(b.button->geometry(), b.geometry) << b.caption;
        EXPECT_TRUE(b.button->toolTip().startsWith(QString::fromUtf8(b.hintStart))) << b.caption;
        EXPECT_FALSE(b.button->icon().isNull()) << b.caption;
    }
}

TEST(SavePrefsForm, EachButtonAnswersAndClosing) {
    TSavePrefsForm form;
    const std::pair<QPushButton*, TSavePreferences> answers[] = {{form.NormalBtn(), spRegistre},
                                                                 {form.PortableBtn(), spPortable},
                                                                 {form.AucunBtn(), spNone}};
    for (const auto& [button, choice] : answers) {
        form.Prepare("Tavrel");
        form.show();
        button->click();
        EXPECT_TRUE(form.Answered());
        EXPECT_EQ(form.Choice(), choice);
        EXPECT_FALSE(form.isVisible());
    }
    form.Prepare("Tavrel");
    form.show();
    form.close();  // the title bar's close button, Escape
    EXPECT_FALSE(form.Answered());
}

// The modal question returns as soon as it is answered; the answers come
// from timers, never from a waiting user.
TEST(SavePrefsForm, TheModalQuestionReturnsTheAnswer) {
    TSavePrefsForm form;
    QTimer::singleShot(0, form.PortableBtn(), &QPushButton::click);
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, &form, &QDialog::reject);
    safety.start(5000);
    EXPECT_EQ(form.Ask("Tavrel"), std::optional(spPortable));
    QTimer::singleShot(0, &form, &QDialog::reject);
    EXPECT_EQ(form.Ask("Tavrel"), std::nullopt);
    EXPECT_EQ(form.windowTitle(), "Enregistrement des préférences de Tavrel");
}

// An owner window with its own show and close handlers.
class OwnerWindow : public QWidget {
  public:
    bool refuseClose = false;
    QStringList events;

  protected:
    void showEvent(QShowEvent* e) override {
        events << "show";
        QWidget::showEvent(e);
    }
    void closeEvent(QCloseEvent* e) override {
        events << "close";
        if (refuseClose) e->ignore();
    }
};

class OwnerHook : public ::testing::Test {
  protected:
    void SetUp() override {
        gp.SetTitre("Tavrel");
        gp.SetVersion("Tavrel 8.2.3 fr de Ombrix");
        gp.SetProgramFolder(dir.path());
        gp.SetUserConfigFolder(dir.filePath("config"));
        gp.SetOnLoadPrefs([this](TOmbrixPreferences&) { window.events << "load"; });
        gp.SetOnSavePrefs([this](TOmbrixPreferences& p) {
            window.events << "save";
            p.OpenKey("UIForm");
            p.WriteInteger("Volume", 3);
            p.CloseKey();
        });
    }
    QTemporaryDir dir;
    OwnerWindow window;
    TOmbrixPreferences gp;
};

TEST_F(OwnerHook, ShowLoadsAfterTheOwnersHandlerAndCloseAsksThenSaves) {
    TPreferencesOwnerHook hook(gp, &window);
    ASSERT_NE(hook.Dialog(), nullptr);
    std::vector<std::optional<TSavePreferences>> answers = {std::nullopt, spPortable};
    gp.SetAskStorageMode([&](const QString& titre) {
        window.events << "ask " + titre;
        auto answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    });
    window.show();
    EXPECT_EQ(window.events, (QStringList{"show", "load"}));

    window.events.clear();
    EXPECT_FALSE(window.close()) << "no answer: the window stays";
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.events, (QStringList{"close", "ask Tavrel"}));
    EXPECT_TRUE(hook.Attached());

    window.events.clear();
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.events, (QStringList{"close", "ask Tavrel", "save"}));
    EXPECT_FALSE(hook.Attached()) << "the owner's handlers are its own again";
    EXPECT_TRUE(QFile::exists(dir.filePath("Tavrel.ini")));

    window.events.clear();
    window.show();
    EXPECT_EQ(window.events, QStringList{"show"});
}

TEST_F(OwnerHook, AnOwnerThatRefusesKeepsTheHook) {
    TPreferencesOwnerHook hook(gp, &window);
    bool asked = false;
    gp.SetAskStorageMode([&](const QString&) {
        asked = true;
        return std::optional(spNone);
    });
    window.show();
    window.refuseClose = true;
    EXPECT_FALSE(window.close());
    EXPECT_FALSE(asked);
    EXPECT_TRUE(hook.Attached());
    window.refuseClose = false;
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(asked);
}

TEST_F(OwnerHook, TheRealDialogIsAskedAtExit) {
    TPreferencesOwnerHook hook(gp, &window);
    window.show();
    QTimer::singleShot(0, hook.Dialog()->NormalBtn(), &QPushButton::click);
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, hook.Dialog(), &QDialog::reject);
    safety.start(5000);
    EXPECT_TRUE(window.close());
    EXPECT_EQ(gp.Mode(), spRegistre);
    EXPECT_TRUE(QFile::exists(dir.filePath("config/Ombrix/Tavrel.json")));
}

}  // namespace
}  // namespace tavrel
