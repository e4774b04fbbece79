#include "framework/OxAppliMan.h"

#include <QEvent>
#include <QFrame>
#include <QMainWindow>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "framework/CheckAction.h"
#include "framework/HelpForm.h"
#include "framework/LinkEdit.h"
#include "framework/OxScript.h"
#include "framework/OxSwitch.h"
#include "framework/PagePanel.h"
#include "framework/ProductInfo.h"
#include "framework/ScriptForm.h"
#include "framework/ValueActions.h"

namespace tavrel {

namespace {

QString ShortcutText(const TCustomAbstractAction* action) {
    return action->ShortCut().toString(QKeySequence::NativeText);
}

// The frame the About page starts with: the label of the About text.
QWidget* MakeAboutFrame(QWidget* parent, TLinkEdit*& label) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("AboutFrame"));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->resize(600, 440);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(12, 8, 12, 8);
    label = new TLinkEdit(frame);
    label->setObjectName(QStringLiteral("AboutText"));
    label->setFrameShape(QFrame::NoFrame);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    label->setFont(font);
    label->SetDefaultAlignment(TParagraphAlignment::Center);
    layout->addWidget(label);
    return frame;
}

}  // namespace

TOxAppliMan::TOxAppliMan(QObject* owner) : TOxActionComponent(owner) {
    m_titreUses = {QStringLiteral("Qt"), QStringLiteral("GStreamer")};
    m_urlUses = {QStringLiteral("https://www.qt.io/"),
                 QStringLiteral("https://gstreamer.freedesktop.org/")};
    CreateActions();
    if (auto* window = qobject_cast<QWidget*>(owner)) BuildOnWindow(window);
}

TOxAppliMan::~TOxAppliMan() {
    if (m_winControl) m_winControl->removeEventFilter(this);
    if (m_watchedCentral) m_watchedCentral->removeEventFilter(this);
    // Created on its window, the manager goes with it, and so does what it
    // put there. Destroyed on its own, it takes its pages and windows away
    // and gives the window's frames back to it.
    if (m_winControl && parent() == m_winControl.data()) return;
    for (TPagePanel* page : {m_optionsPanel.data(), m_aboutPanel.data(), m_customPanel.data()}) {
        if (!page) continue;
        QWidget* frame = page->Frame();
        if (frame && frame != m_ownAboutFrame && m_winControl) {
            page->SetFrame(nullptr);
            frame->setParent(m_winControl);
        }
        delete page;
    }
    delete m_helpForm.data();
    delete m_ownScriptForm.data();
}

