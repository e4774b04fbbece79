#include "avi/AviWriter.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "dv/DvFrame.h"

namespace tavrel {

static_assert(sizeof(long) >= 8, "file positions beyond 4 GB need a 64-bit long for fseek");

namespace {

constexpr std::uint32_t Fcc(const char (&s)[5]) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[0])) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[3])) << 24;
}

// The chunk id of stream n: two decimal digits, then the kind.
std::uint32_t StreamChunkId(int stream, const char* kind) {
    return static_cast<std::uint32_t>('0' + stream / 10) |
           static_cast<std::uint32_t>('0' + stream % 10) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(kind[0])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(kind[1])) << 24;
}

// The standard index chunk of stream n: "ix" and two decimal digits.
std::uint32_t IndexChunkId(int stream) {
    return static_cast<std::uint32_t>('i') | static_cast<std::uint32_t>('x') << 8 |
           static_cast<std::uint32_t>('0' + stream / 10) << 16 |
           static_cast<std::uint32_t>('0' + stream % 10) << 24;
}

constexpr std::uint32_t kAvifHasIndex = 0x10;
constexpr std::uint32_t kAvifIsInterleaved = 0x100;
constexpr std::uint32_t kAvifTrustCkType = 0x800;
constexpr std::uint32_t kAviifKeyframe = 0x10;
constexpr std::uint8_t kAviIndexOfIndexes = 0x00;
constexpr std::uint8_t kAviIndexOfChunks = 0x01;

constexpr std::size_t kMainHeaderSize = 56;
constexpr std::size_t kStreamHeaderSize = 56;
constexpr std::size_t kDvInfoSize = 32;
constexpr std::size_t kBitmapHeaderSize = 40;
constexpr std::size_t kWaveFormatSize = 18;
constexpr std::size_t kExtendedHeaderSize = 248;
constexpr std::size_t kSuperIndexHeaderSize = 24;
constexpr std::size_t kSuperIndexEntrySize = 16;
constexpr std::size_t kStdIndexHeaderSize = 24;
constexpr std::size_t kStdIndexEntrySize = 8;
constexpr std::size_t kIdx1EntrySize = 16;
// The headers, INFO list and JUNK fill whole 2 KiB blocks before the movi list.
constexpr std::size_t kHeaderAlignment = 2048;
// Larger chunks would not fit the 31 bits of a standard index entry.
constexpr std::size_t kMaxChunkSize = 1u << 28;
constexpr std::size_t kMaxAudioStreams = 9;

