#pragma once
// RIFF files built by hand for the AVI reader, patcher and report tests:
// chunks and lists (odd payloads get their pad byte, sizes can be made to
// lie), the AVI header payloads, and whole DV AVI files of type 1 and type 2
// with their variants (several audio streams, OpenDML with AVIX RIFFs and
// super indexes, odd-sized chunks, long stream headers, INFO texts). Every
// chunk may carry a label; the built image tells where each labelled payload
// landed, so tests can check positions without searching the bytes.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavrel::test {

using TBytes = std::vector<std::uint8_t>;

struct TChunk {
    std::string Id;        // four characters
    std::string ListType;  // RIFF and LIST only
    TBytes Payload;        // plain chunks only
    std::vector<TChunk> Children;
    std::optional<std::uint32_t> DeclaredSize;  // written in place of the true size
    bool Pad = true;                            // add the pad byte after an odd payload
    std::string Label;
};

TChunk Chunk(const std::string& id, TBytes payload, const std::string& label = {});
TChunk List(const std::string& type, std::vector<TChunk> children, const std::string& label = {});
TChunk Riff(const std::string& form, std::vector<TChunk> children, const std::string& label = {});

struct TRiffImage {
    TBytes Bytes;
    // Label -> file position of the payload (of a list: of its list type).
    std::map<std::string, std::uint64_t> Payloads;
    std::uint64_t At(const std::string& label) const { return Payloads.at(label); }
};

// The chunks one after the other from position 0.
TRiffImage Build(const std::vector<TChunk>& chunks);

// Little-endian writers for payloads.
void Put16(TBytes& b, std::uint16_t v);
void Put32(TBytes& b, std::uint32_t v);
void Put64(TBytes& b, std::uint64_t v);
void PutFourCC(TBytes& b, const std::string& code);
std::uint32_t Get32(std::span<const std::uint8_t> b, std::uint64_t pos);
std::string GetFourCC(std::span<const std::uint8_t> b, std::uint64_t pos);

// Payloads. `size` above the natural size pads with zeros (a stream header
// longer than 56 bytes); below it cuts the structure short.
TBytes AvihPayload(std::uint32_t microSecPerFrame, std::uint32_t totalFrames, std::uint32_t streams,
                   std::uint32_t width, std::uint32_t height);
TBytes StrhPayload(const std::string& type, const std::string& handler, std::uint32_t scale,
                   std::uint32_t rate, std::uint32_t length, std::size_t size = 56);
TBytes BitmapInfoPayload(const std::string& compression, std::int32_t width, std::int32_t height,
                         bool withDvInfo);
TBytes DvInfoPayload(bool pal);
TBytes WaveFormatPayload(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                         std::size_t size = 18);
struct TIndexEntry {
    std::uint64_t Offset = 0;
    std::uint32_t Size = 0;
    std::uint32_t Duration = 0;
};
// An 'indx' super index with room for `capacity` entries.
TBytes SuperIndexPayload(const std::string& chunkId, const std::vector<TIndexEntry>& entries,
                         std::size_t capacity);
// An 'ix##' standard index of `count` entries relative to baseOffset.
TBytes StandardIndexPayload(const std::string& chunkId, std::uint64_t baseOffset,
                            std::uint32_t count, std::uint32_t frameSize);
TBytes DmlhPayload(std::uint32_t totalFrames);
TBytes TextPayload(const std::string& text);  // NUL-terminated

// A DV AVI file as a capture program writes one.
struct TAviSpec {
    int Type = 2;          // 1: one "iavs" stream; 2: "vids" dvsd + "auds" streams
    int AudioStreams = 1;  // type 2 only
    int AvixRiffs = 0;     // above 0: OpenDML (odml list, indx, AVIX RIFFs)
    bool Pal = true;
    int FramesPerRiff = 2;
    std::size_t FrameBytes = 64;  // small stand-ins for the DV frames
    std::size_t StrhSize = 56;
    bool OddJunk = false;  // an odd-sized JUNK chunk in hdrl and one before movi
    std::string InfoText;  // a LIST INFO with this ISFT text when not empty
    std::string Handler = "dvsd";
};

// Labels: "avih", "strl<i>", "strh<i>", "strf<i>", "indx<i>", "odml", "dmlh",
// "movi" (first RIFF), "idx1", "avix<r>" (the RIFF), "movi<r>", "ix<r>" (r = 1..).
TRiffImage MakeDvAvi(const TAviSpec& recipe);

// A folder removed with everything in it when the object goes.
class TTempFolder {
  public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

  private:
    std::filesystem::path m_path;
};

void WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
TBytes ReadFile(const std::filesystem::path& path);

}  // namespace tavrel::test
