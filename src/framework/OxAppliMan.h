#pragma once
// The application manager: the application-level furniture of the main
// window. It owns the full-window pages Options, About and a custom page
// (mutually exclusive, each covering the window's content), the help
// window, the script window with its engine, the quit, home-page and e-mail
// actions, the saved window rectangle and the program's switch component.
// The main window creates one, hands it the window and the frames to show,
// and uses its actions like its own.
//
// Created with a window as owner it builds all of that on it; with any
// other owner it is only the list of its actions.

#include <QColor>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

#include "framework/OxActionComponent.h"

class QWidget;

namespace tavrel {

class TBooleanAction;
class TCheckAction;
class THelpForm;
class TLinkEdit;
class TNopeAction;
class TOxScript;
class TPagePanel;
class TRectAction;
class TScriptForm;
class TWStringsAction;
class TWidestringAction;

class TOxAppliMan : public TOxActionComponent {
  public:
    explicit TOxAppliMan(QObject* owner = nullptr);
    ~TOxAppliMan() override;

    // The window the pages cover; by default the owner. Setting it puts the
    // pages on it, each filling its client area (the central area of a main
    // window) when shown.
    QWidget* WinControl() const;
    void SetWinControl(QWidget* window);
    // The contents of the pages, centred on them; a frame becomes a child
    // of its page (so it must be made with new) and goes with the window.
    // The About page starts with a frame of its own that shows
    // AboutRichText().
    QWidget* OptionsFrame() const;
    void SetOptionsFrame(QWidget* frame);
    QWidget* AboutFrame() const;
    void SetAboutFrame(QWidget* frame);
    QWidget* CustomFrame() const;
    void SetCustomFrame(QWidget* frame);
    // The label filled with the About text each time the page opens; by
    // default that of the manager's own About frame.
    TLinkEdit* AboutLabel() const;
    void SetAboutLabel(TLinkEdit* label);
    // The script window; the manager's own until another is handed over.
    // It receives the script engine, the folder and the keep-script
    // setting, and its help and page buttons run caHelp and caScript.
    TScriptForm* ScriptForm() const;
    void SetScriptForm(TScriptForm* form);

    // The components credited on the About page, and their addresses.
    QStringList TitreUses() const { return m_titreUses; }
    void SetTitreUses(const QStringList& titles) { m_titreUses = titles; }
    QStringList UrlUses() const { return m_urlUses; }
    void SetUrlUses(const QStringList& urls) { m_urlUses = urls; }
    // Whether the Options page shows its close line; true by default.
    bool OptionsCloseVisible() const { return m_optionsCloseVisible; }
    void SetOptionsCloseVisible(bool visible);

    // What the manager builds on a window (null otherwise).
    TPagePanel* OptionsPanel() const;
    TPagePanel* AboutPanel() const;
    TPagePanel* CustomPanel() const;
    TLinkEdit* OptionsCloseLine() const;
    TLinkEdit* AboutCloseLine() const;
    THelpForm* HelpForm() const;
    TOxScript* Script() const { return m_script; }

    // The actions, by their names.
    TCheckAction* caScript() const { return m_caScript; }
    TCheckAction* caHelp() const { return m_caHelp; }
    TCheckAction* caAbout() const { return m_caAbout; }
    TCheckAction* caOptions() const { return m_caOptions; }
    TCheckAction* caCustom() const { return m_caCustom; }
    TNopeAction* naQuit() const { return m_naQuit; }
    TNopeAction* naHomePage() const { return m_naHomePage; }
    TNopeAction* naEMail() const { return m_naEMail; }
    TRectAction* raFormSave() const { return m_raFormSave; }
    TWidestringAction* waScriptFolder() const { return m_waScriptFolder; }
    TBooleanAction* baConserverScript() const { return m_baConserverScript; }
    // The script kept for the next run while baConserverScript is true.
    TWStringsAction* saScriptText() const { return m_saScriptText; }

    // The About page's text for the current credits.
    QString AboutRichText() const;

    // The window's bounds as they are kept: its normal geometry, also while
    // it is maximised or full screen.
    QRect WindowBounds() const;
    // The window's current size centred on its screen, rounded toward zero.
    QRect CentredBounds() const;
    // Puts the window at rect; a rectangle without area is ignored, and one
    // that no screen shows any more keeps its size but is centred on the
    // screen, so the window is never restored out of sight.
    void SetWindowBounds(const QRect& rect);

    // Opens a web address (a trailing "©" removed first) or composes a mail
    // to the maker. The opener is the desktop's own unless one is set.
    bool OpenUrl(const QString& target);
    bool ComposeMail(const QString& subject, const QString& body);
    bool Open(const QUrl& url);
    void SetOnOpenUrl(std::function<bool(const QUrl&)> opener) { m_openUrl = std::move(opener); }
    // "mailto:" + address + "?subject=" + subject + "&body=" + body, the
    // subject and body percent-encoded so that "&", "?" or "#" in them stay
    // text.
    static QUrl MailUrl(const QString& address, const QString& subject, const QString& body);
    static QString UrlTarget(const QString& target);

    static QColor PageColour() { return QColor(0xC0, 0xC0, 0xC0); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateActions();
    void BuildOnWindow(QWidget* window);
    void BindScriptForm();
    // The pages: showing one puts it over the window's content.
    void ShowPage(TPagePanel* page);
    void HidePage(TPagePanel* page);
    void LayoutPages();
    QRect PageRect() const;
    void WatchCentralWidget();
    QWidget* TopWindow() const;

    QPointer<QWidget> m_winControl;
    QPointer<QWidget> m_watchedCentral;
    QPointer<TPagePanel> m_optionsPanel;
    QPointer<TPagePanel> m_aboutPanel;
    QPointer<TPagePanel> m_customPanel;
    QPointer<QWidget> m_ownAboutFrame;
    QPointer<TLinkEdit> m_aboutLabel;
    QPointer<THelpForm> m_helpForm;
    QPointer<TScriptForm> m_scriptForm;
    QPointer<TScriptForm> m_ownScriptForm;
    TOxScript* m_script = nullptr;
    QStringList m_titreUses;
    QStringList m_urlUses;
    bool m_optionsCloseVisible = true;
    std::function<bool(const QUrl&)> m_openUrl;

    TCheckAction* m_caScript = nullptr;
    TCheckAction* m_caHelp = nullptr;
    TCheckAction* m_caAbout = nullptr;
    TCheckAction* m_caOptions = nullptr;
    TCheckAction* m_caCustom = nullptr;
    TNopeAction* m_naQuit = nullptr;
    TNopeAction* m_naHomePage = nullptr;
    TNopeAction* m_naEMail = nullptr;
    TRectAction* m_raFormSave = nullptr;
    TWidestringAction* m_waScriptFolder = nullptr;
    TBooleanAction* m_baConserverScript = nullptr;
    TWStringsAction* m_saScriptText = nullptr;
};

}  // namespace tavrel
