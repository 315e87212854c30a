#include <mox/propagation/CmoxChangedList.h>

#include <mox/core/CmoxCell.h>
#include <mox/core/internal/PointerMap.h>
#include <mox/propagation/Cmox.h>

#include <cstring>
#include <utility>

IMPLEMENT_DYNAMIC(CmoxChangedList, CObject)

// ---- the entry storage --------------------------------------------------------------------------

namespace mox::detail {

ChangeEntries::~ChangeEntries() {
    clear();
    if (m_data != Inline()) ::operator delete(m_data);
}

void ChangeEntries::Reallocate(size_type capacity) {
    ChangeInfo* target =
        capacity <= 1 ? Inline()
                      : static_cast<ChangeInfo*>(::operator new(capacity * sizeof(ChangeInfo)));
    // ChangeInfo copies cannot throw: the move is a plain copy and destruction of the source.
    for (std::uint32_t i = 0; i < m_size; ++i) {
        new (target + i) ChangeInfo(m_data[i]);
        m_data[i].~ChangeInfo();
    }
    if (m_data != Inline()) ::operator delete(m_data);
    m_data = target;
    m_capacity = static_cast<std::uint32_t>(capacity <= 1 ? 1 : capacity);
}

void ChangeEntries::Grow() {
    Reallocate(m_capacity < 4 ? 4 : std::size_t{m_capacity} * 2);
}

void ChangeEntries::erase(const_iterator at) {
    const std::size_t from = static_cast<std::size_t>(at - m_data);
    for (std::size_t i = from; i + 1 < m_size; ++i)
        m_data[i] = m_data[i + 1];
    m_data[--m_size].~ChangeInfo();
}

void ChangeEntries::shrink_to_fit() {
    if (m_capacity > m_size && m_data != Inline()) Reallocate(m_size);
}

} // namespace mox::detail

struct CmoxChangedList::Index : mox::detail::PointerMap<std::size_t> {};

CmoxChangedList::CmoxChangedList() = default;

CmoxChangedList::~CmoxChangedList() {
    RemoveAll();
}

const ChangeInfo* CmoxChangedList::FindEntry(const CmoxCell* cell) const {
    if (m_index) {
        const std::size_t* at = m_index->find(cell);
        return at == nullptr ? nullptr : &m_entries[*at];
    }
    for (const ChangeInfo& entry : m_entries)
        if (entry.m_cell == cell) return &entry;
    return nullptr;
}

const ChangeInfo* CmoxChangedList::FindNamed(const char* name) const {
    if (name == nullptr) return nullptr;
    for (const ChangeInfo& entry : m_entries)
        if (std::as_const(*entry.m_cell).Name() == name) return &entry;
    return nullptr;
}

void CmoxChangedList::Add(CmoxCell* cell, unsigned long userData, MoxChangeReason reason) {
    if (ChangeInfo* entry = const_cast<ChangeInfo*>(FindEntry(cell))) {
        if (userData != 0)
            entry->m_userData = entry->m_userData != 0
                                    ? cell->CombineUserData(entry->m_userData, userData)
                                    : userData;
        entry->m_reason = MOX_VALUE_CHANGED;
        return;
    }
    m_entries.emplace_back(cell, userData, reason);
    if (Counts(cell)) ++cell->m_bookkeeping.changeEntries;
    if (m_index) {
        m_index->insert_or_assign(cell, m_entries.size() - 1);
    } else if (m_entries.size() > kIndexThreshold) {
        RebuildIndex();
    }
}

void CmoxChangedList::RebuildIndex() {
    if (m_entries.size() <= kIndexThreshold) {
        m_index.reset();
        return;
    }
    if (!m_index) m_index = std::make_unique<Index>();
    m_index->clear();
    m_index->reserve(m_entries.size() * 2);
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        m_index->insert_or_assign(m_entries[i].m_cell, i);
}

CmoxCell* CmoxChangedList::Contains(const char* name) const {
    const ChangeInfo* entry = FindNamed(name);
    return entry != nullptr ? entry->m_cell : nullptr;
}

CmoxCell* CmoxChangedList::ContainsUser(const char* userName) const {
    if (userName == nullptr) return nullptr;
    for (const ChangeInfo& entry : m_entries)
        if (std::strcmp(entry.m_cell->UserName(), userName) == 0) return entry.m_cell;
    return nullptr;
}

CmoxCell* CmoxChangedList::ContainsFull(const char* path) const {
    if (path == nullptr) return nullptr;
    for (const ChangeInfo& entry : m_entries)
        if (entry.m_cell->PathName() == path) return entry.m_cell;
    return nullptr;
}

CmoxCell* CmoxChangedList::ContainsPartial(const char* partialPath) const {
    if (partialPath == nullptr) return nullptr;
    const std::string partial(partialPath);
    std::string name;
    Cmox::ExtractName(name, partial);
    for (const ChangeInfo& entry : m_entries) {
        if (std::as_const(*entry.m_cell).Name() != name) continue;
        const std::string path = entry.m_cell->PathName();
        // Compared by characters, not components: "Scope\Gain" also matches "\Root\MyScope\Gain".
        if (path.size() < partial.size()
                ? path == partial
                : path.compare(path.size() - partial.size(), partial.size(), partial) == 0)
            return entry.m_cell;
    }
    return nullptr;
}

CmoxCell* CmoxChangedList::ContainsPtr(CmoxCell* cell) const {
    return FindEntry(cell) != nullptr ? cell : nullptr;
}

MoxChangeReason CmoxChangedList::GetChangeReason(const char* name) const {
    const ChangeInfo* entry = FindNamed(name);
    return entry != nullptr ? entry->m_reason : MOX_NO_CHANGE;
}

MoxChangeReason CmoxChangedList::GetChangeReason(CmoxCell* cell) const {
    const ChangeInfo* entry = FindEntry(cell);
    return entry != nullptr ? entry->m_reason : MOX_NO_CHANGE;
}

unsigned long CmoxChangedList::GetUserData(const char* name) const {
    const ChangeInfo* entry = FindNamed(name);
    return entry != nullptr ? entry->m_userData : 0;
}

unsigned long CmoxChangedList::GetUserData(CmoxCell* cell) const {
    const ChangeInfo* entry = FindEntry(cell);
    return entry != nullptr ? entry->m_userData : 0;
}

void CmoxChangedList::Remove(CmoxCell* cell) {
    const ChangeInfo* entry = FindEntry(cell);
    if (entry == nullptr) return;
    if (Counts(cell)) --cell->m_bookkeeping.changeEntries;
    m_entries.erase(m_entries.begin() + (entry - m_entries.data()));
    if (m_index) RebuildIndex();
}

bool CmoxChangedList::Counts(CmoxCell* cell) const {
    return m_tracked && cell->m_bookkeeping.CountedBy(m_engine);
}

void CmoxChangedList::RemoveAll() {
    if (m_tracked)
        for (const ChangeInfo& entry : m_entries)
            if (Counts(entry.m_cell)) --entry.m_cell->m_bookkeeping.changeEntries;
    m_entries.clear();
    m_index.reset();
}
