#include "scenes/WriteScene.h"

#include "scenes/SceneClass.h"
#include "scenes/ScnFile.h"

namespace tavrel {

namespace {

constexpr std::uint16_t kMaxScenes = 0xFFFF;

void PutBytes(QByteArray& out, std::initializer_list<unsigned char> bytes) {
    for (unsigned char b : bytes) out.append(static_cast<char>(b));
}

void PutU16(QByteArray& out, std::uint16_t value) {
    PutBytes(out,
             {static_cast<unsigned char>(value & 0xFF), static_cast<unsigned char>(value >> 8)});
}

void PutU32(QByteArray& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.append(static_cast<char>((value >> shift) & 0xFF));
}

// FF FE FF, the length in code units, the UTF-16LE units. Callers have
// checked that the length fits the length byte.
void PutWideString(QByteArray& out, const QString& text) {
    PutBytes(out, {0xFF, 0xFE, 0xFF, static_cast<unsigned char>(text.size())});
    for (QChar c : text) PutU16(out, c.unicode());
}

QString StoredTitle(const TSceneClass& scene) {
    return scene.Title + QStringLiteral("\r\n") + scene.Subtitle;
}

}  // namespace

QString TwriteScene::CheckVideoPath(const QString& videoPath) {
    if (videoPath.size() <= kMaxScnStringUnits) return {};
    return QStringLiteral(
               "Le chemin de la vidéo est trop long pour un fichier scn (%1 caractères, %2 au "
               "plus) : %3")
        .arg(videoPath.size())
        .arg(kMaxScnStringUnits)
        .arg(videoPath);
}

QString TwriteScene::CheckScene(const TSceneClass& scene, int position) {
    const qsizetype length = StoredTitle(scene).size();
    if (length <= kMaxScnStringUnits) return {};
    return QStringLiteral(
               "Le titre et le sous-titre de la scène %1 sont trop longs pour un fichier scn (%2 "
               "caractères avec le saut de ligne, %3 au plus)")
        .arg(position)
        .arg(length)
        .arg(kMaxScnStringUnits);
}

TwriteScene::TwriteScene(const QString& videoPath)
    : m_videoPath(videoPath), m_scnPath(ScnFilePath(videoPath)) {
    if (const QString refused = CheckVideoPath(videoPath); !refused.isEmpty()) {
        Fail(refused);
        return;
    }
    m_file.setFileName(m_scnPath);
    if (m_file.exists() && !m_file.remove()) {
        Fail(QStringLiteral("Impossible de remplacer le fichier scn %1 : %2")
                 .arg(m_scnPath, m_file.errorString()));
        return;
    }
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        Fail(QStringLiteral("Impossible de créer le fichier scn %1 : %2")
                 .arg(m_scnPath, m_file.errorString()));
        return;
    }
    QByteArray header;
    PutBytes(header,
             {0x63, 0x26, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x03, 0x00, 0x0A, 0x00});
    header.append("SourceTape");
    PutWideString(header, videoPath);
    PutBytes(header, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x00});
    m_countPosition = header.size();  // 36 + 2 × the path length
    if (WriteAll(header) && !m_file.flush()) Fail(WriteError());
    m_endPosition = header.size();
}

TwriteScene::~TwriteScene() {
    Close();
}

bool TwriteScene::Fail(const QString& message) {
    if (m_error.isEmpty()) m_error = message;
    return false;
}

QString TwriteScene::WriteError() const {
    return QStringLiteral("Erreur d'écriture dans le fichier scn %1 : %2")
        .arg(m_scnPath, m_file.errorString());
}

bool TwriteScene::WriteAll(const QByteArray& bytes) {
    if (m_file.write(bytes) != bytes.size()) return Fail(WriteError());
    return true;
}

bool TwriteScene::WriteScene(const TSceneClass& scene) {
    if (Failed() || !m_file.isOpen()) return false;
    if (const QString refused = CheckScene(scene, m_count + 1); !refused.isEmpty())
        return Fail(refused);
    if (m_count == kMaxScenes)
        return Fail(
            QStringLiteral("Trop de scènes pour un fichier scn (%1 au plus)").arg(kMaxScenes));

    const bool hasTitle = !scene.Title.isEmpty() || !scene.Subtitle.isEmpty();
    const bool hasOffset = scene.ThumbnailOffset != 0;
    const unsigned char flagA = hasTitle ? 0x80 : 0x00;
    const unsigned char flagB = hasOffset ? 0x40 : 0x00;

    QByteArray record;
    if (m_count == 0) {
        // The count itself comes first, written as 0 until the record is there.
        PutU16(record, 0);
        PutBytes(record, {0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00});
        record.append("Clip");
        PutBytes(record, {0x50, flagA, flagB, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00});
        record.append("Scene");
        PutBytes(record, {0x00});
        PutU32(record, 0);
        PutU32(record, scene.EndFrame);
        PutBytes(record, {0x00, 0x00, 0x00, 0x00, 0x01, 0x80});
        PutWideString(record, m_videoPath);
        PutU32(record, 0);
        PutU32(record, 0);
        PutU32(record, scene.EndFrame);
    } else {
        PutBytes(record, {0x03, 0x80, 0xF0, flagA, flagB, 0x00, 0x05, 0x80});
        PutBytes(record, {0xFF, 0xFE, 0xFF, 0x00});
        PutU32(record, scene.StartFrame);
        PutU32(record, scene.FrameCount());
        PutBytes(record, {0x00, 0x00, 0x00, 0x00, 0x07, 0x00});
        PutU32(record, scene.StartFrame);
        PutU32(record, scene.FrameCount());
        PutU32(record, scene.StartFrame);
    }
    if (hasOffset) PutU32(record, static_cast<std::uint32_t>(scene.ThumbnailOffset));
    if (hasTitle) PutWideString(record, StoredTitle(scene));

    if (!m_file.seek(m_endPosition)) return Fail(WriteError());
    if (!WriteAll(record)) return false;
    m_endPosition += record.size();

    // The count follows the record, so that the file always holds as many
    // whole records as it says.
    QByteArray count;
    PutU16(count, static_cast<std::uint16_t>(m_count + 1));
    if (!m_file.seek(m_countPosition) || !WriteAll(count) || !m_file.flush())
        return Fail(WriteError());
    ++m_count;
    return true;
}

bool TwriteScene::Close() {
    if (m_file.isOpen()) {
        if (!m_file.flush()) Fail(WriteError());
        m_file.close();
    }
    return !Failed();
}

}  // namespace tavrel
