#include "avi/AviParam.h"

#include <algorithm>
#include <exception>

namespace tavrel {

// ---------------------------------------------------------------------------
// TAvistream

double TAvistream::FrameRate() const {
    const TAviStreamHeader h = Header();
    return h.Scale == 0 ? 0.0 : static_cast<double>(h.Rate) / static_cast<double>(h.Scale);
}

bool TAvistream::HasBitmapInfo() const {
    return FourccType() == kFccVids && m_format.size() >= kBitmapInfoHeaderSize;
}

bool TAvistream::HasDvInfo() const {
    if (FourccType() == kFccIavs) return m_format.size() >= kDvInfoSize;
    return HasBitmapInfo() && m_format.size() >= kBitmapInfoHeaderSize + kDvInfoSize &&
           IsDvCompression(BitmapInfo().Compression);
}

TDvInfo TAvistream::DvInfo() const {
    if (!HasDvInfo()) return {};
    const std::span<const std::uint8_t> format(m_format);
    return TDvInfo::Decode(FourccType() == kFccIavs ? format
                                                    : format.subspan(kBitmapInfoHeaderSize));
}

std::vector<TSuperIndexEntry> TAvistream::SuperIndexEntries() const {
    std::vector<TSuperIndexEntry> entries;
    const TAviIndexHeader h = IndexHeader();
    if (!HasIndex() || h.IndexType != kAviIndexOfIndexes || h.LongsPerEntry != 4) return entries;
    const std::size_t kept = (kIndexBytes - kIndexHeaderSize) / kSuperIndexEntrySize;
    const std::size_t count = std::min<std::size_t>(kept, h.EntriesInUse);
    const std::span<const std::uint8_t> bytes(m_index);
    for (std::size_t i = 0; i < count; ++i)
        entries.push_back(TSuperIndexEntry::Decode(
            bytes.subspan(kIndexHeaderSize + i * kSuperIndexEntrySize, kSuperIndexEntrySize)));
    return entries;
}

// ---------------------------------------------------------------------------
// TAviParam

namespace {

// Where the chunk after this one starts: past the payload and its pad byte,
// but never beyond the end of the parent.
std::uint64_t NextChunk(std::uint64_t payload, std::uint32_t size, std::uint64_t end) {
    const std::uint64_t next = payload + size + (size & 1u);
    return std::min(next, end);
}

}  // namespace

TAviParam::TAviParam(const std::filesystem::path& fileName) {
    TFileSource file;
    m_openError = file.Open(fileName, TFileSource::TMode::ReadOnly);
    if (m_openError) return;
    Walk(file);
    // The file closes here: everything the reader answers was read by now.
}

TAviParam::TAviParam(TByteSource& source) {
    Walk(source);
}

const TAvistream* TAviParam::VideoStream() const {
    return m_videoStreamIndex < 0 ? nullptr
                                  : &m_streams[static_cast<std::size_t>(m_videoStreamIndex)];
}

const TAvistream* TAviParam::AudioStream() const {
    return m_audioStreamIndex < 0 ? nullptr
                                  : &m_streams[static_cast<std::size_t>(m_audioStreamIndex)];
}

std::string TAviParam::CodecFourCC() const {
    const TAvistream* video = VideoStream();
    return video ? FourCCBytes(video->FourccHandler()) : std::string("####");
}

void TAviParam::Walk(TByteSource& source) {
    m_source = &source;
    m_fileSize = source.Size();
    try {
        std::uint64_t pos = 0;
        // The top level is a sequence of RIFF chunks: "AVI " first, then the
        // AVIX ones of an OpenDML file. The first chunk that breaks a rule
        // ends the walk; a RIFF that claims more bytes than the file holds is
        // such a chunk.
        while (m_fileSize - pos >= kChunkHeaderSize) {
            TChunkHeader riff;
            if (!ReadChunkHeader(pos, riff)) break;
            if (std::uint64_t(riff.Size) + kChunkHeaderSize > m_fileSize - pos) break;
            if (riff.Id != kFccRiff) break;
            TFourCC form = 0;
            if (!ReadListType(riff, form)) break;
            if ((UpperFourCC(form) & 0x00FFFFFFu) != (kFccAvi & 0x00FFFFFFu)) break;
            const std::uint64_t end = riff.Payload + riff.Size;
            if (!ParseAviContent(riff.Payload + kListTypeSize, end)) break;
            m_isAvi = true;
            ++m_riffCount;
            pos = NextChunk(riff.Payload, riff.Size, m_fileSize);
        }
    } catch (const std::exception&) {
        // Out of memory while keeping a format: the walk ends where it was.
    }
    m_source = nullptr;
}

bool TAviParam::ReadChunkHeader(std::uint64_t pos, TChunkHeader& out) {
    std::array<std::uint8_t, kChunkHeaderSize> bytes{};
    if (!m_source->ReadAt(pos, bytes)) return false;
    out.Id = Le32(bytes, 0);
    out.Size = Le32(bytes, 4);
    out.Payload = pos + kChunkHeaderSize;
    return true;
}

bool TAviParam::ReadListType(const TChunkHeader& chunk, TFourCC& type) {
    if (chunk.Size < kListTypeSize) return false;
    std::array<std::uint8_t, kListTypeSize> bytes{};
    if (!m_source->ReadAt(chunk.Payload, bytes)) return false;
    type = Le32(bytes, 0);
    return true;
}

bool TAviParam::ReadPayload(std::uint64_t pos, std::uint64_t size, std::span<std::uint8_t> out) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, out.size()));
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    return m_source->ReadAt(pos, out.first(n));
}

