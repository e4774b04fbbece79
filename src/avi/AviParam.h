#pragma once
// The AVI reader: walks the RIFF tree of an AVI file once, at construction,
// and keeps what the headers declare: the main and OpenDML headers, and for
// each 'LIST strl' its stream header, its format and the start of its
// OpenDML index. Media data is never read: 'LIST movi' and 'idx1' are passed
// by position only, so even a multi-gigabyte OpenDML file costs a few dozen
// small reads. Files whose headers run past the end of the file (an
// interrupted capture) or break the RIFF rules at the top level stop the walk
// there; what was walked before stays valid.
//
// Typical use:
//     TFriendlyAviParam avi(fileName);
//     if (avi.IsAvi()) codec = avi.CodecFourCC();
//
// Nothing here throws: a file that cannot be opened gives Opened() false and
// OpenError(), a broken file gives IsAvi() false. After construction the
// object is read-only and no longer holds the file open.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "avi/RiffSource.h"
#include "avi/RiffStructs.h"

namespace tavrel {

// One stream of an AVI file, as its 'LIST strl' declares it.
class TAvistream {
  public:
    // The bytes of 'indx' kept: its 24-byte header and its first four entries.
    static constexpr std::size_t kIndexBytes = 88;
    // At most this much of a 'strf' payload is kept; real formats are far
    // smaller, a corrupt size must not make the reader allocate gigabytes.
    static constexpr std::size_t kMaxFormatBytes = 64 * 1024;

    // The 'strh' payload (its first 56 bytes; zeros where the chunk was shorter).
    const std::array<std::uint8_t, kStreamHeaderSize>& HeaderBytes() const { return m_header; }
    TAviStreamHeader Header() const { return TAviStreamHeader::Decode(m_header); }
    TFourCC FourccType() const { return Le32(m_header, kStrhTypeOffset); }
    TFourCC FourccHandler() const { return Le32(m_header, kStrhHandlerOffset); }
    // Rate / Scale; 0 when Scale is 0.
    double FrameRate() const;

    // The 'strf' payload (empty when the stream has none), and the size the
    // chunk declares (larger than Format().size() only past kMaxFormatBytes).
    const std::vector<std::uint8_t>& Format() const { return m_format; }
    std::uint32_t DeclaredFormatSize() const { return m_declaredFormatSize; }
    // The format decoded as what the stream type says it holds. Bitmap and
    // wave formats decode with zeros past a short payload.
    bool HasBitmapInfo() const;  // "vids" with a 40-byte bitmap header
    TBitmapInfoHeader BitmapInfo() const { return TBitmapInfoHeader::Decode(m_format); }
    TWaveFormatEx WaveFormat() const { return TWaveFormatEx::Decode(m_format); }
    // The DV format block: the whole format of an "iavs" stream, or the 32
    // bytes after the bitmap header of a "vids" stream with a DV compression.
    bool HasDvInfo() const;
    TDvInfo DvInfo() const;

    // The OpenDML index of the stream ('indx' in the strl), when it has one.
    bool HasIndex() const { return m_indexEntriesPosition != 0; }
    const std::array<std::uint8_t, kIndexBytes>& IndexBytes() const { return m_index; }
    // File position of the first index entry (just after the 24-byte header).
    std::uint64_t IndexEntriesPosition() const { return m_indexEntriesPosition; }
    TAviIndexHeader IndexHeader() const { return TAviIndexHeader::Decode(m_index); }
    // The entries kept of a super index (index of indexes): at most four, and
    // no more than it declares in use; empty for any other kind of index.
    std::vector<TSuperIndexEntry> SuperIndexEntries() const;

  private:
    friend class TAviParam;
    std::array<std::uint8_t, kStreamHeaderSize> m_header{};
    std::vector<std::uint8_t> m_format;
    std::uint32_t m_declaredFormatSize = 0;
    std::array<std::uint8_t, kIndexBytes> m_index{};
    std::uint64_t m_indexEntriesPosition = 0;
};

// The reader object: one walk of one AVI file.
class TAviParam {
  public:
    // More 'LIST strl' than this are not kept (chunk ids number streams with
    // two characters; a corrupt file must not grow the table without bound).
    static constexpr std::size_t kMaxStreams = 256;

