#include "pipelines/ClipMaker.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <numbers>

#include "dv/DateTimeValue.h"

namespace tavrel {

namespace {

constexpr int kMaxDistinctPictures = 1000;

void EnsureGstreamer() {
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

// Background and ball colours (ARGB) of successive recordings, so that the
// picture changes where a recording begins.
constexpr std::uint32_t kColours[][2] = {
    {0xFF203060, 0xFFF0E040}, {0xFF306020, 0xFFF04080}, {0xFF603020, 0xFF40E0F0},
    {0xFF404040, 0xFFFFFFFF}, {0xFF502060, 0xFF80F040},
};

int Sequences(const TClipSpec& recipe) {
    return recipe.Ntsc ? kSequences525 : kSequences625;
}

std::size_t FrameSize(const TClipSpec& recipe) {
    return recipe.Ntsc ? kFrameSize525 : kFrameSize625;
}

// Encodes `count` successive pictures of the test source into DV frames.
bool EncodePictures(const TClipSpec& recipe, int recording, int count,
                    std::vector<std::vector<std::uint8_t>>& out, std::string& error) {
    EnsureGstreamer();
    GstElementFactory* encoder = gst_element_factory_find("avenc_dvvideo");
    if (!encoder) {
        error =
            "L'encodeur DV de GStreamer (avenc_dvvideo, paquet gstreamer1.0-libav) est "
            "introuvable.";
        return false;
    }
    gst_object_unref(encoder);

    const auto& colours = kColours[recording % std::size(kColours)];
    const char* par =
        recipe.Ntsc ? (recipe.Wide ? "32/27" : "8/9") : (recipe.Wide ? "64/45" : "16/15");
    char description[512];
    std::snprintf(description, sizeof description,
                  "videotestsrc pattern=ball background-color=%u foreground-color=%u "
                  "num-buffers=%d ! video/x-raw,format=%s,width=720,height=%d,framerate=%s,"
                  "pixel-aspect-ratio=%s ! avenc_dvvideo ! "
                  "appsink name=sink sync=false",
                  colours[0], colours[1], count, recipe.Ntsc ? "Y41B" : "I420",
                  recipe.Ntsc ? 480 : 576, recipe.Ntsc ? "30000/1001" : "25/1", par);
    GError* parseError = nullptr;
    GstElement* pipeline = gst_parse_launch(description, &parseError);
    if (parseError) {
        error = std::string("Impossible de construire l'encodeur DV : ") + parseError->message;
        g_error_free(parseError);
        if (pipeline) gst_object_unref(pipeline);
        return false;
    }
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);

    const std::size_t frameSize = FrameSize(recipe);
    out.clear();
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* failure = nullptr;
    bool sizeOk = true;
    // An error upstream brings no end of stream: watch the bus between samples.
    for (int idle = 0; idle < 300 && sizeOk;) {
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), GST_SECOND / 10);
        if (!sample) {
            if (gst_app_sink_is_eos(GST_APP_SINK(sink))) break;
            failure = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
            if (failure) break;
            ++idle;
            continue;
        }
        idle = 0;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            if (map.size == frameSize)
                out.emplace_back(map.data, map.data + map.size);
            else
                sizeOk = false;
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
    }
    if (!failure) failure = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);

    bool ok = false;
    if (failure) {
        GError* gstError = nullptr;
        gst_message_parse_error(failure, &gstError, nullptr);
        error =
            std::string("Erreur de l'encodeur DV : ") + (gstError ? gstError->message : "inconnue");
        if (gstError) g_error_free(gstError);
        gst_message_unref(failure);
    } else if (!sizeOk) {
        error = "L'encodeur DV a rendu une image de taille inattendue.";
    } else if (static_cast<int>(out.size()) != count) {
        error = "L'encodeur DV a rendu " + std::to_string(out.size()) + " images au lieu de " +
                std::to_string(count) + ".";
    } else {
        ok = true;
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return ok;
}

// Fewest samples a frame may carry at each rate (AF_SIZE counts from there).
int MinimumSamples(int rate, bool ntsc) {
    switch (rate) {
        case 48000:
            return ntsc ? 1580 : 1896;
        case 44100:
            return ntsc ? 1452 : 1742;
        default:
            return ntsc ? 1053 : 1264;
    }
}

int RateCode(int rate) {
    return rate == 48000 ? 0 : rate == 44100 ? 1 : 2;
}

