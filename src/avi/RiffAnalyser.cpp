#include "avi/RiffAnalyser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <exception>

#ifndef TAVREL_VERSION_TEXT
#define TAVREL_VERSION_TEXT ""
#endif

namespace tavrel {

namespace {

// RIFF trees of real files are a few levels deep; deeper lists are listed but
// not entered, so that a crafted file cannot exhaust the stack.
constexpr int kMaxDepth = 16;
// INFO texts are shown up to this many bytes.
constexpr std::size_t kMaxInfoText = 4096;

constexpr TFourCC kFcc01wb = MakeFourCC('0', '1', 'w', 'b');
constexpr TFourCC kFcc00dc = MakeFourCC('0', '0', 'd', 'c');
constexpr TFourCC kFcc00db = MakeFourCC('0', '0', 'd', 'b');

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t FromCp1252(std::uint8_t b) {
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    if (b >= 0x80 && b < 0xA0) return kHigh[b - 0x80];
    return b;
}

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<std::uint8_t>(s[i]);
        int more = 0;
        char32_t c = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            more = 1;
            c = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            more = 2;
            c = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            more = 3;
            c = b & 0x07;
        } else {
            return false;
        }
        if (s.size() - i <= static_cast<std::size_t>(more)) return false;
        for (int k = 1; k <= more; ++k) {
            const auto n = static_cast<std::uint8_t>(s[i + k]);
            if ((n & 0xC0) != 0x80) return false;
            c = (c << 6) | (n & 0x3F);
        }
        static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
        if (c < kMin[more] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

// Characters, not bytes: titles are centred on what is shown.
int Utf8Length(std::string_view s) {
    int n = 0;
    for (char c : s)
        if ((static_cast<std::uint8_t>(c) & 0xC0) != 0x80) ++n;
    return n;
}

std::string WithoutControls(std::string s) {
    for (char& c : s)
        if (static_cast<std::uint8_t>(c) < 32) c = ' ';
    return s;
}

std::string Hex(std::uint64_t value, int digits) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%0*llX", digits, static_cast<unsigned long long>(value));
    return buf;
}

std::string Dec(std::int64_t value) {
    return std::to_string(value);
}

// Four characters, a byte below 32 shown as a space, ready for the mark-up.
std::string FourCCText(TFourCC code) {
    std::string s;
    for (int i = 0; i < 4; ++i) {
        const auto b = static_cast<std::uint8_t>((code >> (8 * i)) & 0xFF);
        AppendUtf8(s, b < 32 ? U' ' : FromCp1252(b));
    }
    return EscapeMarkup(s);
}

bool IsIndexChunk(TFourCC id) {
    if (id == kFccIndx) return true;
    // The OpenDML standard index chunks "ix##" (and the "##ix" some writers use).
    const std::string s = FourCCBytes(id);
    return s.find("ix") != std::string::npos;
}

std::string DefaultProgramText() {
    std::string text = "Tavrel";
    if (*TAVREL_VERSION_TEXT) text += std::string(" ") + TAVREL_VERSION_TEXT;
    return text;
}

std::tm Now() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

}  // namespace

std::string EscapeMarkup(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '<')
            out += "<<>";
        else
            out += c;
    }
    return out;
}

std::string ExternalText(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    for (char c : bytes) AppendUtf8(out, FromCp1252(static_cast<std::uint8_t>(c)));
    return out;
}

std::string StripMarkup(std::string_view line) {
    std::string out;
    bool inTag = false;
    std::string tag;
    for (char c : line) {
        if (!inTag) {
            if (c == '<') {
                inTag = true;
                tag.clear();
            } else {
                out += c;
            }
        } else if (c == '<') {
            out += '<';
        } else if (c == '>') {
            inTag = false;
            // The tag name is what comes before the first blank, trimmed.
            const auto first = tag.find_first_not_of(' ');
            std::string name = first == std::string::npos ? "" : tag.substr(first);
            name = name.substr(0, name.find(' '));
            for (char& n : name) n = static_cast<char>(std::toupper(static_cast<unsigned char>(n)));
            if (name == "BR") out += '\n';
        } else {
            tag += c;
        }
    }
    return out;
}

std::string JoinReport(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + '\n';
    return text;
}

std::string PlainTextOfReport(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += StripMarkup(line) + '\n';
    return text;
}

