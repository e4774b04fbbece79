#include "framework/LinkEdit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace tavrel {
namespace {

class LinkEditTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(10);
        edit.setFont(font);
        edit.resize(500, 300);
        edit.show();
        QApplication::processEvents();
    }

    // A point three quarters into the displayed character at position, in
    // viewport coordinates: past its middle, so that the nearest gap between
    // characters would be the wrong answer.
    QPoint CharPoint(int position) {
        QTextCursor cursor(edit.document());
        cursor.setPosition(position);
        const QRect left = edit.cursorRect(cursor);
        cursor.setPosition(position + 1);
        const QRect right = edit.cursorRect(cursor);
        const int x =
            right.top() == left.top() ? left.x() + (right.x() - left.x()) * 3 / 4 : left.x() + 2;
        return {x, left.center().y()};
    }

    void Send(QEvent::Type type, const QPoint& pos, Qt::MouseButton button = Qt::NoButton) {
        const Qt::MouseButtons buttons =
            type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
        QMouseEvent event(type, QPointF(pos), QPointF(edit.viewport()->mapToGlobal(pos)), button,
                          buttons, Qt::NoModifier);
        QApplication::sendEvent(edit.viewport(), &event);
    }

    void Click(const QPoint& pos, Qt::MouseButton button = Qt::LeftButton) {
        Send(QEvent::MouseButtonPress, pos, button);
        Send(QEvent::MouseButtonRelease, pos, button);
    }

    TLinkEdit edit;
};

TEST_F(LinkEditTest, DocumentFollowsTheRunsAndAlignments) {
    edit.SetDefaultAlignment(TParagraphAlignment::Center);
    edit.SetRichText(QString::fromUtf8(
        "<br><br><br><b><i><SIZE 14>Vidéo non disponible</size></i></b><br><br>"
        "Le fichier<br left><b><color blue><u>x.avi</u></color></b><br right><s>fin"));
    const TRichMarkup& m = edit.Markup();
    QTextDocument* doc = edit.document();
    ASSERT_EQ(doc->toPlainText(), m.Text());
    ASSERT_EQ(std::size_t(doc->blockCount()), m.Alignments().size());

    const Qt::Alignment expected[] = {Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignHCenter,
                                      Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignHCenter,
                                      Qt::AlignLeft,    Qt::AlignRight};
    int index = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next(), ++index) {
        EXPECT_EQ(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, expected[index])
            << index;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat f = fragment.charFormat();
            const TRichAttributes a = m.AttributesAt(fragment.position());
            const QString where = fragment.text();
            EXPECT_EQ(f.fontWeight() == QFont::Bold, a.Bold) << where.toStdString();
            EXPECT_EQ(f.fontItalic(), a.Italic) << where.toStdString();
            EXPECT_EQ(f.fontUnderline(), a.Underline) << where.toStdString();
            EXPECT_EQ(f.fontStrikeOut(), a.StrikeOut) << where.toStdString();
            EXPECT_EQ(f.foreground().color(), a.Colour) << where.toStdString();
            EXPECT_EQ(QFontInfo(f.font()).pointSize() == 14, a.SizePt == 14) << where.toStdString();
        }
    }
    EXPECT_FALSE(edit.textCursor().hasSelection());
}

TEST_F(LinkEditTest, TheLabelsFontAndColourAreTheDefaults) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    font.setBold(true);
    edit.setFont(font);
    edit.SetFontColor(QColor(0x80, 0x00, 0x00));
    edit.SetRichText("<size 20><color blue>a</size></color>b</b>c");
    const TRichMarkup& m = edit.Markup();
    EXPECT_EQ(m.AttributesAt(1).SizePt, 12);
    EXPECT_EQ(m.AttributesAt(1).Colour, QColor(0x80, 0x00, 0x00));
    EXPECT_TRUE(m.AttributesAt(1).Bold);
    EXPECT_FALSE(m.AttributesAt(2).Bold);
    QTextCursor cursor(edit.document());
    cursor.setPosition(3);  // after "c"
    EXPECT_NE(cursor.charFormat().fontWeight(), QFont::Bold);

    // Changing the font renders again against the new one.
    font.setPointSize(9);
    edit.setFont(font);
    EXPECT_EQ(edit.Markup().AttributesAt(1).SizePt, 9);

    // A font given in pixels still has a size in points to return to.
    QFont pixels(QStringLiteral("Arial"));
    pixels.setPixelSize(20);
    edit.setFont(pixels);
    EXPECT_GT(edit.Style().Font.SizePt, 0);
}

TEST_F(LinkEditTest, CharacterUnderThePointer) {
    edit.SetRichText("<br><b>Titre</b><br center><url http://a>site</url> et bout");
    const QString& text = edit.Markup().Text();
    for (int p = 0; p < text.size(); ++p) {
        if (text[p] == u'\n') continue;
        EXPECT_EQ(edit.CharacterAt(CharPoint(p)), p) << p;
    }
    // Beyond the end of a line, under the last line and on an empty line
    // there is no character.
    const QPoint lastChar = CharPoint(int(text.size()) - 1);
    EXPECT_EQ(edit.CharacterAt({lastChar.x() + 150, lastChar.y()}), -1);
    EXPECT_EQ(edit.CharacterAt({lastChar.x(), lastChar.y() + 100}), -1);
    EXPECT_EQ(edit.CharacterAt(CharPoint(0)), -1);
}