void TOxAppliMan::CreateActions() {
    auto check = [this](const char* name, const char* scriptName, const QKeySequence& key,
                        const QString& caption, const QString& trueHint, const QString& falseHint) {
        const QString id = QString::fromLatin1(name);
        auto* a = Create<TCheckAction>(id, id);
        a->SetScriptName(QString::fromLatin1(scriptName));
        a->SetShortCut(key);
        a->SetCaption(caption);
        a->SetTrueCaption(caption);
        a->SetFalseCaption(caption);
        a->SetTrueHint(trueHint);
        a->SetFalseHint(falseHint);
        a->SetApplyWhenLoad(true);
        return a;
    };
    m_caScript = check("caScript", "Script", QKeySequence(Qt::Key_F12), QStringLiteral("Scripts"),
                       QStringLiteral("Cliquez pour fermer la page des Scripts"),
                       QStringLiteral("Cliquez pour ouvrir la page des Scripts"));
    m_caHelp = check("caHelp", "Help", QKeySequence(Qt::Key_F1), QStringLiteral("Aide"),
                     QStringLiteral("Cliquez pour fermer la page des Aides"),
                     QStringLiteral("Cliquez pour ouvrir la page des Aides"));
    m_caAbout = check("caAbout", "About", QKeySequence(Qt::Key_F11), QStringLiteral("A Propos..."),
                      QStringLiteral("Cliquez pour fermer la page A Propos..."),
                      QStringLiteral("Cliquez pour ouvrir la page A Propos..."));
    m_caOptions =
        check("caOptions", "Options", QKeySequence(Qt::Key_F10), QStringLiteral("Options"),
              QStringLiteral("Cliquez pour fermer la page des Options"),
              QStringLiteral("Cliquez pour ouvrir la page des Options"));
    m_caCustom =
        check("caCustom", "Custom", QKeySequence(Qt::ALT | Qt::Key_F10), QStringLiteral("Custom"),
              QStringLiteral("Cliquez pour fermer la page Custom"),
              QStringLiteral("Cliquez pour ouvrir la page Custom"));
    // The custom page always starts closed.
    m_caCustom->SetIncludePrefs(false);
    m_caCustom->SetApplyWhenLoad(false);

    auto nope = [this](const char* name, const char* scriptName, const QKeySequence& key,
                       const QString& caption, const QString& hint) {
        const QString id = QString::fromLatin1(name);
        auto* a = Create<TNopeAction>(id, id);
        a->SetScriptName(QString::fromLatin1(scriptName));
        a->SetShortCut(key);
        a->SetCaption(caption);
        a->SetHint(hint);
        return a;
    };
    m_naQuit = nope("naQuit", "Quit", QKeySequence(Qt::ALT | Qt::Key_F4), QStringLiteral("Quitter"),
                    QStringLiteral("Quitter %1").arg(ProductName()));
    m_naHomePage =
        nope("naHomePage", "HomePage", QKeySequence(Qt::ALT | Qt::Key_F6), QStringLiteral("Home"),
             QStringLiteral("Ouvrir la Page d'Accueil de %1").arg(ProductName()));
    m_naEMail = nope("naEMail", "EMail", QKeySequence(), QStringLiteral("Écrire à l'auteur"),
                     QStringLiteral("Envoyer un e-mail à l'auteur de %1").arg(ProductName()));

    m_raFormSave = Create<TRectAction>(QStringLiteral("raFormSave"), QStringLiteral("raFormSave"));
    m_raFormSave->SetScriptName(QStringLiteral("FormSave"));
    m_raFormSave->SetCaption(QStringLiteral("Position et taille de la fenêtre"));
    m_raFormSave->SetApplyWhenLoad(true);

    m_waScriptFolder = Create<TWidestringAction>(QStringLiteral("waScriptFolder"),
                                                 QStringLiteral("waScriptFolder"));
    m_waScriptFolder->SetScriptName(QStringLiteral("ScriptFolder"));
    m_waScriptFolder->SetCaption(QStringLiteral("Dossier des scripts"));
    m_waScriptFolder->SetApplyWhenLoad(true);
    m_waScriptFolder->SetDefaultValue(
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));

    m_baConserverScript = Create<TBooleanAction>(QStringLiteral("baConserverScript"),
                                                 QStringLiteral("baConserverScript"));
    m_baConserverScript->SetScriptName(QStringLiteral("ConserverScript"));
    m_baConserverScript->SetCaption(QStringLiteral("Conserver le script"));
    m_baConserverScript->SetApplyWhenLoad(true);

    // After the flag, which it depends on, in loading order.
    m_saScriptText =
        Create<TWStringsAction>(QStringLiteral("saScriptText"), QStringLiteral("saScriptText"));
    m_saScriptText->SetScriptName(QStringLiteral("ScriptText"));
    m_saScriptText->SetCaption(QStringLiteral("Script conservé"));
    m_saScriptText->SetApplyWhenLoad(true);

    // The handlers. Pages are exclusive: opening one closes the others that
    // are open (closing one already closed would tell the window again).
    QPointer<TOxAppliMan> self(this);
    auto close = [](TCheckAction* a) {
        if (a->Checked()) a->SetChecked(false);
    };
    m_caAbout->Internal().TrueApply = [this, close] {
        close(m_caOptions);
        close(m_caCustom);
        if (m_aboutLabel) m_aboutLabel->SetRichText(AboutRichText());
        ShowPage(m_aboutPanel);
    };
    m_caAbout->Internal().FalseApply = [this] { HidePage(m_aboutPanel); };
    m_caOptions->Internal().TrueApply = [this, close] {
        close(m_caAbout);
        close(m_caCustom);
        ShowPage(m_optionsPanel);
    };
    m_caOptions->Internal().FalseApply = [this] { HidePage(m_optionsPanel); };
    m_caCustom->Internal().TrueApply = [this, close] {
        ShowPage(m_customPanel);
        close(m_caAbout);
        close(m_caOptions);
    };
    m_caCustom->Internal().FalseApply = [this] { HidePage(m_customPanel); };
    m_caHelp->Internal().TrueApply = [this] {
        if (!m_helpForm) return;
        m_helpForm->show();
        m_helpForm->raise();
    };
    m_caHelp->Internal().FalseApply = [this] {
        if (m_helpForm) m_helpForm->hide();
    };
    m_caScript->Internal().TrueApply = [this] {
        if (!m_scriptForm) return;
        m_scriptForm->show();
        m_scriptForm->raise();
    };
    m_caScript->Internal().FalseApply = [this] {
        if (m_scriptForm) m_scriptForm->hide();
    };

    m_naQuit->Internal().Apply = [this] {
        if (QWidget* w = TopWindow()) w->close();
    };
    m_naHomePage->Internal().Apply = [this] { OpenUrl(ProductHomePage()); };
    m_naEMail->Internal().Apply = [this] { ComposeMail(ProductTitle(), QString()); };

    m_raFormSave->Internal().Default = [this](TRectValue& rect) {
        if (TopWindow()) rect = TRectValue::FromQRect(CentredBounds());
        return true;
    };
    m_raFormSave->Internal().BeforeSave = [this](TRectValue& rect) {
        if (TopWindow()) rect = TRectValue::FromQRect(WindowBounds());
        return true;
    };
    m_raFormSave->Internal().Apply = [this](const TRectValue& rect) {
        SetWindowBounds(rect.ToQRect());
    };

    m_waScriptFolder->Internal().Apply = [this](const QString& folder) {
        if (m_scriptForm) m_scriptForm->SetInitialFolder(folder);
    };
    m_baConserverScript->Internal().Apply = [this](const bool& keep) {
        if (m_scriptForm) m_scriptForm->SetKeepScript(keep);
    };
    m_saScriptText->Internal().Apply = [this](const QStringList& lines) {
        if (m_scriptForm && m_baConserverScript->Value())
            m_scriptForm->SetScriptText(lines.join(QLatin1Char('\n')));
    };
    // Only a script the user asked to keep is written; otherwise what an
    // earlier run kept is cleared.
    m_saScriptText->Internal().BeforeSave = [this](QStringList& lines) {
        lines.clear();
        if (m_scriptForm && m_baConserverScript->Value())
            lines = m_scriptForm->ScriptText().split(QLatin1Char('\n'));
        return true;
    };
}

