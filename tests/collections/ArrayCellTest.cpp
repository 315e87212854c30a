// Array cells: naming, ownership, look-ups and the find cache, reports, and what the undo records
// own. Random operation sequences with undo and redo are checked against a model in
// tests/undo/UndoRandomTest.cpp; these pin the rules that a model of unique names cannot see.
#include "support/MoxTest.h"
#include "support/Recorder.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

using namespace moxtest;

namespace {

// A counted cell whose Match(pattern, mode) is true when the pattern is a TagCell with the same
// tag, and which can carry a user name.
class TagCell : public CountedCell {
  public:
    TagCell(const char* name, LifetimeCounter& counter, int tagValue = 0)
        : CountedCell(name, counter), tag(tagValue) {}
    int Match(CmoxCell* pattern, int) override {
        auto* other = dynamic_cast<TagCell*>(pattern);
        return other != nullptr && other->tag == tag ? 1 : 0;
    }
    using CmoxCell::UserName;
    void UserName(const char* userName) override { m_userName = userName; }
    const char* UserName() override { return m_userName ? m_userName->c_str() : ""; }
    int HasUserName() override { return m_userName ? 1 : 0; }
    int tag;

  private:
    std::optional<std::string> m_userName;
};

// The names of an array's elements, in order.
Names ElementNames(const CmoxArrayCell& array) {
    Names names;
    for (int i = 0; i < array.GetSize(); ++i)
        names.push_back(array.GetAt(i)->Name());
    return names;
}

class ArrayCell : public MoxTest {
  protected:
    LifetimeCounter counter;
    UpdateLog log;
    TagCell* Tag(const char* name, int tag = 0) { return new TagCell(name, counter, tag); }
    CmoxUndoContext* Context() { return Engine().GetUndoContext("Edit"); }
    void Record(const char* description, const std::function<void()>& change) {
        Engine().BeginTransaction(Context(), description);
        change();
        Engine().EndTransaction();
    }
    void Undo(int count = 1) { Engine().Undo(Context(), count); }
    void Redo(int count = 1) { Engine().Redo(Context(), count); }
    void DropContext() { Engine().RemoveUndoContext("Edit"); }
};

// A cell whose CreateDependencies runs an action (to change the array while it is walked).
class HookCell : public CmoxCell {
  public:
    using CmoxCell::CmoxCell;
    void CreateDependencies() override {
        if (onCreate) onCreate();
    }
    std::function<void()> onCreate;
};

} // namespace

TEST_F(ArrayCell, CreateAndAddAppendsAPlainCellNamedFromTheSharedCounterAndSuffix) {
    CmoxArrayCell array("List", "Row");
    CmoxCell::InitializeCellId();
    CmoxCell::NewCellId();
    std::string name;
    EXPECT_EQ(array.NewChildName(name), "2Row");
    EXPECT_EQ(CmoxCell::NewCellId(), 3); // the array raised the cell counter itself
    CmoxCell* created = array.CreateAndAdd();
    EXPECT_EQ(ElementNames(array), Names({"4Row"}));
    EXPECT_EQ(created->GetRuntimeClass(), RUNTIME_CLASS(CmoxCell));
    EXPECT_EQ(created->Parent(), &array);
    array.ChildSuffix("");
    EXPECT_EQ(array.NewChildName(name), "5");
}

TEST_F(ArrayCell, NonOwningArrayLeavesParentLifetimeAndRecordsAlone) {
    CmoxArrayCell owner("Owner");
    TagCell* a = Tag("A");
    owner.Add(a);
    {
        CmoxArrayCell refs("Refs", "", 1, MOX_STATE_PRIORITY, ALL_COLLNOTIFY, 0);
        Record("add", [&] { refs.Add(a); });
        EXPECT_EQ(a->Parent(), &owner);
        EXPECT_EQ(refs.Contains(a), 1);
        Undo(); // the record holds it without owning it
        EXPECT_EQ(refs.GetSize(), 0);
        DropContext();
        refs.Add(a);
        refs.RemoveDynamicElements();
        EXPECT_EQ(refs.GetSize(), 0);
        refs.Add(a);
    }
    EXPECT_EQ(counter.destroyed, 0);
}

