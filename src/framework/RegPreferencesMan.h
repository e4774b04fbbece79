#pragma once
// The settings store of normal mode: a per-user hierarchical store in the
// user's configuration folder, with typed values as a registry would keep
// them: text (REG_SZ), 32-bit numbers for integers and booleans (REG_DWORD)
// and the 8 bytes of a double (REG_BINARY).
//
// Each product of the maker has one file, "<config>/Ombrix/<product>.json";
// the folder "Ombrix" plays the maker's key, so sibling programs find one
// another's values (such as "ExeName") there. Keys and values keep the order
// in which they were made, and their names are compared without regard to
// case. Changes are written when a key is closed, on Flush() and at
// destruction, each time through a temporary file renamed over the old one.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "framework/PreferencesMan.h"

namespace tavrel {

class TRegPreferencesMan final : public TPreferencesMan {
  public:
    // Opens the store of fileName; with create, makes it (and its folder)
    // when it is missing. IsOpen() tells whether the store exists.
    TRegPreferencesMan(QString fileName, bool create);
    ~TRegPreferencesMan() override;

    // "<configFolder>/Ombrix" and "<configFolder>/Ombrix/<product>.json".
    static QString MakerFolder(const QString& configFolder);
    static QString StoreFileName(const QString& configFolder, const QString& product);

    bool IsOpen() const { return m_open; }
    QString FileName() const { return m_fileName; }
    QString LastError() const { return m_lastError; }

    bool GetValueNames(QStringList& names) override;
    bool GetKeyNames(QStringList& names) override;
    bool OpenKey(const QString& name, bool create) override;
    bool CloseKey() override;
    bool WriteString(const QString& name, const QString& value) override;
    bool ReadString(const QString& name, QString& value) override;
    bool DeleteValue(const QString& name) override;
    bool WriteBool(const QString& name, bool value) override;
    bool ReadBool(const QString& name, bool& value) override;
    bool WriteInteger(const QString& name, std::int32_t value) override;
    bool ReadInteger(const QString& name, std::int32_t& value) override;
    bool WriteFloat(const QString& name, double value) override;
    bool ReadFloat(const QString& name, double& value) override;
    bool Flush() override;
    QString CurrentPath() const override { return m_path; }

    enum class TValueType { Sz, Dword, Binary };
    struct TValue {
        QString Name;
        TValueType Type = TValueType::Sz;
        QString Text;
        std::uint32_t Dword = 0;
        QByteArray Bytes;
    };
    struct TKey {
        QString Name;
        std::vector<TValue> Values;
        std::vector<std::unique_ptr<TKey>> Keys;
    };

  private:
    TKey* Find(const QString& path, bool create);
    TValue* FindValue(const QString& name);
    bool Put(TValue value);
    bool Load();

    QString m_fileName;
    TKey m_root;
    TKey* m_current = nullptr;
    QString m_path;
    bool m_open = false;
    bool m_dirty = false;
    QString m_lastError;
};

}  // namespace tavrel
