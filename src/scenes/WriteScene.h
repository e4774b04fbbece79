#pragma once
// The writer of a scene file. Construction replaces the video's scene file
// by a new one holding the header; each WriteScene appends one record and
// then updates the count of records, so a file whose writing stops after k
// scenes is a well-formed file of k scenes. The analysis commands feed it
// from a streaming thread, one call at a time; the scene editor writes a
// whole list through it.
//
// What the file cannot hold is refused with a French message rather than
// written wrong: a video path or a title + subtitle of 255 UTF-16 units or
// more, a 65536th scene. A refused path creates no file (an existing one is
// left alone); after any refusal or write error the writer writes nothing
// more, and Failed() and ErrorText() say why.

#include <QFile>
#include <QString>
#include <cstdint>

namespace tavrel {

class TSceneClass;

class TwriteScene {
  public:
    explicit TwriteScene(const QString& videoPath);
    ~TwriteScene();
    TwriteScene(const TwriteScene&) = delete;
    TwriteScene& operator=(const TwriteScene&) = delete;

    bool WriteScene(const TSceneClass& scene);
    // Closes the file; false when something went wrong at any point.
    bool Close();

    bool Failed() const { return !m_error.isEmpty(); }
    const QString& ErrorText() const { return m_error; }
    const QString& ScnPath() const { return m_scnPath; }
    std::uint16_t Count() const { return m_count; }

    // The message for a title and subtitle too long for the file, or empty;
    // position is the 1-based place of the scene in the file.
    static QString CheckScene(const TSceneClass& scene, int position);
    // The message for a video path too long for the file, or empty.
    static QString CheckVideoPath(const QString& videoPath);

  private:
    bool Fail(const QString& message);
    bool WriteAll(const QByteArray& bytes);
    QString WriteError() const;

    QString m_videoPath;
    QString m_scnPath;
    QFile m_file;
    std::uint16_t m_count = 0;
    qint64 m_countPosition = 0;
    qint64 m_endPosition = 0;
    QString m_error;
};

}  // namespace tavrel
