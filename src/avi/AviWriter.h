#pragma once
// Writes DV AVI files as a stream: type 1 (one interleaved 'iavs' stream) or
// type 2 (a 'vids' DV stream and PCM 'auds' streams), with the legacy idx1
// index of the first RIFF and the OpenDML layout (super indexes, standard
// indexes, AVIX RIFFs, the extended header) that carries files beyond 1 GB
// and 4 GB. The headers are written when the file is closed, from what was
// written: the DV standard and the DVINFO block come from the first frame.
//
// The file is written under a temporary name beside the destination and
// renamed over it only when it is complete, so a failed or interrupted write
// never leaves a file that looks complete, nor destroys the file it was to
// replace. Memory use does not grow with the file: only the index entries of
// the current RIFF (and the idx1 entries of the first) are kept.
// Failures are reported by result, with a French message for the user.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace tavrel {

enum class TDvAviType { Type1 = 1, Type2 = 2 };

// One PCM audio stream of a type 2 file.
struct TAviAudioFormat {
    std::uint32_t SampleRate = 48000;
    std::uint16_t Channels = 2;
    std::uint16_t BitsPerSample = 16;

    std::uint32_t BlockAlign() const { return Channels * ((BitsPerSample + 7) / 8); }
};

// One entry of the LIST INFO chunk: a four-character id ("ISFT", "ICRD",
// "IOMB"...) and its text, written as a zero-terminated string.
struct TAviInfoEntry {
    std::string Id;
    std::string Text;
};

inline constexpr std::uint64_t kDefaultRiffSizeLimit = 1ULL << 30;  // 1 GiB
inline constexpr std::uint64_t kMaxRiffSizeLimit = 0xF0000000ULL;
inline constexpr int kDefaultSuperIndexEntries = 256;

struct TAviWriterOptions {
    TDvAviType Type = TDvAviType::Type2;
    std::vector<TAviAudioFormat> AudioStreams;  // type 2 only; at most 9
    // Size at which a RIFF is closed and the next AVIX begins. A RIFF always
    // takes at least one chunk, however small the limit.
    std::uint64_t RiffSizeLimit = kDefaultRiffSizeLimit;
    // Room reserved in each stream's super index: one entry per RIFF.
    int SuperIndexEntries = kDefaultSuperIndexEntries;
    std::vector<TAviInfoEntry> Info;
};

class TAviWriter {
  public:
    TAviWriter() = default;
    TAviWriter(const TAviWriter&) = delete;
    TAviWriter& operator=(const TAviWriter&) = delete;
    // A file still open is abandoned: its temporary file is removed.
    ~TAviWriter();

    bool Open(const std::filesystem::path& path, const TAviWriterOptions& options);
    // One whole DV frame (120000 bytes for 525/60, 144000 for 625/50); every
    // frame of a file has the length of the first.
    bool WriteVideoFrame(std::span<const std::uint8_t> frame);
    // Interleaved PCM samples of audio stream `stream` (0 is the first), a
    // whole number of sample frames; each call makes one chunk.
    bool WriteAudio(int stream, std::span<const std::uint8_t> pcm);
    // Closes the RIFFs, writes the indexes and the headers and puts the file
    // in its place. On failure nothing is left at the destination's name.
    bool Close();
    // Stops writing and removes what was written.
    void Abort();

    bool IsOpen() const { return m_file != nullptr; }
    const std::string& ErrorMessage() const { return m_error; }
    std::int64_t FramesWritten() const { return m_stats.empty() ? 0 : m_stats[0].Chunks; }
    std::uint64_t BytesWritten() const { return m_position; }

  private:
    struct TIndexEntry {
        std::uint64_t DataPosition;  // of the chunk's data, after its header
        std::uint32_t Size;
    };
    struct TIdx1Entry {
        std::uint32_t ChunkId;
        std::uint32_t Offset;  // of the chunk header, from the 'movi' list type
        std::uint32_t Size;
    };
    struct TSuperIndexEntry {
        std::uint64_t Position;
        std::uint32_t Size;
        std::uint32_t Duration;
    };
    struct TStreamStats {
        std::uint32_t ChunkId = 0;
        std::int64_t Chunks = 0;
        std::uint64_t Bytes = 0;
        std::uint32_t MaxChunk = 0;
        std::vector<TIndexEntry> RiffEntries;  // standard index of the current RIFF
        std::uint64_t RiffBytes = 0;
        std::vector<TSuperIndexEntry> SuperIndex;
    };

    bool WriteChunk(int stream, std::span<const std::uint8_t> data);
    bool MakeRoom(std::uint64_t chunkBytes, int stream);
    bool CloseRiff();
    bool StartAvix();
    bool WriteHeaders();
    std::uint64_t IndexBytesOfRiff(int extraStream) const;
    std::uint32_t HeaderSize() const;

    bool Write(const void* data, std::size_t size);
    bool WriteAt(std::uint64_t position, const void* data, std::size_t size);
    bool Fail(std::string message);
    bool NotOpen();
    bool WriteFailed();
    void Discard();

    std::FILE* m_file = nullptr;
    std::filesystem::path m_path;
    std::filesystem::path m_tempPath;
    TAviWriterOptions m_options;
    std::string m_error;
    std::uint64_t m_position = 0;

    std::vector<TStreamStats> m_stats;
    std::vector<std::uint8_t> m_firstFrame;  // its packs make the DVINFO block
    std::size_t m_frameSize = 0;

    std::uint32_t m_headerSize = 0;  // everything before the first movi list
    int m_riffCount = 0;
    std::uint64_t m_riffStart = 0;
    std::uint64_t m_moviStart = 0;  // position of the 'LIST' header of the current movi
    std::int64_t m_riffDataChunks = 0;
    std::uint32_t m_firstRiffSize = 0;
    std::int64_t m_framesInFirstRiff = 0;
    std::vector<TIdx1Entry> m_idx1;
    std::vector<char> m_buffer;
};

}  // namespace tavrel