void PutPackAt(std::uint8_t* at, const TPack& pack) {
    std::copy(pack.begin(), pack.end(), at);
}

// The AAUX source and control packs of one half of the sequences; the second
// half describes channels 3 and 4, which only 12-bit sound in two pairs uses.
TPack AudioSourcePack(const TClipSpec& recipe, int samples, bool secondHalf) {
    const TClipAudio& a = *recipe.Audio;
    const bool twelve = a.DvBits == 12;
    const bool fourChannels = twelve && a.Streams == 2;
    std::uint8_t pc2 = twelve ? 0x30 : 0x00;
    if (secondHalf && twelve && !fourChannels) pc2 = 0x3F;  // no information
    const int afSize = samples - MinimumSamples(a.SampleRate, recipe.Ntsc);
    return TPack{kPackAudioSource, static_cast<std::uint8_t>(0xC0 | (afSize & 0x3F)), pc2,
                 static_cast<std::uint8_t>(recipe.Ntsc ? 0xC0 : 0xE0),
                 static_cast<std::uint8_t>(0xC0 | RateCode(a.SampleRate) << 3 | (twelve ? 1 : 0))};
}

TPack AudioControlPack(const TClipSpec& recipe, bool secondHalf) {
    const TClipAudio& a = *recipe.Audio;
    const bool unused = secondHalf && a.DvBits == 12 && a.Streams != 2;
    // Original recording, normal speed forward.
    return TPack{kPackAudioControl, 0x03, static_cast<std::uint8_t>(unused ? 0xFF : 0xCF), 0xA0,
                 0xFF};
}

// Puts into a frame fresh from the encoder what a camcorder writes around
// the picture.
void StampFrame(std::span<std::uint8_t> frame, const TClipSpec& recipe, const TTimecode& timecode,
                const std::optional<TDatecode>& datecode, int audioSamples) {
    const int nSeq = Sequences(recipe);
    for (int s = 0; s < nSeq; ++s) {
        std::uint8_t* seq = frame.data() + s * kDifSequenceSize;
        // Consumer DV: application id 0 in the header block (the encoder
        // marks its 525/60 frames as 4:1:1 professional ones).
        for (int i = 4; i < 8; ++i) seq[i] &= 0xF8;

        if (datecode) {
            // Date and time beside each source control pack of the VAUX.
            for (int slot = kSubcodeSlotsPerSequence; slot + 2 < kPackSlotsPerSequence; ++slot) {
                std::uint8_t* pack = seq + PackSlotOffset(slot);
                std::uint8_t* date = seq + PackSlotOffset(slot + 1);
                std::uint8_t* time = seq + PackSlotOffset(slot + 2);
                if (pack[0] == kPackVauxControl && date[0] == kPackEmpty && time[0] == kPackEmpty) {
                    date[0] = kPackRecDate;
                    time[0] = kPackRecTime;
                }
            }
        }

        if (recipe.Audio) {
            const bool secondHalf = s >= nSeq / 2;
            for (int k = 0; k < kAudioBlocksPerSequence; ++k) {
                std::uint8_t* block = seq + kAudioOffset + k * kAudioBlockStep;
                std::fill(block + 3, block + 8, kPackEmpty);
                std::fill(block + 8, block + kDifBlockSize, 0);  // silence
            }
            // Even sequences keep the AAUX packs in audio blocks 3 to 6, odd ones in 0 to 3.
            auto at = [&](int i) {
                return seq + kAudioOffset + ((s % 2 == 0 ? 3 : 0) + i) * kAudioBlockStep + 3;
            };
            PutPackAt(at(0), AudioSourcePack(recipe, audioSamples, secondHalf));
            PutPackAt(at(1), AudioControlPack(recipe, secondHalf));
            if (datecode) {
                TPack date{0x52, 0xFF, 0xFF, 0xFF, 0xFF};
                TPack time{0x53, 0xFF, 0xFF, 0xFF, 0xFF};
                PutRecDate(date, *datecode);
                PutRecTime(time, *datecode);
                PutPackAt(at(2), date);
                PutPackAt(at(3), time);
            }
        }
    }
    WriteTimecode(frame, nSeq, timecode);
    if (datecode) WriteDatecode(frame, nSeq, *datecode);
    WriteAspect(frame, nSeq, recipe.Wide);
}

