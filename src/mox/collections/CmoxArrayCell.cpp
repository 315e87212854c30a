#include <mox/collections/CmoxArrayCell.h>

#include <mox/archive/CmoxArchive.h>
#include <mox/collections/CmoxArrayUndoInfo.h>
#include <mox/collections/internal/ArrayRecordFamily.h>
#include <mox/collections/internal/Collection.h>
#include <mox/core/internal/Invariants.h>
#include <mox/platform/CException.h>
#include <mox/propagation/Cmox.h>

#include <algorithm>
#include <utility>

IMPLEMENT_DYNAMIC(CmoxArrayCell, CmoxCell)

using mox::detail::SameText;

CmoxArrayCell::CmoxArrayCell() {
    Initialize(MOX_NO_NAME, NULLSTR.c_str(), 1, MOX_STATE_PRIORITY, ALL_COLLNOTIFY, 1);
}

CmoxArrayCell::CmoxArrayCell(const char* name, const char* childSuffix, int notifyParent,
                             unsigned char priority, MoxCollNotifyPolicy policy, int makeParent) {
    Initialize(name, childSuffix, notifyParent, priority, policy, makeParent);
}

void CmoxArrayCell::Initialize(const char* name, const char* childSuffix, int notifyParent,
                               unsigned char priority, MoxCollNotifyPolicy policy, int makeParent) {
    CmoxCell::Initialize(name, priority);
    m_findCache = nullptr;
    ChildSuffix(childSuffix);
    NotifyParent(notifyParent);
    m_notifyPolicy = policy;
    m_makeParent = makeParent;
}

CmoxArrayCell::~CmoxArrayCell() {
    if (m_makeParent) DestroyElements();
    // Records in undo lists may outlive the array by a moment (the cell base removes them
    // next) or for good (lists of an unregistered context); from now on they must not ask it.
    if (m_family != nullptr) m_family->array = nullptr;
}

// ---- change reporting --------------------------------------------------------------------------

void CmoxArrayCell::Changed(unsigned long userData, MoxChangeReason reason, int notifyNow,
                            CmoxUndoInfo* undo) {
    // Unlike the composite's, a record is filed whatever the policy lets the dependents hear.
    ReportChange(userData, reason, notifyNow, undo, true,
                 mox::detail::DependentsHear(m_notifyPolicy, reason));
}

void mox::detail::CheckInvariants(const CmoxArrayCell& array) {
#if MOX_CHECK_INVARIANTS
    constexpr const char* kArray = "CmoxArrayCell";
    for (const CmoxCell* element : array.m_elements) {
        MOX_INVARIANT(kArray, element != nullptr);
        // An owning array adopts what it holds; only an element that a caller took out (which
        // cleared its parent) and an undo or redo put back is nobody's. A referring array adopts
        // nothing.
        const CmoxCell* parent = element->Parent();
        MOX_INVARIANT(kArray, array.m_makeParent ? parent == &array || parent == nullptr
                                                 : parent != &array);
    }
    MOX_INVARIANT(kArray, array.m_findCache == nullptr || array.IndexOf(array.m_findCache) != -1);
    if (array.m_family != nullptr) {
        MOX_INVARIANT(kArray, array.m_family->array == &array);
        for (const CmoxArrayUndoInfo* record : array.m_family->records)
            MOX_INVARIANT(kArray, record != nullptr);
    }
#else
    (void)array;
#endif
}

CmoxArrayUndoInfo* CmoxArrayCell::BeginRecord() {
    if (Cmox::Current().UndoContext() == nullptr) return nullptr;
    auto* record = new CmoxArrayUndoInfo;
    record->SaveBefore(m_elements);
    if (m_family == nullptr) {
        m_family = std::make_shared<mox::detail::ArrayRecordFamily>();
        m_family->array = this;
        m_family->identity = this;
    }
    record->m_family = m_family;
    m_family->records.push_back(record);
    return record;
}

void CmoxArrayCell::DestroyCell(CmoxCell* cell) {
    if (m_family != nullptr) m_family->RemoveCell(cell);
    delete cell;
}

// ---- forwarders --------------------------------------------------------------------------------

namespace {

// The count is taken once; an element that shrinks the array meanwhile makes GetAt throw rather
// than read past the end.
auto EachElement(const CmoxArrayCell& array) {
    return [&array](auto step) {
        const int n = array.GetSize();
        for (int i = 0; i < n; ++i)
            step(array.GetAt(i));
    };
}

} // namespace

