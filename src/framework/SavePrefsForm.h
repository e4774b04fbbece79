#pragma once
// The question asked at exit while the settings have nowhere to go: keep
// them in the per-user store ("Normal"), in an ini file beside the program
// ("Portable"), or not at all ("Aucun"). A button records its choice and
// closes the dialog; closing it any other way leaves it unanswered.

#include <QDialog>
#include <QString>
#include <optional>

#include "framework/PrefsValues.h"

class QPushButton;

namespace tavrel {

class TLinkEdit;

class TSavePrefsForm : public QDialog {
  public:
    explicit TSavePrefsForm(QWidget* parent = nullptr);

    // The dialog's text in the program's tag language.
    static QString TaggedText();
    // "Enregistrement des préférences de " + titre.
    static QString CaptionFor(const QString& titre);

    // Sets the caption for titre and forgets any earlier answer.
    void Prepare(const QString& titre);
    // Shows the dialog modally; the choice, or nothing when left unanswered.
    std::optional<TSavePreferences> Ask(const QString& titre);

    bool Answered() const { return m_answered; }
    TSavePreferences Choice() const { return m_choice; }

    TLinkEdit* LinkEdit1() const { return m_linkEdit; }
    QPushButton* NormalBtn() const { return m_normalBtn; }
    QPushButton* PortableBtn() const { return m_portableBtn; }
    QPushButton* AucunBtn() const { return m_aucunBtn; }

  private:
    void Choose(TSavePreferences choice);

    TLinkEdit* m_linkEdit = nullptr;
    QPushButton* m_normalBtn = nullptr;
    QPushButton* m_portableBtn = nullptr;
    QPushButton* m_aucunBtn = nullptr;
    bool m_answered = false;
    TSavePreferences m_choice = TSavePreferences::spNone;
};

}  // namespace tavrel
