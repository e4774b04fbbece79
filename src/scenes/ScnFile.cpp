#include "scenes/ScnFile.h"

#include <QFile>
#include <QStringDecoder>
#include <array>
#include <memory>

#include "scenes/SceneList.h"

namespace tavrel {

namespace {

// Windows-1252 at 0x80-0x9F; the five bytes it leaves undefined keep their
// Latin-1 value, as Windows itself converts them.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Sequential reads of the blocks of a scene file. Any read that returns
// fewer bytes than asked marks the reading as failed: every block the reader
// asks for is one the writer always writes, so a short read means the file
// is cut or is not a scene file.
class TScnReader {
  public:
    explicit TScnReader(QFile& file) : m_file(file) {}

    bool Failed() const { return m_failed; }

    QByteArray Block(qint64 size) {
        if (m_failed) return {};
        QByteArray bytes = m_file.read(size);
        if (bytes.size() != size) {
            m_failed = true;
            return {};
        }
        return bytes;
    }

    std::uint32_t U32() {
        const QByteArray b = Block(4);
        if (b.size() != 4) return 0;
        return static_cast<std::uint32_t>(Byte(b, 0)) |
               (static_cast<std::uint32_t>(Byte(b, 1)) << 8) |
               (static_cast<std::uint32_t>(Byte(b, 2)) << 16) |
               (static_cast<std::uint32_t>(Byte(b, 3)) << 24);
    }

    QString String() {
        const QByteArray first = Block(1);
        if (first.isEmpty()) return {};
        const int b = Byte(first, 0);
        if (b == 0) return {};
        if (b < 255) return DecodeSingleByteText(Block(b));
        const QByteArray lengthBytes = Block(2);
        if (lengthBytes.size() != 2) return {};
        const int w = Byte(lengthBytes, 0) | (Byte(lengthBytes, 1) << 8);
        if (w == 0) return {};
        if (w <= 1023) return DecodeSingleByteText(Block(w));
        if (w != 0xFFFE) return {};
        const QByteArray unitsBytes = Block(1);
        if (unitsBytes.isEmpty()) return {};
        const int units = Byte(unitsBytes, 0);
        if (units == 0 || units == 255) return {};
        const QByteArray text = Block(2 * units);
        if (text.size() != 2 * units) return {};
        QString result(units, Qt::Uninitialized);
        for (int i = 0; i < units; ++i)
            result[i] =
                QChar(static_cast<char16_t>(Byte(text, 2 * i) | (Byte(text, 2 * i + 1) << 8)));
        return result;
    }

    static int Byte(const QByteArray& bytes, int index) {
        return static_cast<unsigned char>(bytes[index]);
    }

  private:
    QFile& m_file;
    bool m_failed = false;
};

// Title and subtitle are stored as one text of two lines.
void SplitTitle(const QString& text, TSceneClass& scene) {
    QString lines[2];
    int line = 0;
    for (qsizetype i = 0; i < text.size() && line < 2; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            ++line;
            continue;
        }
        lines[line].append(c);
    }
    scene.Title = lines[0];
    scene.Subtitle = lines[1];
}

// The offset and the title of a record, present as its flags say.
void ReadRecordTail(TScnReader& in, bool hasTitle, bool hasOffset, TSceneClass& scene) {
    scene.ThumbnailOffset = hasOffset ? static_cast<std::int32_t>(in.U32()) : 0;
    if (hasTitle) SplitTitle(in.String(), scene);
}

}  // namespace

QString ReplaceExtension(const QString& path, const QString& newExtension) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > slash) return path.left(dot) + newExtension;
    return path + newExtension;
}

QString ScnFilePath(const QString& videoPath) {
    return ReplaceExtension(videoPath, QStringLiteral(".scn"));
}

QString DecodeSingleByteText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    text.resize(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text[i] = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
    }
    return text;
}

namespace {

bool ReadScenes(const QString& scnPath, TSceneList& list, const TaviFichier* shownVideo) {
    QFile file(scnPath);
    if (!file.open(QIODevice::ReadOnly)) return false;
    TScnReader in(file);

    in.Block(24);
    in.String();  // the video path, which may be out of date after a move
    const QByteArray start = in.Block(26);
    if (in.Failed()) return false;
    const int count = TScnReader::Byte(start, 8) | (TScnReader::Byte(start, 9) << 8);
    bool hasTitle = (TScnReader::Byte(start, 21) & 0x80) != 0;
    bool hasOffset = (TScnReader::Byte(start, 22) & 0x40) != 0;

    in.Block(9);
    in.String();
    in.U32();
    const std::uint32_t firstEnd = in.U32();
    auto scene = std::make_unique<TSceneClass>(0, firstEnd, shownVideo);
    scene->Number = 1;
    in.Block(6);
    in.String();
    for (int i = 0; i < 3; ++i) in.U32();
    ReadRecordTail(in, hasTitle, hasOffset, *scene);
    if (in.Failed()) return false;
    QString text = SceneDisplayText(*scene);
    list.Append(std::move(text), std::move(scene));

    for (int k = 2; k <= count; ++k) {
        const QByteArray head = in.Block(8);
        if (in.Failed()) return false;
        hasTitle = (TScnReader::Byte(head, 3) & 0x80) != 0;
        hasOffset = (TScnReader::Byte(head, 4) & 0x40) != 0;
        in.String();
        const std::uint32_t s = in.U32();
        const std::uint32_t c = in.U32();
        scene = std::make_unique<TSceneClass>(s, s + c, shownVideo);
        scene->Number = k;
        in.Block(6);
        for (int i = 0; i < 3; ++i) in.U32();
        ReadRecordTail(in, hasTitle, hasOffset, *scene);
        if (in.Failed()) return false;
        QString text = SceneDisplayText(*scene);
        list.Append(std::move(text), std::move(scene));
    }
    return true;
}

}  // namespace

bool ReadScnFile(const QString& scnPath, TSceneList& list, const TaviFichier* shownVideo) {
    list.Clear();
    try {
        return ReadScenes(scnPath, list, shownVideo);
    } catch (...) {
        return false;  // out of memory on a foreign file: what was read stays
    }
}

}  // namespace tavrel