bool TAviParam::ParseAviContent(std::uint64_t begin, std::uint64_t end) {
    std::uint64_t pos = begin;
    while (end - pos >= kChunkHeaderSize) {
        TChunkHeader chunk;
        if (!ReadChunkHeader(pos, chunk)) return true;
        if (std::uint64_t(chunk.Size) + kChunkHeaderSize > end - pos) return false;
        if (chunk.Id == kFccList) {
            TFourCC type = 0;
            if (!ReadListType(chunk, type)) return false;
            const std::uint64_t listEnd = chunk.Payload + chunk.Size;
            if (type == kFccHdrl) {
                if (!ParseHdrl(chunk.Payload + kListTypeSize, listEnd)) return false;
            } else if (type == kFccMovi) {
                m_moviPosition = chunk.Payload + kListTypeSize;
            }
        } else if (chunk.Id == kFccIdx1) {
            m_idx1Position = chunk.Payload;
        }
        // Every chunk, lists included, is left by its declared size: a list
        // walked only in part does not shift the chunks that follow it.
        pos = NextChunk(chunk.Payload, chunk.Size, end);
    }
    return true;
}

bool TAviParam::ParseHdrl(std::uint64_t begin, std::uint64_t end) {
    std::uint64_t pos = begin;
    while (end - pos >= kChunkHeaderSize) {
        TChunkHeader chunk;
        if (!ReadChunkHeader(pos, chunk)) return false;
        // A child that claims more than its list holds is cut to the list.
        const std::uint64_t size = std::min<std::uint64_t>(chunk.Size, end - chunk.Payload);
        if (chunk.Id == kFccAvih) {
            if (!ReadPayload(chunk.Payload, size, m_mainHeader)) return false;
        } else if (chunk.Id == kFccList) {
            TFourCC type = 0;
            if (size >= kListTypeSize && ReadListType(chunk, type)) {
                const std::uint64_t listEnd = chunk.Payload + size;
                if (type == kFccStrl)
                    ParseStrl(chunk.Payload + kListTypeSize, listEnd);
                else if (type == kFccOdml)
                    ParseOdml(chunk.Payload + kListTypeSize, listEnd);
            }
        }
        pos = NextChunk(chunk.Payload, chunk.Size, end);
    }
    return true;
}

bool TAviParam::ParseStrl(std::uint64_t begin, std::uint64_t end) {
    if (m_streams.size() >= kMaxStreams) return false;
    m_streams.emplace_back();
    const auto index = static_cast<std::int32_t>(m_streams.size() - 1);
    std::uint64_t pos = begin;
    while (end - pos >= kChunkHeaderSize) {
        TChunkHeader chunk;
        if (!ReadChunkHeader(pos, chunk)) return false;
        const std::uint64_t size = std::min<std::uint64_t>(chunk.Size, end - chunk.Payload);
        // Keep going through the reference: a read below may be the last one.
        TAvistream& stream = m_streams.back();
        if (chunk.Id == kFccStrh) {
            if (!ReadPayload(chunk.Payload, size, stream.m_header)) return false;
            const TFourCC type = stream.FourccType();
            if (type == kFccAuds) {
                if (m_audioStreamIndex < 0) m_audioStreamIndex = index;
            } else if (type == kFccVids || type == kFccIavs) {
                if (m_videoStreamIndex < 0) m_videoStreamIndex = index;
            }
        } else if (chunk.Id == kFccStrf) {
            const auto kept = static_cast<std::size_t>(
                std::min<std::uint64_t>(size, TAvistream::kMaxFormatBytes));
            stream.m_format.assign(kept, 0);
            stream.m_declaredFormatSize = chunk.Size;
            if (!m_source->ReadAt(chunk.Payload, stream.m_format)) {
                stream.m_format.clear();
                return false;
            }
        } else if (chunk.Id == kFccIndx) {
            // An index too short for its header and four entries ends the list.
            if (size < TAvistream::kIndexBytes) return true;
            if (!m_source->ReadAt(chunk.Payload, stream.m_index)) return false;
            stream.m_indexEntriesPosition = chunk.Payload + kIndexHeaderSize;
        }
        pos = NextChunk(chunk.Payload, chunk.Size, end);
    }
    return true;
}

bool TAviParam::ParseOdml(std::uint64_t begin, std::uint64_t end) {
    m_hasOdml = true;
    std::uint64_t pos = begin;
    while (end - pos >= kChunkHeaderSize) {
        TChunkHeader chunk;
        if (!ReadChunkHeader(pos, chunk)) return false;
        const std::uint64_t size = std::min<std::uint64_t>(chunk.Size, end - chunk.Payload);
        if (chunk.Id == kFccDmlh && !ReadPayload(chunk.Payload, size, m_extendedHeader))
            return false;
        pos = NextChunk(chunk.Payload, chunk.Size, end);
    }
    return true;
}

}  // namespace tavrel