// A steady tone per stream and channel, so that the sound is not silence.
class TToneMaker {
  public:
    TToneMaker(int rate, int stream) : m_rate(rate), m_stream(stream) {}
    void Next(int samples, std::vector<std::uint8_t>& pcm) {
        pcm.resize(static_cast<std::size_t>(samples) * 4);
        for (int i = 0; i < samples; ++i, ++m_position) {
            for (int c = 0; c < 2; ++c) {
                const double hz = 440.0 * (m_stream + 1) * (c ? 1.5 : 1.0);
                const double t = static_cast<double>(m_position) / m_rate;
                const auto v = static_cast<std::int16_t>(
                    std::lround(6000.0 * std::sin(2 * std::numbers::pi * hz * t)));
                pcm[i * 4 + c * 2] = static_cast<std::uint8_t>(v & 0xFF);
                pcm[i * 4 + c * 2 + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
            }
        }
    }

  private:
    int m_rate;
    int m_stream;
    std::int64_t m_position = 0;
};

bool Validate(const TClipSpec& recipe, std::string& error) {
    if (recipe.Recordings.empty()) {
        error = "Le clip n'a aucun enregistrement.";
        return false;
    }
    for (const TClipRecording& r : recipe.Recordings)
        if (r.FrameCount <= 0) {
            error = "Un enregistrement du clip n'a aucune image.";
            return false;
        }
    if (recipe.DistinctPictures < 1 || recipe.DistinctPictures > kMaxDistinctPictures) {
        error = "Le nombre d'images distinctes doit être compris entre 1 et " +
                std::to_string(kMaxDistinctPictures) + ".";
        return false;
    }
    if (recipe.Audio) {
        const TClipAudio& a = *recipe.Audio;
        if (a.SampleRate != 48000 && a.SampleRate != 44100 && a.SampleRate != 32000) {
            error = "Fréquence audio DV impossible : " + std::to_string(a.SampleRate) + " Hz.";
            return false;
        }
        if (a.DvBits != 16 && !(a.DvBits == 12 && a.SampleRate == 32000)) {
            error = "Le son DV 12 bits n'existe qu'à 32000 Hz.";
            return false;
        }
        if (a.Streams < 1 || a.Streams > 2) {
            error = "Un clip a un ou deux flux audio.";
            return false;
        }
    }
    return true;
}

std::int64_t SamplesBefore(const TClipSpec& recipe, std::int64_t frame) {
    if (!recipe.Audio) return 0;
    const std::int64_t rate = recipe.Audio->SampleRate;
    return recipe.Ntsc ? frame * rate * 1001 / 30000 : frame * rate / 25;
}

}  // namespace

std::int64_t ClipFrameCount(const TClipSpec& recipe) {
    std::int64_t n = 0;
    for (const TClipRecording& r : recipe.Recordings) n += r.FrameCount;
    return n;
}

std::int64_t ClipFirstFrameOfRecording(const TClipSpec& recipe, int recording) {
    std::int64_t n = 0;
    for (int i = 0; i < recording && i < static_cast<int>(recipe.Recordings.size()); ++i)
        n += recipe.Recordings[i].FrameCount;
    return n;
}

int ClipRecordingOfFrame(const TClipSpec& recipe, std::int64_t frame) {
    if (frame < 0) return -1;
    for (std::size_t i = 0; i < recipe.Recordings.size(); ++i) {
        if (frame < recipe.Recordings[i].FrameCount) return static_cast<int>(i);
        frame -= recipe.Recordings[i].FrameCount;
    }
    return -1;
}

bool ClipDatecodeAt(const TClipSpec& recipe, std::int64_t frame, TDatecode& out) {
    const int r = ClipRecordingOfFrame(recipe, frame);
    if (r < 0 || !recipe.Recordings[r].Datecode) return false;
    const TDatecode& start = *recipe.Recordings[r].Datecode;
    const std::int64_t local = frame - ClipFirstFrameOfRecording(recipe, r);
    const std::int64_t seconds = recipe.Ntsc ? local * 1001 / 30000 : local / 25;
    TDateTime value;
    if (!DatecodeToDateTime(start, value) ||
        !DateTimeToDatecode(value + static_cast<double>(seconds) / kSecondsPerDay, out))
        out = start;
    return true;
}

