#include "framework/ScriptForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

#include "framework/CheckAction.h"
#include "framework/OxActionList.h"
#include "framework/Recorder.h"
#include "framework/ValueActions.h"

namespace tavrel {

namespace {

const QString kFilter = QStringLiteral("Scripts (*.pas);;Tous les fichiers (*)");
// Far beyond any script; a larger file is something else opened by mistake.
constexpr qint64 kMaxScriptBytes = 16 * 1024 * 1024;

bool IsEndLine(const QString& text) {
    return text.trimmed().compare(QLatin1String("end."), Qt::CaseInsensitive) == 0;
}

// Scripts written elsewhere may be in the Windows code page rather than
// UTF-8; UTF-8 is taken when the bytes are valid UTF-8.
QString DecodeScript(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    QStringDecoder cp1252("windows-1252");
    if (cp1252.isValid()) {
        text = cp1252.decode(bytes);
        if (!cp1252.hasError()) return text;
    }
    return QString::fromLatin1(bytes);
}

QToolButton* MakeButton(QWidget* parent, QAction* action) {
    auto* button = new QToolButton(parent);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    if (action) button->setDefaultAction(action);
    return button;
}

}  // namespace

TScriptForm::TScriptForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("ScriptForm"));
    resize(620, 480);
    BuildActions();
    BuildWindow();
    ShowStatus();
}

TScriptForm::~TScriptForm() {
    if (m_recording) TRecorder::Instance().Stop();
    m_recording = false;
}

void TScriptForm::BuildActions() {
    m_actions = new TOxActionList(this);
    m_macroAction =
        m_actions->Create<TCheckAction>(QStringLiteral("caMacro"), QStringLiteral("naStopMacro"));
    m_macroAction->SetIncludePrefs(false);
    m_macroAction->SetFalseCaption(QStringLiteral("Enregistrer une macro"));
    m_macroAction->SetTrueCaption(QStringLiteral("Arrêter l'enregistrement"));
    m_macroAction->SetFalseHint(
        QStringLiteral("Chaque action que vous ferez ensuite sera ajoutée au script"));
    m_macroAction->SetTrueHint(QStringLiteral("Arrête l'enregistrement de la macro"));
    m_macroAction->Internal().TrueApply = [this] {
        if (m_recording) return;
        if (ScriptText().trimmed().isEmpty()) SetScriptText(QStringLiteral("begin\nend.\n"));
        QPointer<TScriptForm> self(this);
        TRecorder::Instance().Start([self](const QString& line) {
            if (self) self->AddRecordedLine(line);
        });
        m_recording = true;
        ShowStatus();
    };
    m_macroAction->Internal().FalseApply = [this] {
        if (!m_recording) return;
        TRecorder::Instance().Stop();
        m_recording = false;
        ShowStatus();
    };

    auto nope = [this](const char* name, const QString& caption, const QString& hint,
                       const QKeySequence& key, std::function<void()> apply) {
        auto* a =
            m_actions->Create<TNopeAction>(QString::fromLatin1(name), QString::fromLatin1(name));
        a->SetIncludePrefs(false);
        a->SetCaption(caption);
        a->SetHint(hint);
        a->SetShortCut(key);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        a->Internal().Apply = std::move(apply);
        addAction(a);
        return a;
    };
    m_newAction = nope("naNouveauScript", QStringLiteral("Nouveau"),
                       QStringLiteral("Commence un nouveau script"), QKeySequence::New,
                       [this] { NewScript(); });
    m_openAction = nope("naOuvrirScript", QStringLiteral("Ouvrir..."),
                        QStringLiteral("Ouvre un fichier de script"), QKeySequence::Open,
                        [this] { OpenScript(); });
    m_saveAction = nope("naEnregistrerScript", QStringLiteral("Enregistrer"),
                        QStringLiteral("Enregistre le script dans son fichier"), QKeySequence::Save,
                        [this] { SaveCurrent(); });
    m_saveAsAction = nope("naEnregistrerScriptSous", QStringLiteral("Enregistrer sous..."),
                          QStringLiteral("Enregistre le script dans un autre fichier"),
                          QKeySequence(), [this] { SaveScriptAs(); });
}

