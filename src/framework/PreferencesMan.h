#pragma once
// The settings stores. A store holds keys, each a path of names joined by
// "\" below its root, and typed values inside each key; one key is current
// at a time. Every operation answers whether it succeeded and never lets an
// exception out. A failed read leaves its variable as it was unless said
// otherwise. Fonts, rectangles and text lists are stored as small keys of
// plain values, built here on the plain operations of any store.

#include <QString>
#include <QStringList>
#include <cstdint>

#include "framework/PrefsValues.h"

namespace tavrel {

class TPreferencesMan {
  public:
    virtual ~TPreferencesMan() = default;

    virtual bool GetValueNames(QStringList& names) = 0;
    virtual bool GetKeyNames(QStringList& names) = 0;
    // The current key becomes the key name below it; created when missing
    // and create is true. An empty name keeps the current key.
    virtual bool OpenKey(const QString& name, bool create) = 0;
    // The current key becomes its parent.
    virtual bool CloseKey() = 0;
    virtual bool WriteString(const QString& name, const QString& value) = 0;
    virtual bool ReadString(const QString& name, QString& value) = 0;
    virtual bool DeleteValue(const QString& name) = 0;
    virtual bool WriteBool(const QString& name, bool value) = 0;
    virtual bool ReadBool(const QString& name, bool& value) = 0;
    virtual bool WriteInteger(const QString& name, std::int32_t value) = 0;
    virtual bool ReadInteger(const QString& name, std::int32_t& value) = 0;
    virtual bool WriteFloat(const QString& name, double value) = 0;
    virtual bool ReadFloat(const QString& name, double& value) = 0;

    // Writes what is held in memory to the store's file; true when nothing
    // is pending or the file was replaced as a whole.
    virtual bool Flush() { return true; }
    // The current key's path, empty at the root.
    virtual QString CurrentPath() const = 0;
    // Goes back to the root key.
    void CloseToRoot();

    // Composite values, each in a key of its own below the current key.
    // Removes every value of the key name (which is not created).
    bool ClearKey(const QString& name);
    // "String0", "String1", ... in list order.
    bool WriteStrings(const QString& name, const QStringList& list);
    // Every value of the key in the store's order, appended to list.
    bool ReadStrings(const QString& name, QStringList& list);
    bool WriteFont(const QString& name, const TFontValue& font);
    bool ReadFont(const QString& name, TFontValue& font);
    bool WriteRect(const QString& name, const TRectValue& rect);
    bool ReadRect(const QString& name, TRectValue& rect);
};

// The store of the mode in which nothing is kept: keys open, writes are
// accepted and dropped, reads and listings fail.
class TNonePreferencesMan final : public TPreferencesMan {
  public:
    bool GetValueNames(QStringList&) override { return false; }
    bool GetKeyNames(QStringList&) override { return false; }
    bool OpenKey(const QString&, bool) override { return true; }
    bool CloseKey() override { return true; }
    bool WriteString(const QString&, const QString&) override { return true; }
    bool ReadString(const QString&, QString&) override { return false; }
    bool DeleteValue(const QString&) override { return false; }
    bool WriteBool(const QString&, bool) override { return true; }
    bool ReadBool(const QString&, bool&) override { return false; }
    bool WriteInteger(const QString&, std::int32_t) override { return true; }
    bool ReadInteger(const QString&, std::int32_t&) override { return false; }
    bool WriteFloat(const QString&, double) override { return true; }
    bool ReadFloat(const QString&, double&) override { return false; }
    QString CurrentPath() const override { return QString(); }
};

// The path of name below path, as both stores join them.
QString JoinKeyPath(const QString& path, const QString& name);
// The parent of a path: up to its last "\", empty when there is none.
QString ParentKeyPath(const QString& path);

}  // namespace tavrel
