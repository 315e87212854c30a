#include <mox/collections/CmoxCompositeCell.h>

#include <mox/archive/CmoxArchive.h>
#include <mox/collections/internal/Collection.h>
#include <mox/core/internal/NameEpoch.h>
#include <mox/core/internal/PointerMap.h>
#include <mox/values/CmoxBooleanCell.h>
#include <mox/values/CmoxByteCell.h>
#include <mox/values/CmoxDoubleCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxLongLongCell.h>
#include <mox/values/CmoxStringCell.h>

#include <algorithm>
#include <cstring>
#include <utility>

IMPLEMENT_DYNAMIC(CmoxCompositeCell, CmoxCell)

using mox::detail::SameText;

namespace {

// Walks the children by index, re-reading the size: a child may add or remove siblings on the
// way.
auto EachChild(std::vector<CmoxCell*>& children) {
    return [&children](auto step) {
        for (std::size_t i = 0; i < children.size(); ++i)
            step(children[i]);
    };
}

} // namespace

CmoxCompositeCell::CmoxCompositeCell() {
    Initialize(MOX_NO_NAME, 1, MOX_STATE_PRIORITY, ALL_COLLNOTIFY);
}

CmoxCompositeCell::CmoxCompositeCell(const char* name, int notifyParent, unsigned char priority,
                                     MoxCollNotifyPolicy policy) {
    Initialize(name, notifyParent, priority, policy);
}

void CmoxCompositeCell::Initialize(const char* name, int notifyParent, unsigned char priority,
                                   MoxCollNotifyPolicy policy) {
    CmoxCell::Initialize(name, priority);
    NotifyParent(notifyParent);
    m_notifyPolicy = policy;
}

CmoxCompositeCell::~CmoxCompositeCell() {
    // The list is emptied first, so a child's teardown never sees a half-destroyed list.
    std::vector<CmoxCell*> doomed;
    doomed.swap(m_children);
    DropNameTable();
    // Adding a cell twice is not checked; it still dies only once.
    mox::detail::PointerMap<char> destroyed; // flat: no allocation per child
    destroyed.reserve(doomed.size());
    for (CmoxCell* child : doomed) {
        if (destroyed.find(child) != nullptr) continue;
        destroyed.insert_or_assign(child, 1);
        delete child;
    }
}

int CmoxCompositeCell::operator==(const CmoxCell& other) const {
    if (!CmoxCell::operator==(other)) return 0;
    const auto& composite = static_cast<const CmoxCompositeCell&>(other);
    if (composite.m_children.size() != m_children.size()) return 0;
    for (std::size_t i = 0; i < m_children.size(); ++i)
        if (*m_children[i] != *composite.m_children[i]) return 0;
    return 1;
}

void CmoxCompositeCell::Changed(unsigned long userData, MoxChangeReason reason, int notifyNow,
                                CmoxUndoInfo* undo) {
    // A child change that the policy filters out is not recorded either.
    const bool heard = mox::detail::DependentsHear(m_notifyPolicy, reason);
    ReportChange(userData, reason, notifyNow, undo, heard, heard);
}

// ---- user name ---------------------------------------------------------------------------------

void CmoxCompositeCell::UserName(const char* userName) {
    SetChildString(MOX_USER_NAME, userName);
}

const char* CmoxCompositeCell::UserName() {
    auto* text = dynamic_cast<CmoxStringCell*>(FindChild(MOX_USER_NAME));
    return text != nullptr ? text->Value().c_str() : NULLSTR.c_str();
}

int CmoxCompositeCell::HasUserName() {
    return FindChild(MOX_USER_NAME) != nullptr ? 1 : 0;
}

// ---- forwarders --------------------------------------------------------------------------------

void CmoxCompositeCell::CreateDependencies() {
    mox::detail::forward::CreateDependencies(*this, EachChild(m_children));
}

void CmoxCompositeCell::DestroyDependencies() {
    mox::detail::forward::DestroyDependencies(*this, EachChild(m_children));
}

void CmoxCompositeCell::PropogateMoxMessage(int message, long param, void* data) {
    mox::detail::forward::PropogateMoxMessage(*this, EachChild(m_children), message, param, data);
}

void CmoxCompositeCell::MakeDefaultCurrent() {
    mox::detail::forward::MakeDefaultCurrent(EachChild(m_children));
}

void CmoxCompositeCell::MakeCurrentDefault() {
    mox::detail::forward::MakeCurrentDefault(EachChild(m_children));
}

void CmoxCompositeCell::PropogatePriority(unsigned char priority) {
    mox::detail::forward::PropogatePriority(*this, EachChild(m_children), priority);
}

void CmoxCompositeCell::MakeDependentOnChildren() {
    mox::detail::forward::MakeDependentOnChildren(*this, EachChild(m_children));
}

// ---- lookups -----------------------------------------------------------------------------------

