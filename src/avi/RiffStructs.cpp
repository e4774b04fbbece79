#include "avi/RiffStructs.h"

namespace tavrel {

TFourCC MakeFourCC(std::string_view text) {
    char c[4] = {' ', ' ', ' ', ' '};
    for (std::size_t i = 0; i < 4 && i < text.size(); ++i) c[i] = text[i];
    return MakeFourCC(c[0], c[1], c[2], c[3]);
}

std::string FourCCBytes(TFourCC code) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((code >> (8 * i)) & 0xFF);
    return s;
}

namespace {

template <typename F>
TFourCC MapBytes(TFourCC code, F f) {
    TFourCC out = 0;
    for (int i = 0; i < 4; ++i) {
        const auto b = static_cast<std::uint8_t>((code >> (8 * i)) & 0xFF);
        out |= static_cast<TFourCC>(f(b)) << (8 * i);
    }
    return out;
}

}  // namespace

TFourCC UpperFourCC(TFourCC code) {
    return MapBytes(code, [](std::uint8_t b) -> std::uint8_t {
        return b >= 'a' && b <= 'z' ? static_cast<std::uint8_t>(b - 'a' + 'A') : b;
    });
}

TFourCC LowerFourCC(TFourCC code) {
    return MapBytes(code, [](std::uint8_t b) -> std::uint8_t {
        return b >= 'A' && b <= 'Z' ? static_cast<std::uint8_t>(b - 'A' + 'a') : b;
    });
}

bool IsDvCompression(TFourCC compression) {
    const TFourCC c = LowerFourCC(compression);
    return c == kFccDvsd || c == kFccDsvd || c == kFccCsvd;
}

std::uint8_t Le8(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return offset < bytes.size() ? bytes[offset] : 0;
}

std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(Le8(bytes, offset) | Le8(bytes, offset + 1) << 8);
}

std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(Le16(bytes, offset)) |
           static_cast<std::uint32_t>(Le16(bytes, offset + 2)) << 16;
}

std::uint64_t Le64(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint64_t>(Le32(bytes, offset)) |
           static_cast<std::uint64_t>(Le32(bytes, offset + 4)) << 32;
}

void PutLe32(std::span<std::uint8_t, 4> out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
}

TAviMainHeader TAviMainHeader::Decode(std::span<const std::uint8_t> b) {
    TAviMainHeader h;
    h.MicroSecPerFrame = Le32(b, 0);
    h.MaxBytesPerSec = Le32(b, 4);
    h.PaddingGranularity = Le32(b, 8);
    h.Flags = Le32(b, 12);
    h.TotalFrames = Le32(b, 16);
    h.InitialFrames = Le32(b, 20);
    h.Streams = Le32(b, 24);
    h.SuggestedBufferSize = Le32(b, 28);
    h.Width = Le32(b, 32);
    h.Height = Le32(b, 36);
    for (std::size_t i = 0; i < 4; ++i) h.Reserved[i] = Le32(b, 40 + 4 * i);
    return h;
}

TAviStreamHeader TAviStreamHeader::Decode(std::span<const std::uint8_t> b) {
    TAviStreamHeader h;
    h.FourccType = Le32(b, kStrhTypeOffset);
    h.FourccHandler = Le32(b, kStrhHandlerOffset);
    h.Flags = Le32(b, 8);
    h.Priority = Le16(b, 12);
    h.Language = Le16(b, 14);
    h.InitialFrames = Le32(b, 16);
    h.Scale = Le32(b, kStrhScaleOffset);
    h.Rate = Le32(b, kStrhRateOffset);
    h.Start = Le32(b, 28);
    h.Length = Le32(b, 32);
    h.SuggestedBufferSize = Le32(b, 36);
    h.Quality = Le32(b, 40);
    h.SampleSize = Le32(b, 44);
    h.FrameLeft = static_cast<std::int16_t>(Le16(b, 48));
    h.FrameTop = static_cast<std::int16_t>(Le16(b, 50));
    h.FrameRight = static_cast<std::int16_t>(Le16(b, 52));
    h.FrameBottom = static_cast<std::int16_t>(Le16(b, 54));
    return h;
}

TBitmapInfoHeader TBitmapInfoHeader::Decode(std::span<const std::uint8_t> b) {
    TBitmapInfoHeader h;
    h.Size = Le32(b, 0);
    h.Width = static_cast<std::int32_t>(Le32(b, 4));
    h.Height = static_cast<std::int32_t>(Le32(b, 8));
    h.Planes = Le16(b, 12);
    h.BitCount = Le16(b, 14);
    h.Compression = Le32(b, kBiCompressionOffset);
    h.SizeImage = Le32(b, 20);
    h.XPelsPerMeter = static_cast<std::int32_t>(Le32(b, 24));
    h.YPelsPerMeter = static_cast<std::int32_t>(Le32(b, 28));
    h.ClrUsed = Le32(b, 32);
    h.ClrImportant = Le32(b, 36);
    return h;
}

TWaveFormatEx TWaveFormatEx::Decode(std::span<const std::uint8_t> b) {
    TWaveFormatEx w;
    w.FormatTag = Le16(b, 0);
    w.Channels = Le16(b, 2);
    w.SamplesPerSec = Le32(b, 4);
    w.AvgBytesPerSec = Le32(b, 8);
    w.BlockAlign = Le16(b, 12);
    w.BitsPerSample = Le16(b, 14);
    w.CbSize = Le16(b, 16);
    return w;
}

TDvInfo TDvInfo::Decode(std::span<const std::uint8_t> b) {
    TDvInfo d;
    d.DVAAuxSrc = Le32(b, 0);
    d.DVAAuxCtl = Le32(b, 4);
    d.DVAAuxSrc1 = Le32(b, 8);
    d.DVAAuxCtl1 = Le32(b, 12);
    d.DVVAuxSrc = Le32(b, 16);
    d.DVVAuxCtl = Le32(b, 20);
    d.DVReserved[0] = Le32(b, 24);
    d.DVReserved[1] = Le32(b, 28);
    return d;
}

TAviIndexHeader TAviIndexHeader::Decode(std::span<const std::uint8_t> b) {
    TAviIndexHeader h;
    h.LongsPerEntry = Le16(b, 0);
    h.IndexSubType = Le8(b, 2);
    h.IndexType = Le8(b, 3);
    h.EntriesInUse = Le32(b, 4);
    h.ChunkId = Le32(b, 8);
    h.BaseOffset = Le64(b, 12);
    h.Reserved3 = Le32(b, 20);
    return h;
}

TSuperIndexEntry TSuperIndexEntry::Decode(std::span<const std::uint8_t> b) {
    TSuperIndexEntry e;
    e.Offset = Le64(b, 0);
    e.Size = Le32(b, 8);
    e.Duration = Le32(b, 12);
    return e;
}

}  // namespace tavrel
