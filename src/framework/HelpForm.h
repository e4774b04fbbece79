#pragma once
// The help window: the keyboard shortcuts, script declarations and
// command-line switches of the action lists registered with it, each list
// under its section title, rebuilt every time the window is shown so that
// it always tells the actions as they are.

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "framework/HelpText.h"

namespace tavrel {

class TCustomOxActionList;
class TLinkEdit;

class THelpForm : public QWidget {
  public:
    // A window of its own, kept above parent and destroyed with it.
    explicit THelpForm(QWidget* parent = nullptr);

    static QString CaptionText() {
        return QStringLiteral("Aide pour Raccourcis, Script et Macros");
    }

    // Appends the list under the section title (sections keep the order of
    // their first registration); a list registered again is not repeated.
    void RegisterList(TCustomOxActionList* list, const QString& section);
    void UnregisterList(TCustomOxActionList* list);
    const std::vector<THelpSection>& Sections() const { return m_sections; }

    // The tagged text of the registered lists, and putting it in the label.
    QString HelpText() const { return HelpRichText(m_sections); }
    void Refresh();
    TLinkEdit* TextEdit() const { return m_text; }

    // Told when the user closes the window (not when it is hidden by code).
    void SetOnClose(std::function<void()> handler) { m_onClose = std::move(handler); }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    std::vector<THelpSection> m_sections;
    TLinkEdit* m_text = nullptr;
    std::function<void()> m_onClose;
};

}  // namespace tavrel