void TScriptForm::BuildWindow() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 4);
    layout->setSpacing(2);

    auto* menuBar = new QMenuBar(this);
    QMenu* fileMenu = menuBar->addMenu(QStringLiteral("Fichier"));
    fileMenu->addAction(m_newAction);
    fileMenu->addAction(m_openAction);
    fileMenu->addAction(m_saveAction);
    fileMenu->addAction(m_saveAsAction);
    QMenu* macroMenu = menuBar->addMenu(QStringLiteral("Macro"));
    macroMenu->addAction(m_macroAction);
    m_helpMenu = menuBar->addMenu(QStringLiteral("?"));
    m_helpMenu->menuAction()->setVisible(false);
    layout->setMenuBar(menuBar);

    auto* tools = new QHBoxLayout;
    tools->addWidget(MakeButton(this, m_newAction));
    tools->addWidget(MakeButton(this, m_openAction));
    tools->addWidget(MakeButton(this, m_saveAction));
    tools->addWidget(MakeButton(this, m_macroAction));
    m_keepBox = new QCheckBox(QStringLiteral("Conserver le script"), this);
    m_keepBox->setObjectName(QStringLiteral("cbConserverScript"));
    m_keepBox->setToolTip(
        QStringLiteral("Le script de cette fenêtre sera retrouvé au prochain lancement"));
    connect(m_keepBox, &QCheckBox::clicked, this, [this](bool checked) {
        if (m_onKeepChanged) m_onKeepChanged(checked);
    });
    tools->addWidget(m_keepBox);
    tools->addStretch(1);
    m_helpButton = MakeButton(this, nullptr);
    m_helpButton->setVisible(false);
    tools->addWidget(m_helpButton);
    m_pageButton = MakeButton(this, nullptr);
    m_pageButton->setVisible(false);
    tools->addWidget(m_pageButton);
    layout->addLayout(tools);

    m_editor = new QPlainTextEdit(this);
    m_editor->setObjectName(QStringLiteral("ScriptEditor"));
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_editor, 1);

    m_status = new QLabel(this);
    layout->addWidget(m_status);
}

QString TScriptForm::ScriptText() const {
    return m_editor->toPlainText();
}

void TScriptForm::SetScriptText(const QString& text) {
    m_editor->setPlainText(text);
}

bool TScriptForm::KeepScript() const {
    return m_keepBox->isChecked();
}

void TScriptForm::SetKeepScript(bool keep) {
    m_keepBox->setChecked(keep);
}

void TScriptForm::BindHelpAction(QAction* action) {
    m_helpButton->setDefaultAction(action);
    m_helpButton->setVisible(action != nullptr);
    m_helpMenu->clear();
    if (action) m_helpMenu->addAction(action);
    m_helpMenu->menuAction()->setVisible(action != nullptr);
}

void TScriptForm::BindPageAction(QAction* pageAction) {
    m_pageButton->setDefaultAction(pageAction);
    m_pageButton->setVisible(pageAction != nullptr);
}

void TScriptForm::StartRecording() {
    m_macroAction->SetChecked(true);
}

void TScriptForm::StopRecording() {
    m_macroAction->SetChecked(false);
}

void TScriptForm::AddRecordedLine(const QString& line) {
    QTextDocument* document = m_editor->document();
    QTextBlock end;
    for (QTextBlock b = document->lastBlock(); b.isValid(); b = b.previous()) {
        if (IsEndLine(b.text())) {
            end = b;
            break;
        }
    }
    QTextCursor cursor(document);
    if (end.isValid()) {
        cursor.setPosition(end.position());
        cursor.insertText(line + QLatin1Char('\n'));
    } else {
        cursor.movePosition(QTextCursor::End);
        if (document->lastBlock().text().isEmpty())
            cursor.insertText(line + QLatin1Char('\n'));
        else
            cursor.insertText(QLatin1Char('\n') + line);
    }
}

