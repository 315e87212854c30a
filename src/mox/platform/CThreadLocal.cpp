#include <mox/platform/CThreadLocal.h>

#include <atomic>
#include <vector>

namespace {

std::atomic<std::size_t> g_nextSlot{0};

struct SlotTable {
    std::vector<CNoTrackObject*> objects;
};

// Plain pointers and flags stay readable during and after thread-exit destruction; the reaper
// below is the only thread_local with a destructor.
thread_local SlotTable* t_table = nullptr;
thread_local bool t_released = false;

struct TableReaper {
    ~TableReaper() {
        if (t_table == nullptr) return;
        // Destroying one object may create or reach others (an engine's undo contexts own cells
        // whose destructors reach the engine), so each object stays in its slot while it dies and
        // the sweep repeats until nothing is left.
        bool any = true;
        while (any) {
            any = false;
            for (std::size_t i = t_table->objects.size(); i-- > 0;) {
                if (CNoTrackObject* object = t_table->objects[i]) {
                    delete object;
                    t_table->objects[i] = nullptr;
                    any = true;
                }
            }
        }
        delete t_table;
        t_table = nullptr;
        t_released = true;
    }
};
thread_local TableReaper t_reaper;

} // namespace

CNoTrackObject::~CNoTrackObject() = default;

CThreadLocalObject::CThreadLocalObject() : m_slot(g_nextSlot.fetch_add(1)) {}

CThreadLocalObject::CThreadLocalObject(SharedSource source) : m_slot(0), m_shared(source) {}

CNoTrackObject* CThreadLocalObject::Find() const {
    if (m_shared != nullptr) return m_shared();
    SlotTable* table = t_table;
    if (table == nullptr || m_slot >= table->objects.size()) return nullptr;
    return table->objects[m_slot];
}

bool CThreadLocalObject::Store(CNoTrackObject* object) const {
    if (t_released || m_shared != nullptr) return false;
    if (t_table == nullptr) {
        (void)&t_reaper; // registers the reaper for this thread
        t_table = new SlotTable;
    }
    if (m_slot >= t_table->objects.size()) t_table->objects.resize(m_slot + 1, nullptr);
    t_table->objects[m_slot] = object;
    return true;
}
