// The renderings of a parsed tagged text that keep its formatting: a Qt text
// document for the rich label, and RTF for the reports saved as rich text.
#include <QFont>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "framework/RichMarkup.h"

namespace tavrel {

namespace {

Qt::Alignment QtAlignment(TParagraphAlignment alignment) {
    switch (alignment) {
        case TParagraphAlignment::Right:
            return Qt::AlignRight;
        case TParagraphAlignment::Center:
            return Qt::AlignHCenter;
        case TParagraphAlignment::Left:
            break;
    }
    return Qt::AlignLeft;
}

QTextBlockFormat BlockFormat(TParagraphAlignment alignment) {
    QTextBlockFormat format;
    format.setAlignment(QtAlignment(alignment));
    return format;
}

QTextCharFormat CharFormat(const TRichAttributes& a, const TRichAttributes& font) {
    QTextCharFormat format;
    // The name and the size of the label's own font come from the document's
    // default font; a size that is no positive number of points cannot be
    // drawn and leaves the default too.
    if (!a.FontName.isEmpty() && a.FontName.compare(font.FontName, Qt::CaseInsensitive) != 0)
        format.setFontFamilies(QStringList{a.FontName});
    if (a.SizePt > 0 && a.SizePt != font.SizePt) format.setFontPointSize(a.SizePt);
    format.setForeground(a.Colour);
    // The style is always written: the label's font may itself be bold or
    // italic, and "</b>" must still remove the bold.
    format.setFontWeight(a.Bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(a.Italic);
    format.setFontUnderline(a.Underline);
    format.setFontStrikeOut(a.StrikeOut);
    return format;
}

void AppendRtfEscaped(QString& out, QStringView text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out += u'\\';
            out += c;
        } else if (u == u'\t') {
            out += u"\\tab ";
        } else if (u < 0x20) {
            continue;
        } else if (u < 0x80) {
            out += c;
        } else {
            // One \u per UTF-16 unit, signed as RTF wants, with '?' for
            // readers that do not know Unicode.
            out += QStringLiteral("\\u%1?").arg(int(static_cast<int16_t>(u)));
        }
    }
}

QString RtfAlignment(TParagraphAlignment alignment) {
    switch (alignment) {
        case TParagraphAlignment::Right:
            return QStringLiteral("\\pard\\qr ");
        case TParagraphAlignment::Center:
            return QStringLiteral("\\pard\\qc ");
        case TParagraphAlignment::Left:
            break;
    }
    return QStringLiteral("\\pard\\ql ");
}

}  // namespace

void TRichMarkup::FillDocument(QTextDocument& document) const {
    document.setUndoRedoEnabled(false);
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    cursor.setBlockFormat(BlockFormat(m_alignments.front()));
    std::size_t paragraph = 0;
    for (const auto& run : m_runs) {
        const QTextCharFormat format = CharFormat(run.Attributes, m_style.Font);
        if (paragraph == 0 && run.Start == 0) cursor.setBlockCharFormat(format);
        const QStringView text = QStringView(m_text).mid(run.Start, run.Length);
        qsizetype start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] != u'\n') continue;
            if (i > start) cursor.insertText(text.mid(start, i - start).toString(), format);
            ++paragraph;
            cursor.insertBlock(BlockFormat(m_alignments[paragraph]), format);
            start = i + 1;
        }
        if (start < text.size()) cursor.insertText(text.mid(start).toString(), format);
    }
    cursor.endEditBlock();
}

QString TRichMarkup::ToRtf() const {
    QStringList fonts{m_style.Font.FontName};
    std::vector<QColor> colours;
    const auto fontIndex = [&](const QString& name) {
        if (name.isEmpty()) return qsizetype(0);
        for (qsizetype i = 0; i < fonts.size(); ++i)
            if (fonts[i].compare(name, Qt::CaseInsensitive) == 0) return i;
        fonts.append(name);
        return fonts.size() - 1;
    };
    const auto colourIndex = [&](const QColor& colour) {
        for (std::size_t i = 0; i < colours.size(); ++i)
            if (colours[i].rgb() == colour.rgb()) return i + 1;
        colours.push_back(colour);
        return colours.size();
    };

    QString body = RtfAlignment(m_alignments.front());
    std::size_t paragraph = 0;
    for (const auto& run : m_runs) {
        const TRichAttributes& a = run.Attributes;
        const int size = a.SizePt > 0 ? a.SizePt : m_style.Font.SizePt;
        body += QStringLiteral("\\plain\\f%1\\cf%2")
                    .arg(fontIndex(a.FontName))
                    .arg(colourIndex(a.Colour));
        if (size > 0) body += QStringLiteral("\\fs%1").arg(size * 2);
        if (a.Bold) body += u"\\b";
        if (a.Italic) body += u"\\i";
        if (a.Underline) body += u"\\ul";
        if (a.StrikeOut) body += u"\\strike";
        body += u' ';
        const QStringView text = QStringView(m_text).mid(run.Start, run.Length);
        qsizetype start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] != u'\n') continue;
            AppendRtfEscaped(body, text.mid(start, i - start));
            ++paragraph;
            body += QStringLiteral("\\par\r\n") + RtfAlignment(m_alignments[paragraph]);
            start = i + 1;
        }
        AppendRtfEscaped(body, text.mid(start));
    }

    QString rtf = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl");
    for (qsizetype i = 0; i < fonts.size(); ++i) {
        rtf += QStringLiteral("{\\f%1\\fnil ").arg(i);
        AppendRtfEscaped(rtf, fonts[i]);
        rtf += u";}";
    }
    rtf += u"}{\\colortbl ;";
    for (const QColor& c : colours)
        rtf +=
            QStringLiteral("\\red%1\\green%2\\blue%3;").arg(c.red()).arg(c.green()).arg(c.blue());
    rtf += QStringLiteral("}\r\n") + body + QStringLiteral("\r\n}\r\n");
    return rtf;
}

}  // namespace tavrel
