#include "support/RiffBuilder.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace tavrel::test {

TChunk Chunk(const std::string& id, TBytes payload, const std::string& label) {
    TChunk c;
    c.Id = id;
    c.Payload = std::move(payload);
    c.Label = label;
    return c;
}

TChunk List(const std::string& type, std::vector<TChunk> children, const std::string& label) {
    TChunk c;
    c.Id = "LIST";
    c.ListType = type;
    c.Children = std::move(children);
    c.Label = label;
    return c;
}

TChunk Riff(const std::string& form, std::vector<TChunk> children, const std::string& label) {
    TChunk c = List(form, std::move(children), label);
    c.Id = "RIFF";
    return c;
}

void Put16(TBytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(TBytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Put64(TBytes& b, std::uint64_t v) {
    Put32(b, static_cast<std::uint32_t>(v));
    Put32(b, static_cast<std::uint32_t>(v >> 32));
}

void PutFourCC(TBytes& b, const std::string& code) {
    for (std::size_t i = 0; i < 4; ++i)
        b.push_back(i < code.size() ? static_cast<std::uint8_t>(code[i]) : ' ');
}

std::uint32_t Get32(std::span<const std::uint8_t> b, std::uint64_t pos) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(b[pos + i]) << (8 * i);
    return v;
}

std::string GetFourCC(std::span<const std::uint8_t> b, std::uint64_t pos) {
    return std::string(reinterpret_cast<const char*>(b.data() + pos), 4);
}

namespace {

void Emit(const TChunk& c, TBytes& out, std::map<std::string, std::uint64_t>& labels) {
    const std::size_t start = out.size();
    PutFourCC(out, c.Id);
    Put32(out, 0);
    const std::size_t payload = out.size();
    if (!c.Label.empty()) labels[c.Label] = payload;
    if (c.Id == "RIFF" || c.Id == "LIST") {
        PutFourCC(out, c.ListType);
        for (const TChunk& child : c.Children) Emit(child, out, labels);
    } else {
        out.insert(out.end(), c.Payload.begin(), c.Payload.end());
    }
    const std::size_t size = out.size() - payload;
    const std::uint32_t declared = c.DeclaredSize.value_or(static_cast<std::uint32_t>(size));
    for (int i = 0; i < 4; ++i) out[start + 4 + i] = static_cast<std::uint8_t>(declared >> (8 * i));
    if ((size & 1) && c.Pad) out.push_back(0);
}

TBytes Sized(TBytes b, std::size_t size) {
    b.resize(size, 0);
    return b;
}

}  // namespace

TRiffImage Build(const std::vector<TChunk>& chunks) {
    TRiffImage image;
    for (const TChunk& c : chunks) Emit(c, image.Bytes, image.Payloads);
    return image;
}

TBytes AvihPayload(std::uint32_t microSecPerFrame, std::uint32_t totalFrames, std::uint32_t streams,
                   std::uint32_t width, std::uint32_t height) {
    TBytes b;
    Put32(b, microSecPerFrame);
    Put32(b, 3600000);  // MaxBytesPerSec
    Put32(b, 0);        // PaddingGranularity
    Put32(b, 0x910);    // Flags: has index, interleaved, trust chunk type
    Put32(b, totalFrames);
    Put32(b, 0);  // InitialFrames
    Put32(b, streams);
    Put32(b, 144008);  // SuggestedBufferSize
    Put32(b, width);
    Put32(b, height);
    for (int i = 0; i < 4; ++i) Put32(b, 0);
    return b;
}

TBytes StrhPayload(const std::string& type, const std::string& handler, std::uint32_t scale,
                   std::uint32_t rate, std::uint32_t length, std::size_t size) {
    TBytes b;
    PutFourCC(b, type);
    if (handler.empty())
        Put32(b, 0);
    else
        PutFourCC(b, handler);
    Put32(b, 0);  // Flags
    Put16(b, 0);  // Priority
    Put16(b, 0);  // Language
    Put32(b, 0);  // InitialFrames
    Put32(b, scale);
    Put32(b, rate);
    Put32(b, 0);  // Start
    Put32(b, length);
    Put32(b, 144000);      // SuggestedBufferSize
    Put32(b, 0xFFFFFFFF);  // Quality
    Put32(b, 0);           // SampleSize
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, 720);
    Put16(b, 576);
    return Sized(std::move(b), size);
}

TBytes DvInfoPayload(bool pal) {
    TBytes b;
    Put32(b, pal ? 0xD0E0C000u : 0xD0C0C000u);  // DVAAuxSrc: 48 kHz
    Put32(b, 0x00FFFFFFu);                      // DVAAuxCtl
    Put32(b, pal ? 0xD0E0C000u : 0xD0C0C000u);  // DVAAuxSrc1
    Put32(b, 0x00FFFFFFu);                      // DVAAuxCtl1
    Put32(b, pal ? 0xFF20FF00u : 0xFF00FF00u);  // DVVAuxSrc: bit 21 is the 50/60 flag
    Put32(b, 0xFFFF3800u);                      // DVVAuxCtl
    Put32(b, 0);
    Put32(b, 0);
    return b;
}