namespace {

// SameText(name, text) for a name held in a string, with `text` of length `length`: the
// comparison is that of the C strings (a name that holds a NUL ends there), but a name whose
// length rules it out is passed over without looking at its characters.
// Sibling names tend to share their beginning ("Item1", "Item2"), so the last character is
// looked at before the rest.
inline bool NameIs(const std::string& name, const char* text, std::size_t length) {
    if (name.size() < length) return false;
    if (name.size() != length && name[length] != '\0') return false;
    if (length == 0) return true;
    const char* data = name.data();
    if (data[length - 1] != text[length - 1] || data[0] != text[0]) return false;
    return std::memcmp(data, text, length) == 0;
}

// Below this many children a scan is as fast as the table.
constexpr std::size_t kNameTableFrom = 16;

// FNV-1a over the name's characters.
std::uint32_t NameHash(const char* text, std::size_t length) {
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < length; ++i) {
        h ^= static_cast<unsigned char>(text[i]);
        h *= 16777619u;
    }
    return h;
}

} // namespace

bool CmoxCompositeCell::NameTableUsable() {
    const unsigned long long epoch = mox::detail::CellNameEpoch();
    return (m_nameTableValid && m_nameTableEpoch == epoch) || BuildNameTable(epoch);
}

bool CmoxCompositeCell::BuildNameTable(unsigned long long epoch) {
    // A table costs about as much to build as ten scans. When names keep changing (the last
    // table served few look-ups), it is rebuilt only after a run of scans, which bounds what
    // the table can cost over scanning.
    const std::size_t size = m_children.size();
    if (m_nameTableBuilt && m_nameTableServed < size / 8 && ++m_nameTableStale < size / 8)
        return false;
    std::size_t capacity = 32;
    while (capacity < 2 * size)
        capacity *= 2;
    const std::size_t mask = capacity - 1;
    m_nameSlots.assign(capacity, 0);
    m_nameHashes.assign(capacity, 0);
    m_namesUnique = true;
    for (std::size_t i = 0; i < size; ++i) {
        // The name as a C string (up to a NUL), as FindChild compares; the first child wins.
        const char* name = std::as_const(*m_children[i]).Name().c_str();
        const std::size_t length = std::strlen(name);
        const std::uint32_t hash = NameHash(name, length);
        std::size_t slot = hash & mask;
        bool taken = false;
        while (m_nameSlots[slot] != 0 && !taken) {
            const CmoxCell& other = *m_children[m_nameSlots[slot] - 1];
            taken = m_nameHashes[slot] == hash && NameIs(other.Name(), name, length);
            slot = (slot + 1) & mask;
        }
        if (taken) {
            m_namesUnique = false;
            continue;
        }
        m_nameSlots[slot] = static_cast<std::uint32_t>(i + 1);
        m_nameHashes[slot] = hash;
    }
    m_nameTableEpoch = epoch;
    m_nameTableValid = true;
    m_nameTableBuilt = true;
    m_nameTableServed = 0;
    m_nameTableStale = 0;
    return true;
}

CmoxCell* CmoxCompositeCell::FindChild(const char* name) {
    if (name == nullptr) name = "";
    const std::size_t length = std::strlen(name);
    // Up to 2^32 - 1 children fit the table's slots; more are only ever scanned.
    if (m_children.size() >= kNameTableFrom && m_children.size() < 0xFFFFFFFFu &&
        NameTableUsable()) {
        // A hit is the child itself compared, and a name the table does not know is looked for
        // by a scan after all, so only one case rests on the table alone: a child given the
        // name of a later sibling through a name reference taken before the table was built and
        // written after.
        // Look-ups tend to follow child order (a restore reads the records as they were saved):
        // while no two children share a name, the child after the last one found is tried first.
        if (m_namesUnique && m_nextChild < m_children.size()) {
            CmoxCell* next = m_children[m_nextChild];
            if (NameIs(std::as_const(*next).Name(), name, length)) {
                ++m_nextChild;
                ++m_nameTableServed;
                return next;
            }
        }
        const std::size_t mask = m_nameSlots.size() - 1;
        const std::uint32_t hash = NameHash(name, length);
        for (std::size_t slot = hash & mask; m_nameSlots[slot] != 0; slot = (slot + 1) & mask) {
            if (m_nameHashes[slot] != hash) continue;
            CmoxCell* child = m_children[m_nameSlots[slot] - 1];
            if (NameIs(std::as_const(*child).Name(), name, length)) {
                m_nextChild = m_nameSlots[slot];
                ++m_nameTableServed;
                return child;
            }
        }
    }
    for (CmoxCell* child : m_children)
        if (NameIs(std::as_const(*child).Name(), name, length)) return child;
    return nullptr;
}

CmoxCell* CmoxCompositeCell::FindChildUser(const char* userName) {
    for (CmoxCell* child : m_children)
        if (child->HasUserName() && SameText(child->UserName(), userName)) return child;
    return nullptr;
}

int CmoxCompositeCell::Contains(CmoxCell* cell) {
    return std::find(m_children.begin(), m_children.end(), cell) != m_children.end() ? 1 : 0;
}

CmoxCell* CmoxCompositeCell::RestoreFindChild(const char* name) {
    return FindChild(name);
}

CmoxCell* CmoxCompositeCell::GetChildAt(int index) const {
    if (index < 0 || index >= GetSize()) return nullptr;
    return m_children[static_cast<std::size_t>(index)];
}

