#include <mox/core/CmoxCell.h>

#include <mox/core/internal/CellExtras.h>
#include <mox/core/internal/NameEpoch.h>
#include <mox/platform/CException.h>
#include <mox/propagation/Cmox.h>
#include <mox/propagation/CmoxNotifyList.h>
#include <mox/propagation/internal/QueueOrder.h>
#include <mox/propagation/internal/UndoReplay.h>
#include <mox/undo/CmoxUndoContext.h>
#include <mox/undo/CmoxUndoInfo.h>
#include <mox/undo/CmoxUndoList.h>

#include <atomic>
#include <cstring>

IMPLEMENT_DYNAMIC(CmoxCell, CObject)

int CmoxCell::m_idgen = 0;

CmoxCell::CmoxCell() {
    Initialize(MOX_NO_NAME, MOX_STATE_PRIORITY);
}

CmoxCell::CmoxCell(const char* name, unsigned char priority) {
    Initialize(name, priority);
}

void CmoxCell::Initialize(const char* name, unsigned char priority) {
    Priority(priority);
    Name(name);
    m_parent = nullptr;
    if (m_extras) m_extras->updateFunction = nullptr;
    m_undoNotify = false;
}

CmoxCell::~CmoxCell() {
    RemoveAllDependents();
    RemoveAllDependees();
    // At thread exit the engine may already be gone; there is then nothing left to clean, and a
    // destructor must not throw.
    if (Cmox* engine = Cmox::Inst.GetData()) {
        engine->RemoveFromNotifyLists(this);
        engine->RemoveFromUndoLists(this);
    }
    // A list that was not told (its context is not registered) must not reach this cell later.
    if (m_extras && m_extras->undoList != nullptr) m_extras->undoList->DetachCell(this);
}

mox::detail::CellExtras& CmoxCell::Extras() {
    if (!m_extras) m_extras = std::make_unique<mox::detail::CellExtras>();
    return *m_extras;
}

MoxUpdateFunction CmoxCell::UpdateFunction() const {
    return m_extras ? m_extras->updateFunction : nullptr;
}

void CmoxCell::UpdateFunction(MoxUpdateFunction fn) {
    if (fn != nullptr || m_extras) Extras().updateFunction = fn;
}

const CmoxCellList& CmoxCell::GetDependees() const {
    static const CmoxCellList none;
    return m_extras ? m_extras->dependees : none;
}

void CmoxCell::Serialize(CArchive&) {}
void CmoxCell::AssertValid() const {}
void CmoxCell::Dump(CDumpContext&) const {}

// ---- virtual interface --------------------------------------------------------------------------

int CmoxCell::operator==(const CmoxCell& other) const {
    return GetRuntimeClass() == other.GetRuntimeClass();
}
int CmoxCell::operator!=(const CmoxCell& other) const {
    return !(*this == other);
}

MoxSetValue CmoxCell::Value(unsigned char) {
    return MOX_VALUE_SET;
}
MoxSetValue CmoxCell::Value(__int64) {
    return MOX_VALUE_SET;
}
MoxSetValue CmoxCell::Value(const char*) {
    return MOX_VALUE_SET;
}
MoxSetValue CmoxCell::Value(int) {
    return MOX_VALUE_SET;
}
MoxSetValue CmoxCell::Value(double) {
    return MOX_VALUE_SET;
}
MoxSetValue CmoxCell::Value(long) {
    return MOX_VALUE_SET;
}

void CmoxCell::Update(CmoxChangedList& changes) {
    if (MoxUpdateFunction fn = UpdateFunction()) fn(this, changes);
}

void CmoxCell::Changed(unsigned long userData, MoxChangeReason reason, int notifyNow,
                       CmoxUndoInfo* undo) {
    ReportChange(userData, reason, notifyNow, undo, true, true);
}

void CmoxCell::ReportChange(unsigned long userData, MoxChangeReason reason, int notifyNow,
                            CmoxUndoInfo* undo, bool fileUndo, bool queueDependents) {
    Cmox& engine = Cmox::Current();
    const bool recording = engine.RecordChanges();
    if (undo != nullptr) {
        if (recording && fileUndo && engine.UndoContext() != nullptr) {
            undo->UserData(userData);
            undo->Reason(reason);
            engine.UndoList().AddUndoInfo(this, undo);
        } else {
            // Nothing files it, so nobody else will ever own it; an array record takes the
            // elements it was handed to destroy with it, as the caller asked.
            delete undo;
        }
    }
    if (!recording) return;
    // Most changes are of cells that nobody depends on, with nothing waiting to be delivered:
    // they have nothing to do under the engine's lock, and taking it cost them a quarter of
    // their time. The lock is taken to queue, and held from there through the delivery; the
    // ancestors' reports take it for themselves if they queue.
    const bool queue = queueDependents && !m_dependents.IsEmpty();
    CSingleLock lock(&engine.m_lock, queue);
    if (queue) engine.m_notifyList->Add(this, userData, reason);
    if (m_parent != nullptr && m_notifyParent) m_parent->Changed(0, MOX_CHILD_CHANGED, 0, nullptr);
    if (notifyNow && engine.m_notifyList->HasWaiting()) {
        lock.Lock();
        engine.m_notifyList->Notify();
    }
}

