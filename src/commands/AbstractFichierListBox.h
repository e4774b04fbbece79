#pragma once
// What the command engine needs of a file list: its items (a display text
// and a record each), the focus and the selection, enabling the control, and
// the few changes a run makes to it. The desktop program's list box
// implements it; TMemoryFichierList is the plain implementation of the
// command-line tool and the tests.
//
// The engine calls every operation on the user's thread (see TCommandUser):
// an implementation needs no locking of its own.

#include <QString>

#include "commands/CommandTypes.h"

namespace tavrel {

class TAbstractFichierListBox {
  public:
    virtual ~TAbstractFichierListBox();

    virtual int Count() const = 0;
    // The focused item (the active file); -1 when there is none.
    virtual int FocusedIndex() const = 0;
    virtual int SelectedCount() const = 0;
    virtual bool Selected(int index) const = 0;
    virtual void SetSelected(int index, bool selected) = 0;
    virtual QString ItemText(int index) const = 0;
    virtual TFichierPtr Item(int index) const = 0;

    // A disabled list ignores the user while a run works through it.
    virtual void SetEnabled(bool enabled) = 0;

    // The position of a record in the list; -1 when it is not there.
    virtual int IndexOf(const TAbstractListFichier* record) const = 0;
    // Adds a record (at its sorted place in a sorted list), not selected.
    virtual void Add(const TFichierPtr& record) = 0;
    // Removes a record from the list; nothing when it is not there. A list
    // with a record cache drops the record from it too, here and in Replace
    // and RemoveAndAddSelected, so that the file is read afresh next time.
    virtual void Remove(const TAbstractListFichier* record) = 0;
    // Puts another record into an item, in place: same position, same
    // selection and focus.
    virtual void Replace(int index, const TFichierPtr& record) = 0;
    // Removes oldRecord, adds newRecord and selects it; focuses it when the
    // list has no focused item.
    virtual void RemoveAndAddSelected(const TAbstractListFichier* oldRecord,
                                      const TFichierPtr& newRecord) = 0;

    // A record for a produced file made the way this list makes its own
    // (through its record cache); null when the list has no such way, and the
    // engine then uses its record factory.
    virtual TFichierPtr CreateEntry(const QString& path);

    // Tells the window again which record is the active one, so that it
    // refreshes what it shows of it.
    virtual void AnnounceActive() = 0;
    // Refreshes the hint that counts the selected files.
    virtual void RefreshSelectionHint() = 0;
};

}  // namespace tavrel