TBytes BitmapInfoPayload(const std::string& compression, std::int32_t width, std::int32_t height,
                         bool withDvInfo) {
    TBytes b;
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(width));
    Put32(b, static_cast<std::uint32_t>(height));
    Put16(b, 1);
    Put16(b, 24);
    PutFourCC(b, compression);
    Put32(b, 144000);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    if (withDvInfo) {
        const TBytes dv = DvInfoPayload(height == 576);
        b.insert(b.end(), dv.begin(), dv.end());
    }
    return b;
}

TBytes WaveFormatPayload(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                         std::size_t size) {
    TBytes b;
    Put16(b, 1);  // PCM
    Put16(b, channels);
    Put32(b, rate);
    Put32(b, rate * channels * (bits / 8u));
    Put16(b, static_cast<std::uint16_t>(channels * (bits / 8u)));
    Put16(b, bits);
    Put16(b, 0);
    return Sized(std::move(b), size);
}

TBytes SuperIndexPayload(const std::string& chunkId, const std::vector<TIndexEntry>& entries,
                         std::size_t capacity) {
    TBytes b;
    Put16(b, 4);  // wLongsPerEntry
    b.push_back(0);
    b.push_back(0);  // AVI_INDEX_OF_INDEXES
    Put32(b, static_cast<std::uint32_t>(entries.size()));
    PutFourCC(b, chunkId);
    for (int i = 0; i < 3; ++i) Put32(b, 0);
    for (std::size_t i = 0; i < std::max(capacity, entries.size()); ++i) {
        const TIndexEntry e = i < entries.size() ? entries[i] : TIndexEntry{};
        Put64(b, e.Offset);
        Put32(b, e.Size);
        Put32(b, e.Duration);
    }
    return b;
}

TBytes StandardIndexPayload(const std::string& chunkId, std::uint64_t baseOffset,
                            std::uint32_t count, std::uint32_t frameSize) {
    TBytes b;
    Put16(b, 2);
    b.push_back(0);
    b.push_back(1);  // AVI_INDEX_OF_CHUNKS
    Put32(b, count);
    PutFourCC(b, chunkId);
    Put64(b, baseOffset);
    Put32(b, 0);
    for (std::uint32_t i = 0; i < count; ++i) {
        Put32(b, 8 + i * (frameSize + 8));
        Put32(b, frameSize);
    }
    return b;
}

TBytes DmlhPayload(std::uint32_t totalFrames) {
    TBytes b;
    Put32(b, totalFrames);
    return Sized(std::move(b), 248);
}

TBytes TextPayload(const std::string& text) {
    TBytes b(text.begin(), text.end());
    b.push_back(0);
    return b;
}

namespace {

std::string StreamChunkId(int stream, const char* kind) {
    const int n = stream % 100;
    return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)} + kind;
}

std::vector<TChunk> Movi(const TAviSpec& recipe, int streams, int riff) {
    std::vector<TChunk> chunks;
    for (int f = 0; f < recipe.FramesPerRiff; ++f) {
        TBytes frame(recipe.FrameBytes, static_cast<std::uint8_t>(0x10 + f));
        chunks.push_back(Chunk(StreamChunkId(0, "dc"), frame));
        for (int s = 1; s < streams; ++s)
            chunks.push_back(Chunk(StreamChunkId(s, "wb"), TBytes(8, 0x33)));
    }
    if (recipe.AvixRiffs > 0)
        chunks.push_back(
            Chunk("ix00",
                  StandardIndexPayload("00dc", 0, static_cast<std::uint32_t>(recipe.FramesPerRiff),
                                       static_cast<std::uint32_t>(recipe.FrameBytes)),
                  "ix" + std::to_string(riff)));
    return chunks;
}

