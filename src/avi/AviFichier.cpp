#include "avi/AviFichier.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <filesystem>
#include <mutex>

#include "avi/AviParam.h"
#include "avi/AviPatch.h"

#include "avi/MediaFormat.h"
#include "framework/Settings.h"
#include "pipelines/FileAnalysis.h"
#include "scenes/DateFormat.h"

namespace tavrel {

namespace {

const QString kNotAvailable = QStringLiteral("N/A");
const QString kNotAvi = QStringLiteral("\u00FF");

QString ChangeExtension(const QString& path, const QString& extension) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > slash) return path.left(dot) + extension;
    return path + extension;
}

QString FourCCText(const std::array<char, 4>& bytes) {
    return QString::fromLatin1(bytes.data(), 4);
}

bool Printable(const std::array<char, 4>& bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) < 0x20) return false;
    return true;
}

QString ChannelsTextOf(int channels) {
    switch (channels) {
        case 0:
            return QStringLiteral("aucun canal");
        case 1:
            return QStringLiteral(" mono");
        case 2:
            return QStringLiteral(" stéréo");
        default:
            return QStringLiteral(" stéréo (%1)").arg(channels);
    }
}

}  // namespace

TaviFichier::TaviFichier(const QString& fullName) : TSRFichier(fullName) {
    Build();
}

TaviFichier::TaviFichier(const QString& folder, const TDirEntry& entry)
    : TSRFichier(folder, entry) {
    Build();
}

TaviFichier::TaviFichier(const QString& fullName, TUnanalysed) : TSRFichier(fullName) {}

TaviFichier::~TaviFichier() = default;

QString TaviFichier::GetSortKey(const TSortIndex& order) const {
    if (order.Id == QLatin1String("datecode")) return DatecodeSortKey;
    if (order.Id == QLatin1String("timecode")) return TimecodeSortKey;
    if (order.Id == QLatin1String("duree")) return DurationSortKey;
    return TSRFichier::GetSortKey(order);
}

void TaviFichier::MarkUnreadable() {
    TimecodeText.clear();
    DatecodeText.clear();
    DatecodeKey = kNotAvi;
}

