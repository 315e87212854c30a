#pragma once
// What the composite and the array share: the operations they pass to every child, the
// notify-policy filter, name comparison and the reading of a block of child records.

#include <mox/core/CmoxCell.h>
#include <mox/core/MoxConstants.h>

#include <cstring>
#include <functional>
#include <string>

class CmoxArchive;

namespace mox::detail {

// Whether a collection's own dependents hear of a change: under ADDDEL_COLLNOTIFY a child's
// change only passes through to the ancestors.
inline bool DependentsHear(MoxCollNotifyPolicy policy, MoxChangeReason reason) {
    return policy == ALL_COLLNOTIFY || reason != MOX_CHILD_CHANGED;
}

// Exact, case-sensitive comparison where a null text reads as the empty one.
inline bool SameText(const char* a, const char* b) {
    return std::strcmp(a != nullptr ? a : "", b != nullptr ? b : "") == 0;
}
inline bool SameText(const std::string& a, const char* b) {
    return b != nullptr ? a == b : a.empty();
}

// The tree-wide operations a collection passes to its children, each with the collection's own
// part first. `each(step)` calls `step(child)` for every child in the collection's own walk.
namespace forward {

template <class Each> void CreateDependencies(CmoxCell& collection, Each each) {
    collection.CmoxCell::CreateDependencies();
    each([](CmoxCell* child) { child->CreateDependencies(); });
}
template <class Each> void DestroyDependencies(CmoxCell& collection, Each each) {
    collection.CmoxCell::DestroyDependencies();
    each([](CmoxCell* child) { child->DestroyDependencies(); });
}
template <class Each>
void PropogateMoxMessage(CmoxCell& collection, Each each, int message, long param, void* data) {
    collection.ProcessMoxMessage(message, param, data);
    each([&](CmoxCell* child) { child->PropogateMoxMessage(message, param, data); });
}
template <class Each> void MakeDefaultCurrent(Each each) {
    each([](CmoxCell* child) { child->MakeDefaultCurrent(); });
}
template <class Each> void MakeCurrentDefault(Each each) {
    each([](CmoxCell* child) { child->MakeCurrentDefault(); });
}
template <class Each>
void PropogatePriority(CmoxCell& collection, Each each, unsigned char priority) {
    collection.Priority(priority);
    each([priority](CmoxCell* child) { child->PropogatePriority(priority); });
}
template <class Each> void MakeDependentOnChildren(CmoxCell& collection, Each each) {
    each([&collection](CmoxCell* child) { child->AddDependent(&collection); });
}

} // namespace forward

// Flags `code` on the archive for `cell` and throws it, for the restore driver to catch.
[[noreturn]] void FailRestore(CmoxArchive& archive, MoxRestoreError code, CmoxCell* cell);

// Reads the "{" that opens a collection's block of child records; anything else fails the
// restore with MOX_RESTORE_BAD_FORMAT.
void OpenChildRecords(CmoxArchive& archive, CmoxCell* collection);

// Reads the child records up to the "}" that closes the block: for each, its class name (stored
// as the engine's restore class name, which `restoreOne` is handed and a nested restore
// overwrites) and its name, then `restoreOne` reads the rest.
// Input that ends first fails the restore with MOX_RESTORE_UNEXPECTED_END.
void ReadChildRecords(
    CmoxArchive& archive, CmoxCell* collection,
    const std::function<void(std::string& className, const std::string& name)>& restoreOne);

// A record matches nothing: asks the user `question` (Yes/No). Yes skips the rest of the
// record; No fails the restore with MOX_RESTORE_DECLINED.
void SkipRecordOrDecline(CmoxArchive& archive, CmoxCell* collection, const std::string& question);

} // namespace mox::detail
