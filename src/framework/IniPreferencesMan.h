#pragma once
// The settings store of portable mode: a text file beside the program.
//
// A key is a header line "[" + path + "]" (names joined by "\", "[]" for the
// root); its values are the "name=value" lines that follow, up to the first
// empty line or the next header. Headers and value names are compared
// without regard to case. Booleans are "True"/"False", integers decimal,
// doubles the general 15-digit text with the locale's decimal separator.
//
// The lines live in memory; Flush() and the destructor write them to the
// file as UTF-16LE with a byte-order mark and CR LF line ends, through a
// temporary file renamed over the old one, so that a crash or a full disk
// never leaves a half-written file. The file is read in the encoding its
// byte-order mark announces (UTF-16 either way, UTF-8); without one as UTF-8
// when it is valid UTF-8, else as Windows-1252.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "framework/PreferencesMan.h"

namespace tavrel {

class TIniPreferencesMan final : public TPreferencesMan {
  public:
    // Loads the file when it exists; otherwise the lines are just "[]".
    explicit TIniPreferencesMan(QString fileName);
    // Writes the lines back when they changed since the last Flush().
    ~TIniPreferencesMan() override;

    bool GetValueNames(QStringList& names) override;
    bool GetKeyNames(QStringList& names) override;
    bool OpenKey(const QString& name, bool create) override;
    bool CloseKey() override;
    bool WriteString(const QString& name, const QString& value) override;
    bool ReadString(const QString& name, QString& value) override;
    bool DeleteValue(const QString& name) override;
    bool WriteBool(const QString& name, bool value) override;
    bool ReadBool(const QString& name, bool& value) override;
    bool WriteInteger(const QString& name, std::int32_t value) override;
    bool ReadInteger(const QString& name, std::int32_t& value) override;
    bool WriteFloat(const QString& name, double value) override;
    bool ReadFloat(const QString& name, double& value) override;
    bool Flush() override;
    QString CurrentPath() const override { return m_path; }

    QString FileName() const { return m_fileName; }
    const QStringList& Lines() const { return m_lines; }
    // Why the last write of the file failed, in French; empty after success.
    QString LastError() const { return m_lastError; }

    // The file's bytes as lines, in the encoding described above.
    static QStringList DecodeLines(const QByteArray& bytes);
    // The lines as the file's bytes: UTF-16LE, byte-order mark, CR LF.
    static QByteArray EncodeLines(const QStringList& lines);

    // A value that holds a line break cannot stand on one line: such values
    // are written as "@Lignes(...)" with \r, \n and \\ escapes. Every other
    // value is written as it is.
    static QString EncodeValue(const QString& value);
    static QString DecodeValue(const QString& text);

  private:
    static bool IsHeader(const QString& line);
    qsizetype FindHeader(const QString& path) const;
    bool KeyExists(const QString& path) const;
    qsizetype BlockEnd(qsizetype header) const;
    qsizetype FindValue(const QString& name) const;
    qsizetype EnsureHeader();
    void Load();

    QString m_fileName;
    QStringList m_lines;
    QString m_path;
    qsizetype m_header = -1;  // line of the current key's header; -1 while it has none
    bool m_dirty = false;
    bool m_unreadable = false;  // the file exists but could not be read
    QString m_lastError;
};

}  // namespace tavrel