// Little-endian serialisation of the RIFF structures.
class TBytes {
  public:
    void U8(std::uint8_t v) { m_data.push_back(v); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void U64(std::uint64_t v) {
        U32(static_cast<std::uint32_t>(v));
        U32(static_cast<std::uint32_t>(v >> 32));
    }
    void Zeros(std::size_t n) { m_data.insert(m_data.end(), n, 0); }
    void Bytes(const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        m_data.insert(m_data.end(), b, b + n);
    }
    // Opens a chunk (or, with a list type, a LIST or RIFF) whose size is set by End.
    std::size_t Begin(std::uint32_t fourcc, std::uint32_t listType = 0) {
        U32(fourcc);
        const std::size_t at = m_data.size();
        U32(0);
        if (listType) U32(listType);
        return at;
    }
    void End(std::size_t at) {
        const auto size = static_cast<std::uint32_t>(m_data.size() - at - 4);
        for (int i = 0; i < 4; ++i) m_data[at + i] = static_cast<std::uint8_t>(size >> (8 * i));
        if (size & 1) U8(0);
    }
    std::size_t Size() const { return m_data.size(); }
    const std::vector<std::uint8_t>& Data() const { return m_data; }

  private:
    std::vector<std::uint8_t> m_data;
};

// PC1..PC4 of a pack as a DVINFO word, PC1 in the low byte; 0xFFFFFFFF (the
// bytes of an empty slot) when the frame has no such pack.
std::uint32_t PackWord(const std::uint8_t* pack) {
    if (!pack) return 0xFFFFFFFF;
    return static_cast<std::uint32_t>(pack[1]) | static_cast<std::uint32_t>(pack[2]) << 8 |
           static_cast<std::uint32_t>(pack[3]) << 16 | static_cast<std::uint32_t>(pack[4]) << 24;
}

// The AAUX pack `id` in the audio blocks of sequences [first, first + count).
const std::uint8_t* FindAudioPack(std::span<const std::uint8_t> frame, int first, int count,
                                  std::uint8_t id) {
    if (frame.size() < static_cast<std::size_t>(first + count) * kDifSequenceSize) return nullptr;
    for (int s = first; s < first + count; ++s)
        for (int k = 0; k < kAudioBlocksPerSequence; ++k) {
            const std::uint8_t* block =
                frame.data() + s * kDifSequenceSize + kAudioOffset + k * kAudioBlockStep;
            if (block[3] == id) return block + 3;
        }
    return nullptr;
}

void PutDvInfo(TBytes& b, std::span<const std::uint8_t> frame) {
    const int nSeq = SequencesForLength(frame.size());
    const int half = nSeq / 2;
    TPack vauxSource{}, vauxControl{};
    const bool hasSource = nSeq && FindPack(frame, kPackVauxSource, nSeq, vauxSource);
    const bool hasControl = nSeq && FindPack(frame, kPackVauxControl, nSeq, vauxControl);
    b.U32(PackWord(nSeq ? FindAudioPack(frame, 0, half, kPackAudioSource) : nullptr));
    b.U32(PackWord(nSeq ? FindAudioPack(frame, 0, half, kPackAudioControl) : nullptr));
    b.U32(PackWord(nSeq ? FindAudioPack(frame, half, nSeq - half, kPackAudioSource) : nullptr));
    b.U32(PackWord(nSeq ? FindAudioPack(frame, half, nSeq - half, kPackAudioControl) : nullptr));
    b.U32(PackWord(hasSource ? vauxSource.data() : nullptr));
    b.U32(PackWord(hasControl ? vauxControl.data() : nullptr));
    b.U32(0);
    b.U32(0);
}

// Why a file operation failed, for the user.
std::string Reason(int error) {
    switch (error) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return "le disque est plein";
        case EFBIG:
            return "le fichier dépasse la taille que permet ce système de fichiers";
        case EACCES:
        case EPERM:
            return "accès refusé";
        case ENOENT:
        case ENOTDIR:
            return "le dossier n'existe pas";
        case EROFS:
            return "le disque est en lecture seule";
        case EISDIR:
            return "c'est un dossier";
        case EIO:
            return "erreur d'entrée-sortie du disque";
        case 0:
            return "erreur inconnue";
        default:
            return std::strerror(error);
    }
}

std::string Quoted(const std::filesystem::path& path) {
    return "« " + path.string() + " »";
}

}  // namespace

TAviWriter::~TAviWriter() {
    Discard();
}

bool TAviWriter::Fail(std::string message) {
    m_error = std::move(message);
    Discard();
    return false;
}

bool TAviWriter::WriteFailed() {
    const int error = errno;
    return Fail("Erreur d'écriture du fichier " + Quoted(m_path) + " : " + Reason(error) + ".");
}

void TAviWriter::Discard() {
    if (!m_file) return;
    std::fclose(m_file);
    m_file = nullptr;
    std::error_code ignored;
    std::filesystem::remove(m_tempPath, ignored);
}

void TAviWriter::Abort() {
    Discard();
}

