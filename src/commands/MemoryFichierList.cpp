#include "commands/MemoryFichierList.h"

#include <algorithm>

namespace tavrel {

int TMemoryFichierList::SelectedCount() const {
    return static_cast<int>(
        std::count_if(m_items.begin(), m_items.end(), [](const TItem& i) { return i.Selected; }));
}

bool TMemoryFichierList::Selected(int index) const {
    return Valid(index) && m_items[index].Selected;
}

void TMemoryFichierList::SetSelected(int index, bool selected) {
    if (Valid(index)) m_items[index].Selected = selected;
}

QString TMemoryFichierList::ItemText(int index) const {
    return Valid(index) && m_items[index].Record ? m_items[index].Record->ShortName : QString();
}

TFichierPtr TMemoryFichierList::Item(int index) const {
    return Valid(index) ? m_items[index].Record : nullptr;
}

int TMemoryFichierList::IndexOf(const TAbstractListFichier* record) const {
    if (!record) return -1;
    for (int i = 0; i < Count(); ++i)
        if (m_items[i].Record.get() == record) return i;
    return -1;
}

void TMemoryFichierList::Add(const TFichierPtr& record) {
    if (record) m_items.push_back({record, false});
}

void TMemoryFichierList::Remove(const TAbstractListFichier* record) {
    const int index = IndexOf(record);
    if (index < 0) return;
    m_items.erase(m_items.begin() + index);
    if (m_focused == index)
        m_focused = -1;
    else if (m_focused > index)
        --m_focused;
}

void TMemoryFichierList::Replace(int index, const TFichierPtr& record) {
    if (Valid(index) && record) m_items[index].Record = record;
}

void TMemoryFichierList::RemoveAndAddSelected(const TAbstractListFichier* oldRecord,
                                              const TFichierPtr& newRecord) {
    Remove(oldRecord);
    if (!newRecord) return;
    m_items.push_back({newRecord, true});
    if (m_focused < 0) m_focused = Count() - 1;
}

void TMemoryFichierList::AnnounceActive() {
    ++m_announcements;
    if (OnActiveChange)
        OnActiveChange(Valid(m_focused) ? m_items[m_focused].Record.get() : nullptr);
}

void TMemoryFichierList::SetFocused(int index) {
    m_focused = Valid(index) ? index : -1;
}

void TMemoryFichierList::SelectAll(bool selected) {
    for (TItem& item : m_items) item.Selected = selected;
}

void TMemoryFichierList::Clear() {
    m_items.clear();
    m_focused = -1;
}

}  // namespace tavrel
