#include "avi/AviPatch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <optional>
#include <vector>

namespace tavrel {

namespace {

// RIFF trees of real files are a few levels deep; deeper lists are passed
// over so that a crafted file cannot exhaust the stack.
constexpr int kMaxDepth = 16;

// One walk of a file in search of the patchable fields.
class TScanner {
  public:
    explicit TScanner(TByteSource& source) : m_source(source), m_fileSize(source.Size()) {}

    TAviHeaderPositions Run() {
        std::uint64_t remaining = m_fileSize;
        std::uint64_t pos = 0;
        while (remaining > 0) {
            const std::uint64_t walked = WalkChunk(pos, true, 0);
            if (m_shortRead || walked == kChunkHeaderSize) break;
            remaining -= std::min(walked, remaining);
            pos += walked;
        }
        return m_found;
    }

  private:
    // Returns the bytes the chunk takes, header and pad included, cut to the
    // end of the file; 0 after a short read, which ends the scan.
    std::uint64_t WalkChunk(std::uint64_t pos, bool topLevel, int level) {
        std::array<std::uint8_t, kChunkHeaderSize> header{};
        if (!m_source.ReadAt(pos, header)) return ShortRead();
        const TFourCC id = Le32(header, 0);
        if (topLevel && id != kFccRiff) return kChunkHeaderSize;

        const std::uint64_t payload = pos + kChunkHeaderSize;
        const std::uint64_t left = m_fileSize - payload;
        const std::uint64_t declared = Le32(header, 4);
        const std::uint64_t dataSize = std::min(declared, left);  // bytes of the payload present
        const std::uint64_t size = std::min(declared + (declared & 1), left);
        const std::uint64_t walked = size + kChunkHeaderSize;
        if (size == 0) return walked;

        if (id == kFccRiff || id == kFccList) {
            if (dataSize < kListTypeSize) return walked;
            std::array<std::uint8_t, kListTypeSize> type{};
            if (!m_source.ReadAt(payload, type)) return ShortRead();
            const TFourCC listType = Le32(type, 0);
            if (listType == kFccMovi || level >= kMaxDepth) return walked;
            // A format chunk belongs to the stream header of its own list.
            if (listType == kFccStrl) m_kind = 0;
            std::uint64_t child = payload + kListTypeSize;
            std::uint64_t rest = size - kListTypeSize;
            while (rest > 7) {
                const std::uint64_t len = WalkChunk(child, false, level + 1);
                if (m_shortRead) return 0;
                if (len > rest) break;
                child += len;
                rest -= len;
            }
        } else if (id == kFccStrh) {
            std::array<std::uint8_t, kStreamHeaderSize> strh{};
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(dataSize, strh.size()));
            if (!m_source.ReadAt(payload, std::span(strh).first(n))) return ShortRead();
            m_kind = n >= 4 ? Le32(strh, kStrhTypeOffset) : 0;
            if (m_kind == kFccVids || m_kind == kFccIavs) {
                // The positions all belong to this one stream from now on,
                // and only to fields that lie inside its header.
                m_found = {};
                if (n >= kStrhHandlerOffset + 4)
                    m_found.CodecPos = static_cast<std::int64_t>(payload + kStrhHandlerOffset);
                if (n >= kStrhRateOffset + 4)
                    m_found.ScalePos = static_cast<std::int64_t>(payload + kStrhScaleOffset);
            }
        } else if (id == kFccStrf) {
            if (m_kind == kFccVids && m_found.CodecPos >= 0 && dataSize >= kBitmapInfoHeaderSize)
                m_found.CompressionPos = static_cast<std::int64_t>(payload + kBiCompressionOffset);
        }
        // Everything else (avih, indx, the ix## index chunks, idx1, JUNK, ...)
        // is passed over by its size.
        return walked;
    }

    std::uint64_t ShortRead() {
        m_shortRead = true;
        return 0;
    }