bool TAviWriter::Open(const std::filesystem::path& path, const TAviWriterOptions& options) {
    Discard();
    m_error.clear();
    m_path = path;
    if (path.empty() || !path.has_filename())
        return Fail("Nom de fichier AVI invalide : " + Quoted(path) + ".");
    if (options.Type == TDvAviType::Type1 && !options.AudioStreams.empty())
        return Fail("Un fichier DV de type 1 n'a pas de flux audio séparé.");
    if (options.AudioStreams.size() > kMaxAudioStreams)
        return Fail("Trop de flux audio pour un fichier AVI.");
    for (const TAviAudioFormat& a : options.AudioStreams)
        if (a.SampleRate == 0 || a.Channels == 0 || a.Channels > 8 ||
            (a.BitsPerSample != 8 && a.BitsPerSample != 16 && a.BitsPerSample != 24 &&
             a.BitsPerSample != 32))
            return Fail("Format audio invalide pour le fichier " + Quoted(path) + ".");
    if (options.RiffSizeLimit == 0 || options.RiffSizeLimit > kMaxRiffSizeLimit)
        return Fail("Taille de segment RIFF invalide.");
    if (options.SuperIndexEntries < 1 || options.SuperIndexEntries > 65536)
        return Fail("Taille d'index OpenDML invalide.");
    for (const TAviInfoEntry& e : options.Info)
        if (e.Id.size() != 4 || e.Text.size() > 0xFFFF)
            return Fail("Entrée INFO invalide : « " + e.Id + " ».");

    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return Fail("Impossible de créer le fichier " + Quoted(path) + " : c'est un dossier.");

    m_options = options;
    m_tempPath = path;
    m_tempPath += ".part";
    m_file = std::fopen(m_tempPath.c_str(), "wb");
    if (!m_file) {
        const int error = errno;
        m_error = "Impossible de créer le fichier " + Quoted(path) + " : " + Reason(error) + ".";
        return false;
    }
    m_buffer.resize(1 << 20);
    std::setvbuf(m_file, m_buffer.data(), _IOFBF, m_buffer.size());

    m_position = 0;
    m_stats.assign(1 + options.AudioStreams.size(), TStreamStats{});
    m_stats[0].ChunkId = StreamChunkId(0, "dc");
    for (std::size_t i = 1; i < m_stats.size(); ++i)
        m_stats[i].ChunkId = StreamChunkId(static_cast<int>(i), "wb");
    m_firstFrame.clear();
    m_frameSize = 0;
    m_idx1.clear();
    m_riffCount = 1;
    m_riffStart = 0;
    m_riffDataChunks = 0;
    m_firstRiffSize = 0;
    m_framesInFirstRiff = -1;

    // Room for the headers, written for real when the file is closed.
    m_headerSize = HeaderSize();
    const std::vector<std::uint8_t> placeholder(m_headerSize, 0);
    if (!Write(placeholder.data(), placeholder.size())) return false;
    m_moviStart = m_position;
    TBytes movi;
    movi.U32(Fcc("LIST"));
    movi.U32(4);
    movi.U32(Fcc("movi"));
    return Write(movi.Data().data(), movi.Size());
}

bool TAviWriter::NotOpen() {
    // After a failure its message stays: it says why the file is not open.
    if (m_error.empty()) m_error = "Le fichier AVI n'est pas ouvert.";
    return false;
}

bool TAviWriter::WriteVideoFrame(std::span<const std::uint8_t> frame) {
    if (!m_file) return NotOpen();
    if (m_frameSize == 0) {
        if (SequencesForLength(frame.size()) == 0)
            return Fail("La trame DV n'a pas la longueur d'une image PAL ou NTSC (" +
                        std::to_string(frame.size()) + " octets) : fichier " + Quoted(m_path) +
                        " abandonné.");
        m_frameSize = frame.size();
        m_firstFrame.assign(frame.begin(), frame.end());
    } else if (frame.size() != m_frameSize) {
        return Fail("La trame DV n° " + std::to_string(FramesWritten() + 1) +
                    " a une longueur de " + std::to_string(frame.size()) + " octets au lieu de " +
                    std::to_string(m_frameSize) + " : fichier " + Quoted(m_path) + " abandonné.");
    }
    return WriteChunk(0, frame);
}

