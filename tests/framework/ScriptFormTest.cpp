#include "framework/ScriptForm.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include "framework/CheckAction.h"
#include "framework/Recorder.h"

namespace tavrel {
namespace {

QByteArray ReadAll(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& fileName, const QByteArray& bytes) {
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

TEST(ScriptForm, ScriptFilesRoundTripWithWindowsLineEnds) {
    QTemporaryDir dir;
    TScriptForm form;
    form.SetScriptText("begin\n    setMute(True);\n    Titre('Été');\nend.");
    const QString fileName = dir.filePath("macro.pas");
    ASSERT_TRUE(form.SaveScript(fileName));
    EXPECT_EQ(ReadAll(fileName),
              "begin\r\n    setMute(True);\r\n    Titre('\xC3\x89t\xC3\xA9');"
              "\r\nend.");
    EXPECT_EQ(form.FileName(), fileName);
    EXPECT_FALSE(form.Editor()->document()->isModified());

    TScriptForm other;
    ASSERT_TRUE(other.LoadScript(fileName));
    EXPECT_EQ(other.ScriptText(), form.ScriptText());
}

TEST(ScriptForm, ScriptsFromElsewhere) {
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* text;
    };
    const Case cases[] = {
        {"bom.pas",
         "\xEF\xBB\xBF"
         "begin\r\nend.",
         "begin\nend."},
        // Not UTF-8: the Windows code page, with its euro sign.
        {"cp1252.pas", "Titre('\xC9t\xE9 \x80');\r", "Titre('Été €');\n"},
    };
    for (const Case& c : cases) {
        const QString fileName = dir.filePath(c.name);
        ASSERT_TRUE(WriteAll(fileName, c.bytes));
        TScriptForm form;
        ASSERT_TRUE(form.LoadScript(fileName)) << c.name;
        EXPECT_EQ(form.ScriptText(), QString::fromUtf8(c.text)) << c.name;
    }
}

TEST(ScriptForm, AFileThatCannotBeReadOrWrittenLeavesTheScript) {
    QTemporaryDir dir;
    TScriptForm form;
    form.SetScriptText("begin\nend.");
    QString error;
    EXPECT_FALSE(form.LoadScript(dir.filePath("absent.pas"), &error));
    EXPECT_EQ(error, "Impossible d'ouvrir le script « " + dir.filePath("absent.pas") + " ».");
    EXPECT_FALSE(form.SaveScript(dir.filePath("no/such/folder/x.pas"), &error));
    EXPECT_TRUE(error.startsWith("Impossible d'enregistrer le script"));
    EXPECT_EQ(form.ScriptText(), "begin\nend.");
    EXPECT_TRUE(form.FileName().isEmpty());
}

TEST(ScriptForm, RecordingFollowsItsAction) {
    TScriptForm form;
    TCheckAction* macro = form.MacroAction();
    EXPECT_EQ(macro->InternalId(), "naStopMacro");
    EXPECT_EQ(macro->Caption(), "Enregistrer une macro");
    macro->trigger();
    EXPECT_TRUE(form.IsRecording());
    EXPECT_EQ(macro->Caption(), "Arrêter l'enregistrement");
    form.AddRecordedLine("    Help;");
    form.StopRecording();
    EXPECT_FALSE(macro->Checked());
    EXPECT_FALSE(TRecorder::Instance().IsRecording());
    EXPECT_EQ(form.ScriptText(), "begin\n    Help;\nend.\n");
}

}  // namespace
}  // namespace tavrel
