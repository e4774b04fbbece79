#pragma once
// The values of the settings that the core reads (date formats, overlay
// patterns, file-name patterns, output folders, intervals), by their
// settings key. One table declares each key once with its type and default;
// the desktop program's typed actions and the command-line tool's
// preferences and --set options write into it, and the commands, records
// and pipelines read from it on any thread.

#include <QString>
#include <QVariant>
#include <map>
#include <mutex>
#include <vector>

namespace tavrel {

enum class TSettingType { Text, Integer, Double, Boolean };

struct TSettingDeclaration {
    const char* Key;
    TSettingType Type;
    QVariant Default;
};

// Every setting the core reads, with its default.
const std::vector<TSettingDeclaration>& SettingDeclarations();
const TSettingDeclaration* FindSettingDeclaration(const QString& key);

class TSettings {
  public:
    TSettings();  // every declared key at its default

    QVariant Value(const QString& key) const;
    QString Text(const QString& key) const;
    int Integer(const QString& key) const;
    double Double(const QString& key) const;
    bool Boolean(const QString& key) const;

    // Sets a declared key; false (and nothing changed) for an unknown key or
    // a value that does not convert to the key's type.
    bool Set(const QString& key, const QVariant& value);
    // The same from a text as typed on a command line ("true", "1", "0,5").
    bool SetFromText(const QString& key, const QString& text);
    void Reset();

    // The settings of the process.
    static TSettings& Global();

  private:
    mutable std::mutex m_mutex;
    std::map<QString, QVariant> m_values;
};

}  // namespace tavrel