void CmoxArrayCell::CreateDependencies() {
    mox::detail::forward::CreateDependencies(*this, EachElement(*this));
}

void CmoxArrayCell::DestroyDependencies() {
    mox::detail::forward::DestroyDependencies(*this, EachElement(*this));
}

void CmoxArrayCell::PropogateMoxMessage(int message, long param, void* data) {
    mox::detail::forward::PropogateMoxMessage(*this, EachElement(*this), message, param, data);
}

void CmoxArrayCell::MakeDefaultCurrent() {
    mox::detail::forward::MakeDefaultCurrent(EachElement(*this));
}

void CmoxArrayCell::MakeCurrentDefault() {
    mox::detail::forward::MakeCurrentDefault(EachElement(*this));
}

void CmoxArrayCell::PropogatePriority(unsigned char priority) {
    mox::detail::forward::PropogatePriority(*this, EachElement(*this), priority);
}

void CmoxArrayCell::MakeDependentOnChildren() {
    mox::detail::forward::MakeDependentOnChildren(*this, EachElement(*this));
}

// ---- undo --------------------------------------------------------------------------------------

void CmoxArrayCell::Undo(CmoxUndoInfo* undo) {
    CSingleLock lock(&m_lock, true);
    auto* record = dynamic_cast<CmoxArrayUndoInfo*>(undo);
    if (record == nullptr) return;
    m_elements = record->m_before;
    m_findCache = nullptr;
    record->m_undone = true;
}

void CmoxArrayCell::Redo(CmoxUndoInfo* undo) {
    CSingleLock lock(&m_lock, true);
    auto* record = dynamic_cast<CmoxArrayUndoInfo*>(undo);
    if (record == nullptr) return;
    m_elements = record->m_after;
    // They are elements again; the array owns them.
    record->m_removedByUndo.clear();
    m_findCache = nullptr;
    record->m_undone = false;
}

void CmoxArrayCell::PostUndo(CmoxUndoInfo* undo) {
    if (auto* record = dynamic_cast<CmoxArrayUndoInfo*>(undo)) CacheRemovedByUndo(record);
}

void CmoxArrayCell::CacheRemovedByUndo(CmoxArrayUndoInfo* record) {
    record->m_removedByUndo.clear();
    for (CmoxCell* cell : record->m_after)
        if (cell->Parent() == this && IndexOf(cell) == -1) record->m_removedByUndo.push_back(cell);
}

// ---- finders -----------------------------------------------------------------------------------

CmoxCell* CmoxArrayCell::FindChild(const char* name) {
    CSingleLock lock(&m_lock, true);
    if (m_findCache != nullptr && SameText(std::as_const(*m_findCache).Name(), name))
        return m_findCache;
    for (CmoxCell* element : m_elements)
        if (SameText(std::as_const(*element).Name(), name)) return m_findCache = element;
    return nullptr;
}

CmoxCell* CmoxArrayCell::FindChildUser(const char* userName) {
    CSingleLock lock(&m_lock, true);
    if (m_findCache != nullptr && SameText(m_findCache->UserName(), userName)) return m_findCache;
    for (CmoxCell* element : m_elements)
        if (element->HasUserName() && SameText(element->UserName(), userName))
            return m_findCache = element;
    return nullptr;
}

CmoxCell* CmoxArrayCell::FindChildMatch(CmoxCell* pattern, int mode) {
    CSingleLock lock(&m_lock, true);
    if (m_findCache != nullptr && m_findCache->Match(pattern, mode)) return m_findCache;
    for (CmoxCell* element : m_elements)
        if (element->Match(pattern, mode)) return m_findCache = element;
    return nullptr;
}

int CmoxArrayCell::CountChildMatch(CmoxCell* pattern, int mode) {
    int count = 0;
    for (CmoxCell* element : m_elements)
        if (element->Match(pattern, mode)) ++count;
    return count;
}

// ---- access ------------------------------------------------------------------------------------

std::string& CmoxArrayCell::NewChildName(std::string& out) {
    out = std::to_string(NewCellId());
    out += m_childSuffix;
    return out;
}

