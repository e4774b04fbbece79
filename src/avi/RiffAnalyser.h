#pragma once
// The RIFF header analyser: a diagnostic report of an AVI file's RIFF
// structure. Every chunk is listed with its size, the AVI headers (main
// header, stream headers, bitmap and wave formats, DV format blocks, OpenDML
// index headers) are decoded field by field, INFO texts are shown, and
// inconsistencies are marked in red: a chunk that runs past the end of the
// file, bytes after the last RIFF chunk, an early end of file. Media data is
// never read ('movi' lists and 'idx1' are skipped).
//
// The report is a list of lines in the rich-label mark-up ("<B>", "<COLOR
// Blue>", ...), UTF-8. Text that comes from the file (names, FourCCs, INFO
// texts) is escaped so that it can never be taken for mark-up. The report
// window shows the lines; PlainTextOfReport() gives what a terminal prints.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "avi/RiffSource.h"
#include "avi/RiffStructs.h"

namespace tavrel {

struct TRiffReportOptions {
    // Follows "avec " in the report header; the program's name and version
    // when empty.
    std::string ProgramText;
    // Local date and time printed as the moment of the analysis; now when empty.
    std::optional<std::tm> AnalysedAt;
    // Asked before each chunk (a window processes its events there); false
    // cancels the analysis.
    std::function<bool()> KeepGoing;
};

struct TRiffReport {
    std::vector<std::string> Lines;
    bool Cancelled = false;
    bool UnexpectedEnd = false;  // a read came up short
    // The file exists but could not be opened; Lines is then empty.
    std::error_code OpenError;
};

class TRiffAnalyser {
  public:
    // Width of the rules and of the centred titles.
    static constexpr int kLineWidth = 50;

    explicit TRiffAnalyser(TRiffReportOptions options = {});

    // The report of a file; an empty report when the file does not exist.
    TRiffReport AnalyseFile(const std::filesystem::path& fileName);
    // The report of bytes the caller provides, shown under fileName.
    TRiffReport AnalyseSource(TByteSource& source, const std::filesystem::path& fileName);

  private:
    enum class TKind { Unknown, Video, Audio, Interleaved };

    // Reports the chunk at pos and what it holds; returns the bytes it takes
    // (header and pad included, cut to the end of the file), 0 after a short
    // read or a cancel, and 8 for bytes after the last RIFF at the top level.
    std::uint64_t ReportChunk(std::uint64_t pos, int level, bool topLevel);
    // Reads min(size, out.size()) bytes, zeros after; false (and the end of
    // file flag) on a short read.
    bool Read(std::uint64_t pos, std::uint64_t size, std::span<std::uint8_t> out);

    void ReportStreamHeader(const std::string& indent, std::span<const std::uint8_t> bytes);
    void ReportMainHeader(const std::string& indent, std::span<const std::uint8_t> bytes);
    bool ReportStreamFormat(const std::string& indent, std::uint64_t payload, std::uint64_t size);
    void ReportDvInfo(const std::string& indent, std::span<const std::uint8_t> bytes);
    void ReportIndexHeader(const std::string& indent, std::span<const std::uint8_t> bytes);

    void Plain(std::string text);
    void Title(std::string_view prefix, char fill, std::string_view text);
    void Rule();
    void Empty() { m_lines.emplace_back(); }

    TRiffReportOptions m_options;
    TByteSource* m_source = nullptr;
    std::uint64_t m_fileSize = 0;
    std::vector<std::string> m_lines;
    bool m_cancelled = false;
    bool m_endOfFile = false;
    TKind m_kind = TKind::Unknown;
};

// The lines as one text, each ending with a line feed (what the rich label
// is given).
std::string JoinReport(const std::vector<std::string>& lines);
// The lines with the mark-up removed, each ending with a line feed.
std::string PlainTextOfReport(const std::vector<std::string>& lines);
// One line with its mark-up removed, by the rules of the tag language: a tag
// runs from '<' to the next '>', a '<' inside a tag is a literal '<', and the
// BR tag is a line break.
std::string StripMarkup(std::string_view line);
// Text shown as it is, whatever it holds: every '<' becomes "<<>", which the
// tag language shows as a single '<'.
std::string EscapeMarkup(std::string_view text);
// Bytes from a file as UTF-8: kept when they are valid UTF-8, else read as
// Windows-1252.
std::string ExternalText(std::string_view bytes);

}  // namespace tavrel
