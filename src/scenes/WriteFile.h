#pragma once
// A writer of text lines into a new file: the file is replaced by an empty
// one at construction, and every line is written in UTF-8 (no byte-order
// mark) followed by CR LF. The SRT and scene-text writers derive from it.
//
// A file that cannot be replaced or created, or a write that fails, is not
// silent: the writer stops writing and Failed() and ErrorText() (French)
// say why, for the caller to show.

#include <QFile>
#include <QString>

namespace tavrel {

class TwriteFile {
  public:
    explicit TwriteFile(const QString& path);
    virtual ~TwriteFile();
    TwriteFile(const TwriteFile&) = delete;
    TwriteFile& operator=(const TwriteFile&) = delete;

    bool WriteLine(const QString& text);
    // Closes the file; false when anything went wrong since construction.
    bool Close();

    bool IsOpen() const { return m_file.isOpen(); }
    bool Failed() const { return !m_error.isEmpty(); }
    const QString& ErrorText() const { return m_error; }
    const QString& Path() const { return m_path; }

  protected:
    // Keeps the first message; always false.
    bool Fail(const QString& message);
    void ReplaceError(const QString& message) { m_error = message; }

  private:
    QString m_path;
    QFile m_file;
    QString m_error;
};

}  // namespace tavrel