TEST_F(LinkEditTest, LinkUnderThePointer) {
    const QString prefix = QString::fromUtf8("Tapez F10 pour quitter cette page ou ");
    edit.SetRichText(prefix + "<link closeOptions>cliquez ici</link>.");
    const int start = int(prefix.size());
    EXPECT_FALSE(edit.LinkAt(CharPoint(start - 1)));
    EXPECT_EQ(edit.LinkAt(CharPoint(start))->Target, "closeOptions");
    EXPECT_EQ(edit.LinkAt(CharPoint(start + 10))->Kind, TLinkKind::Custom);
    EXPECT_FALSE(edit.LinkAt(CharPoint(start + 11)));
}

TEST_F(LinkEditTest, LinkUnderThePointerOfAScrolledText) {
    QString tagged;
    for (int i = 0; i < 60; ++i)
        tagged += QStringLiteral("ligne %1<br>").arg(i, 2, 10, QChar(u'0'));
    edit.SetRichText(tagged + "<mail a@b.org>fin</mail>");
    edit.verticalScrollBar()->setValue(edit.verticalScrollBar()->maximum());
    QApplication::processEvents();
    ASSERT_GT(edit.verticalScrollBar()->value(), 0);
    const int start = 60 * 9;
    ASSERT_EQ(edit.Markup().Links().at(0).Start, start);
    EXPECT_EQ(edit.CharacterAt(CharPoint(start + 1)), start + 1);
    EXPECT_EQ(edit.LinkAt(CharPoint(start + 1))->Kind, TLinkKind::Mail);
    EXPECT_FALSE(edit.LinkAt(CharPoint(start - 3)));
}

TEST_F(LinkEditTest, HintsAndPointerShape) {
    const QString hint =
        QString::fromUtf8("Cliquez pour fermer cette page\r\net retourner à l'application");
    QStringList asked;
    edit.SetOnCustomLinkHint([&](const QString& link, QString& linkHint) {
        asked << link;
        linkHint = hint;
    });
    edit.SetRichText("ab <link closeAbout>ici</link> <url HTTP://X.org>web</url> cd");
    const Qt::CursorShape normal = edit.viewport()->cursor().shape();

    Send(QEvent::MouseMove, CharPoint(4));
    EXPECT_EQ(asked, QStringList{"closeAbout"});
    EXPECT_EQ(edit.toolTip(), hint);
    EXPECT_EQ(edit.viewport()->cursor().shape(), Qt::PointingHandCursor);

    Send(QEvent::MouseMove, CharPoint(0));
    EXPECT_TRUE(edit.toolTip().isEmpty());
    EXPECT_EQ(edit.viewport()->cursor().shape(), normal);

    // A link whose kind has no hint event: no tooltip, and the hand only
    // when the label sets the pointer itself.
    Send(QEvent::MouseMove, CharPoint(9));
    EXPECT_TRUE(edit.toolTip().isEmpty());
    EXPECT_EQ(edit.viewport()->cursor().shape(), normal);

    edit.SetUseInternalCursor(true);
    Send(QEvent::MouseMove, CharPoint(9));
    EXPECT_EQ(edit.viewport()->cursor().shape(), Qt::PointingHandCursor);
    Send(QEvent::MouseMove, CharPoint(0));
    EXPECT_EQ(edit.viewport()->cursor().shape(), Qt::ArrowCursor);

    QString urlAsked;
    edit.SetOnUrlHint([&](const QString& link, QString& linkHint) {
        urlAsked = link;
        linkHint = "Ouvrir " + link;
    });
    Send(QEvent::MouseMove, CharPoint(9));
    EXPECT_EQ(urlAsked, "HTTP://X.org");
    EXPECT_EQ(edit.toolTip(), "Ouvrir HTTP://X.org");
    Send(QEvent::MouseMove, CharPoint(4));
    EXPECT_EQ(edit.toolTip(), hint);
}

TEST_F(LinkEditTest, ClicksGoToTheSignalOfTheLinksKind) {
    edit.SetRichText(
        "<url  HTTP://Example.org/Page >web</url> <mail Moi@Example.org>mail</mail> "
        "<link closeOptions>ici</link> rien");
    QStringList calls;
    QObject::connect(&edit, &TLinkEdit::UrlClicked, [&](const QString& l) { calls << "url " + l; });
    QObject::connect(&edit, &TLinkEdit::MailClicked,
                     [&](const QString& l) { calls << "mail " + l; });
    QObject::connect(&edit, &TLinkEdit::CustomLinkClicked,
                     [&](const QString& l) { calls << "link " + l; });

    Click(CharPoint(1));
    Click(CharPoint(5));
    Click(CharPoint(10));
    EXPECT_EQ(calls, (QStringList{"url HTTP://Example.org/Page", "mail Moi@Example.org",
                                  "link closeOptions"}));
    calls.clear();
    Click(CharPoint(3));                   // the blank between two links
    Click(CharPoint(15));                  // plain text
    Click(CharPoint(1), Qt::RightButton);  // not the main button
    Click(CharPoint(1), Qt::MiddleButton);
    EXPECT_TRUE(calls.isEmpty()) << calls.join(", ").toStdString();
}

TEST_F(LinkEditTest, EmptyTextAndSavedRenderings) {
    edit.SetRichText("");
    EXPECT_TRUE(edit.document()->toPlainText().isEmpty());
    EXPECT_EQ(edit.CharacterAt({5, 5}), -1);
    edit.SetRichText("<b>Le fichier</b><br>ligne");
    EXPECT_EQ(edit.PlainText(), "Le fichier\r\nligne");
    EXPECT_TRUE(edit.Rtf().startsWith("{\\rtf1"));
    EXPECT_EQ(edit.RichText(), "<b>Le fichier</b><br>ligne");
}

}  // namespace
}  // namespace tavrel
