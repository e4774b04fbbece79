#pragma once
// The RIFF and AVI structures as they lie in a file: FourCC codes, explicit
// little-endian field reads, and the headers an AVI file declares its streams
// with (main header, stream header, bitmap header, wave format, DV format
// block, OpenDML index header). Decoding never reads past the bytes given: a
// field beyond them reads as 0, so a short chunk decodes without harm.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavrel {

// A FourCC as a 32-bit value with its first character in the low byte, so
// that writing the value little-endian puts the characters in file order.
using TFourCC = std::uint32_t;

constexpr TFourCC MakeFourCC(char a, char b, char c, char d) {
    return static_cast<TFourCC>(static_cast<std::uint8_t>(a)) |
           static_cast<TFourCC>(static_cast<std::uint8_t>(b)) << 8 |
           static_cast<TFourCC>(static_cast<std::uint8_t>(c)) << 16 |
           static_cast<TFourCC>(static_cast<std::uint8_t>(d)) << 24;
}
// The first four characters of text, padded with spaces ("dv" gives "dv  ").
TFourCC MakeFourCC(std::string_view text);
// The four bytes in file order, exactly as they are (NUL and high bytes kept).
std::string FourCCBytes(TFourCC code);
// The bytes of a FourCC, upper-cased ASCII letters.
TFourCC UpperFourCC(TFourCC code);
TFourCC LowerFourCC(TFourCC code);

inline constexpr TFourCC kFccRiff = MakeFourCC('R', 'I', 'F', 'F');
inline constexpr TFourCC kFccList = MakeFourCC('L', 'I', 'S', 'T');
inline constexpr TFourCC kFccAvi = MakeFourCC('A', 'V', 'I', ' ');
inline constexpr TFourCC kFccAvix = MakeFourCC('A', 'V', 'I', 'X');
inline constexpr TFourCC kFccHdrl = MakeFourCC('h', 'd', 'r', 'l');
inline constexpr TFourCC kFccStrl = MakeFourCC('s', 't', 'r', 'l');
inline constexpr TFourCC kFccOdml = MakeFourCC('o', 'd', 'm', 'l');
inline constexpr TFourCC kFccMovi = MakeFourCC('m', 'o', 'v', 'i');
inline constexpr TFourCC kFccAvih = MakeFourCC('a', 'v', 'i', 'h');
inline constexpr TFourCC kFccStrh = MakeFourCC('s', 't', 'r', 'h');
inline constexpr TFourCC kFccStrf = MakeFourCC('s', 't', 'r', 'f');
inline constexpr TFourCC kFccIndx = MakeFourCC('i', 'n', 'd', 'x');
inline constexpr TFourCC kFccDmlh = MakeFourCC('d', 'm', 'l', 'h');
inline constexpr TFourCC kFccIdx1 = MakeFourCC('i', 'd', 'x', '1');
inline constexpr TFourCC kFccVids = MakeFourCC('v', 'i', 'd', 's');
inline constexpr TFourCC kFccAuds = MakeFourCC('a', 'u', 'd', 's');
inline constexpr TFourCC kFccIavs = MakeFourCC('i', 'a', 'v', 's');
inline constexpr TFourCC kFccDvsd = MakeFourCC('d', 'v', 's', 'd');
inline constexpr TFourCC kFccDsvd = MakeFourCC('d', 's', 'v', 'd');
inline constexpr TFourCC kFccCsvd = MakeFourCC('c', 's', 'v', 'd');

// True for "dvsd", "dsvd" and "csvd" in any case: the compressions whose
// bitmap header may be followed by a DV format block.
bool IsDvCompression(TFourCC compression);

// Little-endian reads at offset; 0 for any byte beyond the span.
std::uint8_t Le8(std::span<const std::uint8_t> bytes, std::size_t offset);
std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t offset);
std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t offset);
std::uint64_t Le64(std::span<const std::uint8_t> bytes, std::size_t offset);
void PutLe32(std::span<std::uint8_t, 4> out, std::uint32_t value);

inline constexpr std::size_t kChunkHeaderSize = 8;
inline constexpr std::size_t kListTypeSize = 4;
inline constexpr std::size_t kMainHeaderSize = 56;
inline constexpr std::size_t kStreamHeaderSize = 56;
inline constexpr std::size_t kExtendedHeaderSize = 248;
inline constexpr std::size_t kBitmapInfoHeaderSize = 40;
inline constexpr std::size_t kWaveFormatExSize = 18;
inline constexpr std::size_t kDvInfoSize = 32;
inline constexpr std::size_t kIndexHeaderSize = 24;
inline constexpr std::size_t kSuperIndexEntrySize = 16;

// Offsets of the stream header fields that are read or patched.
inline constexpr std::size_t kStrhTypeOffset = 0;
inline constexpr std::size_t kStrhHandlerOffset = 4;
inline constexpr std::size_t kStrhScaleOffset = 20;
inline constexpr std::size_t kStrhRateOffset = 24;
// Offset of biCompression in a bitmap header.
inline constexpr std::size_t kBiCompressionOffset = 16;

