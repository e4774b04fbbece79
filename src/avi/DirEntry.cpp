#include "avi/DirEntry.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>
#include <cerrno>
#include <ctime>

namespace tavrel {

namespace {

struct TStatFacts {
    std::uint32_t Mode = 0;
    std::uint64_t Size = 0;
    std::int64_t BirthMs = 0;
    bool HasBirth = false;
    std::int64_t ChangeMs = 0;
    std::int64_t ModifyMs = 0;
    std::int64_t AccessMs = 0;
};

std::int64_t ToMs(std::int64_t seconds, std::int64_t nanoseconds) {
    // Nanoseconds are never negative, so the floor of the milliseconds is
    // kept also before 1970.
    return seconds * 1000 + nanoseconds / 1'000'000;
}

bool StatPath(const QByteArray& path, bool follow, TStatFacts& out) {
    struct statx sx {};
    const int flags = follow ? 0 : AT_SYMLINK_NOFOLLOW;
    if (::statx(AT_FDCWD, path.constData(), flags, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0) {
        out.Mode = sx.stx_mode;
        out.Size = sx.stx_size;
        out.HasBirth = (sx.stx_mask & STATX_BTIME) != 0;
        out.BirthMs = out.HasBirth ? ToMs(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec) : 0;
        out.ChangeMs = ToMs(sx.stx_ctime.tv_sec, sx.stx_ctime.tv_nsec);
        out.ModifyMs = ToMs(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
        out.AccessMs = ToMs(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
        return true;
    }
    // Kernels or sandboxes without statx still answer the classic call.
    if (errno != ENOSYS && errno != EPERM) return false;
    struct stat st {};
    if ((follow ? ::stat(path.constData(), &st) : ::lstat(path.constData(), &st)) != 0)
        return false;
    out.Mode = st.st_mode;
    out.Size = static_cast<std::uint64_t>(st.st_size);
    out.HasBirth = false;
    out.ChangeMs = ToMs(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
    out.ModifyMs = ToMs(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    out.AccessMs = ToMs(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    return true;
}

QString WithoutTrailingSlashes(const QString& path) {
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == QLatin1Char('/')) --end;
    return path.left(end);
}

bool TmToDateTime(const std::tm& tm, int millisecond, TDateTime& out) {
    TDateTimeParts parts;
    parts.Year = tm.tm_year + 1900;
    parts.Month = tm.tm_mon + 1;
    parts.Day = tm.tm_mday;
    parts.Hour = tm.tm_hour;
    parts.Minute = tm.tm_min;
    // A leap second is shown as the last second of its minute.
    parts.Second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
    parts.Millisecond = millisecond;
    return TryEncodeDateTime(parts, out);
}

}  // namespace

bool ReadDirEntry(const QString& path, TDirEntry& out) {
    const QString cleaned = WithoutTrailingSlashes(path);
    if (cleaned.isEmpty()) return false;
    const QByteArray native = QFile::encodeName(cleaned);

    TStatFacts own;
    if (!StatPath(native, false, own)) return false;
    const bool isLink = S_ISLNK(own.Mode);
    TStatFacts facts = own;
    bool dangling = false;
    if (isLink && !StatPath(native, true, facts)) {
        facts = own;
        dangling = true;
    }

    TDirEntry entry;
    entry.Name = cleaned.mid(cleaned.lastIndexOf(QLatin1Char('/')) + 1);
    const bool isDir = !dangling && S_ISDIR(facts.Mode);
    entry.SizeBytes = (isDir || dangling) ? 0 : facts.Size;
    if (!dangling && (facts.Mode & S_IWUSR) == 0) entry.Attributes |= kFileAttrReadOnly;
    if (entry.Name.startsWith(QLatin1Char('.'))) entry.Attributes |= kFileAttrHidden;
    if (isDir) entry.Attributes |= kFileAttrDirectory;
    if (isLink) entry.Attributes |= kFileAttrSymLink;
    entry.CreatedIsBirthTime = facts.HasBirth;
    entry.CreatedMsUtc = facts.HasBirth ? facts.BirthMs : facts.ChangeMs;
    entry.ModifiedMsUtc = facts.ModifyMs;
    entry.AccessedMsUtc = facts.AccessMs;
    out = entry;
    return true;
}

TDateTime FileTimeToLocalDateTime(std::int64_t msSinceEpochUtc) {
    std::int64_t seconds = msSinceEpochUtc / 1000;
    std::int64_t ms = msSinceEpochUtc % 1000;
    if (ms < 0) {
        ms += 1000;
        --seconds;
    }
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    TDateTime value = 0;
    // localtime_r does not look at TZ again by itself.
    ::tzset();
    if (::localtime_r(&t, &tm) != nullptr && TmToDateTime(tm, static_cast<int>(ms), value))
        return value;
    if (::gmtime_r(&t, &tm) != nullptr && TmToDateTime(tm, static_cast<int>(ms), value))
        return value;
    return 0;
}

}  // namespace tavrel