TEST_F(ArrayCell, InsertAtReturnsTheIndexAndBadIndexesRaiseInvalidArgument) {
    CmoxArrayCell array("List");
    array.Add(Tag("A"));
    array.Add(Tag("B"));
    EXPECT_EQ(array.InsertAt(1, Tag("C")), 1);
    EXPECT_EQ(ElementNames(array), Names({"A", "C", "B"}));
    const CmoxArrayCell& constArray = array;
    EXPECT_THROW(array.GetAt(3), CInvalidArgException);
    EXPECT_THROW(array.GetAt(-1), CInvalidArgException);
    EXPECT_THROW(array.ElementAt(3), CInvalidArgException);
    EXPECT_THROW(array[3], CInvalidArgException);
    EXPECT_THROW(constArray[-1], CInvalidArgException);
    EXPECT_THROW(array.Remove(5, 0), CInvalidArgException);
    EXPECT_THROW(array.InsertAt(-1, nullptr), CInvalidArgException);
    EXPECT_THROW(array.InsertAt(4, nullptr), CInvalidArgException);
    EXPECT_EQ(array.GetSize(), 3);
    // Remove released its lock before throwing: another thread can still use the finders.
    CmoxCell* found = nullptr;
    std::thread other([&] { found = array.FindChild("B"); });
    other.join();
    EXPECT_EQ(found, array.GetAt(2));
}

TEST_F(ArrayCell, RemovalByNameOrUserNameTakesTheFirstMatchAndReports) {
    CmoxArrayCell array("List");
    RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
    TagCell* a = Tag("A");
    TagCell* b1 = Tag("B");
    TagCell* labelled = Tag("L");
    labelled->UserName("Label");
    TagCell* doomed = Tag("D");
    doomed->UserName("Doomed");
    for (CmoxCell* cell :
         {static_cast<CmoxCell*>(a), static_cast<CmoxCell*>(b1), static_cast<CmoxCell*>(labelled),
          static_cast<CmoxCell*>(Tag("B")), static_cast<CmoxCell*>(doomed)})
        array.Add(cell);
    array.AddDependent(&watcher);
    std::unique_ptr<CmoxCell> first(array.Remove("B")); // the first of two namesakes
    EXPECT_EQ(first.get(), b1);
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].reasons, Reasons{MOX_CHILD_REMOVED});
    std::unique_ptr<CmoxCell> byUser(array.RemoveUser("Label"));
    EXPECT_EQ(byUser.get(), labelled);
    EXPECT_EQ(byUser->Parent(), nullptr);
    EXPECT_EQ(array.Remove("Missing"), nullptr);
    array.DestroyElement("Missing");
    array.DestroyElementUser("Nobody");
    EXPECT_EQ(counter.destroyed, 0);
    array.DestroyElementUser("Doomed");
    EXPECT_EQ(counter.destroyed, 1);
    // Every element's UserName is compared: one without a user name matches the empty text.
    std::unique_ptr<CmoxCell> unnamed(array.RemoveUser(""));
    EXPECT_EQ(unnamed.get(), a);
    CmoxCell stranger("S", 150);
    EXPECT_EQ(array.Remove(&stranger), &stranger);
    EXPECT_EQ(ElementNames(array), Names({"B"}));
    EXPECT_EQ(log.size(), 4u);
}

TEST_F(ArrayCell, OwningArrayDestroysItsElementsOnceLastFirst) {
    Names deaths;
    {
        CmoxArrayCell array("List");
        for (const char* name : {"A", "B", "C"})
            array.Add(new CountedCell(name, counter, &deaths));
    }
    EXPECT_EQ(counter.destroyed, 3);
    EXPECT_EQ(deaths, Names({"C", "B", "A"}));
}