bool TAviWriter::WriteAudio(int stream, std::span<const std::uint8_t> pcm) {
    if (!m_file) return NotOpen();
    if (stream < 0 || static_cast<std::size_t>(stream) >= m_options.AudioStreams.size())
        return Fail("Flux audio " + std::to_string(stream + 1) + " inconnu dans le fichier " +
                    Quoted(m_path) + ".");
    const std::uint32_t align = m_options.AudioStreams[stream].BlockAlign();
    if (pcm.size() % align != 0)
        return Fail("Échantillons audio incomplets pour le fichier " + Quoted(m_path) + ".");
    if (pcm.empty()) return true;
    return WriteChunk(stream + 1, pcm);
}

std::uint64_t TAviWriter::IndexBytesOfRiff(int extraStream) const {
    std::uint64_t bytes = 0;
    for (std::size_t s = 0; s < m_stats.size(); ++s) {
        const std::uint64_t n =
            m_stats[s].RiffEntries.size() + (static_cast<int>(s) == extraStream ? 1 : 0);
        if (n) bytes += 8 + kStdIndexHeaderSize + kStdIndexEntrySize * n;
    }
    if (m_riffCount == 1) bytes += 8 + kIdx1EntrySize * (m_idx1.size() + 1);
    return bytes;
}

bool TAviWriter::MakeRoom(std::uint64_t chunkBytes, int stream) {
    if (m_riffDataChunks == 0) return true;
    const std::uint64_t riffBytes =
        m_position + chunkBytes - m_riffStart + IndexBytesOfRiff(stream);
    if (riffBytes <= m_options.RiffSizeLimit) return true;
    return CloseRiff() && StartAvix();
}

bool TAviWriter::WriteChunk(int stream, std::span<const std::uint8_t> data) {
    if (data.size() > kMaxChunkSize)
        return Fail("Bloc de données trop grand pour le fichier " + Quoted(m_path) + ".");
    const std::uint64_t chunkBytes = 8 + data.size() + (data.size() & 1);
    if (!MakeRoom(chunkBytes, stream)) return false;

    TStreamStats& st = m_stats[stream];
    const auto size = static_cast<std::uint32_t>(data.size());
    if (m_riffCount == 1)
        m_idx1.push_back(
            {st.ChunkId, static_cast<std::uint32_t>(m_position - (m_moviStart + 8)), size});
    st.RiffEntries.push_back({m_position + 8, size});
    st.RiffBytes += size;
    st.Chunks += 1;
    st.Bytes += size;
    if (size > st.MaxChunk) st.MaxChunk = size;
    ++m_riffDataChunks;

    TBytes header;
    header.U32(st.ChunkId);
    header.U32(size);
    if (!Write(header.Data().data(), header.Size())) return false;
    if (!Write(data.data(), data.size())) return false;
    if (data.size() & 1) {
        const std::uint8_t pad = 0;
        if (!Write(&pad, 1)) return false;
    }
    return true;
}

