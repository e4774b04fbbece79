// The application manager's hold on its window: the pages laid over the
// window's content, the window's saved rectangle, and what it opens on the
// desktop.

#include <QDesktopServices>
#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <algorithm>

#include "framework/OxAppliMan.h"
#include "framework/PagePanel.h"
#include "framework/ProductInfo.h"

namespace tavrel {

namespace {

// Enough of a window to grab its title bar and bring it back.
constexpr int kVisibleWidth = 100;
constexpr int kVisibleHeight = 50;

bool ShownBySomeScreen(const QRect& rect) {
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect seen = rect.intersected(screen->availableGeometry());
        if (seen.width() >= std::min(rect.width(), kVisibleWidth) &&
            seen.height() >= std::min(rect.height(), kVisibleHeight))
            return true;
    }
    return false;
}

}  // namespace

void TOxAppliMan::SetWinControl(QWidget* window) {
    if (window == m_winControl) return;
    if (m_winControl) m_winControl->removeEventFilter(this);
    if (m_watchedCentral) m_watchedCentral->removeEventFilter(this);
    m_watchedCentral = nullptr;
    m_winControl = window;
    if (!window) return;
    for (TPagePanel* page : {m_optionsPanel.data(), m_customPanel.data(), m_aboutPanel.data()}) {
        if (!page) continue;
        const bool shown = page->isVisible();
        page->setParent(window);
        page->setVisible(shown);
    }
    // The shortcuts of the actions work wherever the window has the focus,
    // with or without menus showing them.
    window->addActions(Actions());
    window->installEventFilter(this);
    WatchCentralWidget();
    LayoutPages();
}

QWidget* TOxAppliMan::TopWindow() const {
    return m_winControl ? m_winControl->window() : nullptr;
}

void TOxAppliMan::WatchCentralWidget() {
    auto* main = qobject_cast<QMainWindow*>(m_winControl.data());
    QWidget* central = main ? main->centralWidget() : nullptr;
    if (central == m_watchedCentral) return;
    if (m_watchedCentral) m_watchedCentral->removeEventFilter(this);
    m_watchedCentral = central;
    if (central) central->installEventFilter(this);
}

QRect TOxAppliMan::PageRect() const {
    if (!m_winControl) return {};
    // A main window's client area is what its bars leave: the place of its
    // central widget.
    if (m_watchedCentral) return m_watchedCentral->geometry();
    return m_winControl->contentsRect();
}

void TOxAppliMan::LayoutPages() {
    const QRect rect = PageRect();
    for (TPagePanel* page : {m_optionsPanel.data(), m_customPanel.data(), m_aboutPanel.data()})
        if (page) page->setGeometry(rect);
}

bool TOxAppliMan::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_winControl) {
        switch (event->type()) {
            case QEvent::ChildAdded:
            case QEvent::ChildRemoved:
            case QEvent::LayoutRequest:
                WatchCentralWidget();
                LayoutPages();
                break;
            case QEvent::Resize:
            case QEvent::Show:
                LayoutPages();
                break;
            default:
                break;
        }
    } else if (watched == m_watchedCentral &&
               (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        LayoutPages();
    }
    return TOxActionComponent::eventFilter(watched, event);
}

void TOxAppliMan::ShowPage(TPagePanel* page) {
    if (!page) return;
    WatchCentralWidget();
    page->setGeometry(PageRect());
    page->show();
    page->raise();
    // Keys typed while the page is up must not go to the list hidden
    // behind it.
    page->setFocus(Qt::OtherFocusReason);
}

void TOxAppliMan::HidePage(TPagePanel* page) {
    if (page) page->hide();
}

QRect TOxAppliMan::WindowBounds() const {
    QWidget* w = TopWindow();
    if (!w) return {};
    // A maximised or full-screen window is restored at the size the user
    // gave it, not stretched over the screen without being maximised.
    if (w->isMaximized() || w->isFullScreen() || w->isMinimized()) {
        const QRect normal = w->normalGeometry();
        if (normal.isValid()) return normal;
    }
    return w->geometry();
}

QRect TOxAppliMan::CentredBounds() const {
    QWidget* w = TopWindow();
    if (!w) return {};
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    const QSize size = w->size();
    if (!screen) return QRect(QPoint(0, 0), size);
    const QRect s = screen->geometry();
    return QRect(QPoint(s.left() + (s.width() - size.width()) / 2,
                        s.top() + (s.height() - size.height()) / 2),
                 size);
}

void TOxAppliMan::SetWindowBounds(const QRect& rect) {
    QWidget* w = TopWindow();
    if (!w || rect.width() <= 0 || rect.height() <= 0) return;
    QRect target = rect;
    // A rectangle saved on a screen that is gone (a second monitor, a
    // projector) would open the window where nobody sees it.
    if (!ShownBySomeScreen(target)) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect s = screen->availableGeometry();
            const QSize size(std::min(target.width(), s.width()),
                             std::min(target.height(), s.height()));
            target = QRect(QPoint(s.left() + (s.width() - size.width()) / 2,
                                  s.top() + (s.height() - size.height()) / 2),
                           size);
        }
    }
    w->setGeometry(target);
}

QString TOxAppliMan::UrlTarget(const QString& target) {
    QString t = target.trimmed();
    if (t.endsWith(QChar(0x00A9))) t.chop(1);
    return t.trimmed();
}

QUrl TOxAppliMan::MailUrl(const QString& address, const QString& subject, const QString& body) {
    QByteArray encoded = "mailto:" + QUrl::toPercentEncoding(address, "@+");
    encoded += "?subject=" + QUrl::toPercentEncoding(subject);
    encoded += "&body=" + QUrl::toPercentEncoding(body);
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

bool TOxAppliMan::Open(const QUrl& url) {
    if (!url.isValid() || url.isEmpty()) return false;
    if (m_openUrl) return m_openUrl(url);
    return QDesktopServices::openUrl(url);
}

bool TOxAppliMan::OpenUrl(const QString& target) {
    const QString t = UrlTarget(target);
    if (t.isEmpty()) return false;
    return Open(QUrl(t, QUrl::TolerantMode));
}

bool TOxAppliMan::ComposeMail(const QString& subject, const QString& body) {
    return Open(MailUrl(ProductMailAddress(), subject, body));
}

}  // namespace tavrel
