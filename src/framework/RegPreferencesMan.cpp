#include "framework/RegPreferencesMan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QtEndian>
#include <cstring>

namespace tavrel {

namespace {

constexpr qint64 kMaxStoreBytes = 32 * 1024 * 1024;
constexpr int kMaxDepth = 64;

const QString kSz = QStringLiteral("REG_SZ");
const QString kDword = QStringLiteral("REG_DWORD");
const QString kBinary = QStringLiteral("REG_BINARY");

using TKey = TRegPreferencesMan::TKey;
using TValue = TRegPreferencesMan::TValue;
using TValueType = TRegPreferencesMan::TValueType;

QJsonObject KeyToJson(const TKey& key) {
    QJsonArray values;
    for (const TValue& v : key.Values) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), v.Name);
        switch (v.Type) {
            case TValueType::Sz:
                o.insert(QStringLiteral("type"), kSz);
                o.insert(QStringLiteral("data"), v.Text);
                break;
            case TValueType::Dword:
                o.insert(QStringLiteral("type"), kDword);
                o.insert(QStringLiteral("data"), qint64(v.Dword));
                break;
            case TValueType::Binary:
                o.insert(QStringLiteral("type"), kBinary);
                o.insert(QStringLiteral("data"), QString::fromLatin1(v.Bytes.toHex()));
                break;
        }
        values.append(o);
    }
    QJsonArray keys;
    for (const auto& sub : key.Keys) {
        QJsonObject o = KeyToJson(*sub);
        o.insert(QStringLiteral("name"), sub->Name);
        keys.append(o);
    }
    QJsonObject o;
    o.insert(QStringLiteral("values"), values);
    o.insert(QStringLiteral("keys"), keys);
    return o;
}