void TOxAppliMan::BuildOnWindow(QWidget* window) {
    QPointer<TOxAppliMan> self(this);
    m_optionsPanel = new TPagePanel(QStringLiteral("OptionsPanel"), PageColour(), window);
    m_customPanel = new TPagePanel(QStringLiteral("CustomPanel"), PageColour(), window);
    // Qt has no application-workspace role; the dark shade is what its MDI
    // area paints behind the windows.
    m_aboutPanel = new TPagePanel(QStringLiteral("AboutPanel"),
                                  window->palette().color(QPalette::Dark), window);
    for (TPagePanel* page : {m_optionsPanel.data(), m_customPanel.data(), m_aboutPanel.data()})
        page->hide();

    TLinkEdit* label = nullptr;
    m_ownAboutFrame = MakeAboutFrame(m_aboutPanel, label);
    m_aboutLabel = label;
    connect(label, &TLinkEdit::UrlClicked, this, [this](const QString& link) { OpenUrl(link); });
    connect(label, &TLinkEdit::MailClicked, this, [this](const QString& address) {
        Open(MailUrl(address.trimmed(), QString(), QString()));
    });
    m_aboutPanel->SetFrame(m_ownAboutFrame);

    m_optionsPanel->CreateCloseLine(ShortcutText(m_caOptions), QStringLiteral("closeOptions"),
                                    [self] {
                                        if (self) self->m_caOptions->SetChecked(false);
                                    });
    m_optionsPanel->CloseLine()->setVisible(m_optionsCloseVisible);
    m_aboutPanel->CreateCloseLine(ShortcutText(m_caAbout), QStringLiteral("closeAbout"), [self] {
        if (self) self->m_caAbout->SetChecked(false);
    });

    m_helpForm = new THelpForm(window);
    // F1 closes the help window from the help window itself.
    m_helpForm->addAction(m_caHelp);
    m_helpForm->SetOnClose([self] {
        if (self && self->m_caHelp->Checked()) self->m_caHelp->SetChecked(false);
    });

    TOxSwitch* sw = CreateSwitch();
    sw->SetOnQuit([self] {
        if (self && self->TopWindow()) self->TopWindow()->close();
    });
    m_script = new TOxScript(this);

    m_ownScriptForm = new TScriptForm(window);
    SetScriptForm(m_ownScriptForm);

    SetWinControl(window);
}