// ---------------------------------------------------------------------------

TRiffAnalyser::TRiffAnalyser(TRiffReportOptions options) : m_options(std::move(options)) {
    if (m_options.ProgramText.empty()) m_options.ProgramText = DefaultProgramText();
}

TRiffReport TRiffAnalyser::AnalyseFile(const std::filesystem::path& fileName) {
    std::error_code ec;
    if (!std::filesystem::exists(fileName, ec)) return {};
    TFileSource file;
    TRiffReport report;
    report.OpenError = file.Open(fileName, TFileSource::TMode::ReadOnly);
    if (report.OpenError) return report;
    return AnalyseSource(file, fileName);
}

TRiffReport TRiffAnalyser::AnalyseSource(TByteSource& source,
                                         const std::filesystem::path& fileName) {
    m_source = &source;
    m_fileSize = source.Size();
    m_lines.clear();
    m_cancelled = false;
    m_endOfFile = false;
    m_kind = TKind::Unknown;

    std::error_code ec;
    std::filesystem::path fullName = std::filesystem::absolute(fileName, ec);
    if (ec) fullName = fileName;
    const std::tm at = m_options.AnalysedAt ? *m_options.AnalysedAt : Now();
    char date[32];
    char time[32];
    std::snprintf(date, sizeof date, "%d/%02d/%04d", at.tm_mday, at.tm_mon + 1, at.tm_year + 1900);
    std::snprintf(time, sizeof time, "%d:%02d:%02d", at.tm_hour, at.tm_min, at.tm_sec);

    m_lines.push_back("<COLOR Blue><B>" + std::string(kLineWidth, '-'));
    Empty();
    Title("", '*', "  En-tête du fichier " + ExternalText(fileName.filename().string()) + "  ");
    Empty();
    Title("", ' ', std::string("analysée le ") + date + " à " + time);
    Title("", ' ', "avec " + m_options.ProgramText);
    Empty();
    Title("", '-', "Début du RIFF Avi");
    m_lines.push_back("</B></COLOR>");

    try {
        std::uint64_t remaining = m_fileSize;
        std::uint64_t pos = 0;
        while (remaining > 0 && !m_cancelled) {
            const std::uint64_t walked = ReportChunk(pos, 0, true);
            if (m_endOfFile || m_cancelled || walked == kChunkHeaderSize) break;
            remaining -= std::min(walked, remaining);
            pos += walked;
        }
    } catch (const std::exception&) {
        // Out of memory on a monstrous report: what was built is shown.
    }

    Empty();
    if (m_cancelled) {
        Title("", '-', "Annulé par l'utilisateur");
        Empty();
    } else if (m_endOfFile) {
        Title("<COLOR Red><B>", ' ', "Fin du fichier inattendue");
        m_lines.push_back("</B></COLOR>");
    }
    Title("", '-', " Fin de l'en-tête ");
    Title("", ' ', ExternalText(fullName.string()));
    Empty();
    Rule();

    m_source = nullptr;
    TRiffReport report;
    report.Lines = std::move(m_lines);
    report.Cancelled = m_cancelled;
    report.UnexpectedEnd = m_endOfFile;
    m_lines.clear();
    return report;
}

bool TRiffAnalyser::Read(std::uint64_t pos, std::uint64_t size, std::span<std::uint8_t> out) {
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size, out.size()));
    if (m_source->ReadAt(pos, out.first(n))) return true;
    m_endOfFile = true;
    return false;
}