bool TAviWriter::CloseRiff() {
    // The standard index of each stream, at the end of this RIFF's movi list.
    for (std::size_t s = 0; s < m_stats.size(); ++s) {
        TStreamStats& st = m_stats[s];
        if (st.RiffEntries.empty()) continue;
        if (st.SuperIndex.size() >= static_cast<std::size_t>(m_options.SuperIndexEntries))
            return Fail("Le fichier " + Quoted(m_path) + " dépasse " +
                        std::to_string(m_options.SuperIndexEntries) +
                        " segments RIFF : la taille des segments est trop petite.");
        TBytes ix;
        const std::size_t at = ix.Begin(IndexChunkId(static_cast<int>(s)));
        ix.U16(2);  // longs per entry
        ix.U8(0);
        ix.U8(kAviIndexOfChunks);
        ix.U32(static_cast<std::uint32_t>(st.RiffEntries.size()));
        ix.U32(st.ChunkId);
        ix.U64(m_moviStart);
        ix.U32(0);
        for (const TIndexEntry& e : st.RiffEntries) {
            ix.U32(static_cast<std::uint32_t>(e.DataPosition - m_moviStart));
            ix.U32(e.Size);  // bit 31 clear: every DV frame is a key frame
        }
        ix.End(at);
        const std::uint32_t duration =
            s == 0 ? static_cast<std::uint32_t>(st.RiffEntries.size())
                   : static_cast<std::uint32_t>(st.RiffBytes /
                                                m_options.AudioStreams[s - 1].BlockAlign());
        st.SuperIndex.push_back({m_position, static_cast<std::uint32_t>(ix.Size()), duration});
        if (!Write(ix.Data().data(), ix.Size())) return false;
        st.RiffEntries.clear();
        st.RiffBytes = 0;
    }

    TBytes size;
    size.U32(static_cast<std::uint32_t>(m_position - m_moviStart - 8));
    if (!WriteAt(m_moviStart + 4, size.Data().data(), 4)) return false;

    if (m_riffCount == 1) {
        TBytes idx1;
        idx1.U32(Fcc("idx1"));
        idx1.U32(static_cast<std::uint32_t>(m_idx1.size() * kIdx1EntrySize));
        for (const TIdx1Entry& e : m_idx1) {
            idx1.U32(e.ChunkId);
            idx1.U32(kAviifKeyframe);
            idx1.U32(e.Offset);
            idx1.U32(e.Size);
        }
        if (!Write(idx1.Data().data(), idx1.Size())) return false;
        m_idx1.clear();
        m_idx1.shrink_to_fit();
        m_framesInFirstRiff = m_stats[0].Chunks;
        // Written with the headers when the file is closed.
        m_firstRiffSize = static_cast<std::uint32_t>(m_position - 8);
    } else {
        TBytes riffSize;
        riffSize.U32(static_cast<std::uint32_t>(m_position - m_riffStart - 8));
        if (!WriteAt(m_riffStart + 4, riffSize.Data().data(), 4)) return false;
    }
    m_riffDataChunks = 0;
    return true;
}

bool TAviWriter::StartAvix() {
    m_riffStart = m_position;
    m_moviStart = m_position + 12;
    ++m_riffCount;
    TBytes b;
    b.U32(Fcc("RIFF"));
    b.U32(4);
    b.U32(Fcc("AVIX"));
    b.U32(Fcc("LIST"));
    b.U32(4);
    b.U32(Fcc("movi"));
    return Write(b.Data().data(), b.Size());
}

std::uint32_t TAviWriter::HeaderSize() const {
    // Everything in the header has a fixed size; only the values change.
    std::size_t size = 12;             // RIFF 'AVI '
    size += 12 + 8 + kMainHeaderSize;  // LIST hdrl, avih
    for (std::size_t s = 0; s < m_stats.size(); ++s) {
        std::size_t format = s == 0 ? kDvInfoSize : kWaveFormatSize;
        if (s == 0 && m_options.Type == TDvAviType::Type2) format += kBitmapHeaderSize;
        size += 12 + 8 + kStreamHeaderSize + 8 + format + 8 + kSuperIndexHeaderSize +
                kSuperIndexEntrySize * m_options.SuperIndexEntries;
    }
    size += 12 + 8 + kExtendedHeaderSize;  // LIST odml, dmlh
    if (!m_options.Info.empty()) {
        size += 12;
        for (const TAviInfoEntry& e : m_options.Info) size += 8 + ((e.Text.size() + 2) & ~1u);
    }
    size += 8;  // JUNK
    return static_cast<std::uint32_t>((size + kHeaderAlignment - 1) / kHeaderAlignment *
                                      kHeaderAlignment);
}

