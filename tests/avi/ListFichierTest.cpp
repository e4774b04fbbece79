#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <ostream>
#include <vector>

#include "avi/DirEntry.h"
#include "avi/ListFichier.h"
#include "avi/SRFichier.h"
#include "avi/SortIndex.h"

// Failures show the texts themselves.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace tavrel {
namespace {

TDateTime Encode(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    TDateTime v = -999999;
    EXPECT_TRUE(TryEncodeDateTime({y, mo, d, h, mi, s, ms}, v));
    return v;
}

std::int64_t UtcMs(int y, int mo, int d, int h, int mi, int s, int ms) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC).toMSecsSinceEpoch();
}

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

// Sets the last-access and last-write times of a path, to the millisecond.
void SetFileTimes(const QString& path, std::int64_t accessMsUtc, std::int64_t modifyMsUtc) {
    auto ts = [](std::int64_t ms) {
        timespec t{};
        t.tv_sec = static_cast<time_t>(ms / 1000);
        t.tv_nsec = static_cast<long>((ms % 1000) * 1'000'000 + 123'456);
        return t;
    };
    const timespec times[2] = {ts(accessMsUtc), ts(modifyMsUtc)};
    ASSERT_EQ(::utimensat(AT_FDCWD, Native(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// Runs a block with the process time zone set to a rule that needs no time
// zone database: central Europe, summer time from the last Sunday of March.
class CentralEuropeTime {
  public:
    CentralEuropeTime() {
        const char* old = std::getenv("TZ");
        m_old = old ? old : "";
        m_hadOld = old != nullptr;
        ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        ::tzset();
    }
    ~CentralEuropeTime() {
        if (m_hadOld)
            ::setenv("TZ", m_old.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

  private:
    std::string m_old;
    bool m_hadOld = false;
};

class FileEntries : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString PathOf(const QString& name) const { return m_dir.filePath(name); }

    QString MakeFile(const QString& name, qint64 size) {
        const QString path = PathOf(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        EXPECT_TRUE(f.resize(size));  // sparse: large sizes cost no disk
        return path;
    }

    QTemporaryDir m_dir;
};

// ---------------------------------------------------------------- names

TEST(ListFichierNames, PartsOfTheFullName) {
    const struct {
        const char* Full;
        const char* Folder;
        const char* Short;
        const char* Extension;
        const char* Bare;
    } cases[] = {
        {"/films/2003/Vacances.AVI", "/films/2003/", "Vacances.AVI", ".avi", "Vacances"},
        {"/films/sans_extension", "/films/", "sans_extension", "", "sans_extension"},
        {"/films/archive.tar.GZ", "/films/", "archive.tar.GZ", ".gz", "archive.tar"},
        // A dot in a folder name is no extension of the file.
        {"/dossier.v2/fichier", "/dossier.v2/", "fichier", "", "fichier"},
        {"/films/.cache", "/films/", ".cache", ".cache", ""},
        {"/films/fin.", "/films/", "fin.", ".", "fin"},
        {"relatif.avi", "", "relatif.avi", ".avi", "relatif"},
        {"/films/Été ÀÇ.AVI", "/films/", "Été ÀÇ.AVI", ".avi", "Été ÀÇ"},
        {"", "", "", "", ""},
    };
    for (const auto& c : cases) {
        const TAbstractListFichier r(QString::fromUtf8(c.Full));
        EXPECT_EQ(r.FullName, QString::fromUtf8(c.Full));
        EXPECT_EQ(r.Folder, QString::fromUtf8(c.Folder)) << c.Full;
        EXPECT_EQ(r.ShortName, QString::fromUtf8(c.Short)) << c.Full;
        EXPECT_EQ(r.Extension, QString::fromUtf8(c.Extension)) << c.Full;
        EXPECT_EQ(r.BareName, QString::fromUtf8(c.Bare)) << c.Full;
    }
}

TEST(ListFichierNames, NameKeysAreLowerCased) {
    const TAbstractListFichier r(QStringLiteral("/Films/Été.AVI"));
    EXPECT_EQ(r.AlphaKey, QStringLiteral("été.avi/films/été.avi"));
    EXPECT_EQ(r.ExtensionKey, QStringLiteral(".avi/films/été.avi"));
    EXPECT_EQ(r.PathKey, QStringLiteral("/films/été.avi"));
    EXPECT_EQ(r.GetSortKey(SortAlpha()), r.AlphaKey);
    EXPECT_EQ(r.GetSortKey(SortExtension()), r.ExtensionKey);
    EXPECT_EQ(r.GetSortKey(SortPath()), r.PathKey);
    // Orders of the file system and of media files are not this record's.
    for (const TSortIndex* order : {&SortTaille(), &SortModify(), &SortDatecode(), &SortDuree()})
        EXPECT_TRUE(r.GetSortKey(*order).isEmpty()) << order->Id.toStdString();
    EXPECT_TRUE(r.GetSortKey(TSortIndex{QStringLiteral("inconnu"), {}, {}}).isEmpty());
}

// ---------------------------------------------------------------- file system facts

TEST_F(FileEntries, SizeTimesAndKeysOfAFile) {
    const QString path = MakeFile(QStringLiteral("Cassette 1.AVI"), 144'000);
    const std::int64_t accessed = UtcMs(2004, 1, 2, 3, 4, 5, 6);
    const std::int64_t modified = UtcMs(2003, 7, 14, 10, 12, 45, 250);
    SetFileTimes(path, accessed, modified);
    const TDateTime before = FileTimeToLocalDateTime(QDateTime::currentMSecsSinceEpoch());

    const TSRFichier r(path);
    ASSERT_TRUE(r.Found);
    EXPECT_EQ(r.FullName, path);
    EXPECT_EQ(r.Folder, m_dir.path() + QLatin1Char('/'));
    EXPECT_EQ(r.ShortName, QStringLiteral("Cassette 1.AVI"));
    EXPECT_EQ(r.Size(), 144'000u);
    EXPECT_EQ(r.SizeHigh, 0u);
    EXPECT_EQ(r.SizeLow, 144'000u);
    // Tests run in UTC: local time is the file system's time, milliseconds kept.
    EXPECT_EQ(r.Modified, Encode(2003, 7, 14, 10, 12, 45, 250));
    EXPECT_EQ(r.Accessed, Encode(2004, 1, 2, 3, 4, 5, 6));
    // Creation is when the file was made (birth or status change), not the
    // last write that was set back to 2003.
    EXPECT_LT(std::fabs(r.Created - before) * kSecondsPerDay, 60.0);
    EXPECT_FALSE(r.ReadOnly);
    EXPECT_EQ(r.Attributes & (kFileAttrDirectory | kFileAttrSymLink | kFileAttrHidden), 0u);

    const QString lowerFull = path.toLower();
    EXPECT_EQ(r.SizeKey,
              QStringLiteral("0000000000000000") + QStringLiteral("0000000000023280") + lowerFull);
    EXPECT_EQ(r.ModifyKey, QStringLiteral("20030714101245") + lowerFull);
    EXPECT_EQ(r.GetSortKey(SortTaille()), r.SizeKey);
    EXPECT_EQ(r.GetSortKey(SortModify()), r.ModifyKey);
    EXPECT_EQ(r.GetSortKey(SortAlpha()), r.AlphaKey);
    EXPECT_TRUE(r.GetSortKey(SortDatecode()).isEmpty());
}

TEST_F(FileEntries, FileTimesAreShownInLocalTime) {
    const QString path = MakeFile(QStringLiteral("ete.avi"), 1);
    const QString winter = MakeFile(QStringLiteral("hiver.avi"), 1);
    SetFileTimes(path, UtcMs(2003, 7, 14, 10, 12, 45, 250), UtcMs(2003, 7, 14, 23, 30, 0, 999));
    SetFileTimes(winter, UtcMs(2003, 1, 14, 10, 0, 0, 0), UtcMs(2003, 12, 31, 23, 30, 0, 0));

    const CentralEuropeTime zone;
    const TSRFichier summer(path);
    EXPECT_EQ(summer.Accessed, Encode(2003, 7, 14, 12, 12, 45, 250));
    EXPECT_EQ(summer.Modified, Encode(2003, 7, 15, 1, 30, 0, 999));  // the next local day
    EXPECT_EQ(summer.ModifyKey, QStringLiteral("20030715013000") + path.toLower());
    const TSRFichier w(winter);
    EXPECT_EQ(w.Accessed, Encode(2003, 1, 14, 11, 0, 0, 0));
    EXPECT_EQ(w.Modified, Encode(2004, 1, 1, 0, 30, 0, 0));  // the next local year
}

TEST(FileTimes, ConversionEdges) {
    EXPECT_EQ(FileTimeToLocalDateTime(0), Encode(1970, 1, 1));
    EXPECT_EQ(FileTimeToLocalDateTime(-1), Encode(1969, 12, 31, 23, 59, 59, 999));
    EXPECT_EQ(FileTimeToLocalDateTime(-86'400'000LL * 365 * 100), Encode(1870, 1, 25));
    // Beyond the year 9999 there is no date-time value to give.
    EXPECT_EQ(FileTimeToLocalDateTime(300'000'000'000'000LL), 0.0);
    EXPECT_EQ(SortableDateTimeText(Encode(2003, 7, 14, 10, 12, 45, 999)), "20030714101245");
    EXPECT_EQ(SortableDateTimeText(Encode(1, 1, 1)), "00010101000000");
    EXPECT_TRUE(SortableDateTimeText(std::nan("")).isEmpty());
}

TEST_F(FileEntries, FilesBeyondFourGigabytesSplitTheirSize) {
    const qint64 size = 5LL * 1024 * 1024 * 1024 + 123;
    const QString path = MakeFile(QStringLiteral("long.avi"), size);
    const TSRFichier r(path);
    EXPECT_EQ(r.SizeHigh, 1u);
    EXPECT_EQ(r.SizeLow, 0x4000007Bu);
    EXPECT_EQ(r.Size(), static_cast<std::uint64_t>(size));
    EXPECT_TRUE(r.SizeKey.startsWith(QStringLiteral("0000000000000001000000004000007b")));
}

TEST_F(FileEntries, ReadOnlyIsTheMissingOwnerWritePermission) {
    const QString path = MakeFile(QStringLiteral("protege.avi"), 10);
    const struct {
        mode_t Mode;
        bool ReadOnly;
    } cases[] = {{0444, true}, {0644, false}, {0200, false}, {0577, true}, {0000, true}};
    for (const auto& c : cases) {
        ASSERT_EQ(::chmod(Native(path).constData(), c.Mode), 0);
        const TSRFichier r(path);
        EXPECT_EQ(r.ReadOnly, c.ReadOnly) << std::oct << c.Mode;
        EXPECT_EQ((r.Attributes & kFileAttrReadOnly) != 0, c.ReadOnly);
    }
    ::chmod(Native(path).constData(), 0644);
}

TEST_F(FileEntries, MissingFileKeepsItsNameOnly) {
    const QString path = PathOf(QStringLiteral("Disparu.AVI"));
    const TSRFichier r(path);
    EXPECT_FALSE(r.Found);
    // The name is still known, so the list can show and find the entry.
    EXPECT_EQ(r.FullName, path);
    EXPECT_EQ(r.ShortName, QStringLiteral("Disparu.AVI"));
    EXPECT_EQ(r.Extension, QStringLiteral(".avi"));
    EXPECT_EQ(r.AlphaKey, (QStringLiteral("Disparu.AVI") + path).toLower());
    EXPECT_EQ(r.Size(), 0u);
    EXPECT_EQ(r.Created, 0.0);
    EXPECT_EQ(r.Modified, 0.0);
    EXPECT_EQ(r.Accessed, 0.0);
    EXPECT_EQ(r.Attributes, 0u);
    EXPECT_FALSE(r.ReadOnly);
    EXPECT_TRUE(r.SizeKey.isEmpty());
    EXPECT_TRUE(r.ModifyKey.isEmpty());
    EXPECT_TRUE(r.GetSortKey(SortTaille()).isEmpty());
    EXPECT_TRUE(r.GetSortKey(SortModify()).isEmpty());

    TDirEntry untouched;
    untouched.Name = QStringLiteral("avant");
    EXPECT_FALSE(ReadDirEntry(path, untouched));
    EXPECT_EQ(untouched.Name, QStringLiteral("avant"));
    EXPECT_FALSE(ReadDirEntry(QString(), untouched));
}

TEST_F(FileEntries, Folder) {
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("Rushes.2003")));
    const QString path = PathOf(QStringLiteral("Rushes.2003"));
    MakeFile(QStringLiteral("Rushes.2003/dedans.avi"), 5000);

    const TSRFichier r(path + QStringLiteral("/"));  // a trailing "/" names the same folder
    ASSERT_TRUE(r.Found);
    EXPECT_EQ(r.FullName, path);
    EXPECT_EQ(r.ShortName, QStringLiteral("Rushes.2003"));
    EXPECT_EQ(r.Folder, m_dir.path() + QLatin1Char('/'));
    EXPECT_NE(r.Attributes & kFileAttrDirectory, 0u);
    EXPECT_EQ(r.Attributes & kFileAttrSymLink, 0u);
    EXPECT_EQ(r.Size(), 0u);  // a folder has no file size
    EXPECT_FALSE(r.ReadOnly);
    EXPECT_EQ(r.ModifyKey.size(), 14 + path.size());

    ASSERT_EQ(::chmod(Native(path).constData(), 0555), 0);
    EXPECT_TRUE(TSRFichier(path).ReadOnly);
    ::chmod(Native(path).constData(), 0755);
}

TEST_F(FileEntries, SymbolicLinks) {
    const QString target = MakeFile(QStringLiteral("vrai.avi"), 777);
    ASSERT_EQ(::chmod(Native(target).constData(), 0444), 0);
    SetFileTimes(target, UtcMs(2001, 1, 1, 0, 0, 0, 0), UtcMs(2002, 2, 2, 2, 2, 2, 2));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("dossier")));
    const QString toFile = PathOf(QStringLiteral("lien.avi"));
    const QString toFolder = PathOf(QStringLiteral("lien-dossier"));
    const QString dangling = PathOf(QStringLiteral("orphelin.avi"));
    ASSERT_TRUE(QFile::link(target, toFile));
    ASSERT_TRUE(QFile::link(PathOf(QStringLiteral("dossier")), toFolder));
    ASSERT_TRUE(QFile::link(PathOf(QStringLiteral("nulle-part.avi")), dangling));

    // A link to a file is listed under its own name with the facts of the file.
    const TSRFichier f(toFile);
    ASSERT_TRUE(f.Found);
    EXPECT_EQ(f.FullName, toFile);
    EXPECT_EQ(f.Size(), 777u);
    EXPECT_TRUE(f.ReadOnly);
    EXPECT_EQ(f.Modified, Encode(2002, 2, 2, 2, 2, 2, 2));
    EXPECT_NE(f.Attributes & kFileAttrSymLink, 0u);
    EXPECT_EQ(f.Attributes & kFileAttrDirectory, 0u);

    // A link to a folder is a folder that walks can recognise as a link.
    const TSRFichier d(toFolder);
    EXPECT_NE(d.Attributes & kFileAttrDirectory, 0u);
    EXPECT_NE(d.Attributes & kFileAttrSymLink, 0u);
    EXPECT_EQ(d.Size(), 0u);

    // A link to nothing is still a name in its folder, with no size.
    const TSRFichier o(dangling);
    ASSERT_TRUE(o.Found);
    EXPECT_EQ(o.Size(), 0u);
    EXPECT_FALSE(o.ReadOnly);
    EXPECT_EQ(o.Attributes, kFileAttrSymLink);
    EXPECT_EQ(o.ModifyKey.size(), 14 + dangling.size());
    ::chmod(Native(target).constData(), 0644);
}

TEST_F(FileEntries, HiddenNames) {
    const TSRFichier r(MakeFile(QStringLiteral(".cache.avi"), 1));
    EXPECT_NE(r.Attributes & kFileAttrHidden, 0u);
    EXPECT_EQ(r.Extension, QStringLiteral(".avi"));
}

TEST_F(FileEntries, ConstructionFromAFolderAndAnEntry) {
    const QString path = MakeFile(QStringLiteral("Plage.avi"), 42);
    TDirEntry entry;
    ASSERT_TRUE(ReadDirEntry(path, entry));
    EXPECT_EQ(entry.Name, QStringLiteral("Plage.avi"));
    EXPECT_EQ(entry.SizeBytes, 42u);

    // The folder may come with or without its trailing "/".
    for (const QString& folder : {m_dir.path(), m_dir.path() + QLatin1Char('/')}) {
        const TSRFichier r(folder, entry);
        EXPECT_TRUE(r.Found);
        EXPECT_EQ(r.FullName, path);
        EXPECT_EQ(r.Size(), 42u);
        EXPECT_EQ(r.SizeKey, TSRFichier(path).SizeKey);
    }
}

// ---------------------------------------------------------------- sort orders

QStringList SortedShortNames(const std::vector<std::unique_ptr<TAbstractListFichier>>& records,
                             const TSortIndex& order) {
    std::vector<const TAbstractListFichier*> sorted;
    for (const auto& r : records) sorted.push_back(r.get());
    // The list compares keys as text without regard to case.
    std::sort(sorted.begin(), sorted.end(), [&](auto* a, auto* b) {
        return a->GetSortKey(order).compare(b->GetSortKey(order), Qt::CaseInsensitive) < 0;
    });
    QStringList names;
    for (auto* r : sorted) names << r->ShortName;
    return names;
}

TEST_F(FileEntries, SortOrders) {
    struct {
        const char* Name;
        qint64 Size;
        std::int64_t ModifiedMs;
    } files[] = {
        {"b.avi", 10, UtcMs(2001, 5, 5, 12, 0, 0, 0)},
        {"A.avi", 10, UtcMs(2003, 1, 1, 9, 0, 0, 0)},
        {"c.avi", 9, UtcMs(2002, 5, 5, 12, 0, 0, 0)},
        {"D.avi", 0x1'0000'0000LL, UtcMs(2003, 1, 1, 9, 0, 0, 900)},  // same second as A
        {"Z.MOV", 100, UtcMs(1999, 12, 31, 23, 59, 59, 0)},
    };
    std::vector<std::unique_ptr<TAbstractListFichier>> records;
    for (const auto& f : files) {
        const QString path = MakeFile(QString::fromUtf8(f.Name), f.Size);
        SetFileTimes(path, f.ModifiedMs, f.ModifiedMs);
        records.push_back(std::make_unique<TSRFichier>(path));
    }

    EXPECT_EQ(SortedShortNames(records, SortAlpha()).join(' '), "A.avi b.avi c.avi D.avi Z.MOV");
    // Equal sizes fall back to the full names; the 4 GiB file is the largest
    // although its low word is 0.
    EXPECT_EQ(SortedShortNames(records, SortTaille()).join(' '), "c.avi A.avi b.avi Z.MOV D.avi");
    // Within one second of file date the full names decide.
    EXPECT_EQ(SortedShortNames(records, SortModify()).join(' '), "Z.MOV b.avi c.avi A.avi D.avi");
    EXPECT_EQ(SortedShortNames(records, SortExtension()).join(' '),
              "A.avi b.avi c.avi D.avi Z.MOV");
    EXPECT_EQ(SortedShortNames(records, SortPath()).join(' '), "A.avi b.avi c.avi D.avi Z.MOV");
}

TEST(SortIndex, TextsOfTheOrders) {
    const struct {
        const TSortIndex& Order;
        const char* Id;
        const char* Phrase;
        const char* Label;
    } cases[] = {
        {SortAlpha(), "alpha", "par ordre alphabétique", "Tri alphabétique"},
        {SortTaille(), "taille", "selon la taille du fichier", "tri selon taille"},
        {SortModify(), "modify", "selon la date du fichier", "tri selon date du fichier"},
        {SortExtension(), "extension", "selon l'extension", "tri selon l'extension"},
        {SortPath(), "path", "selon le chemin", "tri selon le chemin"},
        {SortDatecode(), "datecode", "selon le datecode", "tri selon le datecode"},
        {SortTimecode(), "timecode", "selon le timecode", "Tri selon le timecode"},
        {SortDuree(), "duree", "selon la durée", "tri selon la durée"},
    };
    ASSERT_EQ(AllSortIndexes().size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(c.Order.Id, QString::fromUtf8(c.Id));
        EXPECT_EQ(c.Order.Phrase, QString::fromUtf8(c.Phrase));
        EXPECT_EQ(c.Order.Label, QString::fromUtf8(c.Label));
        EXPECT_EQ(&AllSortIndexes()[i], &c.Order);
    }
}

TEST(SortIndex, FromId) {
    const struct {
        const char* Id;
        const TSortIndex& Order;
    } cases[] = {
        {"alpha", SortAlpha()},
        {"modify", SortModify()},
        {"taille", SortTaille()},
        {"datecode", SortDatecode()},
        {"timecode", SortTimecode()},
        {"duree", SortDuree()},
        {"DUREE", SortDuree()},
        {"Datecode", SortDatecode()},
        // Orders the menu does not offer, and texts that name no order.
        {"extension", SortAlpha()},
        {"path", SortAlpha()},
        {"", SortAlpha()},
        {"durée", SortAlpha()},
        {" duree", SortAlpha()},
        {"size", SortAlpha()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(&SortIndexFromId(QString::fromUtf8(c.Id)), &c.Order) << c.Id;
}

// A record of the kind the media file record is: it answers an order of its
// own and hands the others to the file-system record, through the base.
class TDurationFichier : public TSRFichier {
  public:
    TDurationFichier(const QString& fullName, bool* destroyed)
        : TSRFichier(fullName), m_destroyed(destroyed) {}
    ~TDurationFichier() override { *m_destroyed = true; }

    QString GetSortKey(const TSortIndex& order) const override {
        if (order == SortDuree()) return QStringLiteral("000000000042") + PathKey;
        return TSRFichier::GetSortKey(order);
    }

  private:
    bool* m_destroyed;
};

TEST_F(FileEntries, DerivedRecordsAnswerThroughTheBase) {
    const QString path = MakeFile(QStringLiteral("clip.avi"), 3);
    bool destroyed = false;
    {
        std::unique_ptr<TAbstractListFichier> r =
            std::make_unique<TDurationFichier>(path, &destroyed);
        EXPECT_EQ(r->GetSortKey(SortDuree()), QStringLiteral("000000000042") + path.toLower());
        EXPECT_EQ(r->GetSortKey(SortTaille()),
                  QStringLiteral("00000000000000000000000000000003") + path.toLower());
        EXPECT_EQ(r->GetSortKey(SortAlpha()), QStringLiteral("clip.avi") + path.toLower());
        EXPECT_TRUE(r->GetSortKey(SortTimecode()).isEmpty());
    }
    EXPECT_TRUE(destroyed);
}

}  // namespace
}  // namespace tavrel