int CmoxCell::IsPrimitive() {
    return 0;
}

// ---- names -------------------------------------------------------------------------------------
// Collections keep look-up tables of their children's names; every way to change a name moves
// the epoch on, so that a table can tell it may be stale.

namespace {
std::atomic<unsigned long long> g_nameEpoch{0};
} // namespace

unsigned long long mox::detail::CellNameEpoch() {
    return g_nameEpoch.load(std::memory_order_relaxed);
}

std::string& CmoxCell::Name() {
    // The caller may change the name through the reference.
    g_nameEpoch.fetch_add(1, std::memory_order_relaxed);
    return m_name;
}

void CmoxCell::Name(const char* name) {
    g_nameEpoch.fetch_add(1, std::memory_order_relaxed);
    m_name = name != nullptr ? name : "";
}

void CmoxCell::UserName(const char*) {}
const char* CmoxCell::UserName() {
    return NULLSTR.c_str();
}
int CmoxCell::HasUserName() {
    return 0;
}
void CmoxCell::CreateDependencies() {}
void CmoxCell::DestroyDependencies() {
    RemoveAllDependees();
}
void* CmoxCell::ProcessMoxMessage(int, long, void*) {
    return nullptr;
}
void CmoxCell::PropogateMoxMessage(int message, long param, void* data) {
    ProcessMoxMessage(message, param, data);
}
void CmoxCell::MakeDefaultCurrent() {}
void CmoxCell::MakeCurrentDefault() {}
void CmoxCell::PropogatePriority(unsigned char priority) {
    Priority(priority);
}
void CmoxCell::Undo(CmoxUndoInfo*) {}
void CmoxCell::Redo(CmoxUndoInfo*) {}
void CmoxCell::PostUndo(CmoxUndoInfo*) {}

bool CmoxCell::IsUndoInProgress() {
    // Asked for every dependent of every change: skip the engine lookup while no undo runs.
    if (!mox::detail::AnyUndoReplay()) return false;
    CmoxUndoContext* context = Cmox::Current().UndoContextInProgress();
    if (context == nullptr) return false;
    CmoxUndoList* list = context->UndoListInProgress();
    return list != nullptr && list->GetUndoInfo(this) != nullptr;
}

void CmoxCell::UndoNotify(int undoNotify) {
    m_undoNotify = undoNotify != 0;
}
int CmoxCell::UndoNotify() {
    return m_undoNotify;
}
int CmoxCell::Match(CmoxCell*, int) {
    return 0;
}
unsigned long CmoxCell::CombineUserData(unsigned long existing, unsigned long added) {
    return existing | added;
}
CmoxCell* CmoxCell::FindChild(const char*) {
    return nullptr;
}
CmoxCell* CmoxCell::FindChildUser(const char*) {
    return nullptr;
}

CmoxCell* CmoxCell::FindGrandChild(const char* child, const char* grandChild) {
    CmoxCell* c = FindChild(child);
    return c != nullptr ? c->FindChild(grandChild) : nullptr;
}

CmoxCell* CmoxCell::FindGreatGrandChild(const char* child, const char* grandChild,
                                        const char* greatGrandChild) {
    CmoxCell* c = FindGrandChild(child, grandChild);
    return c != nullptr ? c->FindChild(greatGrandChild) : nullptr;
}

namespace {

// One step of a relative path: the component after the leading character, and whether more
// components follow (then `rest` starts at the next separator).
struct PathStep {
    std::string component;
    const char* rest = nullptr;
};

PathStep SplitPath(const char* path) {
    PathStep step;
    const char* r = (path != nullptr && *path != '\0') ? path + 1 : "";
    const char* sep = std::strchr(r, MOX_PATH_SEPERATOR);
    step.component.assign(r, sep != nullptr ? static_cast<std::size_t>(sep - r) : std::strlen(r));
    step.rest = sep;
    return step;
}

} // namespace

// Each step hands the rest of the path to the next cell's (virtual) finder, so a derived
// collection can resolve the components below it in its own way.
CmoxCell* CmoxCell::FindDescendent(const char* path) {
    PathStep step = SplitPath(path);
    CmoxCell* next =
        step.component == MOX_PARENT_PATH ? Parent() : FindChild(step.component.c_str());
    if (next == nullptr || step.rest == nullptr) return next;
    return next->FindDescendent(step.rest);
}

