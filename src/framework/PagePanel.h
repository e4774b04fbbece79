#pragma once
// A full-window page of the application manager (Options, About, custom):
// a plain coloured panel that shows one frame centred in it and may carry,
// 16 pixels from its right and bottom edges, the line that tells how to
// leave the page and offers a link that closes it.

#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace tavrel {

class TLinkEdit;

class TPagePanel : public QWidget {
  public:
    TPagePanel(const QString& name, const QColor& colour, QWidget* parent = nullptr);

    QColor Colour() const { return m_colour; }

    // Puts frame on the page, shown and centred; the frame it replaces is
    // hidden and left where it is. The page forgets a frame that is
    // destroyed.
    QWidget* Frame() const { return m_frame; }
    void SetFrame(QWidget* frame);
    // left = (client width - frame width) / 2, top likewise, halves rounded
    // toward zero.
    void CentreFrame();

    // "Tapez <key> pour quitter cette page ou <link target>cliquez ici</link>."
    static QString CloseLineText(const QString& key, const QString& target);
    // Makes the close line (once) for the key and link target; clicking its
    // link calls onClose.
    TLinkEdit* CreateCloseLine(const QString& key, const QString& target,
                               std::function<void()> onClose);
    TLinkEdit* CloseLine() const { return m_closeLine; }
    static QString CloseLineHint();
    static constexpr int kCloseLineWidth = 180;
    static constexpr int kCloseLineHeight = 40;
    static constexpr int kCloseLineMargin = 16;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void PlaceCloseLine();

    QColor m_colour;
    QPointer<QWidget> m_frame;
    TLinkEdit* m_closeLine = nullptr;
};

}  // namespace tavrel
