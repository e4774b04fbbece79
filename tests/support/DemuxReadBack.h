#pragma once
// Reads an AVI file back through GStreamer's avidemux, as the program's own
// pipelines will: filesrc ! avidemux, each pad linked in pad-added behind a
// queue into an appsink. Interleaved DV can be split further by dvdemux, and
// DV video decoded by avdec_dvvideo, to check that the frames are real DV.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::test {

void EnsureGstInit();

struct TDemuxedStream {
    std::string Pad;    // "video_0", "audio_1"; behind dvdemux "dv/video", "dv/audio"
    std::string Media;  // name of the caps structure: "video/x-dv", "audio/x-raw"...
    std::string Caps;   // the whole caps, for messages
    bool SystemStream = false;
    int Width = 0;
    int Height = 0;
    int FpsN = 0;
    int FpsD = 0;
    int Rate = 0;
    int Channels = 0;
    std::int64_t Buffers = 0;
    std::uint64_t Bytes = 0;
    std::vector<std::vector<std::uint8_t>> Data;  // every buffer, when kept
};

struct TDemuxOptions {
    bool KeepData = true;
    bool SplitDv = false;      // interleaved DV through dvdemux
    bool DecodeVideo = false;  // DV video (not interleaved) through avdec_dvvideo
    // Called for every buffer on its streaming thread (calls are serialised).
    std::function<void(const std::string& pad, std::span<const std::uint8_t>)> OnBuffer;
    int TimeoutSeconds = 120;
};

struct TDemuxResult {
    bool Ok = false;
    std::string Error;
    std::vector<TDemuxedStream> Streams;  // in the order their pads appeared
    const TDemuxedStream* Find(std::string_view pad) const;
};

TDemuxResult DemuxAvi(const std::filesystem::path& file, const TDemuxOptions& options = {});

}  // namespace tavrel::test