    TByteSource& m_source;
    const std::uint64_t m_fileSize;
    TAviHeaderPositions m_found;
    TFourCC m_kind = 0;
    bool m_shortRead = false;
};

TAviHeaderPositions Scan(TByteSource& source) {
    try {
        return TScanner(source).Run();
    } catch (const std::exception&) {
        return {};
    }
}

// Lifts the owner's write permission of a read-only file for the lifetime of
// the object and puts the mode back exactly as it was.
class TWriteAccess {
  public:
    TWriteAccess(const std::filesystem::path& fileName, TReadOnlyFile policy)
        : m_fileName(fileName) {
        namespace fs = std::filesystem;
        const fs::file_status status = fs::status(fileName, m_error);
        if (m_error) return;
        const fs::perms mode = status.permissions();
        if ((mode & fs::perms::owner_write) != fs::perms::none) {
            m_granted = true;
            return;
        }
        if (policy == TReadOnlyFile::Refuse) return;
        fs::permissions(fileName, mode | fs::perms::owner_write, fs::perm_options::replace,
                        m_error);
        if (m_error) return;
        m_savedMode = mode;
        m_granted = true;
    }
    TWriteAccess(const TWriteAccess&) = delete;
    TWriteAccess& operator=(const TWriteAccess&) = delete;
    ~TWriteAccess() { Restore(); }

    bool Granted() const { return m_granted; }
    const std::error_code& Error() const { return m_error; }

    // Puts the mode back; false when that failed.
    bool Restore() {
        if (!m_savedMode) return true;
        std::error_code ec;
        std::filesystem::permissions(m_fileName, *m_savedMode,
                                     std::filesystem::perm_options::replace, ec);
        m_savedMode.reset();
        if (ec) m_error = ec;
        return !ec;
    }

  private:
    std::filesystem::path m_fileName;
    std::optional<std::filesystem::perms> m_savedMode;
    std::error_code m_error;
    bool m_granted = false;
};

struct TWrite {
    std::uint64_t Pos = 0;
    std::array<std::uint8_t, 8> Bytes{};
    std::size_t Count = 0;
};

// The common path of both patches: a first walk read-only, so that a file
// with nothing to patch is never opened for writing nor has its mode touched;
// then a second walk through the very handle that writes, which must find the
// same positions.
template <typename MakeWrites>
TPatchResult Patch(const std::filesystem::path& fileName, TReadOnlyFile readOnly,
                   MakeWrites makeWrites) {
    TPatchResult result;
    const TAviHeaderPositions before = ScanAviHeaders(fileName);
    std::vector<TWrite> writes = makeWrites(before);
    if (writes.empty()) return {TPatchStatus::NoPosition, {}};

    TWriteAccess access(fileName, readOnly);
    if (!access.Granted()) return {TPatchStatus::ReadOnly, access.Error()};
    {
        TFileSource file;
        if (const std::error_code ec = file.Open(fileName, TFileSource::TMode::ReadWrite))
            return {TPatchStatus::OpenFailed, ec};
        if (Scan(file) != before) return {TPatchStatus::Changed, {}};

        // Keep what is overwritten, to put it back if a later write fails.
        std::vector<TWrite> undo = writes;
        for (TWrite& w : undo)
            if (!file.ReadAt(w.Pos, std::span(w.Bytes).first(w.Count)))
                return {TPatchStatus::WriteFailed, std::make_error_code(std::errc::io_error)};
        result.Status = TPatchStatus::Written;
        for (std::size_t i = 0; i < writes.size(); ++i) {
            if (file.WriteAt(writes[i].Pos, std::span(writes[i].Bytes).first(writes[i].Count)))
                continue;
            for (std::size_t j = 0; j <= i; ++j)
                file.WriteAt(undo[j].Pos, std::span(undo[j].Bytes).first(undo[j].Count));
            result = {TPatchStatus::WriteFailed, std::make_error_code(std::errc::io_error)};
            break;
        }
    }  // closed before the mode is put back
    if (!access.Restore() && result.Status == TPatchStatus::Written)
        result = {TPatchStatus::ModeNotRestored, access.Error()};
    return result;
}

TWrite Write32(std::int64_t pos, std::uint32_t value) {
    TWrite w;
    w.Pos = static_cast<std::uint64_t>(pos);
    w.Count = 4;
    PutLe32(std::span(w.Bytes).first<4>(), value);
    return w;
}

}  // namespace

