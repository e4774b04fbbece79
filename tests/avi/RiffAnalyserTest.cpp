#include "avi/RiffAnalyser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/RiffBuilder.h"

namespace tavrel {
namespace {

using test::Chunk;
using test::List;
using test::MakeDvAvi;
using test::Riff;
using test::TAviSpec;
using test::TBytes;
using test::TRiffImage;

TRiffReportOptions FixedOptions() {
    TRiffReportOptions options;
    options.ProgramText = "Tavrel 9.9";
    std::tm at{};
    at.tm_year = 2024 - 1900;
    at.tm_mon = 6;
    at.tm_mday = 8;
    at.tm_hour = 9;
    at.tm_min = 5;
    at.tm_sec = 3;
    options.AnalysedAt = at;
    return options;
}

TRiffReport Analyse(const TBytes& bytes, TRiffReportOptions options = FixedOptions()) {
    TMemorySource source(bytes);
    return TRiffAnalyser(std::move(options)).AnalyseSource(source, "/films/clip.avi");
}

std::vector<std::string> PlainLines(const TRiffReport& report) {
    std::vector<std::string> lines;
    for (const auto& l : report.Lines) lines.push_back(StripMarkup(l));
    return lines;
}

// A plain line without its indentation and title fill.
std::string Core(const std::string& line) {
    const auto first = line.find_first_not_of(" -*");
    if (first == std::string::npos) return "";
    return line.substr(first, line.find_last_not_of(" -*") - first + 1);
}

// Each expected text is, in this order, the core of some line.
void ExpectInOrder(const TRiffReport& report, const std::vector<std::string>& expected) {
    const auto lines = PlainLines(report);
    std::size_t at = 0;
    for (const std::string& e : expected) {
        while (at < lines.size() && Core(lines[at]) != e) ++at;
        ASSERT_LT(at, lines.size()) << "missing, or out of order: \"" << e << "\"";
        ++at;
    }
}

std::size_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

std::string Hex8(std::uint64_t v) {
    char buf[20];
    std::snprintf(buf, sizeof buf, "%08llX", static_cast<unsigned long long>(v));
    return buf;
}

TEST(RiffAnalyserReport, HeaderAndFooterLines) {
    const TRiffReport report = Analyse(MakeDvAvi({}).Bytes);
    const auto& l = report.Lines;
    ASSERT_GT(l.size(), 20u);
    const std::string rule(50, '-');
    EXPECT_EQ(l[0], "<COLOR Blue><B>" + rule);
    EXPECT_EQ(l[1], "");
    EXPECT_EQ(l[2], "<B><COLOR Blue>*********  En-tête du fichier clip.avi  *********</COLOR></B>");
    EXPECT_EQ(l[3], "");
    EXPECT_EQ(l[4], "<B><COLOR Blue>         analysée le 8/07/2024 à 9:05:03         </COLOR></B>");
    EXPECT_EQ(l[5], "<B><COLOR Blue>                 avec Tavrel 9.9                 </COLOR></B>");
    EXPECT_EQ(l[6], "");
    EXPECT_EQ(l[7], "<B><COLOR Blue>----------------Début du RIFF Avi----------------</COLOR></B>");
    EXPECT_EQ(l[8], "</B></COLOR>");
    EXPECT_EQ(l[9].substr(0, 6), "RIFF  ");

    const std::size_t n = l.size();
    EXPECT_EQ(l[n - 5], "");
    EXPECT_EQ(l[n - 4],
              "<B><COLOR Blue>---------------- Fin de l'en-tête ----------------</COLOR></B>");
    EXPECT_EQ(l[n - 3],
              "<B><COLOR Blue>                 /films/clip.avi                 </COLOR></B>");
    EXPECT_EQ(l[n - 2], "");
    EXPECT_EQ(l[n - 1], rule);
    EXPECT_FALSE(report.UnexpectedEnd);
    EXPECT_FALSE(report.Cancelled);
}

TEST(RiffAnalyserReport, StandardType2FileIsDecodedFieldByField) {
    const TRiffImage image = MakeDvAvi({});
    const TRiffReport report = Analyse(image.Bytes);
    ExpectInOrder(report, {"RIFF  " + Hex8(image.Bytes.size() - 8),
                           "AVI",
                           "hdrl",
                           "avih  00000038",
                           "Début du AVI Main Header",
                           "MicroSecPerFrame = 40000",
                           "Flags = 00000910",
                           "Streams = 2",
                           "Width = 720",
                           "Height = 576",
                           "Reserved3 = 00000000",
                           "Fin du AVI Main Header",
                           "strl",
                           "strh  00000038",
                           "(Vidéo)",
                           "Début du AVI Stream Header",
                           "FourccType = vids",
                           "FourccHandler = dvsd",
                           "Language = 0000",
                           "Scale = 1",
                           "Rate = 25",
                           "Quality = FFFFFFFF",
                           "rcFrame.Bottom = 576",
                           "Fin du AVI Stream Header",
                           "strf  00000048",
                           "Début du Stream Format Header",
                           "biSize = 40",
                           "biCompression = dvsd",
                           "biClrImportant = 0",
                           "Début de DVInfo",
                           "DVAAuxSrc = D0E0C000",
                           "DVVAuxSrc = FF20FF00",
                           "DVReserved1 = 00000000",
                           "Fin de DVINfo",
                           "Fin du AVI Stream Format",
                           "(Audio)",
                           "FourccType = auds",
                           "Début du Stream Format Header",
                           "FormatTag = 1",
                           "Channels = 2",
                           "SamplesPerSec = 48000",
                           "AvgBytesPerSec = 192000",
                           "cbSize = 0",
                           "Fin du AVI Stream Format",
                           "movi",
                           "idx1  " + Hex8(16 * 4)});
    const auto lines = PlainLines(report);
    // Indentation: four spaces a level.
    EXPECT_LT(IndexOf(lines, "    hdrl"), lines.size());
    EXPECT_LT(IndexOf(lines, "        avih  00000038"), lines.size());
    EXPECT_LT(IndexOf(lines, "            FourccHandler = dvsd"), lines.size());
    // The media data is not entered.
    for (const std::string& line : lines) EXPECT_EQ(line.find("00dc"), std::string::npos) << line;
}

TEST(RiffAnalyserReport, InterleavedStreamShowsItsDvBlock) {
    TAviSpec recipe;
    recipe.Type = 1;
    recipe.Pal = false;
    ExpectInOrder(Analyse(MakeDvAvi(recipe).Bytes),
                  {"(Entrelacé)", "FourccType = iavs", "Scale = 1001", "Rate = 30000",
                   "Début de DVInfo", "DVVAuxSrc = FF00FF00", "Fin de DVINfo", "movi"});
}

TEST(RiffAnalyserReport, OpenDmlIndexesAndAvixRiffs) {
    TAviSpec recipe;
    recipe.AvixRiffs = 2;
    const TRiffImage image = MakeDvAvi(recipe);
    TMemorySource memory(image.Bytes);
    TCountingSource counted(memory);
    const TRiffReport report = TRiffAnalyser(FixedOptions()).AnalyseSource(counted, "x.avi");
    ExpectInOrder(
        report,
        {"indx  " + Hex8(24 + 16 * 4), "Début d'un Index", "wLongsPerEntry = 0004",
         "bIndexSubType = 0", "bIndexType = 0", "nEntriesInUse = 00000003", "dwChunkId = 00dc",
         "qwBaseOffset = 0000000000000000", "Fin de l'Index", "odml", "dmlh  000000F8", "movi",
         "idx1  " + Hex8(16 * 4), "AVIX", "movi", "AVIX", "movi"});
    EXPECT_FALSE(report.UnexpectedEnd);
    // Headers only: a few reads per chunk outside the media data.
    EXPECT_LT(counted.Reads(), 80u);
    EXPECT_LT(counted.BytesRead(), 2000u);
}

TEST(RiffAnalyserWarnings, ChunkRunningPastTheEndOfTheFile) {
    TBytes bytes = MakeDvAvi({}).Bytes;
    const std::uint64_t declared = bytes.size() - 8;
    bytes.resize(bytes.size() - 100);
    const TRiffReport report = Analyse(bytes);
    const auto& l = report.Lines;
    const std::size_t riff = IndexOf(l, "RIFF  " + Hex8(declared));
    ASSERT_LT(riff + 3, l.size());
    EXPECT_EQ(l[riff + 1], "<COLOR Red>>>> Mauvaise longueur du chunk:");
    EXPECT_EQ(l[riff + 2],
              ">>> " + Hex8(declared) + " au lieu de " + Hex8(bytes.size() - 8) + "</COLOR>");
    EXPECT_EQ(l[riff + 3], "AVI ");
    ExpectInOrder(report, {"hdrl", "(Vidéo)", "(Audio)", "movi"});  // the walk goes on
    EXPECT_FALSE(report.UnexpectedEnd);
}

TEST(RiffAnalyserWarnings, GarbageAfterTheLastRiffAndEarlyEnd) {
    TBytes garbage = MakeDvAvi({}).Bytes;
    garbage.insert(garbage.end(), 16, 0);
    const TRiffReport g = Analyse(garbage);
    EXPECT_LT(
        IndexOf(g.Lines,
                "<COLOR Red>>>> Il y a 00000010 octets de déchets à la fin du fichier</COLOR>"),
        g.Lines.size());
    EXPECT_FALSE(g.UnexpectedEnd);

    // Five bytes after the RIFF: not even a chunk header.
    TBytes trailing = MakeDvAvi({}).Bytes;
    trailing.insert(trailing.end(), 5, 'x');
    const TRiffReport t = Analyse(trailing);
    EXPECT_TRUE(t.UnexpectedEnd);
    const std::size_t at = IndexOf(
        t.Lines, "<B><COLOR Blue><COLOR Red><B>     Fin du fichier inattendue     </COLOR></B>");
    ASSERT_LT(at + 1, t.Lines.size());
    EXPECT_EQ(t.Lines[at + 1], "</B></COLOR>");

    // A file cut inside the second stream header: the walk unwinds there.
    const TRiffImage image = MakeDvAvi({});
    TBytes cut = image.Bytes;
    cut.resize(image.At("strh1") + 20);
    const TRiffReport c = Analyse(cut);
    EXPECT_TRUE(c.UnexpectedEnd);
    ExpectInOrder(c, {"(Vidéo)", "Fin du fichier inattendue", "Fin de l'en-tête"});
    for (const auto& line : PlainLines(c)) EXPECT_NE(Core(line), "(Audio)");
}

TEST(RiffAnalyserText, InfoTextsAreShownWholeAndNeverTakenForMarkup) {
    TAviSpec recipe;
    recipe.InfoText = "Tavrel 0.1.0";  // ISFT of 14 bytes with its NUL
    const TRiffImage image = MakeDvAvi(recipe);
    ASSERT_EQ(test::Get32(image.Bytes, image.At("isft") - 4), 13u);
    const TRiffReport report = Analyse(image.Bytes);
    EXPECT_LT(IndexOf(report.Lines, "        <i><COLOR Green>Tavrel 0.1.0</COLOR></i>"),
              report.Lines.size());

    // Text and FourCCs from the file that look like mark-up stay text.
    const std::string hostile = "<URL http://example.org>clic</URL> <b>a<b";
    const TBytes bytes =
        test::Build({Riff("AVI ", {List("INFO", {Chunk("ICMT", test::TextPayload(hostile))}),
                                   Chunk("<B> ", TBytes(2, 0)),
                                   Chunk("IDIT", test::TextPayload("Lun 8 juil\t\x01 2024"))})})
            .Bytes;
    const TRiffReport r = Analyse(bytes);
    const auto lines = PlainLines(r);
    EXPECT_LT(IndexOf(lines, "        " + hostile), lines.size());
    EXPECT_LT(IndexOf(lines, "    <B>   00000002"), lines.size());
    EXPECT_LT(IndexOf(lines, "    Lun 8 juil   2024"),
              lines.size());  // control characters as spaces
    for (const std::string& line : r.Lines) EXPECT_EQ(line.find("<URL"), std::string::npos) << line;
}

TEST(RiffAnalyserText, NonUtf8BytesAreReadAsWindows1252) {
    EXPECT_EQ(ExternalText("d\xE9j\xE0 vu"), "déjà vu");
    EXPECT_EQ(ExternalText("déjà vu"), "déjà vu");
    EXPECT_EQ(ExternalText("\x80\x81"), "€\xEF\xBF\xBD");
}

TEST(RiffAnalyserText, MarkupIsStrippedByTheTagRules) {
    struct Case {
        const char* line;
        const char* plain;
    } cases[] = {
        {"<B><COLOR Blue>--Titre--</COLOR></B>", "--Titre--"},
        {"<COLOR Red>>>> Il y a 00000010 octets</COLOR>", ">>> Il y a 00000010 octets"},
        {"a<<>b", "a<b"},
        {"un<br>deux<BR center>trois<Br>", "un\ndeux\ntrois\n"},
        {"<i><COLOR Green>texte</COLOR></i>", "texte"},
        {"sans balise", "sans balise"},
        {"ouvert <jamais fermé", "ouvert "},
    };
    for (const Case& c : cases) EXPECT_EQ(StripMarkup(c.line), c.plain) << c.line;
    for (const char* text : {"<", "a<b>c", "<<>", "<URL x>y</URL>", ">>>"})
        EXPECT_EQ(StripMarkup(EscapeMarkup(text)), text) << text;
}

TEST(RiffAnalyserText, PlainTextHasOneLinePerReportLine) {
    const TRiffReport report = Analyse(MakeDvAvi({}).Bytes);
    const std::string text = PlainTextOfReport(report.Lines);
    EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')),
              report.Lines.size());
    EXPECT_EQ(text.find('<'), std::string::npos);
    EXPECT_NE(text.find("\n    hdrl\n"), std::string::npos);
    EXPECT_EQ(JoinReport({"a", "<B>b</B>"}), "a\n<B>b</B>\n");
}

TEST(RiffAnalyserRun, CancelEndsTheWalkWithItsTitle) {
    TRiffReportOptions options = FixedOptions();
    int calls = 0;
    options.KeepGoing = [&calls] { return ++calls < 4; };
    const TRiffReport report = Analyse(MakeDvAvi({}).Bytes, options);
    EXPECT_TRUE(report.Cancelled);
    EXPECT_EQ(calls, 4);
    ExpectInOrder(report, {"avih  00000038", "Annulé par l'utilisateur", "Fin de l'en-tête"});
    for (const auto& line : PlainLines(report)) EXPECT_NE(Core(line), "(Audio)");
}

TEST(RiffAnalyserRun, FilesOnDisk) {
    test::TTempFolder folder;
    TRiffAnalyser analyser(FixedOptions());
    EXPECT_TRUE(analyser.AnalyseFile(folder / "absent.avi").Lines.empty());

    const TRiffReport dir = analyser.AnalyseFile(folder.Path());
    EXPECT_TRUE(dir.Lines.empty());
    EXPECT_TRUE(dir.OpenError);

    test::WriteFile(folder / "clip.avi", MakeDvAvi({}).Bytes);
    const TRiffReport report = analyser.AnalyseFile(folder / "clip.avi");
    EXPECT_FALSE(report.OpenError);
    ExpectInOrder(report, {"En-tête du fichier clip.avi", "(Vidéo)", "(Audio)", "movi",
                           (folder / "clip.avi").string()});
}

}  // namespace
}  // namespace tavrel
