// The catalogue's commands on real DV clips written by the program itself.
#include <sys/stat.h>

#include <QCryptographicHash>

#include "CatalogueFixture.h"
#include "avi/AviPatch.h"
#include "pipelines/ConversionPipelines.h"
#include "scenes/SceneList.h"
#include "scenes/ScnFile.h"
#include "support/TestClips.h"

namespace tavrel::test {
namespace {

class CatalogueClipTest : public CatalogueTest {
  protected:
    // A copy of a clip in the test's folder, listed and selected.
    std::shared_ptr<TAfficherFichier> Clip(TTestClipId id) {
        const TTestClip& clip = TestClip(id);
        const QString copy = Path(QString::fromUtf8(clip.FileName));
        EXPECT_TRUE(QFile::copy(QString::fromStdString(clip.Path().string()), copy));
        auto record = std::make_shared<TAfficherFichier>(copy);
        Select(record);
        return record;
    }
    static QByteArray Hash(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return {};
        QCryptographicHash hash(QCryptographicHash::Sha1);
        hash.addData(&f);
        return hash.result();
    }
    static unsigned Mode(const QString& path) {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    static std::filesystem::path Native(const QString& path) {
        return std::filesystem::path(QFile::encodeName(path).toStdString());
    }
};

TEST_F(CatalogueClipTest, ScnByIntervalsCutsTheClipIntoEqualRanges) {
    auto record = Clip(TTestClipId::Type2Pal43);
    const std::uint32_t frames =
        static_cast<std::uint32_t>(TestClip(TTestClipId::Type2Pal43).FrameCount());
    ASSERT_EQ(record->FrameCount, static_cast<std::int32_t>(frames));
    ASSERT_EQ(record->Fps, 25);
    Run("CreerScnByIntervalle", {"1"});
    EXPECT_TRUE(user.Errors.isEmpty());

    TSceneList scenes;
    ASSERT_TRUE(ReadScnFile(ScnFilePath(record->FullName), scenes));
    ASSERT_EQ(scenes.Count(), static_cast<int>((frames + 24) / 25));
    for (int i = 0; i < scenes.Count(); ++i) {
        EXPECT_EQ(scenes.Scene(i).StartFrame, 25u * i);
        EXPECT_EQ(scenes.Scene(i).EndFrame, std::min(25u * (i + 1), frames));
    }
    // The entry was read again and now has its scene file.
    auto* reloaded = dynamic_cast<TaviFichier*>(list.Item(0).get());
    ASSERT_NE(reloaded, nullptr);
    EXPECT_TRUE(reloaded->HasScn);
    EXPECT_EQ(user.ProgressStarts, 1);
    EXPECT_EQ(user.Progress.value(0), static_cast<int>(frames));
}

TEST_F(CatalogueClipTest, CodecPatchOnAReadOnlyFileKeepsItsMode) {
    auto record = Clip(TTestClipId::Type2Pal43);
    ASSERT_TRUE(
        QFile::setPermissions(record->FullName, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    user.Answers = {TAnswer::Oui};
    Run("ModifierCodec", {"DVSD"});
    ASSERT_EQ(user.Questions.size(), 1);
    EXPECT_EQ(user.Questions[0], "Voulez-vous changer le codec \"" + record->Codec +
                                     "\" de type2-pal-4x3.avi en \"DVSD\" ?");
    EXPECT_TRUE(user.Errors.isEmpty());
    EXPECT_EQ(ReadAviCodec(Native(record->FullName)), MakeFourCC('D', 'V', 'S', 'D'));
    EXPECT_EQ(Mode(record->FullName), 0440u);
    EXPECT_EQ(host.Released, QStringList{record->FullName});
    EXPECT_NE(list.Item(0).get(), record.get());  // reloaded
}

TEST_F(CatalogueClipTest, FrameRatePatchWritesScaleAndRate) {
    auto record = Clip(TTestClipId::Type2Pal43);
    user.Answers = {TAnswer::Oui};
    Run("FrequenceVideo", {"29.97"});
    ASSERT_EQ(user.Questions.size(), 1);
    EXPECT_EQ(user.Questions[0],
              "Voulez-vous changer la fréquence 25 de type2-pal-4x3.avi en 29.97 ?");
    EXPECT_TRUE(user.Errors.isEmpty());
    const TAviHeaderPositions where = ScanAviHeaders(Native(record->FullName));
    ASSERT_GE(where.ScalePos, 0);
    QFile f(record->FullName);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    ASSERT_TRUE(f.seek(where.ScalePos));
    const QByteArray bytes = f.read(8);
    const auto u32 = [&](int at) {
        return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 |
               quint32(quint8(bytes[at + 2])) << 16 | quint32(quint8(bytes[at + 3])) << 24;
    };
    EXPECT_EQ(u32(0), 33367u);
    EXPECT_EQ(u32(4), kPatchedRate);
}

TEST_F(CatalogueClipTest, UnparsableValuesLeaveTheFilesUntouched) {
    auto first = Clip(TTestClipId::Type2Pal43);
    auto second = Clip(TTestClipId::Type2Pal169);
    const QByteArray before1 = Hash(first->FullName);
    const QByteArray before2 = Hash(second->FullName);
    user.Answers = {TAnswer::OuiATous};
    Run("FrequenceVideo", {"vingt-cinq"});
    // Both files were tried: the run went on after the first failure.
    ASSERT_EQ(user.Errors.size(), 2);
    EXPECT_EQ(user.Errors[0].first,
              first->FullName +
                  " : « vingt-cinq » n'est pas une fréquence d'images valide ; le "
                  "fichier n'a pas été modifié.");
    list.SelectAll(true);
    user.Answers = {TAnswer::OuiATous};
    Run("ModifierCodec", {"TROPLONG"});
    EXPECT_EQ(user.Errors.size(), 4);
    EXPECT_EQ(Hash(first->FullName), before1);
    EXPECT_EQ(Hash(second->FullName), before2);
}

TEST_F(CatalogueClipTest, FrameRateIsNotOfferedForType1) {
    auto record = Clip(TTestClipId::Type1Pal169);
    const QByteArray before = Hash(record->FullName);
    Run("FrequenceVideo", {"30"});
    EXPECT_TRUE(user.Questions.isEmpty());
    EXPECT_EQ(Hash(record->FullName), before);
}

// The scene file by datecode and the subtitle file run the conversion
// module's pipelines; without them the commands say why and write nothing.
// The scene file as its byte layout gives it, written out by hand: the
// scenes of a clip whose recordings start at the given frames.
QByteArray ExpectedScnFile(const QString& videoPath, const std::vector<std::uint32_t>& starts,
                           std::uint32_t frameCount) {
    QByteArray b;
    auto u8 = [&b](std::initializer_list<int> bytes) {
        for (int v : bytes) b.append(static_cast<char>(v));
    };
    auto u16 = [&b](std::uint32_t v) { b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    auto u32 = [&](std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    auto wide = [&](const QString& text) {
        u8({0xFF, 0xFE, 0xFF, static_cast<int>(text.size())});
        for (QChar c : text) u16(c.unicode());
    };
    u8({0x63, 0x26, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x03, 0x00, 0x0A, 0x00});
    b.append("SourceTape");
    wide(videoPath);
    u8({0, 0, 0, 0, 0, 0, 0x0C, 0});
    u16(static_cast<std::uint32_t>(starts.size()));
    auto endOf = [&](std::size_t i) { return i + 1 < starts.size() ? starts[i + 1] : frameCount; };
    // Record 1, no title and no picture choice.
    u8({0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00});
    b.append("Clip");
    u8({0x50, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00});
    b.append("Scene");
    u8({0x00});
    u32(0);
    u32(endOf(0));
    u8({0, 0, 0, 0, 0x01, 0x80});
    wide(videoPath);
    u32(0);
    u32(0);
    u32(endOf(0));
    for (std::size_t i = 1; i < starts.size(); ++i) {
        u8({0x03, 0x80, 0xF0, 0x00, 0x00, 0x00, 0x05, 0x80, 0xFF, 0xFE, 0xFF, 0x00});
        const std::uint32_t count = endOf(i) - starts[i];
        u32(starts[i]);
        u32(count);
        u8({0, 0, 0, 0, 0x07, 0x00});
        u32(starts[i]);
        u32(count);
        u32(starts[i]);
    }
    return b;
}

TEST_F(CatalogueClipTest, ScnByDateFindsTheRecordings) {
    auto record = Clip(TTestClipId::ThreeRecordings);
    Run("CreerScnByDate");
    const QString scn = ScnFilePath(record->FullName);
    EXPECT_TRUE(user.Errors.isEmpty());
    EXPECT_EQ(user.Messages, QStringList{"En train de créer un fichier scn pour "
                                         "three-recordings.avi à partir du datecode"});
    TSceneList scenes;
    ASSERT_TRUE(ReadScnFile(scn, scenes));
    const TTestClip& clip = TestClip(TTestClipId::ThreeRecordings);
    ASSERT_EQ(scenes.Count(), 3);
    ASSERT_EQ(clip.RecordingCount(), 3);
    std::vector<std::uint32_t> starts;
    for (int i = 0; i < scenes.Count(); ++i) {
        starts.push_back(static_cast<std::uint32_t>(clip.FirstFrame(i)));
        EXPECT_EQ(scenes.Scene(i).StartFrame, starts.back());
    }
    EXPECT_EQ(scenes.Scene(scenes.Count() - 1).EndFrame,
              static_cast<std::uint32_t>(clip.FrameCount()));
    QFile written(scn);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        written.readAll().toHex(' '),
        ExpectedScnFile(record->FullName, starts, static_cast<std::uint32_t>(clip.FrameCount()))
            .toHex(' '));
    auto* reloaded = dynamic_cast<TaviFichier*>(list.Item(0).get());
    ASSERT_NE(reloaded, nullptr);
    EXPECT_TRUE(reloaded->HasScn);
}

TEST_F(CatalogueClipTest, SrtShowsTheRecordingTime) {
    auto record = Clip(TTestClipId::Type2Pal43);
    Run("CreerSrt");
    const QString srt = ReplaceExtension(record->FullName, ".srt");
    EXPECT_TRUE(user.Errors.isEmpty());
    QFile f(srt);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[0], "1");
    EXPECT_TRUE(lines[1].startsWith("00:00:00,000 --> "));
    auto* reloaded = dynamic_cast<TaviFichier*>(list.Item(0).get());
    ASSERT_NE(reloaded, nullptr);
    EXPECT_TRUE(reloaded->HasSrt);
}

}  // namespace
}  // namespace tavrel::test
