#include "support/RiffWalk.h"

namespace tavrel::test {

const TRiffChunk* TRiffChunk::Child(std::string_view id, std::string_view listType) const {
    for (const TRiffChunk& c : Children)
        if (c.Id == id && (listType.empty() || c.ListType == listType)) return &c;
    return nullptr;
}

std::vector<const TRiffChunk*> TRiffChunk::All(std::string_view id,
                                               std::string_view listType) const {
    std::vector<const TRiffChunk*> out;
    for (const TRiffChunk& c : Children)
        if (c.Id == id && (listType.empty() || c.ListType == listType)) out.push_back(&c);
    return out;
}

std::string StreamChunkName(int stream, const char* kind) {
    std::string s;
    s += static_cast<char>('0' + stream / 10);
    s += static_cast<char>('0' + stream % 10);
    return s + kind;
}

TRiffFile::TRiffFile(const std::filesystem::path& path) : m_in(path, std::ios::binary) {
    if (!m_in) {
        m_error = "cannot open " + path.string();
        return;
    }
    m_in.seekg(0, std::ios::end);
    m_size = static_cast<std::uint64_t>(m_in.tellg());
    m_ok = Walk(0, m_size, m_riffs, 0);
}

std::vector<std::uint8_t> TRiffFile::Read(std::uint64_t offset, std::size_t size) {
    std::vector<std::uint8_t> data(size);
    m_in.clear();
    m_in.seekg(static_cast<std::streamoff>(offset));
    m_in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(size));
    data.resize(static_cast<std::size_t>(m_in.gcount()));
    return data;
}

std::uint16_t TRiffFile::U16(std::uint64_t offset) {
    const auto d = Read(offset, 2);
    return d.size() < 2 ? 0 : static_cast<std::uint16_t>(d[0] | d[1] << 8);
}

std::uint32_t TRiffFile::U32(std::uint64_t offset) {
    const auto d = Read(offset, 4);
    if (d.size() < 4) return 0;
    return static_cast<std::uint32_t>(d[0]) | static_cast<std::uint32_t>(d[1]) << 8 |
           static_cast<std::uint32_t>(d[2]) << 16 | static_cast<std::uint32_t>(d[3]) << 24;
}

std::uint64_t TRiffFile::U64(std::uint64_t offset) {
    return static_cast<std::uint64_t>(U32(offset)) | static_cast<std::uint64_t>(U32(offset + 4))
                                                         << 32;
}

std::string TRiffFile::Fourcc(std::uint64_t offset) {
    const auto d = Read(offset, 4);
    return std::string(d.begin(), d.end());
}

bool TRiffFile::Walk(std::uint64_t offset, std::uint64_t end, std::vector<TRiffChunk>& out,
                     int depth) {
    while (offset + 8 <= end) {
        TRiffChunk c;
        c.Offset = offset;
        c.Id = Fourcc(offset);
        c.Size = U32(offset + 4);
        if (offset + 8 + c.Size > end) {
            m_error = "chunk " + c.Id + " at " + std::to_string(offset) + " runs past its parent";
            return false;
        }
        if (c.Id == "RIFF" || c.Id == "LIST") {
            c.ListType = Fourcc(offset + 8);
            if (!Walk(offset + 12, offset + 8 + c.Size, c.Children, depth + 1)) return false;
        }
        offset = c.End();
        out.push_back(std::move(c));
    }
    if (offset != end && !(offset == end + 1)) {
        m_error = "bytes left over at " + std::to_string(offset);
        return false;
    }
    return true;
}

std::vector<const TRiffChunk*> TRiffFile::StreamLists() const {
    if (m_riffs.empty()) return {};
    const TRiffChunk* hdrl = m_riffs[0].Child("LIST", "hdrl");
    return hdrl ? hdrl->All("LIST", "strl") : std::vector<const TRiffChunk*>{};
}