TEST_F(ArrayCell, BulkClearsReportDestroyAndResetTheCacheEachByItsOwnRule) {
    struct Case {
        const char* name;
        void (CmoxArrayCell::*clear)();
        size_t reportsWhenEmpty; // reports of a clear on an empty array
        bool reports;            // a clear of a filled array reports one removal
        bool destroys;           // the elements die (else they stay alive and attached)
    };
    const Case cases[] = {
        {"RemoveAll", &CmoxArrayCell::RemoveAll, 0, true, false},
        {"RemoveAndDestroyAll", &CmoxArrayCell::RemoveAndDestroyAll, 0, true, true},
        {"DestroyElements", &CmoxArrayCell::DestroyElements, 0, false, true},
        {"RemoveDynamicElements", &CmoxArrayCell::RemoveDynamicElements, 1, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LifetimeCounter deaths;
        UpdateLog updates;
        CmoxArrayCell array("List");
        RecordingCell watcher("W", MOX_STATE_PRIORITY, updates);
        array.AddDependent(&watcher);
        (array.*c.clear)();
        EXPECT_EQ(updates.size(), c.reportsWhenEmpty);
        std::unique_ptr<CmoxCell> a(new TagCell("X", deaths)), b(new TagCell("B", deaths));
        array.Add(a.get());
        array.Add(b.get());
        ASSERT_EQ(array.FindChild("X"), a.get());
        updates.clear();
        (array.*c.clear)();
        EXPECT_EQ(array.GetSize(), 0);
        EXPECT_EQ(deaths.destroyed, c.destroys ? 2 : 0);
        EXPECT_EQ(updates.size(), c.reports ? 1u : 0u);
        if (c.reports) {
            EXPECT_EQ(updates[0].reasons, Reasons{MOX_CHILD_REMOVED});
        }
        if (c.destroys) {
            a.release();
            b.release();
        } else {
            EXPECT_EQ(a->Parent(), &array);
            a->Parent(nullptr);
            b->Parent(nullptr);
        }
        // The find cache forgot the old element: a fresh namesake is found.
        auto* fresh = new TagCell("X", deaths);
        array.Add(fresh);
        EXPECT_EQ(array.FindChild("X"), fresh);
    }
}

TEST_F(ArrayCell, AnUpdateMayChangeTheArrayDuringItsOwnReport) {
    // The array's lock is held while Remove reports; it must let the same thread back in.
    CmoxArrayCell array("List");
    for (const char* name : {"A", "B", "C"})
        array.Add(Tag(name));
    RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
    array.AddDependent(&watcher);
    watcher.onUpdate = [&](CmoxChangedList&) {
        if (array.GetSize() == 2) {
            EXPECT_NE(array.FindChild("C"), nullptr);
            array.DestroyElement(0);
        }
    };
    array.DestroyElement(0);
    EXPECT_EQ(ElementNames(array), Names({"C"}));
    EXPECT_EQ(counter.destroyed, 2);
}

TEST_F(ArrayCell, ShrinkingWhileForwardingRaisesInvalidArgument) {
    CmoxArrayCell array("List");
    auto* a = new HookCell("A", 150);
    array.Add(a);
    array.Add(new HookCell("B", 150));
    a->onCreate = [&] { array.DestroyElement(1); };
    EXPECT_THROW(array.CreateDependencies(), CInvalidArgException);
    EXPECT_EQ(array.GetSize(), 1);
}

// Finders return the first match unless the cache holds another; a miss or an insertion keeps
// the cache, removing a namesake of it, undo and redo clear it.
TEST_F(ArrayCell, FindersTakeTheFirstMatchUnlessTheCacheHoldsAnother) {
    CmoxArrayCell array("List");
    for (int tag = 0; tag < 5; ++tag)
        array.Add(Tag(tag % 2 == 0 ? "N" : "M", tag));
    TagCell* labelled = Tag("L");
    labelled->UserName("");
    array.Add(labelled);
    EXPECT_EQ(array.FindChildUser(""), labelled); // passes over elements without a user name
    EXPECT_EQ(array.FindChildUser("gain"), nullptr);
    TagCell pattern("P", counter, 4), none("Q", counter, 9);
    EXPECT_EQ(array.FindChild("N"), array.GetAt(0));
    CmoxCell* cached = array.FindChildMatch(&pattern, 0);
    EXPECT_EQ(cached, array.GetAt(4));
    EXPECT_EQ(array.FindChild("n"), nullptr); // case-sensitive; a miss keeps the cache
    EXPECT_EQ(array.FindChildMatch(&none, 0), nullptr);
    EXPECT_EQ(array.CountChildMatch(&pattern, 0), 1);
    array.InsertAt(0, Tag("N"));
    EXPECT_EQ(array.FindChild("N"), cached);
    std::unique_ptr<CmoxCell> other(array.Remove(2, 0)); // another name leaves it
    EXPECT_EQ(array.FindChild("N"), cached);
    std::unique_ptr<CmoxCell> namesake(array.Remove(1, 0));
    EXPECT_EQ(array.FindChild("N"), array.GetAt(0));
    EXPECT_EQ(array.FindChildMatch(&pattern, 0), cached);
    Record("insert", [&] { array.InsertAt(0, Tag("N", 4)); });
    Undo(); // clears the cache
    EXPECT_EQ(array.FindChild("N"), array.GetAt(0));
    EXPECT_EQ(array.FindChildMatch(&pattern, 0), cached);
    Redo(); // clears it too
    EXPECT_EQ(array.FindChild("N"), array.GetAt(0));
    DropContext();
}

// Which dependents hear an undo is the engine's rule, checked in the undo tests.
TEST_F(ArrayCell, UndoReportsOneChangeWithTheReasonOfItsKindsOfChange) {
    CmoxArrayCell array("List");
    RecordingCell ui("UI", MOX_UI_PRIORITY, log);
    array.AddDependent(&ui);
    Record("adds", [&] {
        array.Add(Tag("Old"));
        array.Add(Tag("Other"));
    });
    log.clear();
    Undo();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].reasons, Reasons{MOX_CHILD_ADDED}); // one kind
    Redo();
    array.DestroyElement(1);
    CmoxCell* removed = nullptr;
    Record("swap", [&] {
        array.Add(Tag("New"));
        removed = array.Remove(0, 0);
    });
    log.clear();
    Undo();
    EXPECT_EQ(ElementNames(array), Names({"Old"}));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].changed, Names({"List"}));
    EXPECT_EQ(log[0].reasons, Reasons{MOX_VALUE_CHANGED});
    Redo();
    EXPECT_EQ(ElementNames(array), Names({"New"}));
    DropContext();
    delete removed;
    EXPECT_EQ(counter.destroyed, 2);
}