CmoxCell* CmoxCell::FindDescendentUser(const char* path) {
    PathStep step = SplitPath(path);
    CmoxCell* next = nullptr;
    if (step.component == MOX_PARENT_PATH) {
        next = Parent();
    } else {
        Cmox::Current(); // the lookup needs this thread's engine
        if (Cmox::IsUserName(step.component)) {
            std::string userName;
            Cmox::ExtractUserName(userName, step.component);
            next = FindChildUser(userName.c_str());
        } else {
            next = FindChild(step.component.c_str());
        }
    }
    if (next == nullptr || step.rest == nullptr) return next;
    return next->FindDescendentUser(step.rest);
}

// ---- fields and tree ----------------------------------------------------------------------------

void CmoxCell::Priority(unsigned char priority) {
    // A cell queued in another engine's list is not counted here: any cell that was ever queued
    // makes the lists check their order.
    if (priority != m_priority && (m_bookkeeping.queuedEntries > 0 ||
                                   m_bookkeeping.queueOwner.load(std::memory_order_relaxed) != 0))
        mox::detail::NoteQueuedPriorityChange();
    m_priority = priority;
}

std::string CmoxCell::PathName() const {
    std::string path = m_name;
    for (const CmoxCell* a = m_parent; a != nullptr; a = a->m_parent) {
        std::string prefix = a->m_name;
        prefix += MOX_PATH_SEPERATOR;
        path.insert(0, prefix);
    }
    path.insert(path.begin(), MOX_PATH_SEPERATOR);
    return path;
}

std::string CmoxCell::DebugName() const {
    return std::string();
}

CmoxCell* CmoxCell::FindRoot() {
    CmoxCell* cell = this;
    while (cell->m_parent != nullptr)
        cell = cell->m_parent;
    return cell;
}

CmoxCell* CmoxCell::FindFamily() {
    // Without a parent the cell is its own top-level branch.
    CmoxCell* cell = this;
    while (cell->m_parent != nullptr && cell->m_parent->m_parent != nullptr)
        cell = cell->m_parent;
    return cell;
}

CmoxCell* CmoxCell::FindSibling(const char* name) {
    return m_parent != nullptr ? m_parent->FindChild(name) : nullptr;
}

// ---- dependencies -------------------------------------------------------------------------------

void CmoxCell::AddDependent(CmoxCell* cell) {
    if (cell == nullptr || m_dependents.Contains(cell)) return;
    m_dependents.AddTail(cell);
    cell->AddDependee(this);
}

void CmoxCell::MakeDependentOn(CmoxCell* cell) {
    if (cell != nullptr) cell->AddDependent(this);
}

void CmoxCell::AddParentAsDependent() {
    if (m_parent != nullptr) AddDependent(m_parent);
}

void CmoxCell::RemoveDependent(CmoxCell* cell) {
    if (cell != nullptr && m_dependents.Remove(cell)) cell->RemoveDependee(this);
}

void CmoxCell::RemoveDependencyOn(CmoxCell* cell) {
    if (cell != nullptr) cell->RemoveDependent(this);
}

void CmoxCell::RemoveAllDependents() {
    for (CmoxCell* dependent : m_dependents.ToVector())
        RemoveDependent(dependent);
}

void CmoxCell::RemoveAllDependees() {
    for (CmoxCell* dependee : GetDependees().ToVector())
        dependee->RemoveDependent(this);
}

int CmoxCell::HasDependent(CmoxCell* cell) const {
    return m_dependents.Contains(cell) ? 1 : 0;
}

CmoxCell* CmoxCell::FindDependee(const char* name) const {
    if (name == nullptr) return nullptr;
    for (CmoxCell* dependee : GetDependees())
        if (dependee->m_name == name) return dependee;
    return nullptr;
}

CmoxCell* CmoxCell::FindFirstDependee() const {
    return GetDependees().GetHead();
}

void CmoxCell::AddDependee(CmoxCell* cell) {
    if (!GetDependees().Contains(cell)) Extras().dependees.AddTail(cell);
}

void CmoxCell::RemoveDependee(CmoxCell* cell) {
    if (m_extras) m_extras->dependees.Remove(cell);
}

int CmoxCell::NewCellId() {
    return ++m_idgen;
}
void CmoxCell::InitializeCellId() {
    m_idgen = 0;
}

// ---- plain-value conveniences -------------------------------------------------------------------

const CmoxCell& CmoxCell::operator=(long value) {
    Value(value);
    return *this;
}
const CmoxCell& CmoxCell::operator=(double value) {
    Value(value);
    return *this;
}
const CmoxCell& CmoxCell::operator=(int value) {
    Value(value);
    return *this;
}
const CmoxCell& CmoxCell::operator=(const char* value) {
    Value(value);
    return *this;
}
const CmoxCell& CmoxCell::operator=(__int64 value) {
    Value(value);
    return *this;
}
