#include "framework/OxSwitch.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QtDebug>
#include <exception>

#include "framework/CheckAction.h"
#include "framework/OxActionList.h"

namespace tavrel {

TOxSwitch::TOxSwitch(QObject* owner) : QObject(owner) {
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive) Activate();
                });
    }
}

QStringList TOxSwitch::Arguments() const {
    if (m_argumentsSet) return m_arguments;
    return QCoreApplication::instance() ? QCoreApplication::arguments().mid(1) : QStringList();
}

void TOxSwitch::EnterList(TCustomOxActionList& list) {
    for (TCustomAbstractAction* a : list.TypedActions())
        m_names.push_back(TName{a->Switch(), a, &list});
}

void TOxSwitch::RemoveList(TCustomOxActionList& list) {
    std::erase_if(m_names,
                  [&list](const TName& n) { return n.List == &list || n.Action.isNull(); });
}

TCustomAbstractAction* TOxSwitch::Lookup(const QString& name) const {
    if (name.isEmpty()) return nullptr;
    for (const TName& n : m_names)
        if (n.Action && n.Name.compare(name, Qt::CaseInsensitive) == 0) return n.Action;
    return nullptr;
}

void TOxSwitch::Parse(const QStringList& parameters) {
    for (const QString& parameter : parameters) {
        TSwitchMode mode = TSwitchMode::Plain;
        QString name;
        QString value = parameter;
        const QChar first = parameter.isEmpty() ? QChar() : parameter[0];
        if (first == QLatin1Char('+'))
            mode = TSwitchMode::Set;
        else if (first == QLatin1Char('-'))
            mode = TSwitchMode::Clear;
        else if (first == QLatin1Char('/'))
            mode = TSwitchMode::Toggle;
        if (mode != TSwitchMode::Plain) {
            const qsizetype eq = parameter.indexOf(QLatin1Char('='));
            if (eq < 1) {
                name = parameter.mid(1);
                value.clear();
            } else {
                name = parameter.mid(1, eq - 1);
                value = parameter.mid(eq + 1);
            }
            name = name.toLower();
        }
        TCustomAbstractAction* action = nullptr;
        if (m_names.empty()) {
            action = nullptr;
        } else if (name.isEmpty()) {
            action = m_defaultAction;
        } else if (name == QLatin1String("quit")) {
            m_quit = true;
        } else {
            action = Lookup(name);
            if (!action) action = m_defaultAction;
        }
        if (action) m_entries.push_back(TActionEx{action, value, mode});
    }
}

void TOxSwitch::RunEntries() {
    m_executing = true;
    auto processEvents = [] {
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
    };
    // Entries are taken by index: handlers may run events that add none,
    // but a copy keeps the loop safe whatever they do.
    const TSuperList entries = m_entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        m_runningIndex = int(i);
        processEvents();
        TCustomAbstractAction* action = entries[i].Action;
        if (!action || !action->isEnabled()) continue;
        try {
            if (auto* check = dynamic_cast<TCheckAction*>(action)) {
                switch (entries[i].Mode) {
                    case TSwitchMode::Set:
                        check->SetChecked(true);
                        break;
                    case TSwitchMode::Clear:
                        check->SetChecked(false);
                        break;
                    case TSwitchMode::Toggle:
                        check->SetChecked(!check->Checked());
                        break;
                    case TSwitchMode::Plain:
                        break;
                }
            } else {
                action->ApplyText(entries[i].Value);
            }
        } catch (const std::exception& e) {
            qWarning().noquote() << QStringLiteral("Erreur sur la ligne de commande : %1")
                                        .arg(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            qWarning().noquote() << QStringLiteral("Erreur sur la ligne de commande.");
        }
        processEvents();
    }
    m_runningIndex = -1;
    if (m_quit && !entries.empty()) Quit();
    m_executing = false;
}

void TOxSwitch::Quit() {
    if (m_onQuit) {
        m_onQuit();
        return;
    }
    // QApplication's closeAllWindows goes through every window's close
    // handling (and so the saving of the settings); plain quit would not.
    QObject* app = QCoreApplication::instance();
    if (!app) return;
    if (app->metaObject()->indexOfMethod("closeAllWindows()") >= 0)
        QMetaObject::invokeMethod(app, "closeAllWindows");
    else
        QCoreApplication::quit();
}

void TOxSwitch::Activate() {
    if (m_activated) {
        if (m_onActivate) m_onActivate();
        return;
    }
    m_activated = true;
    if (m_onActivate) m_onActivate();
    Parse(Arguments());
    if (m_entries.empty()) {
        if (m_onNoCommandLine) m_onNoCommandLine();
    } else {
        RunEntries();
    }
    m_entries.clear();
}

}  // namespace tavrel
