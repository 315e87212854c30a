// mox demo: a small settings tree with dependents of different priorities.
// Shows who is updated, in which order and with which changed list; then records a transaction
// in an undo context and walks it back and forth.

#include <mox/mox.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* ReasonName(MoxChangeReason reason) {
    switch (reason) {
    case MOX_VALUE_CHANGED: return "value";
    case MOX_RANGE_CHANGED: return "range";
    case MOX_CHILD_CHANGED: return "child";
    case MOX_DEFAULT_CHANGED: return "default";
    case MOX_CHILD_ADDED: return "added";
    case MOX_CHILD_REMOVED: return "removed";
    default: return "none";
    }
}

// An application cell that prints every update it receives.
class Printer : public CmoxCell {
public:
    Printer(const char* name, unsigned char priority) : CmoxCell(name, priority) {}
    void Update(CmoxChangedList& changes) override {
        std::printf("  %-12s (priority %3d) <-", Name().c_str(), Priority());
        for (const ChangeInfo& change : changes.GetList())
            std::printf(" %s[%s]", change.Cell()->PathName().c_str(), ReasonName(change.Reason()));
        std::printf("\n");
    }
};

// A folder of settings: owns its children and finds them by name.
class Folder : public CmoxCell {
public:
    explicit Folder(const char* name) : CmoxCell(name, MOX_STATE_PRIORITY) {}
    ~Folder() override {
        for (CmoxCell* child : m_children) delete child;
    }
    template <class T> T* Add(T* child) {
        child->Parent(this);
        m_children.push_back(child);
        return child;
    }
    CmoxCell* FindChild(const char* name) override {
        for (CmoxCell* child : m_children)
            if (child->Name() == name) return child;
        return nullptr;
    }

private:
    std::vector<CmoxCell*> m_children;
};

void PrintList(const char* title, const std::vector<std::string>& items) {
    std::printf("  %s:", title);
    if (items.empty()) std::printf(" (empty)");
    for (const std::string& item : items) std::printf(" \"%s\"", item.c_str());
    std::printf("\n");
}

} // namespace

int main() {
    Cmox& engine = Cmox::Current();

    Folder root("Root");
    Folder* scope = root.Add(new Folder("Scope"));
    CmoxLongCell* gain = scope->Add(new CmoxLongCell("Gain", 1));
    CmoxLongCell* offset = scope->Add(new CmoxLongCell("Offset", 0));

    Printer model("Model", 200), filter("Filter", MOX_STATE_PRIORITY),
        display("Display", MOX_UI_PRIORITY), overview("Overview", MOX_UI_PRIORITY);
    gain->AddDependent(&display);
    gain->AddDependent(&filter);
    gain->AddDependent(&model);
    offset->AddDependent(&filter);
    scope->AddDependent(&overview);

    std::printf("Tree: %s, %s\n", gain->PathName().c_str(), offset->PathName().c_str());
    std::printf("Found by path: %s\n", root.FindDescendent("\\Scope\\Gain")->PathName().c_str());

    std::printf("\n1. Gain = 5 outside a transaction: state dependents now, UI ones wait\n");
    gain->Value(5L);
    std::printf("  queued after the change: %d\n", engine.NotifyList().GetList().GetCount());
    std::printf("  ...end of a transaction delivers the deferred ones:\n");
    engine.BeginTransaction();
    engine.EndTransaction();

    std::printf("\n2. A recorded transaction changing Gain and Offset\n");
    CmoxUndoContext* edits = engine.GetUndoContext("Edits");
    engine.BeginTransaction(edits, "Adjust scope");
    gain->Value(7L);
    offset->Value(-3L);
    engine.EndTransaction();
    std::printf("  Gain=%ld Offset=%ld\n", gain->Value(), offset->Value());
    PrintList("undo", edits->UndoDescriptions());

    std::printf("\n3. Undo (UI dependents hear of it; state ones only with UndoNotify)\n");
    engine.Undo(edits, 1);
    std::printf("  Gain=%ld Offset=%ld\n", gain->Value(), offset->Value());
    PrintList("undo", edits->UndoDescriptions());
    PrintList("redo", edits->RedoDescriptions());

    std::printf("\n4. Redo\n");
    engine.Redo(edits, 1);
    std::printf("  Gain=%ld Offset=%ld\n", gain->Value(), offset->Value());
    PrintList("undo", edits->UndoDescriptions());
    PrintList("redo", edits->RedoDescriptions());

    engine.RemoveAllUndoContexts();
    return 0;
}