// Whatever does not have the expected shape is left out, so a damaged file
// still gives what can be read of it.
void KeyFromJson(const QJsonObject& o, TKey& key, int depth) {
    for (const QJsonValue& item : o.value(QStringLiteral("values")).toArray()) {
        const QJsonObject v = item.toObject();
        const QJsonValue name = v.value(QStringLiteral("name"));
        const QString type = v.value(QStringLiteral("type")).toString();
        const QJsonValue data = v.value(QStringLiteral("data"));
        if (!name.isString()) continue;
        TValue value;
        value.Name = name.toString();
        if (type == kSz && data.isString()) {
            value.Type = TValueType::Sz;
            value.Text = data.toString();
        } else if (type == kDword && data.isDouble()) {
            const double n = data.toDouble();
            if (n < 0 || n > 4294967295.0 || n != double(qint64(n))) continue;
            value.Type = TValueType::Dword;
            value.Dword = std::uint32_t(qint64(n));
        } else if (type == kBinary && data.isString()) {
            value.Type = TValueType::Binary;
            value.Bytes = QByteArray::fromHex(data.toString().toLatin1());
        } else {
            continue;
        }
        key.Values.push_back(std::move(value));
    }
    if (depth >= kMaxDepth) return;
    for (const QJsonValue& item : o.value(QStringLiteral("keys")).toArray()) {
        const QJsonObject k = item.toObject();
        const QJsonValue name = k.value(QStringLiteral("name"));
        if (!name.isString() || name.toString().isEmpty()) continue;
        auto sub = std::make_unique<TKey>();
        sub->Name = name.toString();
        KeyFromJson(k, *sub, depth + 1);
        key.Keys.push_back(std::move(sub));
    }
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

QString TRegPreferencesMan::MakerFolder(const QString& configFolder) {
    return QDir(configFolder).filePath(QStringLiteral("Ombrix"));
}

QString TRegPreferencesMan::StoreFileName(const QString& configFolder, const QString& product) {
    return QDir(MakerFolder(configFolder)).filePath(product + QStringLiteral(".json"));
}

TRegPreferencesMan::TRegPreferencesMan(QString fileName, bool create)
    : m_fileName(std::move(fileName)) {
    m_current = &m_root;
    if (QFileInfo(m_fileName).isFile()) {
        m_open = Load();
    } else if (create) {
        m_open = QDir().mkpath(QFileInfo(m_fileName).absolutePath());
        m_dirty = true;
        if (m_open) m_open = Flush();
    }
}

TRegPreferencesMan::~TRegPreferencesMan() {
    if (m_dirty) Flush();
}

bool TRegPreferencesMan::Load() {
    // A store that cannot be read stays closed, so that nothing replaces it;
    // one that reads but does not parse gives what it can.
    QFile file(m_fileName);
    if (file.size() > kMaxStoreBytes || !file.open(QIODevice::ReadOnly)) {
        m_lastError =
            QStringLiteral("Les préférences « %1 » n'ont pas pu être lues.").arg(m_fileName);
        return false;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    if (doc.isObject()) KeyFromJson(doc.object(), m_root, 0);
    return true;
}

bool TRegPreferencesMan::Flush() {
    if (!m_open) return false;
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        m_lastError = QStringLiteral("Impossible d'écrire les préférences dans « %1 » : %2")
                          .arg(m_fileName, file.errorString());
        return false;
    }
    file.write(QJsonDocument(KeyToJson(m_root)).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        m_lastError = QStringLiteral("Impossible d'écrire les préférences dans « %1 » : %2")
                          .arg(m_fileName, file.errorString());
        return false;
    }
    m_lastError.clear();
    m_dirty = false;
    return true;
}

TKey* TRegPreferencesMan::Find(const QString& path, bool create) {
    TKey* key = &m_root;
    if (path.isEmpty()) return key;
    for (const QString& name : path.split(QLatin1Char('\\'))) {
        if (name.isEmpty()) return nullptr;
        TKey* next = nullptr;
        for (const auto& sub : key->Keys) {
            if (SameName(sub->Name, name)) {
                next = sub.get();
                break;
            }
        }
        if (!next) {
            if (!create) return nullptr;
            auto sub = std::make_unique<TKey>();
            sub->Name = name;
            next = sub.get();
            key->Keys.push_back(std::move(sub));
            m_dirty = true;
        }
        key = next;
    }
    return key;
}

TValue* TRegPreferencesMan::FindValue(const QString& name) {
    if (!m_open) return nullptr;
    for (TValue& v : m_current->Values)
        if (SameName(v.Name, name)) return &v;
    return nullptr;
}

bool TRegPreferencesMan::Put(TValue value) {
    if (!m_open) return false;
    if (TValue* old = FindValue(value.Name)) {
        value.Name = old->Name;
        *old = std::move(value);
    } else {
        m_current->Values.push_back(std::move(value));
    }
    m_dirty = true;
    return true;
}

bool TRegPreferencesMan::GetValueNames(QStringList& names) {
    if (!m_open) return false;
    for (const TValue& v : m_current->Values) names << v.Name;
    return true;
}

bool TRegPreferencesMan::GetKeyNames(QStringList& names) {
    if (!m_open) return false;
    for (const auto& sub : m_current->Keys) names << sub->Name;
    return true;
}

bool TRegPreferencesMan::OpenKey(const QString& name, bool create) {
    if (!m_open) return false;
    const QString path = JoinKeyPath(m_path, name);
    TKey* key = Find(path, create);
    if (!key) return false;
    m_current = key;
    m_path = path;
    return true;
}

bool TRegPreferencesMan::CloseKey() {
    if (!m_open) return false;
    if (m_dirty) Flush();
    m_path = ParentKeyPath(m_path);
    m_current = Find(m_path, false);
    if (!m_current) {
        m_current = &m_root;
        m_path.clear();
    }
    return true;
}

bool TRegPreferencesMan::WriteString(const QString& name, const QString& value) {
    TValue v;
    v.Name = name;
    v.Type = TValueType::Sz;
    v.Text = value;
    return Put(std::move(v));
}

bool TRegPreferencesMan::ReadString(const QString& name, QString& value) {
    const TValue* v = FindValue(name);
    if (!v || v->Type != TValueType::Sz) return false;
    value = v->Text;
    if (value.endsWith(QChar(0))) value.chop(1);
    return true;
}

bool TRegPreferencesMan::DeleteValue(const QString& name) {
    if (!m_open) return false;
    auto& values = m_current->Values;
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (SameName(it->Name, name)) {
            values.erase(it);
            m_dirty = true;
            return true;
        }
    }
    return false;
}

bool TRegPreferencesMan::WriteBool(const QString& name, bool value) {
    return WriteInteger(name, value ? 1 : 0);
}

bool TRegPreferencesMan::ReadBool(const QString& name, bool& value) {
    const TValue* v = FindValue(name);
    if (!v || v->Type != TValueType::Dword || v->Dword > 1) return false;
    value = v->Dword == 1;
    return true;
}

bool TRegPreferencesMan::WriteInteger(const QString& name, std::int32_t value) {
    TValue v;
    v.Name = name;
    v.Type = TValueType::Dword;
    v.Dword = std::uint32_t(value);
    return Put(std::move(v));
}

bool TRegPreferencesMan::ReadInteger(const QString& name, std::int32_t& value) {
    const TValue* v = FindValue(name);
    if (!v || v->Type != TValueType::Dword) return false;
    value = std::int32_t(v->Dword);
    return true;
}

bool TRegPreferencesMan::WriteFloat(const QString& name, double value) {
    TValue v;
    v.Name = name;
    v.Type = TValueType::Binary;
    v.Bytes.resize(8);
    quint64 bits = 0;
    std::memcpy(&bits, &value, 8);
    qToLittleEndian(bits, v.Bytes.data());
    return Put(std::move(v));
}

bool TRegPreferencesMan::ReadFloat(const QString& name, double& value) {
    const TValue* v = FindValue(name);
    if (!v || v->Type != TValueType::Binary || v->Bytes.size() != 8) return false;
    const quint64 bits = qFromLittleEndian<quint64>(v->Bytes.constData());
    std::memcpy(&value, &bits, 8);
    return true;
}

}  // namespace tavrel