std::uint64_t TRiffAnalyser::ReportChunk(std::uint64_t pos, int level, bool topLevel) {
    if (m_cancelled) return 0;
    if (m_options.KeepGoing && !m_options.KeepGoing()) {
        m_cancelled = true;
        return 0;
    }
    std::array<std::uint8_t, kChunkHeaderSize> header{};
    if (!Read(pos, header.size(), header)) return 0;
    const TFourCC id = Le32(header, 0);
    const std::uint32_t declared = Le32(header, 4);

    if (topLevel && id != kFccRiff) {
        m_lines.push_back("<COLOR Red>>>> Il y a " + Hex(m_fileSize - pos, 8) +
                          " octets de déchets à la fin du fichier</COLOR>");
        return kChunkHeaderSize;
    }

    const std::string indent(static_cast<std::size_t>(4 * level), ' ');
    if (id != kFcc01wb && id != kFcc00dc && id != kFcc00db)
        Plain(indent + FourCCText(id) + "  " + Hex(declared, 8));

    const std::uint64_t payload = pos + kChunkHeaderSize;
    const std::uint64_t left = m_fileSize - payload;
    std::uint64_t size = std::uint64_t(declared) + (declared & 1u);
    if (declared > left) {
        m_lines.push_back("<COLOR Red>" + indent + ">>> Mauvaise longueur du chunk:");
        m_lines.push_back(indent + ">>> " + Hex(declared, 8) + " au lieu de " + Hex(left, 8) +
                          "</COLOR>");
    }
    // Cut to the file; a pad byte missing at the very end is no error.
    size = std::min(size, left);
    const std::uint64_t walked = size + kChunkHeaderSize;
    if (size == 0) return walked;
    // Structures are read as far as the chunk declares them: a chunk shorter
    // than its structure decodes with zeros, a structure cut by the end of
    // the file is a short read.

    if (id == kFccRiff || id == kFccList) {
        if (declared < kListTypeSize) return walked;
        std::array<std::uint8_t, kListTypeSize> type{};
        if (!Read(payload, type.size(), type)) return 0;
        const TFourCC listType = Le32(type, 0);
        Plain(indent + FourCCText(listType));
        if (listType == kFccMovi || level >= kMaxDepth) return walked;
        std::uint64_t child = payload + kListTypeSize;
        std::uint64_t rest = size - kListTypeSize;
        while (rest > 7) {
            const std::uint64_t len = ReportChunk(child, level + 1, false);
            if (len == 0) return 0;
            if (len > rest) break;
            child += len;
            rest -= len;
        }
    } else if (id == kFccStrh) {
        std::array<std::uint8_t, kStreamHeaderSize> bytes{};
        if (!Read(payload, declared, bytes)) return 0;
        ReportStreamHeader(indent, bytes);
    } else if (id == kFccAvih) {
        std::array<std::uint8_t, kMainHeaderSize> bytes{};
        Empty();
        Title(indent, '-', " Début du AVI Main Header ");
        if (!Read(payload, declared, bytes)) return 0;
        ReportMainHeader(indent, bytes);
        Title(indent, '-', " Fin du AVI Main Header ");
        Empty();
    } else if (id == kFccStrf) {
        if (!ReportStreamFormat(indent, payload, declared)) return 0;
    } else if (IsIndexChunk(id)) {
        std::array<std::uint8_t, kIndexHeaderSize> bytes{};
        if (!Read(payload, declared, bytes)) return 0;
        Empty();
        Title(indent, '-', "Début d'un Index");
        ReportIndexHeader(indent, bytes);
        Title(indent, '-', "Fin de l'Index");
        Empty();
    } else if (id == kFccIdx1) {
        // The legacy index is media bookkeeping: not read.
    } else if ((id & 0xFF) == 'I') {
        // INFO entries: a NUL-terminated text.
        std::string text(static_cast<std::size_t>(std::min<std::uint64_t>(
                             {std::uint64_t(declared), left, kMaxInfoText})),
                         '\0');
        if (!Read(payload, text.size(),
                  std::span(reinterpret_cast<std::uint8_t*>(text.data()), text.size())))
            return 0;
        text.resize(std::min(text.size(), text.find('\0')));
        Plain(indent + "<i><COLOR Green>" + EscapeMarkup(ExternalText(text)) + "</COLOR></i>");
    }
    // Whatever of the chunk is left unread is passed over by its size.
    return walked;
}