// The randomized model test checks that nothing is freed twice and that dropping the history
// leaves no cell alive; these pin who frees a cell when the array goes first, or records nothing.
TEST_F(ArrayCell, RecordsOutliveTheirArrayAndStoppedRecordingDestroysAtOnce) {
    auto* array = new CmoxArrayCell("List");
    array->Add(Tag("A"));
    Record("add", [&] { array->Add(Tag("B")); });
    Record("destroy", [&] { array->DestroyElement(0); });
    Undo(2); // B belongs to the record of "add"
    delete array;
    EXPECT_EQ(counter.destroyed, 2);
    Redo(2); // nothing left to redo into
    DropContext();
    EXPECT_EQ(counter.destroyed, 2);

    CmoxUndoContext unregistered; // destroyed cells are not taken out of its lists
    array = new CmoxArrayCell("List");
    Engine().BeginTransaction(&unregistered, "add");
    array->Add(Tag("X"));
    Engine().EndTransaction();
    Engine().Undo(&unregistered, 1); // the record now owns X
    array->Add(Tag("Y"));
    Engine().BeginTransaction(Context(), "quiet");
    Engine().StopRecordingChanges();
    array->DestroyElement(0);
    Engine().StartRecordingChanges();
    Engine().EndTransaction();
    EXPECT_EQ(counter.destroyed, 3); // Y, at once
    EXPECT_TRUE(Context()->UndoDescriptions().empty());
    DropContext();
    delete array;
    EXPECT_EQ(counter.destroyed, 3);
    unregistered.ResetUndo();
    EXPECT_EQ(counter.destroyed, 4);
}
