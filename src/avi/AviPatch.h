#pragma once
// Reading and overwriting, in place, the codec FourCC and the frame rate that
// an AVI file declares for its video. The fields are found by a fresh walk of
// the file's RIFF structure at every call (sizes cut to the end of the file,
// media data skipped), and only 4-byte values at those positions are ever
// written: nothing moves, nothing else changes. When anything is in doubt
// (no video stream header, a header too short for the field, the structure
// changed between two walks, a value that makes no frame rate) nothing is
// written and the failure is returned.

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "avi/RiffSource.h"
#include "avi/RiffStructs.h"

namespace tavrel {

// Where the patchable fields lie; -1 when not found.
struct TAviHeaderPositions {
    // FourccHandler of the last video ("vids" or "iavs") stream header.
    std::int64_t CodecPos = -1;
    // Scale of the same stream header; Rate follows at ScalePos + 4.
    std::int64_t ScalePos = -1;
    // biCompression of the bitmap header of that same stream, when it is a
    // "vids" stream with a format of at least 40 bytes.
    std::int64_t CompressionPos = -1;

    friend bool operator==(const TAviHeaderPositions&, const TAviHeaderPositions&) = default;
};

// Walks the file read-only. A missing, unreadable or non-RIFF file gives no
// positions.
TAviHeaderPositions ScanAviHeaders(const std::filesystem::path& fileName);
TAviHeaderPositions ScanAviHeaders(TByteSource& source);

// The 4 bytes at CodecPos as a FourCC; 0 when there is none.
TFourCC ReadAviCodec(const std::filesystem::path& fileName);

// What to do with a read-only file (the owner's write permission missing).
enum class TReadOnlyFile {
    Refuse,        // write nothing and report ReadOnly
    LiftForWrite,  // add the permission for the write, then put the mode back exactly
};

enum class TPatchStatus {
    Written = 1,
    NoPosition,       // the file declares no video stream header to patch (or no such file)
    BadValue,         // a frame rate that gives no 32-bit scale
    ReadOnly,         // read-only and Refuse, or its permission could not be lifted
    OpenFailed,       // the file could not be opened for writing
    Changed,          // the structure changed between the two walks
    WriteFailed,      // a write did not go through (what had been written is put back)
    ModeNotRestored,  // written, but the read-only mode could not be put back
};

struct TPatchResult {
    TPatchStatus Status = TPatchStatus::NoPosition;
    std::error_code Error;  // the file system's error, when one caused the status
    // True when the new value is in the file (ModeNotRestored included).
    explicit operator bool() const {
        return Status == TPatchStatus::Written || Status == TPatchStatus::ModeNotRestored;
    }
};

// A French sentence for the user, describing the status.
const char* PatchStatusMessage(TPatchStatus status);

// Writes the FourCC at CodecPos, and at CompressionPos when there is one.
TPatchResult PatchAviCodec(const std::filesystem::path& fileName, TFourCC codec,
                           TReadOnlyFile readOnly = TReadOnlyFile::Refuse);

// Writes Scale = round(1 000 000 / fps) and Rate = 1 000 000 into the video
// stream header, so that Rate / Scale gives the new frame rate. The main
// header and the other streams keep their values.
TPatchResult PatchAviFrameRate(const std::filesystem::path& fileName, double framesPerSecond,
                               TReadOnlyFile readOnly = TReadOnlyFile::Refuse);

// round(1 000 000 / fps): 40000 for 25, 33367 for 29.97; 0 when fps gives no
// scale between 1 and 2^32 - 1 (zero, negative, not a number, too small or large).
std::uint32_t FrameRateScale(double framesPerSecond);
inline constexpr std::uint32_t kPatchedRate = 1000000;

}  // namespace tavrel
