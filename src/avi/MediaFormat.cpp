#include "avi/MediaFormat.h"

#include <cinttypes>
#include <cmath>

namespace tavrel {

namespace {

// Splits a magnitude of 100-ns units into hours, minutes, seconds and the
// remainder below one second; unsigned so that the magnitude of INT64_MIN
// still fits.
struct TClockParts {
    std::uint64_t Hours = 0;
    std::uint64_t Minutes = 0;
    std::uint64_t Seconds = 0;
    std::uint64_t SubSecondHns = 0;
};

TClockParts SplitHns(std::uint64_t magnitudeHns) {
    const std::uint64_t totalSeconds = magnitudeHns / kHnsPerSecond;
    const std::uint64_t totalMinutes = totalSeconds / 60;
    return {totalMinutes / 60, totalMinutes % 60, totalSeconds % 60, magnitudeHns % kHnsPerSecond};
}

std::uint64_t Magnitude(std::int64_t value) {
    return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

QString SignPrefix(std::int64_t value) {
    return value < 0 ? QStringLiteral("-") : QString();
}

// The three longer forms share their layout; only the unit of the last field
// ("fr" with two digits, "ms" with three) and the text below one second
// differ.
QString FormatClock(const TClockParts& p, std::uint64_t last, const char* lastFormat,
                    const QString& belowOneSecond) {
    const QString lastText = QString::asprintf(lastFormat, last);
    if (p.Hours > 0)
        return QString::asprintf("%" PRIu64 "h %02" PRIu64 "mn %02" PRIu64 "s ", p.Hours, p.Minutes,
                                 p.Seconds) +
               lastText;
    if (p.Minutes > 0)
        return QString::asprintf("%" PRIu64 "mn %02" PRIu64 "s ", p.Minutes, p.Seconds) + lastText;
    if (p.Seconds > 0) return QString::asprintf("%" PRIu64 "s ", p.Seconds) + lastText;
    return belowOneSecond;
}

bool IsUsableRate(double frameRate) {
    return std::isfinite(frameRate) && frameRate > 0;
}

// Below this a double still converts exactly to a signed 64-bit value.
constexpr double kInt64Limit = 9.2e18;

}  // namespace

std::int64_t RoundHalfEven(double value) {
    const double lower = std::floor(value);
    const double diff = value - lower;
    auto result = static_cast<std::int64_t>(lower);
    if (diff > 0.5 || (diff == 0.5 && (result % 2) != 0)) ++result;
    return result;
}

QString FormatDurationFrames(std::int64_t durationHns, std::int64_t frameDurationHns) {
    if (frameDurationHns <= 0) return FormatDurationMs(durationHns);
    const TClockParts p = SplitHns(Magnitude(durationHns));
    const std::uint64_t frames = p.SubSecondHns / static_cast<std::uint64_t>(frameDurationHns);
    return SignPrefix(durationHns) +
           FormatClock(p, frames, "%02" PRIu64 "fr",
                       QString::number(static_cast<qulonglong>(frames)) + QStringLiteral("fr"));
}

QString FormatDurationMs(std::int64_t durationHns) {
    const TClockParts p = SplitHns(Magnitude(durationHns));
    const std::uint64_t ms = p.SubSecondHns / kHnsPerMillisecond;
    return SignPrefix(durationHns) +
           FormatClock(p, ms, "%03" PRIu64 "ms",
                       QString::number(static_cast<qulonglong>(ms)) + QStringLiteral("millièmes"));
}

QString WaveFormatName(std::uint16_t formatTag) {
    switch (formatTag) {
        case 1:
            return QStringLiteral("PCM");
        case 2:
            return QStringLiteral("ADPCM");
        case 3:
            return QStringLiteral("IEEE_FLOAT");
        case 5:
            return QStringLiteral("IBM_CVSD");
        case 6:
            return QStringLiteral("ALAW");
        case 7:
            return QStringLiteral("MULAW");
        case 16:
            return QStringLiteral("OKI_ADPCM");
        case 17:
            return QStringLiteral("DVI_ADPCM");
        case 18:
            return QStringLiteral("MEDIASPACE_ADPCM");
        case 19:
            return QStringLiteral("SIERRA_ADPCM");
        case 20:
            return QStringLiteral("G723_ADPCM");
        case 21:
            return QStringLiteral("DIGISTD");
        case 22:
            return QStringLiteral("DIGIFIX");
        case 23:
            return QStringLiteral("DIALOGIC_OKI_ADPCM");
        case 24:
            return QStringLiteral("MEDIAVISION_ADPCM");
        case 32:
            return QStringLiteral("YAMAHA_ADPCM");
        case 33:
            return QStringLiteral("SONARC");
        case 34:
            return QStringLiteral("DSPGROUP_TRUESPEECH");
        case 35:
            return QStringLiteral("ECHOSC1");
        case 36:
            return QStringLiteral("AUDIOFILE_AF36");
        case 37:
            return QStringLiteral("APTX");
        case 38:
            return QStringLiteral("AUDIOFILE_AF10");
        case 48:
            return QStringLiteral("DOLBY_AC2");
        case 49:
            return QStringLiteral("GSM610");
        case 50:
            return QStringLiteral("MSNAUDIO");
        case 51:
            return QStringLiteral("ANTEX_ADPCME");
        case 52:
            return QStringLiteral("CONTROL_RES_VQLPC");
        case 53:
            return QStringLiteral("DIGIREAL");
        case 54:
            return QStringLiteral("DIGIADPCM");
        case 55:
            return QStringLiteral("CONTROL_RES_CR10");
        case 56:
            return QStringLiteral("NMS_VBXADPCM");
        case 57:
            return QStringLiteral("CS_IMAADPCM");
        case 58:
            return QStringLiteral("ECHOSC3");
        case 59:
            return QStringLiteral("ROCKWELL_ADPCM");
        case 60:
            return QStringLiteral("ROCKWELL_DIGITALK");
        case 61:
            return QStringLiteral("XEBEC");
        case 64:
            return QStringLiteral("G721_ADPCM");
        case 65:
            return QStringLiteral("G728_CELP");
        case 80:
            return QStringLiteral("MPEG");
        case 85:
            return QStringLiteral("MP3");
        case 96:
            return QStringLiteral("CIRRUS");
        case 97:
            return QStringLiteral("ESPCM");
        case 98:
            return QStringLiteral("VOXWARE");
        case 99:
            return QStringLiteral("CANOPUS_ATRAC");
        case 100:
            return QStringLiteral("G726_ADPCM");
        case 101:
            return QStringLiteral("G722_ADPCM");
        case 102:
            return QStringLiteral("DSAT");
        case 103:
            return QStringLiteral("DSAT_DISPLAY");
        case 117:
            return QStringLiteral("VOXWARE");
        case 128:
            return QStringLiteral("SOFTSOUND");
        case 256:
            return QStringLiteral("RHETOREX_ADPCM");
        case 512:
            return QStringLiteral("CREATIVE_ADPCM");
        case 514:
            return QStringLiteral("CREATIVE_FASTSPEECH8");
        case 515:
            return QStringLiteral("CREATIVE_FASTSPEECH10");
        case 544:
            return QStringLiteral("QUARTERDECK");
        case 768:
            return QStringLiteral("FM_TOWNS_SND");
        case 1024:
            return QStringLiteral("BTV_DIGITAL");
        case 4096:
            return QStringLiteral("OLIGSM");
        case 4097:
            return QStringLiteral("OLIADPCM");
        case 4098:
            return QStringLiteral("OLICELP");
        case 4099:
            return QStringLiteral("OLISBC");
        case 4100:
            return QStringLiteral("OLIOPR");
        case 4352:
            return QStringLiteral("LH_CODEC");
        case 5120:
            return QStringLiteral("NORRIS");
        default:
            return QStringLiteral("Inconnu");
    }
}

QString FormatFramePosition(std::int32_t frameIndex, double frameRate) {
    const QString unknown = QStringLiteral("??");
    if (!IsUsableRate(frameRate)) return unknown;
    const double frames = std::fabs(static_cast<double>(frameIndex));
    const double wholeSeconds = std::trunc(frames / frameRate);
    if (!(wholeSeconds < kInt64Limit)) return unknown;

    auto seconds = static_cast<std::int64_t>(wholeSeconds);
    std::int64_t rest = RoundHalfEven(frames - wholeSeconds * frameRate);
    if (rest < 0) rest = 0;  // the product may overshoot the index by a rounding error
    if (static_cast<double>(rest) >= frameRate) {
        ++seconds;
        rest = 0;
    }

    const std::int64_t totalMinutes = seconds / 60;
    const std::int64_t s = seconds % 60;
    const std::int64_t h = totalMinutes / 60;
    const std::int64_t m = totalMinutes % 60;
    const QString sign = frameIndex < 0 ? QStringLiteral("-") : QString();
    if (h > 0)
        return sign + QString::asprintf("%" PRId64 ":%02" PRId64 ":%02" PRId64 ":%02" PRId64, h, m,
                                        s, rest);
    if (m > 0)
        return sign + QString::asprintf("%02" PRId64 ":%02" PRId64 ":%02" PRId64, m, s, rest);
    return sign + QString::asprintf("%02" PRId64 ":%02" PRId64, s, rest);
}

QString FormatSrtTime(std::uint32_t frameIndex, double frameRate) {
    if (!IsUsableRate(frameRate)) return {};
    const double exactMs = static_cast<double>(frameIndex) * 1000.0 / frameRate;
    if (!(exactMs < kInt64Limit)) return {};

    const std::int64_t totalMs = RoundHalfEven(exactMs);
    const std::int64_t ms = totalMs % 1000;
    const std::int64_t totalSeconds = totalMs / 1000;
    const std::int64_t s = totalSeconds % 60;
    const std::int64_t totalMinutes = totalSeconds / 60;
    return QString::asprintf("%02" PRId64 ":%02" PRId64 ":%02" PRId64 ",%03" PRId64,
                             totalMinutes / 60, totalMinutes % 60, s, ms);
}

}  // namespace tavrel