// ---- children ----------------------------------------------------------------------------------

void CmoxCompositeCell::AddChild(CmoxCell* child, int quiet) {
    m_children.push_back(child);
    DropNameTable();
    child->Parent(this);
    if (child->Priority() != Priority()) child->PropogatePriority(Priority());
    if (!quiet) Changed(0, MOX_CHILD_ADDED, 1, nullptr);
}

CmoxCell* CmoxCompositeCell::RemoveChild(CmoxCell* child) {
    auto found = std::find(m_children.begin(), m_children.end(), child);
    if (found == m_children.end()) return nullptr;
    m_children.erase(found);
    DropNameTable();
    child->Parent(nullptr);
    Changed(0, MOX_CHILD_REMOVED, 1, nullptr);
    return child;
}

// ---- named children ----------------------------------------------------------------------------

void CmoxCompositeCell::SetChildLong(const char* name, long value) {
    if (CmoxCell* child = FindChild(name)) child->Value(value);
}

void CmoxCompositeCell::SetChildDouble(const char* name, double value) {
    if (CmoxCell* child = FindChild(name)) child->Value(value);
}

void CmoxCompositeCell::SetChildBoolean(const char* name, int value) {
    if (CmoxCell* child = FindChild(name)) child->Value(value);
}

void CmoxCompositeCell::SetChildString(const char* name, const char* value) {
    if (CmoxCell* child = FindChild(name)) child->Value(value);
}

void CmoxCompositeCell::SetChildByte(const char* name, unsigned char value) {
    if (CmoxCell* child = FindChild(name)) child->Value(value);
}

void CmoxCompositeCell::SetChildLongLong(const char* name, __int64 value) {
    if (CmoxCell* child = FindChild(name)) child->Value(value);
}

long CmoxCompositeCell::GetChildLong(const char* name) {
    auto* child = dynamic_cast<CmoxLongCell*>(FindChild(name));
    return child != nullptr ? child->Value() : 0;
}

double CmoxCompositeCell::GetChildDouble(const char* name) {
    auto* child = dynamic_cast<CmoxDoubleCell*>(FindChild(name));
    return child != nullptr ? child->Value() : 0.0;
}

int CmoxCompositeCell::GetChildBoolean(const char* name) {
    auto* child = dynamic_cast<CmoxBooleanCell*>(FindChild(name));
    return child != nullptr && child->Value() != 0 ? 1 : 0;
}

const std::string& CmoxCompositeCell::GetChildString(const char* name) {
    auto* child = dynamic_cast<CmoxStringCell*>(FindChild(name));
    return child != nullptr ? child->Value() : NULLSTR;
}

unsigned char CmoxCompositeCell::GetChildByte(const char* name) {
    auto* child = dynamic_cast<CmoxByteCell*>(FindChild(name));
    return child != nullptr ? child->Value() : static_cast<unsigned char>(0);
}

__int64 CmoxCompositeCell::GetChildLongLong(const char* name) {
    auto* child = dynamic_cast<CmoxLongLongCell*>(FindChild(name));
    return child != nullptr ? child->Value() : 0;
}

void CmoxCompositeCell::ToggleChildBoolean(const char* name) {
    if (auto* child = dynamic_cast<CmoxBooleanCell*>(FindChild(name))) child->Toggle();
}

// ---- archive -----------------------------------------------------------------------------------

void CmoxCompositeCell::SaveChildren(CmoxArchive& archive, const std::vector<CmoxCell*>& children) {
    CmoxCell::Save(archive);
    archive.WriteBlockStart();
    archive.IncrementIndent();
    for (CmoxCell* child : children) {
        if (child->Savable() == 0) continue;
        archive.WriteNewLine();
        archive.WriteIndent();
        child->Save(archive);
    }
    archive.DecrementIndent();
    archive.WriteNewLine();
    archive.WriteIndent();
    archive.WriteBlockEnd();
}

void CmoxCompositeCell::Save(CmoxArchive& archive) {
    // A copy: a child's Save is free to add or remove siblings.
    SaveChildren(archive, std::vector<CmoxCell*>(m_children));
}

void CmoxCompositeCell::SaveChild(CmoxArchive& archive, const char* name) {
    std::vector<CmoxCell*> children;
    if (CmoxCell* child = FindChild(name)) children.push_back(child);
    SaveChildren(archive, children);
}

void CmoxCompositeCell::Restore(CmoxArchive& archive) {
    mox::detail::OpenChildRecords(archive, this);
    mox::detail::ReadChildRecords(archive, this, [&](std::string&, const std::string& name) {
        if (CmoxCell* child = RestoreFindChild(name.c_str())) {
            // Set only when it differs: setting a name makes every name table stale.
            if (std::as_const(*child).Name() != name) child->Name(name.c_str());
            child->RestoreUserName(archive);
            child->Restore(archive);
            return;
        }
        mox::detail::SkipRecordOrDecline(archive, this,
                                         "The application was unable to find " + name + ". " +
                                             std::string(4, '\t') +
                                             "        Do you wish to continue restoring ?");
    });
}