CmoxCell* CmoxArrayCell::GetAt(int index) const {
    if (index < 0 || index >= GetSize()) AfxThrowInvalidArgException();
    return m_elements[static_cast<std::size_t>(index)];
}

CmoxCell*& CmoxArrayCell::ElementAt(int index) {
    if (index < 0 || index >= GetSize()) AfxThrowInvalidArgException();
    return m_elements[static_cast<std::size_t>(index)];
}

int CmoxArrayCell::IndexOf(const CmoxCell* cell) const {
    auto found = std::find(m_elements.begin(), m_elements.end(), cell);
    return found != m_elements.end() ? static_cast<int>(found - m_elements.begin()) : -1;
}

int CmoxArrayCell::Contains(CmoxCell* cell) {
    return IndexOf(cell) != -1 ? 1 : 0;
}

int CmoxArrayCell::FindIndexByName(const char* name) const {
    for (std::size_t i = 0; i < m_elements.size(); ++i)
        if (SameText(std::as_const(*m_elements[i]).Name(), name)) return static_cast<int>(i);
    return -1;
}

int CmoxArrayCell::FindIndexByUserName(const char* userName) const {
    // Every element's UserName is compared, whether or not it has one: an element without a
    // user name matches the empty text.
    for (std::size_t i = 0; i < m_elements.size(); ++i)
        if (SameText(m_elements[i]->UserName(), userName)) return static_cast<int>(i);
    return -1;
}

// ---- changes -----------------------------------------------------------------------------------

int CmoxArrayCell::InsertAt(int index, CmoxCell* element) {
    // Inserting past the end would leave null elements behind, which no other operation
    // expects: it is refused like any other bad index.
    if (index < 0 || index > GetSize()) AfxThrowInvalidArgException();
    CmoxArrayUndoInfo* record = BeginRecord();
    if (m_makeParent) element->Parent(this);
    m_elements.insert(m_elements.begin() + index, element);
    if (element->Priority() != Priority()) element->PropogatePriority(Priority());
    if (record != nullptr) record->SaveAfter(m_elements);
    Changed(0, MOX_CHILD_ADDED, 1, record);
    return index;
}

int CmoxArrayCell::Add(CmoxCell* element) {
    return InsertAt(GetSize(), element);
}

CmoxCell* CmoxArrayCell::Remove(int index, int destroy) {
    CSingleLock lock(&m_lock, true);
    if (index < 0 || index >= GetSize()) {
        lock.Unlock();
        AfxThrowInvalidArgException();
    }
    CmoxArrayUndoInfo* record = BeginRecord();
    CmoxCell* element = m_elements[static_cast<std::size_t>(index)];
    if (m_findCache != nullptr &&
        std::as_const(*m_findCache).Name() == std::as_const(*element).Name())
        m_findCache = nullptr;
    // A destroyed element keeps its parent so that an undo can put it back intact.
    if (element->Parent() == this && !destroy) element->Parent(nullptr);
    m_elements.erase(m_elements.begin() + index);
    if (record != nullptr) {
        record->SaveAfter(m_elements);
        if (destroy) record->AddDestroyed(element);
    }
    Changed(0, MOX_CHILD_REMOVED, 1, record);
    return element;
}

CmoxCell* CmoxArrayCell::Remove(const char* name) {
    const int index = FindIndexByName(name);
    return index != -1 ? Remove(index, 0) : nullptr;
}

CmoxCell* CmoxArrayCell::RemoveUser(const char* userName) {
    const int index = FindIndexByUserName(userName);
    return index != -1 ? Remove(index, 0) : nullptr;
}

CmoxCell* CmoxArrayCell::Remove(CmoxCell* element) {
    const int index = IndexOf(element);
    if (index != -1) Remove(index, 0);
    return element;
}

void CmoxArrayCell::DestroyElement(int index) {
    if (Cmox::Current().UndoContext() != nullptr) {
        Remove(index, 1);
        return;
    }
    DestroyCell(Remove(index, 0));
}

void CmoxArrayCell::DestroyElement(const char* name) {
    const int index = FindIndexByName(name);
    if (index != -1) DestroyElement(index);
}

void CmoxArrayCell::DestroyElementUser(const char* userName) {
    const int index = FindIndexByUserName(userName);
    if (index != -1) DestroyElement(index);
}

void CmoxArrayCell::DestroyElement(CmoxCell* element) {
    const int index = IndexOf(element);
    if (index != -1) DestroyElement(index);
}

