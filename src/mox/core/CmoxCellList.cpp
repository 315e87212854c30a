#include <mox/core/CmoxCellList.h>

#include <mox/core/internal/PointerMap.h>

#include <cstring>
#include <new>

// Its operations stay out of line: most lists never have an index, and inlining them would make
// every append and removal save registers it does not need.
struct CmoxCellList::Index : mox::detail::PointerMap<std::uint32_t> {
    [[gnu::noinline]] void Put(CmoxCell* cell, std::uint32_t at) { insert_or_assign(cell, at); }
    [[gnu::noinline]] void Drop(const CmoxCell* cell) { erase(cell); }
};

CmoxCellList::~CmoxCellList() {
    Release();
}

void CmoxCellList::Release() {
    if (m_block == nullptr) return;
    DropIndex();
    m_block->~Block();
    ::operator delete(m_block);
    m_block = nullptr;
}

void CmoxCellList::DropIndex() const {
    delete m_block->index;
    m_block->index = nullptr;
}

void CmoxCellList::Reserve(std::uint32_t capacity) {
    void* memory = ::operator new(sizeof(Block) + capacity * sizeof(CmoxCell*));
    Block* grown = new (memory) Block{0, capacity, 0, 0, nullptr};
    if (m_block != nullptr) {
        *grown = *m_block;
        grown->capacity = capacity;
        CmoxCell** slots = reinterpret_cast<CmoxCell**>(grown + 1);
        if (m_block->size != 0) std::memcpy(slots, Slots(), m_block->size * sizeof(CmoxCell*));
        m_block->index = nullptr; // moved to the grown block
        Release();
    }
    m_block = grown;
}

CmoxCell* CmoxCellList::GetHead() const {
    if (m_block == nullptr) return nullptr;
    // `start` always stands on a live cell: leading holes are skipped when they are made.
    return Slots()[m_block->start];
}

CmoxCell* CmoxCellList::RemoveHead() {
    Block* block = m_block;
    if (block == nullptr) return nullptr;
    CmoxCell** slots = Slots();
    const std::uint32_t at = block->start;
    CmoxCell* head = slots[at];
    // The cells of an undo are taken from here one by one, from a list with no index: only the
    // start moves. The head is the last slot only when it is the last cell.
    if (block->index != nullptr || block->count == 1) {
        RemoveAt(at);
        return head;
    }
    --block->count;
    slots[at] = nullptr;
    std::uint32_t start = at + 1;
    while (slots[start] == nullptr)
        ++start;
    block->start = start;
    if (block->size - start > 2 * block->count + 8) Compact();
    return head;
}

std::ptrdiff_t CmoxCellList::Find(const CmoxCell* cell) const {
    if (cell == nullptr || m_block == nullptr) return -1;
    CmoxCell* const* slots = Slots();
    if (m_block->index == nullptr) {
        if (m_block->count <= kIndexThreshold) {
            for (std::uint32_t i = m_block->start; i < m_block->size; ++i)
                if (slots[i] == cell) return static_cast<std::ptrdiff_t>(i);
            return -1;
        }
        // Built on the first search of a long list, not as it grows: lists that are only
        // appended to and taken from the head (the cells of an undo) never pay for one.
        m_block->index = new Index;
        m_block->index->reserve(m_block->count);
        for (std::uint32_t i = m_block->start; i < m_block->size; ++i)
            if (slots[i] != nullptr) m_block->index->insert_or_assign(slots[i], i);
    }
    const std::uint32_t* at = m_block->index->find(cell);
    return at == nullptr ? -1 : static_cast<std::ptrdiff_t>(*at);
}

bool CmoxCellList::Contains(const CmoxCell* cell) const {
    return Find(cell) >= 0;
}

void CmoxCellList::AddTail(CmoxCell* cell) {
    if (m_block == nullptr) {
        Reserve(1); // most lists hold one cell (a value and the control that shows it)
    } else if (m_block->size == m_block->capacity) {
        Compact();
        if (m_block->size * 2 > m_block->capacity) Reserve(m_block->capacity * 2);
    }
    Slots()[m_block->size] = cell;
    if (m_block->index != nullptr) m_block->index->Put(cell, m_block->size);
    ++m_block->size;
    ++m_block->count;
}

bool CmoxCellList::Remove(const CmoxCell* cell) {
    const std::ptrdiff_t at = Find(cell);
    if (at < 0) return false;
    RemoveAt(static_cast<std::uint32_t>(at));
    return true;
}

void CmoxCellList::RemoveAt(std::uint32_t at) {
    if (--m_block->count == 0) {
        Release();
        return;
    }
    CmoxCell** slots = Slots();
    if (m_block->index != nullptr) m_block->index->Drop(slots[at]);
    slots[at] = nullptr;
    // Leading and trailing holes cost nothing to skip or drop; inner ones are squeezed out once
    // they outnumber the cells, so a walk never pays more than twice the live count.
    while (slots[m_block->size - 1] == nullptr)
        --m_block->size;
    while (slots[m_block->start] == nullptr)
        ++m_block->start;
    if (m_block->size - m_block->start > 2 * m_block->count + 8) Compact();
}

void CmoxCellList::RemoveAll() {
    Release();
}

std::vector<CmoxCell*> CmoxCellList::ToVector() const {
    std::vector<CmoxCell*> cells;
    if (m_block == nullptr) return cells;
    cells.reserve(m_block->count);
    CmoxCell* const* slots = Slots();
    for (std::uint32_t i = m_block->start; i < m_block->size; ++i)
        if (slots[i] != nullptr) cells.push_back(slots[i]);
    return cells;
}

void CmoxCellList::Compact() {
    if (m_block->start == 0 && m_block->size == m_block->count) return; // no hole
    CmoxCell** slots = Slots();
    std::uint32_t out = 0;
    for (std::uint32_t i = m_block->start; i < m_block->size; ++i)
        if (slots[i] != nullptr) slots[out++] = slots[i];
    m_block->size = out;
    m_block->start = 0;
    DropIndex(); // positions moved; the next search rebuilds it
}