    // Opens the file read-only and walks it.
    explicit TAviParam(const std::filesystem::path& fileName);
    // Walks bytes the caller provides (tests, benchmarks counting the reads).
    explicit TAviParam(TByteSource& source);
    virtual ~TAviParam() = default;

    TAviParam(const TAviParam&) = delete;
    TAviParam& operator=(const TAviParam&) = delete;

    // False when the file could not be opened; OpenError() then says why.
    bool Opened() const { return !m_openError; }
    const std::error_code& OpenError() const { return m_openError; }
    std::uint64_t FileSize() const { return m_fileSize; }

    // True once a RIFF chunk of an AVI form type ("AVI ", "AVIX", any case)
    // was walked without error.
    bool IsAvi() const { return m_isAvi; }
    // How many RIFF chunks were walked whole: 1 for a plain AVI file, more
    // with the AVIX RIFFs of an OpenDML file.
    int RiffCount() const { return m_riffCount; }

    // One entry per 'LIST strl', in file order.
    const std::vector<TAvistream>& Streams() const { return m_streams; }
    // First stream of type "auds"; -1 when none.
    std::int32_t AudioStreamIndex() const { return m_audioStreamIndex; }
    // First stream of type "vids" or "iavs"; -1 when none.
    std::int32_t VideoStreamIndex() const { return m_videoStreamIndex; }
    const TAvistream* VideoStream() const;
    const TAvistream* AudioStream() const;
    // The FourccHandler of VideoStream(): its 4 bytes in file order, exactly
    // as stored; "####" when there is no video stream.
    std::string CodecFourCC() const;

    // File position of the data of the last 'LIST movi' met (just after its
    // list type); 0 when none.
    std::uint64_t MoviPosition() const { return m_moviPosition; }
    // File position of the payload of 'idx1'; 0 when none.
    std::uint64_t Idx1Position() const { return m_idx1Position; }
    // A 'LIST odml' was met.
    bool HasOdml() const { return m_hasOdml; }

    // Payload of 'avih' (zeros where it was shorter, or when missing).
    const std::array<std::uint8_t, kMainHeaderSize>& MainHeaderBytes() const {
        return m_mainHeader;
    }
    TAviMainHeader MainHeader() const { return TAviMainHeader::Decode(m_mainHeader); }
    // Payload of 'dmlh'; its first 32-bit word is the total frame count of
    // every RIFF of an OpenDML file.
    const std::array<std::uint8_t, kExtendedHeaderSize>& ExtendedHeaderBytes() const {
        return m_extendedHeader;
    }
    std::uint32_t OdmlTotalFrames() const { return Le32(m_extendedHeader, 0); }

  private:
    struct TChunkHeader {
        TFourCC Id = 0;
        std::uint32_t Size = 0;
        std::uint64_t Payload = 0;  // file position of the payload
    };

    void Walk(TByteSource& source);
    bool ReadChunkHeader(std::uint64_t pos, TChunkHeader& out);
    bool ReadListType(const TChunkHeader& chunk, TFourCC& type);
    // Reads min(size, out.size()) bytes of a payload; the rest of out is zeroed.
    bool ReadPayload(std::uint64_t pos, std::uint64_t size, std::span<std::uint8_t> out);
    bool ParseAviContent(std::uint64_t begin, std::uint64_t end);
    bool ParseHdrl(std::uint64_t begin, std::uint64_t end);
    bool ParseStrl(std::uint64_t begin, std::uint64_t end);
    bool ParseOdml(std::uint64_t begin, std::uint64_t end);

    TByteSource* m_source = nullptr;  // only during the walk
    std::error_code m_openError;
    std::uint64_t m_fileSize = 0;
    std::vector<TAvistream> m_streams;
    std::int32_t m_audioStreamIndex = -1;
    std::int32_t m_videoStreamIndex = -1;
    bool m_isAvi = false;
    int m_riffCount = 0;
    std::uint64_t m_moviPosition = 0;
    std::uint64_t m_idx1Position = 0;
    bool m_hasOdml = false;
    std::array<std::uint8_t, kMainHeaderSize> m_mainHeader{};
    std::array<std::uint8_t, kExtendedHeaderSize> m_extendedHeader{};
};

// The class the media file record creates; it adds nothing to the reader.
class TFriendlyAviParam : public TAviParam {
  public:
    using TAviParam::TAviParam;
};

}  // namespace tavrel