bool TRiffAnalyser::ReportStreamFormat(const std::string& indent, std::uint64_t payload,
                                       std::uint64_t size) {
    switch (m_kind) {
        case TKind::Video: {
            std::array<std::uint8_t, kBitmapInfoHeaderSize> bytes{};
            Empty();
            Title(indent, '-', "Début du Stream Format Header");
            if (!Read(payload, size, bytes)) return false;
            const TBitmapInfoHeader h = TBitmapInfoHeader::Decode(bytes);
            Plain(indent + "biSize = " + Dec(h.Size));
            Plain(indent + "biWidth = " + Dec(h.Width));
            Plain(indent + "biHeight = " + Dec(h.Height));
            Plain(indent + "biPlanes = " + Dec(h.Planes));
            Plain(indent + "biBitCount = " + Dec(h.BitCount));
            Plain(indent + "biCompression = " + FourCCText(h.Compression));
            Plain(indent + "biSizeImage = " + Dec(h.SizeImage));
            Plain(indent + "biXPelsPerMeter = " + Dec(h.XPelsPerMeter));
            Plain(indent + "biYPelsPerMeter = " + Dec(h.YPelsPerMeter));
            Plain(indent + "biClrUsed = " + Dec(h.ClrUsed));
            Plain(indent + "biClrImportant = " + Dec(h.ClrImportant));
            const std::uint64_t after =
                size > kBitmapInfoHeaderSize ? size - kBitmapInfoHeaderSize : 0;
            if (after > 31 && IsDvCompression(h.Compression)) {
                std::array<std::uint8_t, kDvInfoSize> dv{};
                Title(indent, '-', "Début de DVInfo");
                if (!Read(payload + kBitmapInfoHeaderSize, dv.size(), dv)) return false;
                ReportDvInfo(indent, dv);
                Title(indent, '-', "Fin de DVINfo");
            }
            Title(indent, '-', "Fin du AVI Stream Format");
            Empty();
            return true;
        }
        case TKind::Audio: {
            std::array<std::uint8_t, kWaveFormatExSize> bytes{};
            Empty();
            Title(indent, '-', "Début du Stream Format Header");
            if (!Read(payload, size, bytes)) return false;
            const TWaveFormatEx w = TWaveFormatEx::Decode(bytes);
            Plain(indent + "FormatTag = " + Dec(w.FormatTag));
            Plain(indent + "Channels = " + Dec(w.Channels));
            Plain(indent + "SamplesPerSec = " + Dec(w.SamplesPerSec));
            Plain(indent + "AvgBytesPerSec = " + Dec(w.AvgBytesPerSec));
            Plain(indent + "BlockAlign = " + Dec(w.BlockAlign));
            Plain(indent + "BitsPerSample = " + Dec(w.BitsPerSample));
            Plain(indent + "cbSize = " + Dec(w.CbSize));
            Title(indent, '-', "Fin du AVI Stream Format");
            Empty();
            return true;
        }
        case TKind::Interleaved: {
            std::array<std::uint8_t, kDvInfoSize> dv{};
            Empty();
            Title(indent, '-', "Début de DVInfo");
            if (!Read(payload, size, dv)) return false;
            ReportDvInfo(indent, dv);
            Title(indent, '-', "Fin de DVINfo");
            Empty();
            return true;
        }
        case TKind::Unknown:
            return true;
    }
    return true;
}

void TRiffAnalyser::ReportStreamHeader(const std::string& indent,
                                       std::span<const std::uint8_t> bytes) {
    const TAviStreamHeader h = TAviStreamHeader::Decode(bytes);
    const char* kindText = "(Inconnu)";
    m_kind = TKind::Unknown;
    if (h.FourccType == kFccVids) {
        m_kind = TKind::Video;
        kindText = "(Vidéo)";
    } else if (h.FourccType == kFccAuds) {
        m_kind = TKind::Audio;
        kindText = "(Audio)";
    } else if (h.FourccType == kFccIavs) {
        m_kind = TKind::Interleaved;
        kindText = "(Entrelacé)";
    }
    Empty();
    Title(indent, '-', kindText);
    Title(indent, '-', "Début du AVI Stream Header");
    Plain(indent + "FourccType = " + FourCCText(h.FourccType));
    Plain(indent + "FourccHandler = " + FourCCText(h.FourccHandler));
    Plain(indent + "Flags = " + Hex(h.Flags, 8));
    Plain(indent + "Priority = " + Dec(h.Priority));
    Plain(indent + "Language = " + Hex(h.Language, 4));
    Plain(indent + "InitialFrames = " + Dec(h.InitialFrames));
    Plain(indent + "Scale = " + Dec(h.Scale));
    Plain(indent + "Rate = " + Dec(h.Rate));
    Plain(indent + "Start = " + Dec(h.Start));
    Plain(indent + "Length = " + Dec(h.Length));
    Plain(indent + "SuggestedBufferSize = " + Dec(h.SuggestedBufferSize));
    Plain(indent + "Quality = " + Hex(h.Quality, 8));
    Plain(indent + "SampleSize = " + Dec(h.SampleSize));
    Plain(indent + "rcFrame.Left = " + Dec(h.FrameLeft));
    Plain(indent + "rcFrame.Top = " + Dec(h.FrameTop));
    Plain(indent + "rcFrame.Right = " + Dec(h.FrameRight));
    Plain(indent + "rcFrame.Bottom = " + Dec(h.FrameBottom));
    Title(indent, '-', "Fin du AVI Stream Header");
    Empty();
}

