#include <mox/core/CmoxCellList.h>

CmoxCellList::CmoxCellList() = default;
CmoxCellList::~CmoxCellList() = default;

CmoxCell* CmoxCellList::GetHead() const {
    for (std::size_t i = m_start; i < m_slots.size(); ++i)
        if (m_slots[i] != nullptr) return m_slots[i];
    return nullptr;
}

CmoxCell* CmoxCellList::RemoveHead() {
    CmoxCell* head = GetHead();
    if (head != nullptr) Remove(head);
    return head;
}

std::ptrdiff_t CmoxCellList::Find(const CmoxCell* cell) const {
    if (cell == nullptr) return -1;
    if (m_index) {
        auto it = m_index->find(cell);
        return it == m_index->end() ? -1 : static_cast<std::ptrdiff_t>(it->second);
    }
    for (std::size_t i = m_start; i < m_slots.size(); ++i)
        if (m_slots[i] == cell) return static_cast<std::ptrdiff_t>(i);
    return -1;
}

bool CmoxCellList::Contains(const CmoxCell* cell) const {
    return Find(cell) >= 0;
}

void CmoxCellList::AddTail(CmoxCell* cell) {
    m_slots.push_back(cell);
    ++m_count;
    if (m_index) {
        m_index->emplace(cell, m_slots.size() - 1);
    } else if (m_count > kIndexThreshold) {
        Compact(); // builds the index
    }
}

bool CmoxCellList::Remove(const CmoxCell* cell) {
    std::ptrdiff_t at = Find(cell);
    if (at < 0) return false;
    m_slots[static_cast<std::size_t>(at)] = nullptr;
    --m_count;
    if (m_index) m_index->erase(cell);
    // Leading and trailing holes cost nothing to skip or drop; inner ones are squeezed out once
    // they outnumber the cells, so a walk never pays more than twice the live count.
    while (!m_slots.empty() && m_slots.back() == nullptr)
        m_slots.pop_back();
    while (m_start < m_slots.size() && m_slots[m_start] == nullptr)
        ++m_start;
    if (m_start >= m_slots.size()) {
        m_slots.clear();
        m_start = 0;
    }
    if (m_slots.size() - m_start > 2 * m_count + 8 || m_start > m_count + 64) Compact();
    return true;
}

void CmoxCellList::RemoveAll() {
    m_slots.clear();
    m_count = 0;
    m_start = 0;
    m_index.reset();
}

std::vector<CmoxCell*> CmoxCellList::ToVector() const {
    std::vector<CmoxCell*> cells;
    cells.reserve(m_count);
    for (std::size_t i = m_start; i < m_slots.size(); ++i)
        if (m_slots[i] != nullptr) cells.push_back(m_slots[i]);
    return cells;
}

void CmoxCellList::Compact() {
    std::size_t out = 0;
    for (std::size_t i = m_start; i < m_slots.size(); ++i)
        if (m_slots[i] != nullptr) m_slots[out++] = m_slots[i];
    m_slots.resize(out);
    m_start = 0;
    if (m_count > kIndexThreshold) {
        if (!m_index)
            m_index = std::make_unique<std::unordered_map<const CmoxCell*, std::size_t>>();
        m_index->clear();
        m_index->reserve(m_count);
        for (std::size_t i = 0; i < m_slots.size(); ++i)
            m_index->emplace(m_slots[i], i);
    } else {
        m_index.reset();
    }
}