std::vector<TIndexedChunk> TRiffFile::MoviChunks(int stream) const {
    std::vector<TIndexedChunk> out;
    const std::string dc = StreamChunkName(stream, "dc");
    const std::string wb = StreamChunkName(stream, "wb");
    for (const TRiffChunk& riff : m_riffs)
        for (const TRiffChunk* movi : riff.All("LIST", "movi"))
            for (const TRiffChunk& c : movi->Children)
                if (c.Id == dc || c.Id == wb) out.push_back({c.Offset + 8, c.Size});
    return out;
}

bool TRiffFile::FollowOdmlIndex(int stream, std::vector<TIndexedChunk>& out, std::string& why) {
    out.clear();
    const auto strls = StreamLists();
    if (stream >= static_cast<int>(strls.size())) return why = "no such stream", false;
    const TRiffChunk* indx = strls[stream]->Child("indx");
    if (!indx) return why = "no indx", false;
    const std::uint64_t d = indx->DataOffset();
    if (U16(d) != 4 || Read(d + 3, 1).at(0) != 0) return why = "indx is not a super index", false;
    const std::uint32_t entries = U32(d + 4);
    const std::string chunkId = Fourcc(d + 8);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::uint64_t e = d + 24 + 16ull * i;
        const std::uint64_t at = U64(e);
        const std::uint32_t size = U32(e + 8);
        const std::uint32_t duration = U32(e + 12);
        const std::string expected = "ix" + StreamChunkName(stream, "").substr(0, 2);
        if (Fourcc(at) != expected)
            return why = "entry " + std::to_string(i) + " is no " + expected, false;
        if (U32(at + 4) + 8 != size) return why = "entry " + std::to_string(i) + " size", false;
        if (U16(at + 8) != 2 || Read(at + 11, 1).at(0) != 1 || Fourcc(at + 16) != chunkId)
            return why = "standard index " + std::to_string(i) + " header", false;
        const std::uint32_t n = U32(at + 12);
        const std::uint64_t base = U64(at + 20);
        std::uint64_t bytes = 0;
        for (std::uint32_t k = 0; k < n; ++k) {
            const std::uint32_t offset = U32(at + 32 + 8ull * k);
            const std::uint32_t sz = U32(at + 36 + 8ull * k);
            if (sz & 0x80000000u) return why = "a chunk is not a key frame", false;
            if (Fourcc(base + offset - 8) != chunkId)
                return why = "entry points at no chunk", false;
            out.push_back({base + offset, sz});
            bytes += sz;
        }
        const bool video = chunkId.substr(2) == "dc";
        if (video && duration != n) return why = "duration of index " + std::to_string(i), false;
        if (!video) {
            const std::uint64_t align = U16(strls[stream]->Child("strf")->DataOffset() + 12);
            if (duration != bytes / align)
                return why = "audio duration " + std::to_string(i), false;
        }
    }
    return true;
}

bool TRiffFile::FollowIdx1(int stream, std::vector<TIndexedChunk>& out, std::string& why) {
    out.clear();
    if (m_riffs.empty()) return why = "no RIFF", false;
    const TRiffChunk* idx1 = m_riffs[0].Child("idx1");
    const TRiffChunk* movi = m_riffs[0].Child("LIST", "movi");
    if (!idx1 || !movi) return why = "no idx1 or movi", false;
    const std::uint64_t moviType = movi->Offset + 8;
    const std::string dc = StreamChunkName(stream, "dc");
    const std::string wb = StreamChunkName(stream, "wb");
    for (std::uint64_t e = idx1->DataOffset(); e + 16 <= idx1->DataOffset() + idx1->Size; e += 16) {
        const std::string id = Fourcc(e);
        if (id != dc && id != wb) continue;
        if (U32(e + 4) != 0x10) return why = "idx1 entry not a key frame", false;
        const std::uint64_t header = moviType + U32(e + 8);
        if (Fourcc(header) != id || U32(header + 4) != U32(e + 12))
            return why = "idx1 entry points at no chunk", false;
        out.push_back({header + 8, U32(e + 12)});
    }
    return true;
}

}  // namespace tavrel::test