TAviHeaderPositions ScanAviHeaders(TByteSource& source) {
    return Scan(source);
}

TAviHeaderPositions ScanAviHeaders(const std::filesystem::path& fileName) {
    TFileSource file;
    if (file.Open(fileName, TFileSource::TMode::ReadOnly)) return {};
    return Scan(file);
}

TFourCC ReadAviCodec(const std::filesystem::path& fileName) {
    TFileSource file;
    if (file.Open(fileName, TFileSource::TMode::ReadOnly)) return 0;
    const TAviHeaderPositions found = Scan(file);
    std::array<std::uint8_t, 4> bytes{};
    if (found.CodecPos < 0 || !file.ReadAt(static_cast<std::uint64_t>(found.CodecPos), bytes))
        return 0;
    return Le32(bytes, 0);
}

std::uint32_t FrameRateScale(double framesPerSecond) {
    if (!std::isfinite(framesPerSecond) || framesPerSecond <= 0) return 0;
    const double scale = std::round(1000000.0 / framesPerSecond);
    if (!(scale >= 1.0 && scale <= 4294967295.0)) return 0;
    return static_cast<std::uint32_t>(scale);
}

TPatchResult PatchAviCodec(const std::filesystem::path& fileName, TFourCC codec,
                           TReadOnlyFile readOnly) {
    return Patch(fileName, readOnly, [codec](const TAviHeaderPositions& at) {
        std::vector<TWrite> writes;
        if (at.CodecPos < 0) return writes;
        writes.push_back(Write32(at.CodecPos, codec));
        if (at.CompressionPos >= 0) writes.push_back(Write32(at.CompressionPos, codec));
        return writes;
    });
}

TPatchResult PatchAviFrameRate(const std::filesystem::path& fileName, double framesPerSecond,
                               TReadOnlyFile readOnly) {
    const std::uint32_t scale = FrameRateScale(framesPerSecond);
    if (scale == 0) return {TPatchStatus::BadValue, {}};
    return Patch(fileName, readOnly, [scale](const TAviHeaderPositions& at) {
        std::vector<TWrite> writes;
        if (at.ScalePos < 0) return writes;
        // Scale and Rate side by side, in one write.
        TWrite w;
        w.Pos = static_cast<std::uint64_t>(at.ScalePos);
        w.Count = 8;
        PutLe32(std::span(w.Bytes).first<4>(), scale);
        PutLe32(std::span(w.Bytes).subspan<4, 4>(), kPatchedRate);
        writes.push_back(w);
        return writes;
    });
}

const char* PatchStatusMessage(TPatchStatus status) {
    switch (status) {
        case TPatchStatus::Written:
            return "L'en-tête du fichier a été modifié";
        case TPatchStatus::NoPosition:
            return "Aucun en-tête de flux vidéo à modifier dans ce fichier";
        case TPatchStatus::BadValue:
            return "Fréquence d'images invalide";
        case TPatchStatus::ReadOnly:
            return "Le fichier est en lecture seule";
        case TPatchStatus::OpenFailed:
            return "Impossible d'ouvrir le fichier en écriture";
        case TPatchStatus::Changed:
            return "Le fichier a changé pendant sa lecture : rien n'a été écrit";
        case TPatchStatus::WriteFailed:
            return "L'écriture dans le fichier a échoué : rien n'a été modifié";
        case TPatchStatus::ModeNotRestored:
            return "L'en-tête a été modifié mais le fichier n'a pu être remis en lecture seule";
    }
    return "";
}

}  // namespace tavrel
