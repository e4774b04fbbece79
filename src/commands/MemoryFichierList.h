#pragma once
// A file list kept in memory: records in the order they were added, each
// with its selected flag, one focused item, and counters of what the engine
// asked of it. The command-line tool runs its commands over one; tests
// inspect it.

#include <functional>
#include <vector>

#include "commands/AbstractFichierListBox.h"

namespace tavrel {

class TMemoryFichierList : public TAbstractFichierListBox {
  public:
    int Count() const override { return static_cast<int>(m_items.size()); }
    int FocusedIndex() const override { return m_focused; }
    int SelectedCount() const override;
    bool Selected(int index) const override;
    void SetSelected(int index, bool selected) override;
    // The short name of the record.
    QString ItemText(int index) const override;
    TFichierPtr Item(int index) const override;
    void SetEnabled(bool enabled) override { m_enabled = enabled; }
    int IndexOf(const TAbstractListFichier* record) const override;
    void Add(const TFichierPtr& record) override;
    void Remove(const TAbstractListFichier* record) override;
    void Replace(int index, const TFichierPtr& record) override;
    void RemoveAndAddSelected(const TAbstractListFichier* oldRecord,
                              const TFichierPtr& newRecord) override;
    void AnnounceActive() override;
    void RefreshSelectionHint() override { ++m_hintRefreshes; }

    // Focuses an item (-1: none).
    void SetFocused(int index);
    void SelectAll(bool selected);
    void Clear();
    bool Enabled() const { return m_enabled; }
    // Called with the focused record (null: none) by AnnounceActive.
    std::function<void(TAbstractListFichier*)> OnActiveChange;
    int Announcements() const { return m_announcements; }
    int HintRefreshes() const { return m_hintRefreshes; }

  private:
    struct TItem {
        TFichierPtr Record;
        bool Selected = false;
    };
    bool Valid(int index) const { return index >= 0 && index < Count(); }

    std::vector<TItem> m_items;
    int m_focused = -1;
    bool m_enabled = true;
    int m_announcements = 0;
    int m_hintRefreshes = 0;
};

}  // namespace tavrel