void TaviFichier::Build() {
    std::lock_guard lock(AnalysisLock());
    TimeShift = 0;
    DatecodeText = QStringLiteral("-");
    TimecodeText = QStringLiteral("-");
    DatecodeKey = QStringLiteral("\u00FE");
    Standard = 2;
    HasScn = QFileInfo::exists(ChangeExtension(FullName, QStringLiteral(".scn")));
    HasSrt = QFileInfo::exists(ChangeExtension(FullName, QStringLiteral(".srt")));

    const QByteArray localName = QFile::encodeName(FullName);
    {
        const TFriendlyAviParam avi(std::filesystem::path(localName.toStdString()));
        if (avi.Opened() && avi.IsAvi()) {
            Codec = QString::fromLatin1(avi.CodecFourCC().c_str(), 4);
        } else {
            MarkUnreadable();
        }
    }

    TdmList& analysis = FileAnalysis();
    if (!analysis.AnalyseStreams(FullName)) {
        // GStreamer refused the DV stream under the codec the file declares:
        // analyse it again as if the file declared "dvsd". The file itself is
        // only read; the patch exists in memory for this analysis alone.
        const std::filesystem::path path(localName.toStdString());
        const TFourCC stored = ReadAviCodec(path);
        if (stored != kFccDvsd) {
            const TAviHeaderPositions where = ScanAviHeaders(path);
            std::vector<TBytePatch> patches;
            for (std::int64_t pos : {where.CodecPos, where.CompressionPos})
                if (pos >= 0)
                    patches.push_back({static_cast<std::uint64_t>(pos), {'d', 'v', 's', 'd'}});
            if (where.CodecPos < 0 || !analysis.AnalyseStreamsPatched(FullName, patches))
                MarkUnreadable();
        }
    }
    const TMediaAnalysis& a = analysis.MediaAnalysis();

    bool ntscGuess = false;
    if (a.HasVideo) {
        const TVideoInfo& v = a.VideoInfo;
        if (Printable(v.Compression)) Codec = FourCCText(v.Compression);
        AspectText.clear();
        ImageText = QStringLiteral("%1 x %2").arg(v.Width).arg(v.Height);
        Width = v.Width;
        Height = v.Height;
        ntscGuess = v.Height % 60 == 0;
        if (v.AvgTimePerFrameHns > 0) {
            Fps = std::llround(1e9 / static_cast<double>(v.AvgTimePerFrameHns)) / 100.0;
            FrameCount = static_cast<std::int32_t>(
                std::llround(static_cast<double>(a.VideoDuration) / v.AvgTimePerFrameHns));
            DurationText = FormatDurationFrames(a.VideoDuration, v.AvgTimePerFrameHns);
        }
        Duration = a.VideoDuration;
        VideoBitRate = v.BitRate;
    } else {
        Codec.clear();
        ImageText = kNotAvailable;
        Fps = 0;
        Width = Height = 0;
    }

    if (a.HasAudio) {
        const TWaveFormatEx& w = a.WaveFormat;
        AudioRate = static_cast<std::int32_t>(w.SamplesPerSec);
        AudioBits = w.BitsPerSample;
        AudioText = QStringLiteral("%1Hz ").arg(w.SamplesPerSec);
        if (w.BitsPerSample > 0) AudioText += QStringLiteral("%1 bits ").arg(w.BitsPerSample);
        ChannelsText = ChannelsTextOf(w.Channels);
        AudioText += ChannelsText;
        AudioFormatText =
            WaveFormatName(w.FormatTag) + QStringLiteral(" %1 octets/s").arg(w.AvgBytesPerSec);
        if (Fps != 0)
            AudioDurationText =
                FormatDurationFrames(a.AudioDuration, std::llround(10000000.0 / Fps));
        else
            AudioDurationText = FormatDurationMs(a.AudioDuration);
    } else {
        AudioText = kNotAvailable;
        AudioFormatText.clear();
        AudioDurationText.clear();
    }

    if (AudioText == kNotAvailable && ImageText == kNotAvailable) DatecodeKey = kNotAvi;

    if (a.DvFound) {
        IsDV = true;
        if (a.HasInterleaved) {
            DvType = a.StreamCount >= 2 ? 2 : 1;
            Type2Iavs = DvType == 2;
            VAuxSrc = a.DvInfo.DVVAuxSrc;
            if ((VAuxSrc & (1u << 21)) == 0) {
                ImageText += QStringLiteral(" (NTSC");
                Standard = 1;
                Fps = 30000.0 / 1001.0;
            } else {
                ImageText += QStringLiteral(" (Pal");
                Standard = 0;
                Fps = 25.0;
            }
        } else {
            DvType = 2;
            ImageText += ntscGuess ? QStringLiteral(" (NTSC") : QStringLiteral(" (Pal");
            Standard = ntscGuess ? 1 : 0;
        }
        Is16x9 = a.Is16x9;
        AspectText = Is16x9 ? QStringLiteral(" 16x9)") : QStringLiteral(" 4x3)");
        Height = Is16x9 ? Width * 9 / 16 : Width * 3 / 4;
        if (a.HasDatecode) {
            Datecode = a.Datecode;
            bool ok = false;
            DatecodeText =
                FormatDateValue(TSettings::Global().Text("FormatAfficherDatecode"), Datecode, &ok);
            if (!ok) DatecodeText = kNotAvailable;
        } else {
            DatecodeText = kNotAvailable;
        }
        if (AudioRate == 32000 && AudioBits == 16)
            AudioText = QStringLiteral("32000Hz 12(16) bits ") + ChannelsText;
        if (a.HasTimecode) {
            const TTimecode& t = a.Timecode;
            TimecodeText = QStringLiteral("%1.%2.%3.%4")
                               .arg(t.Hours, 2, 10, QLatin1Char('0'))
                               .arg(t.Minutes, 2, 10, QLatin1Char('0'))
                               .arg(t.Seconds, 2, 10, QLatin1Char('0'))
                               .arg(t.Frames, 2, 10, QLatin1Char('0'));
        } else {
            TimecodeText = kNotAvailable;
        }
        DatecodeKey = a.HasDatecode ? FormatDateValue(QStringLiteral("yyyymmddhhnnss"), Datecode)
                                    : kNotAvailable;
    }

    const QString tieBreak = ShortName.toLower() + FullName;
    DatecodeSortKey = DatecodeKey + tieBreak;
    TimecodeSortKey = TimecodeText + tieBreak;
    DurationSortKey = QStringLiteral("%1").arg(Duration, 12, 10, QLatin1Char('0')) + tieBreak;
}

const TSortIndex& SortIndexByName(const QString& name) {
    for (const char* known : {"alpha", "modify", "taille", "datecode", "timecode", "duree"})
        if (name == QLatin1String(known)) return SortIndexFromId(name);
    return SortIndexFromId(QStringLiteral("alpha"));
}

}  // namespace tavrel
