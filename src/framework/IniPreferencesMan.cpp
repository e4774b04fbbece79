#include "framework/IniPreferencesMan.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include "framework/TextForms.h"

namespace tavrel {

namespace {

// A settings file is a few kilobytes; anything this large is not one, and
// reading it whole would only waste memory.
constexpr qint64 kMaxIniBytes = 32 * 1024 * 1024;

const QString kEncodedPrefix = QStringLiteral("@Lignes(");

// Windows-1252 between 0x80 and 0x9F; the other bytes are Latin-1. The five
// undefined bytes keep their C1 code points so that nothing is lost.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString DecodeCp1252(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        text += QChar(u >= 0x80 && u < 0xA0 ? kCp1252High[u - 0x80] : char16_t(u));
    }
    return text;
}

QString DecodeWith(QStringConverter::Encoding encoding, const QByteArray& bytes, bool* valid) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (valid) *valid = !decoder.hasError();
    return text;
}

QString DecodeText(const QByteArray& bytes) {
    auto starts = [&](std::initializer_list<unsigned char> bom) {
        if (bytes.size() < qsizetype(bom.size())) return false;
        qsizetype i = 0;
        for (unsigned char b : bom)
            if (static_cast<unsigned char>(bytes[i++]) != b) return false;
        return true;
    };
    if (starts({0xFF, 0xFE})) return DecodeWith(QStringConverter::Utf16LE, bytes.mid(2), nullptr);
    if (starts({0xFE, 0xFF})) return DecodeWith(QStringConverter::Utf16BE, bytes.mid(2), nullptr);
    if (starts({0xEF, 0xBB, 0xBF}))
        return DecodeWith(QStringConverter::Utf8, bytes.mid(3), nullptr);
    // No mark. Many NUL bytes mean UTF-16 whose mark was lost: ASCII text
    // puts them in the odd bytes little-endian, in the even ones big-endian.
    // A stray NUL in 8-bit text is only damage.
    qsizetype evenZeros = 0, oddZeros = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (bytes[i] == 0) (i % 2 ? oddZeros : evenZeros)++;
    if ((evenZeros + oddZeros) * 4 >= bytes.size() && bytes.size() >= 2)
        return DecodeWith(
            oddZeros >= evenZeros ? QStringConverter::Utf16LE : QStringConverter::Utf16BE, bytes,
            nullptr);
    bool valid = false;
    QString text = DecodeWith(QStringConverter::Utf8, bytes, &valid);
    return valid ? text : DecodeCp1252(bytes);
}

}  // namespace

QStringList TIniPreferencesMan::DecodeLines(const QByteArray& bytes) {
    const QString text = DecodeText(bytes);
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    if (start < n) lines << text.mid(start);
    return lines;
}

QByteArray TIniPreferencesMan::EncodeLines(const QStringList& lines) {
    QString text;
    for (const QString& line : lines) text += line + QStringLiteral("\r\n");
    QStringEncoder encoder(QStringConverter::Utf16LE);
    QByteArray bytes("\xFF\xFE", 2);
    bytes += QByteArray(encoder.encode(text));
    return bytes;
}

QString TIniPreferencesMan::EncodeValue(const QString& value) {
    const bool needsEscape = value.contains(QLatin1Char('\r')) ||
                             value.contains(QLatin1Char('\n')) ||
                             (value.startsWith(kEncodedPrefix) && value.endsWith(QLatin1Char(')')));
    if (!needsEscape) return value;
    QString out = kEncodedPrefix;
    for (QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out + QLatin1Char(')');
}

QString TIniPreferencesMan::DecodeValue(const QString& text) {
    if (!text.startsWith(kEncodedPrefix) || !text.endsWith(QLatin1Char(')'))) return text;
    const QString body = text.mid(kEncodedPrefix.size(), text.size() - kEncodedPrefix.size() - 1);
    QString out;
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (body[i] == QLatin1Char('\\') && i + 1 < body.size()) {
            const QChar next = body[++i];
            if (next == QLatin1Char('r'))
                out += QLatin1Char('\r');
            else if (next == QLatin1Char('n'))
                out += QLatin1Char('\n');
            else
                out += next;
        } else {
            out += body[i];
        }
    }
    return out;
}

TIniPreferencesMan::TIniPreferencesMan(QString fileName) : m_fileName(std::move(fileName)) {
    Load();
}

TIniPreferencesMan::~TIniPreferencesMan() {
    if (m_dirty) Flush();
}

void TIniPreferencesMan::Load() {
    QFile file(m_fileName);
    if (file.exists()) {
        if (file.size() <= kMaxIniBytes && file.open(QIODevice::ReadOnly))
            m_lines = DecodeLines(file.readAll());
        else
            m_unreadable = true;
    }
    if (m_lines.isEmpty()) m_lines << QStringLiteral("[]");
    m_path.clear();
    m_header = FindHeader(QString());
    if (m_header < 0) {
        // A file without a root header (hand-made, or cut short): give it one.
        m_lines << QString() << QStringLiteral("[]");
        m_header = m_lines.size() - 1;
        m_dirty = true;
    }
}

bool TIniPreferencesMan::Flush() {
    // A file that could not be read is not ours to replace with defaults.
    if (m_unreadable) {
        m_lastError = QStringLiteral(
                          "Le fichier de préférences « %1 » n'a pas pu être lu : il n'est pas "
                          "remplacé.")
                          .arg(m_fileName);
        return false;
    }
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        m_lastError = QStringLiteral("Impossible d'écrire le fichier de préférences « %1 » : %2")
                          .arg(m_fileName, file.errorString());
        return false;
    }
    file.write(EncodeLines(m_lines));
    if (!file.commit()) {
        m_lastError = QStringLiteral("Impossible d'écrire le fichier de préférences « %1 » : %2")
                          .arg(m_fileName, file.errorString());
        return false;
    }
    m_lastError.clear();
    m_dirty = false;
    return true;
}