bool TScriptForm::LoadScript(const QString& fileName, QString* error) {
    QFile file(fileName);
    QString message;
    if (!file.open(QIODevice::ReadOnly)) {
        message = QStringLiteral("Impossible d'ouvrir le script « %1 ».").arg(fileName);
    } else if (file.size() > kMaxScriptBytes) {
        message =
            QStringLiteral("Le fichier « %1 » est trop grand pour être un script.").arg(fileName);
    } else {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            message = QStringLiteral("Impossible de lire le script « %1 ».").arg(fileName);
        } else {
            QString text = DecodeScript(bytes);
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
            SetScriptText(text);
            m_editor->document()->setModified(false);
            m_fileName = fileName;
            ShowStatus();
            return true;
        }
    }
    if (error) *error = message;
    return false;
}

bool TScriptForm::SaveScript(const QString& fileName, QString* error) {
    QString text = ScriptText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit()) {
        m_editor->document()->setModified(false);
        m_fileName = fileName;
        ShowStatus();
        return true;
    }
    if (error) *error = QStringLiteral("Impossible d'enregistrer le script « %1 ».").arg(fileName);
    return false;
}

bool TScriptForm::ConfirmDiscard() {
    if (!m_editor->document()->isModified()) return true;
    const auto answer = QMessageBox::question(
        this, windowTitle(), QStringLiteral("Le script a été modifié. Voulez-vous l'enregistrer ?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel) return false;
    if (answer == QMessageBox::Yes) return SaveCurrent();
    return true;
}

void TScriptForm::NewScript() {
    if (!ConfirmDiscard()) return;
    SetScriptText(QString());
    m_editor->document()->setModified(false);
    m_fileName.clear();
    ShowStatus();
}

void TScriptForm::OpenScript() {
    if (!ConfirmDiscard()) return;
    const QString fileName = QFileDialog::getOpenFileName(this, QStringLiteral("Ouvrir un script"),
                                                          m_initialFolder, kFilter);
    if (fileName.isEmpty()) return;
    QString error;
    if (!LoadScript(fileName, &error)) {
        QMessageBox::warning(this, windowTitle(), error);
        return;
    }
    FolderChosen(fileName);
}

bool TScriptForm::SaveCurrent() {
    if (m_fileName.isEmpty()) return SaveScriptAs();
    QString error;
    if (SaveScript(m_fileName, &error)) return true;
    QMessageBox::warning(this, windowTitle(), error);
    return false;
}

bool TScriptForm::SaveScriptAs() {
    const QString start = m_fileName.isEmpty() ? m_initialFolder : m_fileName;
    const QString fileName =
        QFileDialog::getSaveFileName(this, QStringLiteral("Enregistrer le script"), start, kFilter);
    if (fileName.isEmpty()) return false;
    QString error;
    if (!SaveScript(fileName, &error)) {
        QMessageBox::warning(this, windowTitle(), error);
        return false;
    }
    FolderChosen(fileName);
    return true;
}

void TScriptForm::FolderChosen(const QString& fileName) {
    m_initialFolder = QFileInfo(fileName).absolutePath();
    if (m_onFolderChanged) m_onFolderChanged(m_initialFolder);
}

void TScriptForm::ShowStatus() {
    QString text =
        m_fileName.isEmpty() ? QStringLiteral("Nouveau script") : QFileInfo(m_fileName).fileName();
    if (m_recording) text += QStringLiteral("  —  enregistrement d'une macro en cours");
    m_status->setText(text);
}

void TScriptForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted() && m_onClose) m_onClose();
}

}  // namespace tavrel
