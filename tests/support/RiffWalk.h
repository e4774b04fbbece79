#pragma once
// A small RIFF walker for tests of the files we write: the whole chunk tree
// (movi lists included) with positions, little-endian reads at any offset,
// and the OpenDML and idx1 indexes followed to the chunks they point at.
// It reads with seeks, so it also walks files of several gigabytes.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::test {

struct TRiffChunk {
    std::string Id;
    std::uint32_t Size = 0;
    std::uint64_t Offset = 0;  // of the chunk header
    std::string ListType;      // for RIFF and LIST
    std::vector<TRiffChunk> Children;

    std::uint64_t DataOffset() const { return Offset + (ListType.empty() ? 8 : 12); }
    std::uint64_t End() const { return Offset + 8 + Size + (Size & 1); }
    const TRiffChunk* Child(std::string_view id, std::string_view listType = {}) const;
    std::vector<const TRiffChunk*> All(std::string_view id, std::string_view listType = {}) const;
};

// Where one chunk of a stream lies, as an index gives it.
struct TIndexedChunk {
    std::uint64_t DataOffset = 0;
    std::uint32_t Size = 0;
    bool operator==(const TIndexedChunk&) const = default;
};

class TRiffFile {
  public:
    explicit TRiffFile(const std::filesystem::path& path);

    bool Ok() const { return m_ok; }
    const std::string& Error() const { return m_error; }
    std::uint64_t FileSize() const { return m_size; }
    const std::vector<TRiffChunk>& Riffs() const { return m_riffs; }

    std::vector<std::uint8_t> Read(std::uint64_t offset, std::size_t size);
    std::uint32_t U32(std::uint64_t offset);
    std::uint16_t U16(std::uint64_t offset);
    std::uint64_t U64(std::uint64_t offset);
    std::string Fourcc(std::uint64_t offset);

    // The strl lists of the first RIFF's hdrl, in stream order.
    std::vector<const TRiffChunk*> StreamLists() const;
    // Data chunks of stream `stream` ("00dc", "01wb"...) in file order over every movi.
    std::vector<TIndexedChunk> MoviChunks(int stream) const;
    // The chunks that the OpenDML super index of the stream reaches through
    // its standard indexes; false with a message when a step does not hold.
    bool FollowOdmlIndex(int stream, std::vector<TIndexedChunk>& out, std::string& why);
    // The idx1 entries of stream `stream`, offsets taken from the first movi.
    bool FollowIdx1(int stream, std::vector<TIndexedChunk>& out, std::string& why);

  private:
    bool Walk(std::uint64_t offset, std::uint64_t end, std::vector<TRiffChunk>& out, int depth);

    std::ifstream m_in;
    std::uint64_t m_size = 0;
    bool m_ok = false;
    std::string m_error;
    std::vector<TRiffChunk> m_riffs;
};

std::string StreamChunkName(int stream, const char* kind);

}  // namespace tavrel::test