TTimecode ClipTimecodeAt(const TClipSpec& recipe, std::int64_t frame) {
    return AdvanceTimecode(recipe.StartTimecode, frame, recipe.Ntsc);
}

int ClipAudioSamplesAt(const TClipSpec& recipe, std::int64_t frame) {
    return static_cast<int>(SamplesBefore(recipe, frame + 1) - SamplesBefore(recipe, frame));
}

std::int64_t ClipAudioSampleCount(const TClipSpec& recipe) {
    return SamplesBefore(recipe, ClipFrameCount(recipe));
}

bool MakeClip(const TClipSpec& recipe, const std::filesystem::path& path, std::string& error,
              const TClipProgress& progress) {
    error.clear();
    if (!Validate(recipe, error)) return false;

    TAviWriterOptions options;
    options.Type = recipe.Type;
    options.RiffSizeLimit = recipe.RiffSizeLimit;
    options.Info = recipe.Info;
    const int audioStreams =
        recipe.Type == TDvAviType::Type2 && recipe.Audio ? recipe.Audio->Streams : 0;
    for (int i = 0; i < audioStreams; ++i)
        options.AudioStreams.push_back(
            {static_cast<std::uint32_t>(recipe.Audio->SampleRate), 2, 16});
    std::vector<TToneMaker> tones;
    for (int i = 0; i < audioStreams; ++i) tones.emplace_back(recipe.Audio->SampleRate, i);

    TAviWriter writer;
    if (!writer.Open(path, options)) {
        error = writer.ErrorMessage();
        return false;
    }
    const std::int64_t total = ClipFrameCount(recipe);
    std::vector<std::vector<std::uint8_t>> pictures;
    std::vector<std::uint8_t> frame(FrameSize(recipe));
    std::vector<std::uint8_t> pcm;
    std::int64_t index = 0;
    for (std::size_t r = 0; r < recipe.Recordings.size(); ++r) {
        const int frames = recipe.Recordings[r].FrameCount;
        const int distinct = std::min(frames, recipe.DistinctPictures);
        if (!EncodePictures(recipe, static_cast<int>(r), distinct, pictures, error)) {
            writer.Abort();
            return false;
        }
        for (int j = 0; j < frames; ++j, ++index) {
            // Back and forth over the encoded pictures, so the motion never jumps.
            const int period = 2 * distinct - 2;
            const int p = period > 0 ? j % period : 0;
            const auto& picture = pictures[p < distinct ? p : period - p];
            std::copy(picture.begin(), picture.end(), frame.begin());
            TDatecode d;
            const std::optional<TDatecode> datecode =
                ClipDatecodeAt(recipe, index, d) ? std::optional<TDatecode>(d) : std::nullopt;
            const int samples = ClipAudioSamplesAt(recipe, index);
            StampFrame(frame, recipe, ClipTimecodeAt(recipe, index), datecode, samples);
            if (!writer.WriteVideoFrame(frame)) {
                error = writer.ErrorMessage();
                return false;
            }
            for (int a = 0; a < audioStreams; ++a) {
                tones[a].Next(samples, pcm);
                if (!writer.WriteAudio(a, pcm)) {
                    error = writer.ErrorMessage();
                    return false;
                }
            }
            if (progress && !progress(index + 1, total)) {
                writer.Abort();
                error = "Création du clip interrompue : le fichier n'a pas été écrit.";
                return false;
            }
        }
    }
    if (!writer.Close()) {
        error = writer.ErrorMessage();
        return false;
    }
    return true;
}

TClipSpec DemoClipSpec() {
    TClipSpec recipe;
    auto datecode = [](int y, int mo, int d, int h, int mi, int s) {
        TDatecode dc;
        dc.Year = y;
        dc.Month = static_cast<std::uint8_t>(mo);
        dc.Day = static_cast<std::uint8_t>(d);
        dc.Hour = static_cast<std::uint8_t>(h);
        dc.Minute = static_cast<std::uint8_t>(mi);
        dc.Second = static_cast<std::uint8_t>(s);
        return dc;
    };
    // Two recordings of five seconds, a day apart.
    recipe.Recordings = {{datecode(2024, 7, 14, 10, 30, 0), 125},
                         {datecode(2024, 7, 15, 16, 45, 12), 125}};
    recipe.Info = {{"ISFT", "Tavrel"}};
    return recipe;
}

}  // namespace tavrel