bool TAviWriter::WriteHeaders() {
    const bool ntsc = m_frameSize == kFrameSize525;
    const std::uint32_t scale = ntsc ? 1001 : 1;
    const std::uint32_t rate = ntsc ? 30000 : 25;
    const std::uint32_t height = ntsc ? 480 : 576;
    const std::uint32_t width = 720;
    const auto totalFrames = static_cast<std::uint32_t>(m_stats[0].Chunks);

    std::uint64_t bytesPerSecond = (m_frameSize * rate + scale - 1) / scale;
    std::uint32_t maxChunk = 0;
    for (std::size_t s = 0; s < m_stats.size(); ++s) {
        if (s > 0) {
            const TAviAudioFormat& a = m_options.AudioStreams[s - 1];
            bytesPerSecond += std::uint64_t(a.SampleRate) * a.BlockAlign();
        }
        if (m_stats[s].MaxChunk > maxChunk) maxChunk = m_stats[s].MaxChunk;
    }

    TBytes b;
    b.U32(Fcc("RIFF"));
    b.U32(m_firstRiffSize);
    b.U32(Fcc("AVI "));
    const std::size_t hdrl = b.Begin(Fcc("LIST"), Fcc("hdrl"));

    const std::size_t avih = b.Begin(Fcc("avih"));
    b.U32(ntsc ? 33367 : 40000);  // microseconds per frame
    b.U32(static_cast<std::uint32_t>(bytesPerSecond));
    b.U32(0);  // padding granularity
    b.U32(kAvifHasIndex | kAvifIsInterleaved | kAvifTrustCkType);
    // The frames of the first RIFF, as OpenDML asks; dmlh holds the total.
    b.U32(static_cast<std::uint32_t>(m_framesInFirstRiff));
    b.U32(0);  // initial frames
    b.U32(static_cast<std::uint32_t>(m_stats.size()));
    b.U32(maxChunk);
    b.U32(width);
    b.U32(height);
    b.Zeros(16);
    b.End(avih);

    for (std::size_t s = 0; s < m_stats.size(); ++s) {
        const TStreamStats& st = m_stats[s];
        const bool video = s == 0;
        const TAviAudioFormat audio = video ? TAviAudioFormat{} : m_options.AudioStreams[s - 1];
        const std::size_t strl = b.Begin(Fcc("LIST"), Fcc("strl"));

        const std::size_t strh = b.Begin(Fcc("strh"));
        if (video) {
            b.U32(m_options.Type == TDvAviType::Type1 ? Fcc("iavs") : Fcc("vids"));
            b.U32(Fcc("dvsd"));
        } else {
            b.U32(Fcc("auds"));
            b.U32(0);
        }
        b.U32(0);  // flags
        b.U16(0);  // priority
        b.U16(0);  // language
        b.U32(0);  // initial frames
        if (video) {
            b.U32(scale);
            b.U32(rate);
        } else {
            b.U32(1);
            b.U32(audio.SampleRate);
        }
        b.U32(0);  // start
        b.U32(video ? totalFrames : static_cast<std::uint32_t>(st.Bytes / audio.BlockAlign()));
        b.U32(video ? static_cast<std::uint32_t>(m_frameSize) : st.MaxChunk);
        b.U32(0);  // quality
        b.U32(video ? 0 : audio.BlockAlign());
        b.U16(0);
        b.U16(0);
        b.U16(video ? static_cast<std::uint16_t>(width) : 0);
        b.U16(video ? static_cast<std::uint16_t>(height) : 0);
        b.End(strh);

        const std::size_t strf = b.Begin(Fcc("strf"));
        if (video) {
            if (m_options.Type == TDvAviType::Type2) {
                b.U32(kBitmapHeaderSize);
                b.U32(width);
                b.U32(height);
                b.U16(1);   // planes
                b.U16(24);  // bits per pixel
                b.U32(Fcc("dvsd"));
                b.U32(static_cast<std::uint32_t>(m_frameSize));
                b.Zeros(16);
            }
            PutDvInfo(b, m_firstFrame);
        } else {
            b.U16(1);  // PCM
            b.U16(audio.Channels);
            b.U32(audio.SampleRate);
            b.U32(audio.SampleRate * audio.BlockAlign());
            b.U16(static_cast<std::uint16_t>(audio.BlockAlign()));
            b.U16(audio.BitsPerSample);
            b.U16(0);
        }
        b.End(strf);

        const std::size_t indx = b.Begin(Fcc("indx"));
        b.U16(4);  // longs per entry
        b.U8(0);
        b.U8(kAviIndexOfIndexes);
        b.U32(static_cast<std::uint32_t>(st.SuperIndex.size()));
        b.U32(st.ChunkId);
        b.Zeros(12);
        for (const TSuperIndexEntry& e : st.SuperIndex) {
            b.U64(e.Position);
            b.U32(e.Size);
            b.U32(e.Duration);
        }
        b.Zeros(kSuperIndexEntrySize * (m_options.SuperIndexEntries - st.SuperIndex.size()));
        b.End(indx);
        b.End(strl);
    }

    const std::size_t odml = b.Begin(Fcc("LIST"), Fcc("odml"));
    const std::size_t dmlh = b.Begin(Fcc("dmlh"));
    b.U32(totalFrames);
    b.Zeros(kExtendedHeaderSize - 4);
    b.End(dmlh);
    b.End(odml);
    b.End(hdrl);

    if (!m_options.Info.empty()) {
        const std::size_t info = b.Begin(Fcc("LIST"), Fcc("INFO"));
        for (const TAviInfoEntry& e : m_options.Info) {
            b.Bytes(e.Id.data(), 4);
            b.U32(static_cast<std::uint32_t>(e.Text.size() + 1));
            b.Bytes(e.Text.data(), e.Text.size());
            b.U8(0);
            if ((e.Text.size() + 1) & 1) b.U8(0);
        }
        b.End(info);
    }

    const std::size_t junk = m_headerSize - b.Size() - 8;
    b.U32(Fcc("JUNK"));
    b.U32(static_cast<std::uint32_t>(junk));
    b.Zeros(junk);
    if (b.Size() != m_headerSize)
        return Fail("Erreur interne : en-têtes AVI de taille inattendue.");
    return WriteAt(0, b.Data().data(), b.Size());
}