void TOxAppliMan::BindScriptForm() {
    TScriptForm* form = m_scriptForm;
    if (!form) return;
    QPointer<TOxAppliMan> self(this);
    form->setWindowTitle(TScriptForm::CaptionFor(ProductTitle()));
    form->SetScriptEngine(m_script);
    form->BindHelpAction(m_caHelp);
    form->BindPageAction(m_caScript);
    const QString folder = m_waScriptFolder->Value();
    form->SetInitialFolder(folder.isEmpty() ? m_waScriptFolder->DefaultValue() : folder);
    form->SetKeepScript(m_baConserverScript->Value());
    form->SetOnInitialFolderChanged([self](const QString& chosen) {
        if (self) self->m_waScriptFolder->SetValue(chosen);
    });
    form->SetOnKeepScriptChanged([self](bool keep) {
        if (self) self->m_baConserverScript->SetValue(keep);
    });
    form->SetOnClose([self] {
        if (self && self->m_caScript->Checked()) self->m_caScript->SetChecked(false);
    });
}

void TOxAppliMan::SetScriptForm(TScriptForm* form) {
    if (form == m_scriptForm) return;
    if (m_scriptForm) {
        m_scriptForm->SetOnClose(nullptr);
        m_scriptForm->SetOnInitialFolderChanged(nullptr);
        m_scriptForm->SetOnKeepScriptChanged(nullptr);
    }
    // The manager's own window is not needed once another one is given.
    if (m_ownScriptForm && m_ownScriptForm != form) {
        m_ownScriptForm->hide();
        m_ownScriptForm->deleteLater();
        m_ownScriptForm = nullptr;
    }
    m_scriptForm = form;
    BindScriptForm();
}

QWidget* TOxAppliMan::WinControl() const {
    return m_winControl;
}

TPagePanel* TOxAppliMan::OptionsPanel() const {
    return m_optionsPanel;
}

TPagePanel* TOxAppliMan::AboutPanel() const {
    return m_aboutPanel;
}

TPagePanel* TOxAppliMan::CustomPanel() const {
    return m_customPanel;
}

THelpForm* TOxAppliMan::HelpForm() const {
    return m_helpForm;
}

TScriptForm* TOxAppliMan::ScriptForm() const {
    return m_scriptForm;
}

TLinkEdit* TOxAppliMan::AboutLabel() const {
    return m_aboutLabel;
}

void TOxAppliMan::SetAboutLabel(TLinkEdit* label) {
    m_aboutLabel = label;
}

QWidget* TOxAppliMan::OptionsFrame() const {
    return m_optionsPanel ? m_optionsPanel->Frame() : nullptr;
}

void TOxAppliMan::SetOptionsFrame(QWidget* frame) {
    if (m_optionsPanel) m_optionsPanel->SetFrame(frame);
}

QWidget* TOxAppliMan::AboutFrame() const {
    return m_aboutPanel ? m_aboutPanel->Frame() : nullptr;
}

void TOxAppliMan::SetAboutFrame(QWidget* frame) {
    if (m_aboutPanel) m_aboutPanel->SetFrame(frame);
}

QWidget* TOxAppliMan::CustomFrame() const {
    return m_customPanel ? m_customPanel->Frame() : nullptr;
}

void TOxAppliMan::SetCustomFrame(QWidget* frame) {
    if (m_customPanel) m_customPanel->SetFrame(frame);
}

TLinkEdit* TOxAppliMan::OptionsCloseLine() const {
    return m_optionsPanel ? m_optionsPanel->CloseLine() : nullptr;
}

TLinkEdit* TOxAppliMan::AboutCloseLine() const {
    return m_aboutPanel ? m_aboutPanel->CloseLine() : nullptr;
}

void TOxAppliMan::SetOptionsCloseVisible(bool visible) {
    m_optionsCloseVisible = visible;
    if (TLinkEdit* line = OptionsCloseLine()) line->setVisible(visible);
}

QString TOxAppliMan::AboutRichText() const {
    return tavrel::AboutRichText(m_titreUses, m_urlUses);
}

}  // namespace tavrel
