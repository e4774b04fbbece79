#include "support/MediaInfo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

namespace tavrel::test {

std::string TMediaInfo::Get(const std::string& type, const std::string& field, int index) const {
    for (const auto& track : Tracks) {
        auto t = track.find("@type");
        if (t == track.end() || t->second != type) continue;
        if (index-- > 0) continue;
        auto f = track.find(field);
        return f == track.end() ? std::string() : f->second;
    }
    return {};
}

int TMediaInfo::Count(const std::string& type) const {
    int n = 0;
    for (const auto& track : Tracks) {
        auto t = track.find("@type");
        if (t != track.end() && t->second == type) ++n;
    }
    return n;
}

TMediaInfo RunMediaInfo(const std::filesystem::path& file) {
    TMediaInfo info;
    const QString program = QStandardPaths::findExecutable("mediainfo");
    if (program.isEmpty()) {
        info.Error = "mediainfo is not installed";
        return info;
    }
    QProcess process;
    process.start(program, {"--Output=JSON", QString::fromStdString(file.string())});
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        info.Error = "mediainfo failed: " + process.readAllStandardError().toStdString();
        return info;
    }
    info.Available = true;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(process.readAllStandardOutput(), &parseError);
    if (doc.isNull()) {
        info.Error = "mediainfo JSON: " + parseError.errorString().toStdString();
        return info;
    }
    for (const QJsonValue& t : doc.object().value("media").toObject().value("track").toArray()) {
        std::map<std::string, std::string> fields;
        const QJsonObject track = t.toObject();
        for (auto it = track.begin(); it != track.end(); ++it)
            if (it.value().isString())
                fields[it.key().toStdString()] = it.value().toString().toStdString();
        info.Tracks.push_back(std::move(fields));
    }
    return info;
}

}  // namespace tavrel::test
