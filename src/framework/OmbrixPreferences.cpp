#include "framework/OmbrixPreferences.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtDebug>
#include <exception>

#include "framework/IniPreferencesMan.h"
#include "framework/RegPreferencesMan.h"
#include "scenes/DateFormat.h"

namespace tavrel {

namespace {

bool IsStoring(TSavePreferences mode) {
    return mode != TSavePreferences::spNone;
}

TDateTime NowValue() {
    const QDateTime now = QDateTime::currentDateTime();
    TDateTimeParts parts;
    parts.Year = now.date().year();
    parts.Month = now.date().month();
    parts.Day = now.date().day();
    parts.Hour = now.time().hour();
    parts.Minute = now.time().minute();
    parts.Second = now.time().second();
    TDateTime value = 0;
    TryEncodeDateTime(parts, value);
    return value;
}

}  // namespace

TOmbrixPreferences::TOmbrixPreferences(QObject* owner)
    : QObject(owner), m_store(std::make_unique<TNonePreferencesMan>()) {
    m_programFolder =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    m_userConfigFolder = DefaultUserConfigFolder();
}

TOmbrixPreferences::~TOmbrixPreferences() {
    // The owner may be half gone by now: a failure is only logged.
    m_onError = nullptr;
    ReleaseStore();
}

QString TOmbrixPreferences::DefaultUserConfigFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString TOmbrixPreferences::IniFileName() const {
    return QDir(m_programFolder).filePath(m_titre + QStringLiteral(".ini"));
}

QString TOmbrixPreferences::UserStoreFileName() const {
    return TRegPreferencesMan::StoreFileName(m_userConfigFolder, m_titre);
}

TSavePreferences TOmbrixPreferences::DetectMode() const {
    if (QFileInfo(IniFileName()).isFile()) return TSavePreferences::spPortable;
    if (QFileInfo(UserStoreFileName()).isFile()) return TSavePreferences::spRegistre;
    return TSavePreferences::spNone;
}

void TOmbrixPreferences::Report(const QString& message) {
    m_lastError = message;
    if (m_onError)
        m_onError(message);
    else
        qWarning().noquote() << message;
}

bool TOmbrixPreferences::ReleaseStore() {
    if (!m_store) return true;
    bool ok = m_store->Flush();
    if (!ok) {
        if (auto* ini = dynamic_cast<TIniPreferencesMan*>(m_store.get()))
            Report(ini->LastError());
        else if (auto* reg = dynamic_cast<TRegPreferencesMan*>(m_store.get()))
            Report(reg->LastError());
    }
    m_store.reset();
    return ok;
}

void TOmbrixPreferences::CreateStore() {
    ReleaseStore();
    // The other storages are only deleted once the new one is known to be
    // writable: a folder that refuses the new file must not cost the user
    // the settings kept in the old one.
    bool ready = true;
    switch (m_mode) {
        case TSavePreferences::spRegistre: {
            auto reg = std::make_unique<TRegPreferencesMan>(UserStoreFileName(), true);
            ready = reg->IsOpen();
            if (!ready)
                Report(reg->LastError().isEmpty()
                           ? QStringLiteral("Impossible de créer les préférences dans « %1 ».")
                                 .arg(UserStoreFileName())
                           : reg->LastError());
            m_store = std::move(reg);
            break;
        }
        case TSavePreferences::spPortable: {
            auto ini = std::make_unique<TIniPreferencesMan>(IniFileName());
            ready = ini->Flush();
            if (!ready) Report(ini->LastError());
            m_store = std::move(ini);
            break;
        }
        case TSavePreferences::spNone:
            m_store = std::make_unique<TNonePreferencesMan>();
            break;
    }
    if (m_onChangeMode) m_onChangeMode(m_mode);
    if (!ready) return;
    if (m_mode != TSavePreferences::spPortable) DeleteIniPrefs();
    if (m_mode != TSavePreferences::spRegistre) DeleteRegistryPrefs();
}

void TOmbrixPreferences::SetStorageMode(TSavePreferences mode) {
    if (mode == m_mode) return;
    m_mode = mode;
    CreateStore();
}

void TOmbrixPreferences::SetStorageMode(int itemIndex) {
    if (itemIndex < 0 || itemIndex > 2) return;
    SetStorageMode(static_cast<TSavePreferences>(itemIndex));
}

bool TOmbrixPreferences::DeleteIniPrefs() {
    const QString name = IniFileName();
    QFile file(name);
    if (!file.exists()) return true;
    file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    if (file.remove()) return true;
    Report(QStringLiteral("Impossible de supprimer le fichier de préférences « %1 » : %2")
               .arg(name, file.errorString()));
    return false;
}

bool TOmbrixPreferences::DeleteRegistryPrefs() {
    const QString name = UserStoreFileName();
    QFile file(name);
    if (!file.exists()) return true;
    if (!file.remove()) {
        Report(QStringLiteral("Impossible de supprimer les préférences « %1 » : %2")
                   .arg(name, file.errorString()));
        return false;
    }
    // The maker's folder goes too when no other program of the maker is
    // left in it; rmdir only removes an empty folder.
    QDir().rmdir(TRegPreferencesMan::MakerFolder(m_userConfigFolder));
    return true;
}

bool TOmbrixPreferences::OpenKey(const QString& name) {
    return IsStoring(m_mode) && m_store->OpenKey(name, true);
}

bool TOmbrixPreferences::CloseKey() {
    return IsStoring(m_mode) && m_store->CloseKey();
}

bool TOmbrixPreferences::ReadBool(const QString& name, bool defaultValue) {
    bool value = defaultValue;
    if (!IsStoring(m_mode) || !m_store->ReadBool(name, value)) return defaultValue;
    return value;
}

std::int32_t TOmbrixPreferences::ReadInteger(const QString& name, std::int32_t defaultValue) {
    std::int32_t value = defaultValue;
    if (!IsStoring(m_mode) || !m_store->ReadInteger(name, value)) return defaultValue;
    return value;
}

double TOmbrixPreferences::ReadFloat(const QString& name, double defaultValue) {
    double value = defaultValue;
    if (!IsStoring(m_mode) || !m_store->ReadFloat(name, value)) return defaultValue;
    return value;
}

QString TOmbrixPreferences::ReadString(const QString& name, const QString& defaultValue) {
    QString value = defaultValue;
    if (!IsStoring(m_mode) || !m_store->ReadString(name, value)) return defaultValue;
    return value;
}

QStringList TOmbrixPreferences::ReadStrings(const QString& name, const QStringList& defaultValue) {
    QStringList value;
    if (!IsStoring(m_mode) || !m_store->ReadStrings(name, value)) return defaultValue;
    return value;
}

TFontValue TOmbrixPreferences::ReadFont(const QString& name, const TFontValue& defaultValue) {
    TFontValue value = defaultValue;
    if (!IsStoring(m_mode) || !m_store->ReadFont(name, value)) return defaultValue;
    return value;
}

TRectValue TOmbrixPreferences::ReadRect(const QString& name, const TRectValue& defaultValue) {
    TRectValue value = defaultValue;
    if (!IsStoring(m_mode) || !m_store->ReadRect(name, value)) return defaultValue;
    return value;
}

bool TOmbrixPreferences::WriteBool(const QString& name, bool value) {
    return IsStoring(m_mode) && m_store->WriteBool(name, value);
}

bool TOmbrixPreferences::WriteInteger(const QString& name, std::int32_t value) {
    return IsStoring(m_mode) && m_store->WriteInteger(name, value);
}

bool TOmbrixPreferences::WriteFloat(const QString& name, double value) {
    return IsStoring(m_mode) && m_store->WriteFloat(name, value);
}

bool TOmbrixPreferences::WriteString(const QString& name, const QString& value) {
    return IsStoring(m_mode) && m_store->WriteString(name, value);
}

bool TOmbrixPreferences::WriteStrings(const QString& name, const QStringList& value) {
    return IsStoring(m_mode) && m_store->WriteStrings(name, value);
}

bool TOmbrixPreferences::WriteFont(const QString& name, const TFontValue& value) {
    return IsStoring(m_mode) && m_store->WriteFont(name, value);
}

bool TOmbrixPreferences::WriteRect(const QString& name, const TRectValue& value) {
    return IsStoring(m_mode) && m_store->WriteRect(name, value);
}

bool TOmbrixPreferences::WriteInfo(const QString& version) {
    const QString saved = FormatDateValue(QStringLiteral("dd/mm/yyyy hh:nn:ss"), NowValue(),
                                          *DefaultFormatSettings());
    const QString exeName = RunningProgram();
    const bool a = WriteString(QStringLiteral("Version"), version);
    const bool b = WriteString(QStringLiteral("Dernière Sauvegarde"), saved);
    const bool c = WriteString(QStringLiteral("ExeName"), exeName);
    return a && b && c;
}

void TOmbrixPreferences::OwnerShow(const std::function<void()>& ownerShow) {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    m_mode = DetectMode();
    CreateStore();
    if (ownerShow) ownerShow();
    try {
        if (m_onLoadPrefs) m_onLoadPrefs(*this);
    } catch (const std::exception& e) {
        Report(QStringLiteral("Erreur au chargement des préférences : %1").arg(e.what()));
    } catch (...) {
        Report(QStringLiteral("Erreur au chargement des préférences."));
    }
}

bool TOmbrixPreferences::OwnerCloseQuery(const std::function<bool()>& ownerCloseQuery) {
    // A window that refuses to close keeps running with its settings in
    // memory: nothing is asked or saved until a close is really allowed.
    if (ownerCloseQuery && !ownerCloseQuery()) return false;
    if (m_mode == TSavePreferences::spNone) {
        if (!m_askStorageMode) return true;
        const std::optional<TSavePreferences> choice = m_askStorageMode(m_titre);
        if (!choice) return false;
        m_mode = *choice;
        CreateStore();
    }
    if (IsStoring(m_mode)) {
        m_store->CloseToRoot();
        WriteInfo(m_version);
        try {
            if (m_onSavePrefs) m_onSavePrefs(*this);
        } catch (const std::exception& e) {
            Report(QStringLiteral("Erreur à l'enregistrement des préférences : %1").arg(e.what()));
        } catch (...) {
            Report(QStringLiteral("Erreur à l'enregistrement des préférences."));
        }
        m_store->CloseToRoot();
        if (!m_store->Flush()) {
            if (auto* ini = dynamic_cast<TIniPreferencesMan*>(m_store.get()))
                Report(ini->LastError());
            else if (auto* reg = dynamic_cast<TRegPreferencesMan*>(m_store.get()))
                Report(reg->LastError());
        }
    }
    return true;
}

QString TOmbrixPreferences::RunningProgram() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString TOmbrixPreferences::SiblingExeName(const QString& product,
                                           const QString& userConfigFolder) {
    const QString folder =
        userConfigFolder.isEmpty() ? DefaultUserConfigFolder() : userConfigFolder;
    TRegPreferencesMan store(TRegPreferencesMan::StoreFileName(folder, product), false);
    QString exeName;
    if (!store.IsOpen() || !store.ReadString(QStringLiteral("ExeName"), exeName)) return QString();
    return exeName;
}

}  // namespace tavrel