void TRiffAnalyser::ReportMainHeader(const std::string& indent,
                                     std::span<const std::uint8_t> bytes) {
    const TAviMainHeader h = TAviMainHeader::Decode(bytes);
    Plain(indent + "MicroSecPerFrame = " + Dec(h.MicroSecPerFrame));
    Plain(indent + "MaxBytesPerSec = " + Dec(h.MaxBytesPerSec));
    Plain(indent + "PaddingGranularity = " + Dec(h.PaddingGranularity));
    Plain(indent + "Flags = " + Hex(h.Flags, 8));
    Plain(indent + "TotalFrames = " + Dec(h.TotalFrames));
    Plain(indent + "InitialFrames = " + Dec(h.InitialFrames));
    Plain(indent + "Streams = " + Dec(h.Streams));
    Plain(indent + "SuggestedBufferSize = " + Dec(h.SuggestedBufferSize));
    Plain(indent + "Width = " + Dec(h.Width));
    Plain(indent + "Height = " + Dec(h.Height));
    for (std::size_t i = 0; i < h.Reserved.size(); ++i)
        Plain(indent + "Reserved" + std::to_string(i) + " = " + Hex(h.Reserved[i], 8));
}

void TRiffAnalyser::ReportDvInfo(const std::string& indent, std::span<const std::uint8_t> bytes) {
    const TDvInfo d = TDvInfo::Decode(bytes);
    Plain(indent + "DVAAuxSrc = " + Hex(d.DVAAuxSrc, 8));
    Plain(indent + "DVAAuxCtl = " + Hex(d.DVAAuxCtl, 8));
    Plain(indent + "DVAAuxSrc1 = " + Hex(d.DVAAuxSrc1, 8));
    Plain(indent + "DVAAuxCtl1 = " + Hex(d.DVAAuxCtl1, 8));
    Plain(indent + "DVVAuxSrc = " + Hex(d.DVVAuxSrc, 8));
    Plain(indent + "DVVAuxCtl = " + Hex(d.DVVAuxCtl, 8));
    Plain(indent + "DVReserved0 = " + Hex(d.DVReserved[0], 8));
    Plain(indent + "DVReserved1 = " + Hex(d.DVReserved[1], 8));
}

void TRiffAnalyser::ReportIndexHeader(const std::string& indent,
                                      std::span<const std::uint8_t> bytes) {
    const TAviIndexHeader h = TAviIndexHeader::Decode(bytes);
    Plain(indent + "wLongsPerEntry = " + Hex(h.LongsPerEntry, 4));
    Plain(indent + "bIndexSubType = " + Dec(h.IndexSubType));
    Plain(indent + "bIndexType = " + Dec(h.IndexType));
    Plain(indent + "nEntriesInUse = " + Hex(h.EntriesInUse, 8));
    Plain(indent + "dwChunkId = " + FourCCText(h.ChunkId));
    Plain(indent + "qwBaseOffset = " + Hex(h.BaseOffset, 16));
    Plain(indent + "dwReserved_3 = " + Hex(h.Reserved3, 8));
}

void TRiffAnalyser::Plain(std::string text) {
    m_lines.push_back(WithoutControls(std::move(text)));
}

void TRiffAnalyser::Title(std::string_view prefix, char fill, std::string_view text) {
    const std::string shown = WithoutControls(std::string(text));
    const int n = (kLineWidth - Utf8Length(prefix) - Utf8Length(shown)) / 2;
    const std::string fills(n > 0 ? static_cast<std::size_t>(n) : 0, fill);
    m_lines.push_back("<B><COLOR Blue>" + std::string(prefix) + fills + EscapeMarkup(shown) +
                      fills + "</COLOR></B>");
}

void TRiffAnalyser::Rule() {
    m_lines.push_back(std::string(kLineWidth, '-'));
}

}  // namespace tavrel
