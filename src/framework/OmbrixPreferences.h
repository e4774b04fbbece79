#pragma once
// The settings component of the main window: it keeps the user's settings
// from one run to the next in one of three places (the storage mode) and
// gives the rest of the program typed reads and writes inside a current key.
//
//  - spRegistre: the per-user store "<config>/Ombrix/<titre>.json";
//  - spPortable: the ini file "<program folder>/<titre>.ini";
//  - spNone: nowhere; reads give their defaults, writes are dropped.
//
// Only one storage exists at a time: putting a mode in place deletes the
// storage of the other modes, once the new one has proved it can be written.
// The mode is found from what exists when the owner window is shown; when it
// is spNone at exit the user is asked where to save. The window side (the
// hooks on the owner's show and close events, the exit dialog) lives in the
// user-interface library; this class only needs to be told.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "framework/PreferencesMan.h"
#include "framework/PrefsValues.h"

namespace tavrel {

class TOmbrixPreferences : public QObject {
  public:
    explicit TOmbrixPreferences(QObject* owner = nullptr);
    ~TOmbrixPreferences() override;

    // The product name: the per-user store's and the ini file's name.
    QString Titre() const { return m_titre; }
    void SetTitre(const QString& titre) { m_titre = titre; }
    // The version text written at each save.
    QString Version() const { return m_version; }
    void SetVersion(const QString& version) { m_version = version; }

    // Where the two storages live; by default the folder of the running
    // program and the user's configuration folder. Tests point them at
    // temporary folders.
    QString ProgramFolder() const { return m_programFolder; }
    void SetProgramFolder(const QString& folder) { m_programFolder = folder; }
    QString UserConfigFolder() const { return m_userConfigFolder; }
    void SetUserConfigFolder(const QString& folder) { m_userConfigFolder = folder; }
    QString IniFileName() const;
    QString UserStoreFileName() const;
    static QString DefaultUserConfigFolder();

    TSavePreferences Mode() const { return m_mode; }
    TPreferencesMan& Store() { return *m_store; }

    // spPortable when the ini file exists, else spRegistre when the
    // per-user store exists, else spNone.
    TSavePreferences DetectMode() const;
    // Frees the current store (its pending changes are written), puts the
    // store of the current mode in place, tells OnChangeMode, then deletes
    // the storage of the other modes.
    void CreateStore();
    // The options page's choice; a mode equal to the current one changes
    // nothing. An item index outside 0..2 is ignored.
    void SetStorageMode(TSavePreferences mode);
    void SetStorageMode(int itemIndex);
    // Deleting storage that does not exist succeeds.
    bool DeleteIniPrefs();
    bool DeleteRegistryPrefs();

    // Typed reads and writes in the store's current key. In spNone the
    // keys do not open, reads give the defaults and writes answer false.
    bool OpenKey(const QString& name);
    bool CloseKey();
    bool ReadBool(const QString& name, bool defaultValue);
    std::int32_t ReadInteger(const QString& name, std::int32_t defaultValue);
    double ReadFloat(const QString& name, double defaultValue);
    QString ReadString(const QString& name, const QString& defaultValue);
    QStringList ReadStrings(const QString& name, const QStringList& defaultValue);
    TFontValue ReadFont(const QString& name, const TFontValue& defaultValue);
    TRectValue ReadRect(const QString& name, const TRectValue& defaultValue);
    bool WriteBool(const QString& name, bool value);
    bool WriteInteger(const QString& name, std::int32_t value);
    bool WriteFloat(const QString& name, double value);
    bool WriteString(const QString& name, const QString& value);
    bool WriteStrings(const QString& name, const QStringList& value);
    bool WriteFont(const QString& name, const TFontValue& value);
    bool WriteRect(const QString& name, const TRectValue& value);
    // "Version", "Dernière Sauvegarde" (the time of the save) and "ExeName"
    // (the running program) in the current key.
    bool WriteInfo(const QString& version);

    // The owner window is shown: find the mode, put its store in place, run
    // the owner's own show handler, then OnLoadPrefs.
    void OwnerShow(const std::function<void()>& ownerShow = {});
    // The owner window is asked to close: true when it may. The owner's own
    // handler runs first and may refuse. In spNone the user is asked through
    // the storage-mode question; no answer refuses the close. Then, unless
    // the mode is spNone, the information values are written at the root
    // and OnSavePrefs saves the settings.
    bool OwnerCloseQuery(const std::function<bool()>& ownerCloseQuery = {});

    void SetOnChangeMode(std::function<void(TSavePreferences)> handler) {
        m_onChangeMode = std::move(handler);
    }
    void SetOnLoadPrefs(std::function<void(TOmbrixPreferences&)> handler) {
        m_onLoadPrefs = std::move(handler);
    }
    void SetOnSavePrefs(std::function<void(TOmbrixPreferences&)> handler) {
        m_onSavePrefs = std::move(handler);
    }
    // The question asked at exit in spNone (the exit dialog): the chosen
    // mode, or nothing when the user left without choosing. Without one the
    // program closes without saving.
    void SetAskStorageMode(std::function<std::optional<TSavePreferences>(const QString&)> ask) {
        m_askStorageMode = std::move(ask);
    }
    // Told, in French, when a storage cannot be written or deleted.
    void SetOnError(std::function<void(const QString&)> handler) { m_onError = std::move(handler); }
    QString LastError() const { return m_lastError; }

    // The "ExeName" value a sibling program of the maker left in its
    // per-user store; empty when there is none.
    static QString SiblingExeName(const QString& product, const QString& userConfigFolder = {});
    // The full path of the running program, as "ExeName" records it.
    static QString RunningProgram();

  private:
    bool ReleaseStore();
    void Report(const QString& message);

    QString m_titre;
    QString m_version;
    QString m_programFolder;
    QString m_userConfigFolder;
    TSavePreferences m_mode = TSavePreferences::spNone;
    std::unique_ptr<TPreferencesMan> m_store;
    std::function<void(TSavePreferences)> m_onChangeMode;
    std::function<void(TOmbrixPreferences&)> m_onLoadPrefs;
    std::function<void(TOmbrixPreferences&)> m_onSavePrefs;
    std::function<std::optional<TSavePreferences>(const QString&)> m_askStorageMode;
    std::function<void(const QString&)> m_onError;
    QString m_lastError;
};

}  // namespace tavrel