void CmoxArrayCell::RemoveAll() {
    if (m_elements.empty()) return;
    CSingleLock lock(&m_lock, true);
    CmoxArrayUndoInfo* record = BeginRecord();
    m_findCache = nullptr;
    m_elements.clear();
    if (record != nullptr) record->SaveAfter(m_elements);
    Changed(0, MOX_CHILD_REMOVED, 1, record);
}

void CmoxArrayCell::RemoveAndDestroyAll() {
    if (m_elements.empty()) return;
    CSingleLock lock(&m_lock, true);
    CmoxArrayUndoInfo* record = BeginRecord();
    if (record == nullptr) {
        DestroyElements();
        Changed(0, MOX_CHILD_REMOVED, 1, nullptr);
        return;
    }
    m_findCache = nullptr;
    while (!m_elements.empty()) {
        record->AddDestroyed(m_elements.back());
        m_elements.pop_back();
    }
    record->SaveAfter(m_elements);
    Changed(0, MOX_CHILD_REMOVED, 1, record);
}

void CmoxArrayCell::DestroyElements() {
    CSingleLock lock(&m_lock, true);
    m_findCache = nullptr;
    std::vector<CmoxCell*> doomed;
    doomed.swap(m_elements);
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it)
        DestroyCell(*it);
}

void CmoxArrayCell::RemoveDynamicElements() {
    CSingleLock lock(&m_lock, true);
    if (m_makeParent)
        DestroyElements();
    else
        m_elements.clear();
    m_findCache = nullptr;
    Changed(0, MOX_CHILD_REMOVED, 1, nullptr);
}

CmoxCell* CmoxArrayCell::CreateAndAdd() {
    std::string name;
    NewChildName(name);
    auto* element = new CmoxCell(name.c_str(), MOX_STATE_PRIORITY);
    Add(element);
    return element;
}

// ---- archive -----------------------------------------------------------------------------------

void CmoxArrayCell::Save(CmoxArchive& archive) {
    CmoxCell::Save(archive);
    archive.WriteBlockStart();
    archive.WriteNewLine();
    archive.IncrementIndent();
    const int n = GetSize();
    for (int i = 0; i < n; ++i) {
        CmoxCell* element = GetAt(i);
        if (element->Savable() == 0) continue;
        archive.WriteIndent();
        if (m_makeParent) {
            element->Save(archive);
        } else {
            // Saved in full by its owner; here only what finds it again.
            element->CmoxCell::Save(archive);
            archive.WritePointer();
        }
        archive.WriteNewLine();
    }
    archive.DecrementIndent();
    archive.WriteIndent();
    archive.WriteBlockEnd();
}

void CmoxArrayCell::Restore(CmoxArchive& archive) {
    mox::detail::OpenChildRecords(archive, this);
    RemoveDynamicElements();
    if (m_makeParent) {
        mox::detail::ReadChildRecords(
            archive, this, [&](std::string& restoreClassName, const std::string& name) {
                // A copy: restoring the element may overwrite the engine's.
                std::string className = restoreClassName;
                try {
                    CreateAddRestoreElement(archive, className, name.c_str());
                } catch (MoxRestoreError code) {
                    // Other faults were flagged where they happened; the next record may still fit.
                    if (code != MOX_RESTORE_DECLINED) return;
                    mox::detail::SkipRecordOrDecline(archive, this,
                                                     "The application was unable to find " + name +
                                                         "." + std::string(8, '\t') +
                                                         "Do you wish to continue restoring ?");
                }
            });
        return;
    }
    CmoxCell* trueParent = TrueParent();
    mox::detail::ReadChildRecords(archive, this, [&](std::string&, const std::string& name) {
        CmoxCell* element = trueParent != nullptr ? trueParent->FindChild(name.c_str()) : nullptr;
        if (element != nullptr) {
            element->RestoreUserName(archive);
            Add(element);
        } else {
            // A reference to a cell that is not there (or nowhere to look) is left out; its
            // user-name field is passed over like the rest of the reference.
            archive.ReadToken();
        }
        archive.ReadToken(); // the reference marker
    });
}

void CmoxArrayCell::CreateAddRestoreElement(CmoxArchive&, std::string&, const char*) {}

CmoxCell* CmoxArrayCell::TrueParent() {
    return nullptr;
}
