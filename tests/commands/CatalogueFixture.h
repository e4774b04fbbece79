#pragma once
// What the catalogue tests run on: the catalogue with a host and a shell that
// record what they are asked, an engine whose user answers from a script and
// carries the display shift like the window, records built by hand or read
// from real files, and a temporary folder.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "avi/AviFichier.h"
#include "commands/Catalogue.h"
#include "commands/CommandEngine.h"
#include "commands/MemoryFichierList.h"
#include "commands/RecordFactory.h"
#include "commands/ShellIntegration.h"
#include "framework/Settings.h"

namespace tavrel::test {

class TRecordingHost : public TCatalogueHost {
  public:
    QStringList Released;
    QStringList Reports;
    bool ReportShown = true;
    bool EditorOpen = false;
    bool Skip = false;

    void ReleaseFile(const QString& path) override { Released << path; }
    bool ShowRiffReport(const QString& path) override {
        Reports << path;
        return ReportShown;
    }
    bool SkipScnQuestion() const override { return Skip; }
    bool SceneEditorOpen() const override { return EditorOpen; }
};

// Trashes into a folder of the test; starts and opens nothing.
class TRecordingShell : public TShell {
  public:
    explicit TRecordingShell(QString trash) : m_trash(std::move(trash)) { QDir().mkpath(m_trash); }
    QStringList Trashed;
    QList<std::pair<QString, QStringList>> Started;
    QList<QUrl> Opened;
    QList<QUrl> Shown;
    bool RefuseTrash = false;

    bool MoveToTrash(const QString& path) override {
        if (RefuseTrash) return false;
        Trashed << path;
        return QFile::rename(path, m_trash + QLatin1Char('/') + QFileInfo(path).fileName());
    }
    bool OpenUrl(const QUrl& url) override {
        Opened << url;
        return true;
    }
    bool ShowItems(const QList<QUrl>& items) override {
        Shown << items;
        return true;
    }
    bool StartProgram(const QString& program, const QStringList& arguments) override {
        Started << std::make_pair(program, arguments);
        return true;
    }

  private:
    QString m_trash;
};

// The script user, with the window's per-file handling of the display shift.
class TCatalogueUser : public TScriptedUser {
  public:
    TdmAction* Dm = nullptr;
    void StartFichier(TAbstractListFichier* f, const QStringList& p, int passe) override {
        if (Dm) Dm->StartFichier(f);
        TScriptedUser::StartFichier(f, p, passe);
    }
    void EndFichier(TAbstractListFichier* f, const QStringList& p, int passe) override {
        if (Dm) Dm->EndFichier(f);
        TScriptedUser::EndFichier(f, p, passe);
    }
};

class CatalogueTest : public ::testing::Test {
  protected:
    CatalogueTest()
        : shell(dir.path() + QStringLiteral("/.trash")), dm(host, settings), engine(user, factory) {
        SetDefaultShell(&shell);
        user.Dm = &dm;
        engine.SetSourceList(&list);
        engine.SetDestList(&list);
    }
    ~CatalogueTest() override {
        engine.WaitUntilIdle();
        SetDefaultShell(nullptr);
    }

    QString Path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    void Touch(const QString& name, const QByteArray& bytes = "x") {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray Contents(const QString& name) const {
        QFile f(Path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool Exists(const QString& name) const { return QFileInfo::exists(Path(name)); }

    // A record built by hand for a file created on disk; the caller fills
    // its media fields.
    std::shared_ptr<TaviFichier> Hand(const QString& name) {
        if (!Exists(name)) Touch(name);
        return std::make_shared<TaviFichier>(Path(name), TaviFichier::TUnanalysed{});
    }
    // A DV record with a datecode and a timecode.
    std::shared_ptr<TaviFichier> DvRecord(const QString& name) {
        auto r = Hand(name);
        r->IsDV = true;
        r->DvType = 2;
        r->Codec = QStringLiteral("dvsd");
        r->Datecode = 39441.6;  // 25/12/2007 14:24:00
        r->DatecodeText = QStringLiteral(" 25/12/2007 14:24:00");
        r->TimecodeText = QStringLiteral("00.12.34.05");
        r->Fps = 25;
        r->FrameCount = 260;
        r->Duration = 260 * 400000LL;
        r->ImageText = QStringLiteral("720 x 576");
        r->AudioText = QStringLiteral("48000Hz 16 bits");
        r->HasScn = QFileInfo::exists(Path(QFileInfo(name).completeBaseName() + ".scn"));
        r->HasSrt = QFileInfo::exists(Path(QFileInfo(name).completeBaseName() + ".srt"));
        return r;
    }
    void Select(const std::shared_ptr<TAbstractListFichier>& record) {
        list.Add(record);
        list.SetSelected(list.Count() - 1, true);
        if (list.FocusedIndex() < 0) list.SetFocused(list.Count() - 1);
    }
    TExecuteResult Run(const char* name, const QStringList& params = {}) {
        tAbstractCmd* cmd = dm.Find(QLatin1String(name));
        EXPECT_NE(cmd, nullptr) << name;
        if (!cmd) return TExecuteResult::NoFiles;
        const TExecuteResult result = engine.ExecuteCommand(*cmd, params);
        EXPECT_TRUE(engine.WaitUntilIdle(60000));
        return result;
    }
    QStringList ListNames() const {
        QStringList names;
        for (int i = 0; i < list.Count(); ++i) names << list.ItemText(i);
        return names;
    }
    QStringList ErrorTexts() const {
        QStringList texts;
        for (const auto& e : user.Errors) texts << e.first;
        return texts;
    }

    QTemporaryDir dir;
    TRecordingHost host;
    TRecordingShell shell;
    TSettings settings;
    TdmAction dm;
    TCatalogueUser user;
    TRecordFactoryOf<TAfficherFichier> factory;
    TMemoryFichierList list;
    TCommandEngine engine;
};

}  // namespace tavrel::test