// AVIMAINHEADER, the payload of 'avih'.
struct TAviMainHeader {
    std::uint32_t MicroSecPerFrame = 0;
    std::uint32_t MaxBytesPerSec = 0;
    std::uint32_t PaddingGranularity = 0;
    std::uint32_t Flags = 0;
    std::uint32_t TotalFrames = 0;
    std::uint32_t InitialFrames = 0;
    std::uint32_t Streams = 0;
    std::uint32_t SuggestedBufferSize = 0;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::array<std::uint32_t, 4> Reserved{};

    static TAviMainHeader Decode(std::span<const std::uint8_t> bytes);
};

// AVISTREAMHEADER, the payload of 'strh'. Frame rate = Rate / Scale.
struct TAviStreamHeader {
    TFourCC FourccType = 0;     // "vids", "auds", "iavs", ...
    TFourCC FourccHandler = 0;  // the codec
    std::uint32_t Flags = 0;
    std::uint16_t Priority = 0;
    std::uint16_t Language = 0;
    std::uint32_t InitialFrames = 0;
    std::uint32_t Scale = 0;
    std::uint32_t Rate = 0;
    std::uint32_t Start = 0;
    std::uint32_t Length = 0;
    std::uint32_t SuggestedBufferSize = 0;
    std::uint32_t Quality = 0;
    std::uint32_t SampleSize = 0;
    std::int16_t FrameLeft = 0;
    std::int16_t FrameTop = 0;
    std::int16_t FrameRight = 0;
    std::int16_t FrameBottom = 0;

    static TAviStreamHeader Decode(std::span<const std::uint8_t> bytes);
};

// BITMAPINFOHEADER, the start of the 'strf' payload of a "vids" stream.
struct TBitmapInfoHeader {
    std::uint32_t Size = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint16_t Planes = 0;
    std::uint16_t BitCount = 0;
    TFourCC Compression = 0;
    std::uint32_t SizeImage = 0;
    std::int32_t XPelsPerMeter = 0;
    std::int32_t YPelsPerMeter = 0;
    std::uint32_t ClrUsed = 0;
    std::uint32_t ClrImportant = 0;

    static TBitmapInfoHeader Decode(std::span<const std::uint8_t> bytes);
};

// WAVEFORMATEX, the start of the 'strf' payload of an "auds" stream (a
// 16-byte PCMWAVEFORMAT decodes with CbSize 0).
struct TWaveFormatEx {
    std::uint16_t FormatTag = 0;
    std::uint16_t Channels = 0;
    std::uint32_t SamplesPerSec = 0;
    std::uint32_t AvgBytesPerSec = 0;
    std::uint16_t BlockAlign = 0;
    std::uint16_t BitsPerSample = 0;
    std::uint16_t CbSize = 0;

    static TWaveFormatEx Decode(std::span<const std::uint8_t> bytes);
};

// DVINFO: the 'strf' payload of an "iavs" stream, and what may follow the
// bitmap header of a DV "vids" stream. Each aux word holds PC1..PC4 of the
// matching DV pack, PC1 in the low byte.
struct TDvInfo {
    std::uint32_t DVAAuxSrc = 0;
    std::uint32_t DVAAuxCtl = 0;
    std::uint32_t DVAAuxSrc1 = 0;
    std::uint32_t DVAAuxCtl1 = 0;
    std::uint32_t DVVAuxSrc = 0;
    std::uint32_t DVVAuxCtl = 0;
    std::array<std::uint32_t, 2> DVReserved{};

    static TDvInfo Decode(std::span<const std::uint8_t> bytes);
};

// The 24-byte header shared by the OpenDML index chunks ('indx' super index
// and 'ix##' standard index), read with the standard index's last fields.
struct TAviIndexHeader {
    std::uint16_t LongsPerEntry = 0;
    std::uint8_t IndexSubType = 0;
    std::uint8_t IndexType = 0;  // 0 AVI_INDEX_OF_INDEXES, 1 AVI_INDEX_OF_CHUNKS
    std::uint32_t EntriesInUse = 0;
    TFourCC ChunkId = 0;
    std::uint64_t BaseOffset = 0;
    std::uint32_t Reserved3 = 0;

    static TAviIndexHeader Decode(std::span<const std::uint8_t> bytes);
};

// One entry of an OpenDML super index: where a standard index chunk lies.
struct TSuperIndexEntry {
    std::uint64_t Offset = 0;  // file position of the 'ix##' chunk header
    std::uint32_t Size = 0;    // its size, header included
    std::uint32_t Duration = 0;

    static TSuperIndexEntry Decode(std::span<const std::uint8_t> bytes);
};

inline constexpr std::uint8_t kAviIndexOfIndexes = 0x00;
inline constexpr std::uint8_t kAviIndexOfChunks = 0x01;

}  // namespace tavrel