bool TAviWriter::Close() {
    if (!m_file) return NotOpen();
    if (m_stats[0].Chunks == 0)
        return Fail("Aucune image n'a été écrite : le fichier " + Quoted(m_path) +
                    " n'est pas créé.");
    if (!CloseRiff() || !WriteHeaders()) return false;
    if (std::fflush(m_file) != 0 || std::ferror(m_file)) return WriteFailed();
    std::FILE* file = m_file;
    m_file = nullptr;
    if (std::fclose(file) != 0) {
        const int error = errno;
        std::error_code ignored;
        std::filesystem::remove(m_tempPath, ignored);
        m_error = "Erreur d'écriture du fichier " + Quoted(m_path) + " : " + Reason(error) + ".";
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(m_tempPath, m_path, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(m_tempPath, ignored);
        m_error = "Impossible de remplacer le fichier " + Quoted(m_path) + " : " +
                  Reason(ec.value()) + ".";
        return false;
    }
    return true;
}

bool TAviWriter::Write(const void* data, std::size_t size) {
    if (size && std::fwrite(data, 1, size, m_file) != size) return WriteFailed();
    m_position += size;
    return true;
}

bool TAviWriter::WriteAt(std::uint64_t position, const void* data, std::size_t size) {
    if (std::fseek(m_file, static_cast<long>(position), SEEK_SET) != 0) return WriteFailed();
    if (std::fwrite(data, 1, size, m_file) != size) return WriteFailed();
    if (std::fseek(m_file, static_cast<long>(m_position), SEEK_SET) != 0) return WriteFailed();
    return true;
}

}  // namespace tavrel