std::vector<TChunk> DvAviChunks(const TAviSpec& recipe,
                                const std::vector<TIndexEntry>& videoIndex) {
    const bool pal = recipe.Pal;
    const std::uint32_t scale = pal ? 1 : 1001;
    const std::uint32_t rate = pal ? 25 : 30000;
    const std::int32_t height = pal ? 576 : 480;
    const int streams = recipe.Type == 1 ? 1 : 1 + recipe.AudioStreams;
    const auto frames = static_cast<std::uint32_t>(recipe.FramesPerRiff * (1 + recipe.AvixRiffs));
    const bool odml = recipe.AvixRiffs > 0;

    std::vector<TChunk> hdrl;
    hdrl.push_back(Chunk(
        "avih",
        AvihPayload(pal ? 40000 : 33367, static_cast<std::uint32_t>(recipe.FramesPerRiff),
                    static_cast<std::uint32_t>(streams), 720, static_cast<std::uint32_t>(height)),
        "avih"));
    for (int s = 0; s < streams; ++s) {
        const std::string n = std::to_string(s);
        std::vector<TChunk> strl;
        if (s == 0) {
            strl.push_back(Chunk("strh",
                                 StrhPayload(recipe.Type == 1 ? "iavs" : "vids", recipe.Handler,
                                             scale, rate, frames, recipe.StrhSize),
                                 "strh" + n));
            strl.push_back(Chunk("strf",
                                 recipe.Type == 1 ? DvInfoPayload(pal)
                                                  : BitmapInfoPayload("dvsd", 720, height, true),
                                 "strf" + n));
        } else {
            strl.push_back(Chunk("strh",
                                 StrhPayload("auds", "", 1, 48000, frames * 1920, recipe.StrhSize),
                                 "strh" + n));
            strl.push_back(Chunk("strf", WaveFormatPayload(2, 48000, 16), "strf" + n));
        }
        if (odml)
            strl.push_back(Chunk("indx",
                                 SuperIndexPayload(StreamChunkId(s, s == 0 ? "dc" : "wb"),
                                                   s == 0 ? videoIndex : std::vector<TIndexEntry>{},
                                                   std::max(4, recipe.AvixRiffs + 1)),
                                 "indx" + n));
        hdrl.push_back(List("strl", std::move(strl), "strl" + n));
    }
    if (recipe.OddJunk) hdrl.push_back(Chunk("JUNK", TBytes(5, 0x4A)));
    if (odml) hdrl.push_back(List("odml", {Chunk("dmlh", DmlhPayload(frames), "dmlh")}, "odml"));

    std::vector<TChunk> avi;
    avi.push_back(List("hdrl", std::move(hdrl), "hdrl"));
    if (!recipe.InfoText.empty())
        avi.push_back(List("INFO", {Chunk("ISFT", TextPayload(recipe.InfoText), "isft")}, "info"));
    if (recipe.OddJunk) avi.push_back(Chunk("JUNK", TBytes(7, 0x4A), "junk"));
    avi.push_back(List("movi", Movi(recipe, streams, 0), "movi"));

    TBytes idx1;
    std::uint32_t offset = 4;
    for (int f = 0; f < recipe.FramesPerRiff; ++f) {
        PutFourCC(idx1, StreamChunkId(0, "dc"));
        Put32(idx1, 0x10);
        Put32(idx1, offset);
        Put32(idx1, static_cast<std::uint32_t>(recipe.FrameBytes));
        offset += static_cast<std::uint32_t>(8 + recipe.FrameBytes + (recipe.FrameBytes & 1));
        for (int s = 1; s < streams; ++s) {
            PutFourCC(idx1, StreamChunkId(s, "wb"));
            Put32(idx1, 0);
            Put32(idx1, offset);
            Put32(idx1, 8);
            offset += 16;
        }
    }
    avi.push_back(Chunk("idx1", idx1, "idx1"));

    std::vector<TChunk> file;
    file.push_back(Riff("AVI ", std::move(avi), "riff0"));
    for (int r = 1; r <= recipe.AvixRiffs; ++r) {
        const std::string n = std::to_string(r);
        file.push_back(
            Riff("AVIX", {List("movi", Movi(recipe, streams, r), "movi" + n)}, "avix" + n));
    }
    return file;
}

}  // namespace

TRiffImage MakeDvAvi(const TAviSpec& recipe) {
    if (recipe.AvixRiffs == 0) return Build(DvAviChunks(recipe, {}));
    // Two passes: the super index points at the ix00 chunks, whose places are
    // known once the file is laid out (the index keeps its size).
    std::vector<TIndexEntry> placeholder(static_cast<std::size_t>(recipe.AvixRiffs + 1));
    const TRiffImage first = Build(DvAviChunks(recipe, placeholder));
    std::vector<TIndexEntry> entries;
    for (int r = 0; r <= recipe.AvixRiffs; ++r) {
        const std::uint64_t payload = first.At("ix" + std::to_string(r));
        const std::uint32_t size = Get32(first.Bytes, payload - 4);
        entries.push_back(
            {payload - 8, size + 8, static_cast<std::uint32_t>(recipe.FramesPerRiff)});
    }
    return Build(DvAviChunks(recipe, entries));
}

TTempFolder::TTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TTempFolder::~TTempFolder() {
    std::error_code ec;
    // Files made read-only by a test must not stay behind.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_path, ec))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

void WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

TBytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tavrel::test