bool TIniPreferencesMan::IsHeader(const QString& line) {
    return line.size() >= 2 && line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'));
}

qsizetype TIniPreferencesMan::FindHeader(const QString& path) const {
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QString& line = m_lines[i];
        if (IsHeader(line) && line.size() == path.size() + 2 &&
            QStringView(line).mid(1, path.size()).compare(path, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool TIniPreferencesMan::KeyExists(const QString& path) const {
    if (FindHeader(path) >= 0) return true;
    // A key with a subkey but no values of its own may have no header.
    const QString prefix = QLatin1Char('[') + path + QLatin1Char('\\');
    for (const QString& line : m_lines)
        if (IsHeader(line) && line.startsWith(prefix, Qt::CaseInsensitive)) return true;
    return false;
}

qsizetype TIniPreferencesMan::BlockEnd(qsizetype header) const {
    qsizetype i = header + 1;
    while (i < m_lines.size() && !m_lines[i].isEmpty() && !IsHeader(m_lines[i])) ++i;
    return i;
}

qsizetype TIniPreferencesMan::FindValue(const QString& name) const {
    if (m_header < 0) return -1;
    const qsizetype end = BlockEnd(m_header);
    for (qsizetype i = m_header + 1; i < end; ++i) {
        const QString& line = m_lines[i];
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq == name.size() && QStringView(line).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qsizetype TIniPreferencesMan::EnsureHeader() {
    if (m_header < 0) {
        m_lines << QString() << QLatin1Char('[') + m_path + QLatin1Char(']');
        m_header = m_lines.size() - 1;
        m_dirty = true;
    }
    return m_header;
}

bool TIniPreferencesMan::GetValueNames(QStringList& names) {
    if (m_header < 0) return true;
    const qsizetype end = BlockEnd(m_header);
    for (qsizetype i = m_header + 1; i < end; ++i) {
        const qsizetype eq = m_lines[i].indexOf(QLatin1Char('='));
        if (eq >= 0) names << m_lines[i].left(eq);
    }
    return true;
}

bool TIniPreferencesMan::GetKeyNames(QStringList& names) {
    const QString prefix = m_path.isEmpty() ? QString() : m_path + QLatin1Char('\\');
    QStringList found;
    for (const QString& line : m_lines) {
        if (!IsHeader(line)) continue;
        const QString path = line.mid(1, line.size() - 2);
        if (path.size() <= prefix.size() || !path.startsWith(prefix, Qt::CaseInsensitive)) continue;
        const QString child = path.mid(prefix.size()).section(QLatin1Char('\\'), 0, 0);
        if (!child.isEmpty() && !found.contains(child, Qt::CaseInsensitive)) found << child;
    }
    names << found;
    return true;
}

bool TIniPreferencesMan::OpenKey(const QString& name, bool create) {
    const QString path = JoinKeyPath(m_path, name);
    qsizetype header = FindHeader(path);
    if (header < 0) {
        if (create) {
            m_lines << QString() << QLatin1Char('[') + path + QLatin1Char(']');
            header = m_lines.size() - 1;
            m_dirty = true;
        } else if (!KeyExists(path)) {
            return false;
        }
    }
    m_path = path;
    m_header = header;
    return true;
}

bool TIniPreferencesMan::CloseKey() {
    m_path = ParentKeyPath(m_path);
    m_header = FindHeader(m_path);
    return true;
}

bool TIniPreferencesMan::WriteString(const QString& name, const QString& value) {
    const QString line = name + QLatin1Char('=') + EncodeValue(value);
    const qsizetype at = FindValue(name);
    if (at >= 0) {
        if (m_lines[at] != line) {
            m_lines[at] = line;
            m_dirty = true;
        }
        return true;
    }
    m_lines.insert(BlockEnd(EnsureHeader()), line);
    m_dirty = true;
    return true;
}

bool TIniPreferencesMan::ReadString(const QString& name, QString& value) {
    const qsizetype at = FindValue(name);
    if (at < 0) return false;
    value = DecodeValue(m_lines[at].mid(name.size() + 1));
    return true;
}

bool TIniPreferencesMan::DeleteValue(const QString& name) {
    const qsizetype at = FindValue(name);
    if (at < 0) return false;
    m_lines.removeAt(at);
    m_dirty = true;
    return true;
}

bool TIniPreferencesMan::WriteBool(const QString& name, bool value) {
    return WriteString(name, value ? QStringLiteral("True") : QStringLiteral("False"));
}

bool TIniPreferencesMan::ReadBool(const QString& name, bool& value) {
    QString text;
    if (!ReadString(name, text)) return false;
    if (text == QLatin1String("True")) {
        value = true;
        return true;
    }
    if (text == QLatin1String("False")) {
        value = false;
        return true;
    }
    return false;
}

bool TIniPreferencesMan::WriteInteger(const QString& name, std::int32_t value) {
    return WriteString(name, QString::number(value));
}

bool TIniPreferencesMan::ReadInteger(const QString& name, std::int32_t& value) {
    QString text;
    if (!ReadString(name, text)) return false;
    value = ParseDecimalInt(text).value_or(0);
    return true;
}

bool TIniPreferencesMan::WriteFloat(const QString& name, double value) {
    return WriteString(name, FormatGeneralFloat(value, LocaleDecimalSeparator()));
}

bool TIniPreferencesMan::ReadFloat(const QString& name, double& value) {
    QString text;
    const bool found = ReadString(name, text);
    value = found ? ParseFloatText(text, LocaleDecimalSeparator()).value_or(0.0) : 0.0;
    return found;
}

}  // namespace tavrel
