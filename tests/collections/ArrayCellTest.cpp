// Array cells: naming, ownership, look-ups and the find cache, reports, and what the undo records
// own. Random operation sequences with undo and redo are checked against a model in
// tests/undo/UndoRandomTest.cpp; these pin the rules that a model of unique names cannot see.
#include "collections/Transcript.h"
#include "support/MoxTest.h"
#include "values/ValueTesting.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

using namespace moxtest;
using valuetest::Record;

namespace {

// A counted cell whose Match(pattern, mode) is true for a TagCell pattern of the same tag, which
// can carry a user name and runs an action in CreateDependencies (to change the array meanwhile).
class TagCell : public CountedCell {
  public:
    TagCell(const char* name, LifetimeCounter& counter, int tagValue, Names* deaths = nullptr)
        : CountedCell(name, counter, deaths), tag(tagValue) {}
    int Match(CmoxCell* pattern, int) override {
        auto* other = dynamic_cast<TagCell*>(pattern);
        return other != nullptr && other->tag == tag ? 1 : 0;
    }
    using CmoxCell::UserName;
    void UserName(const char* userName) override { m_userName = userName; }
    const char* UserName() override { return m_userName ? m_userName->c_str() : ""; }
    int HasUserName() override { return m_userName ? 1 : 0; }
    void CreateDependencies() override {
        if (onCreate) onCreate();
    }
    int tag;
    std::function<void()> onCreate;

  private:
    std::optional<std::string> m_userName;
};

class ArrayCell : public MoxTest {
  protected:
    LifetimeCounter counter;
    Names deaths;
    UpdateLog log;
    TagCell* Tag(const char* name, int tag = 0) { return new TagCell(name, counter, tag, &deaths); }
    CmoxUndoContext* Context() { return Engine().GetUndoContext("Edit"); }
    void Undo(int count = 1) { Engine().Undo(Context(), count); }
    void Redo(int count = 1) { Engine().Redo(Context(), count); }
    void DropContext() { Engine().RemoveUndoContext("Edit"); }
};

} // namespace

// InsertAt returns the index; CreateAndAdd appends a plain cell named from the shared counter and
// the suffix; bad indexes raise InvalidArgument.
TEST_F(ArrayCell, AddingNamesElementsAndBadIndexesRaiseInvalidArgument) {
    CmoxArrayCell array("List", "Row");
    array.Add(Tag("A"));
    array.Add(Tag("B"));
    std::string seen = std::to_string(array.InsertAt(1, Tag("C")));
    CmoxCell::InitializeCellId();
    CmoxCell::NewCellId();
    std::string name, again;
    seen += " " + array.NewChildName(name); // the array raises the cell counter itself
    seen += " " + std::to_string(CmoxCell::NewCellId());
    CmoxCell* created = array.CreateAndAdd();
    array.ChildSuffix("");
    EXPECT_EQ(seen + " " + Held(array) + array.NewChildName(again), "1 2Row 3 A C B 4Row 5");
    EXPECT_EQ(created->GetRuntimeClass(), RUNTIME_CLASS(CmoxCell));
    EXPECT_EQ(created->Parent(), &array);
    EXPECT_THROW(array.GetAt(4), CInvalidArgException);
    EXPECT_THROW(array.GetAt(-1), CInvalidArgException);
    EXPECT_THROW(array.ElementAt(4), CInvalidArgException);
    EXPECT_THROW(array.Remove(5, 0), CInvalidArgException);
    EXPECT_THROW(array.InsertAt(-1, nullptr), CInvalidArgException);
    EXPECT_THROW(array.InsertAt(5, nullptr), CInvalidArgException);
    EXPECT_EQ(array.GetSize(), 4);
    // Remove released its lock before throwing: another thread can still use the finders.
    CmoxCell* found = nullptr;
    std::thread other([&] { found = array.FindChild("B"); });
    other.join();
    EXPECT_EQ(found, array.GetAt(2));
}

// Removal by name or user name takes the first match and reports it; what is missing is neither
// removed nor destroyed; an owning array destroys what is left, last first.
TEST_F(ArrayCell, RemovalTakesTheFirstMatchAndTheArrayDestroysTheRestLastFirst) {
    std::string seen;
    {
        CmoxArrayCell array("List");
        RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
        TagCell* labelled = Tag("L");
        labelled->UserName("Label");
        TagCell* doomed = Tag("D");
        doomed->UserName("Doomed");
        for (CmoxCell* cell : std::initializer_list<CmoxCell*>{Tag("A"), Tag("B", 1), labelled,
                                                               Tag("B", 2), doomed, Tag("E")})
            array.Add(cell);
        array.AddDependent(&watcher);
        const auto took = [&](CmoxCell* cell) {
            auto* taken = dynamic_cast<TagCell*>(cell);
            seen += taken == nullptr ? "none " : cell->Name() + std::to_string(taken->tag) + " ";
            EXPECT_TRUE(cell == nullptr || cell->Parent() == nullptr);
            delete cell;
        };
        took(array.Remove("B")); // the first of two namesakes
        took(array.RemoveUser("Label"));
        took(array.Remove("Missing"));
        array.DestroyElement("Missing");
        array.DestroyElementUser("Nobody");
        array.DestroyElementUser("Doomed");
        // Every element's UserName is compared: one without a user name matches the empty text.
        took(array.RemoveUser(""));
        TagCell* stranger = Tag("S");
        took(array.Remove(stranger)); // not held: handed back all the same, unreported
        seen += "| " + Held(array) + "| " + Heard(log) + "| ";
    }
    EXPECT_EQ(seen + Join(deaths), "B1 L0 none A0 S0 | B E | W(List:removed) W(List:removed) "
                                   "W(List:removed) W(List:removed) | B L D A S E B ");
}

TEST_F(ArrayCell, BulkClearsReportDestroyAndForgetTheCacheEachByItsOwnRule) {
    // What a clear reports on an empty array, then on a filled one, and whether the elements die.
    const std::pair<void (CmoxArrayCell::*)(), const char*> cases[] = {
        {&CmoxArrayCell::RemoveAll, "empty filled W(List:removed) kept"},
        {&CmoxArrayCell::RemoveAndDestroyAll, "empty filled W(List:removed) died B X "},
        {&CmoxArrayCell::DestroyElements, "empty filled died B X "},
        {&CmoxArrayCell::RemoveDynamicElements,
         "empty W(List:removed) filled W(List:removed) died B X "},
    };
    for (const auto& [clear, expected] : cases) {
        SCOPED_TRACE(expected);
        log.clear();
        deaths.clear();
        CmoxArrayCell array("List");
        RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
        array.AddDependent(&watcher);
        (array.*clear)();
        std::string seen = "empty " + Heard(log);
        std::unique_ptr<CmoxCell> a(Tag("X")), b(Tag("B"));
        array.Add(a.get());
        array.Add(b.get());
        ASSERT_EQ(array.FindChild("X"), a.get());
        log.clear();
        (array.*clear)();
        seen += "filled " + Heard(log);
        EXPECT_EQ(array.GetSize(), 0);
        if (deaths.empty()) {
            seen += a->Parent() == &array && b->Parent() == &array ? "kept" : "detached";
        } else {
            a.release();
            b.release();
        }
        EXPECT_EQ(seen + (deaths.empty() ? "" : "died " + Join(deaths)), expected);
        // The find cache forgot the old element: a fresh namesake is found.
        CmoxCell* fresh = Tag("X");
        array.Add(fresh);
        EXPECT_EQ(array.FindChild("X"), fresh);
    }
}

// The array's lock is held while it reports and walks its elements; the same thread may come back
// in, and an element that shrinks the array during a walk ends it with an error, not a bad read.
TEST_F(ArrayCell, TheArrayMayChangeDuringItsOwnReportOrWalk) {
    CmoxArrayCell array("List");
    for (const char* name : {"A", "B", "C"})
        array.Add(Tag(name));
    RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
    array.AddDependent(&watcher);
    watcher.onUpdate = [&](CmoxChangedList&) {
        if (array.GetSize() == 2 && array.FindChild("C") != nullptr) array.DestroyElement(0);
    };
    array.DestroyElement(0);
    EXPECT_EQ(Held(array) + std::to_string(counter.destroyed), "C 2");
    watcher.onUpdate = nullptr;
    auto* c = static_cast<TagCell*>(array.GetAt(0));
    array.Add(Tag("D"));
    c->onCreate = [&] { array.DestroyElement(1); };
    EXPECT_THROW(array.CreateDependencies(), CInvalidArgException);
    EXPECT_EQ(Held(array), "C ");
}

// Finders return the first match unless the cache holds another; a miss or an insertion keeps
// the cache, removing a namesake of it, undo and redo clear it.
TEST_F(ArrayCell, FindersTakeTheFirstMatchUnlessTheCacheHoldsAnother) {
    CmoxArrayCell array("List");
    for (int tag = 0; tag < 5; ++tag)
        array.Add(Tag(tag % 2 == 0 ? "N" : "M", tag));
    array.Add(Tag("L"));
    array.GetAt(5)->UserName("");
    TagCell pattern("P", counter, 4), none("Q", counter, 9);
    std::string seen; // what each look-up found, by its index now
    const auto at = [&](const char* what, CmoxCell* found) {
        seen += std::string(what) + "@" + std::to_string(found ? array.IndexOf(found) : -1) + " ";
    };
    at("user", array.FindChildUser("")); // passes over elements without a user name
    at("gain", array.FindChildUser("gain"));
    at("N", array.FindChild("N"));
    at("P", array.FindChildMatch(&pattern, 0));
    at("n", array.FindChild("n")); // case-sensitive; a miss keeps the cache
    at("Q", array.FindChildMatch(&none, 0));
    seen += std::to_string(array.CountChildMatch(&pattern, 0)) + " | ";
    array.InsertAt(0, Tag("N"));
    at("N", array.FindChild("N"));
    std::unique_ptr<CmoxCell> other(array.Remove(2, 0)); // another name leaves it
    at("N", array.FindChild("N"));
    std::unique_ptr<CmoxCell> namesake(array.Remove(1, 0));
    at("N", array.FindChild("N"));
    at("P", array.FindChildMatch(&pattern, 0));
    Record([&] { array.InsertAt(0, Tag("N", 4)); });
    Undo();
    at("| undone N", array.FindChild("N"));
    at("P", array.FindChildMatch(&pattern, 0));
    Redo();
    at("| redone N", array.FindChild("N"));
    DropContext();
    EXPECT_EQ(seen, "user@5 gain@-1 N@0 P@4 n@-1 Q@-1 1 | N@5 N@4 N@0 P@3 | undone N@0 P@3 "
                    "| redone N@0 ");
}

// Which dependents hear an undo is the engine's rule, checked in the undo tests; what the array
// holds after it, the randomized model checks.
TEST_F(ArrayCell, UndoReportsOneChangeWithTheReasonOfItsKindsOfChange) {
    CmoxArrayCell array("List");
    RecordingCell ui("UI", MOX_UI_PRIORITY, log);
    array.AddDependent(&ui);
    Record([&] {
        array.Add(Tag("Old"));
        array.Add(Tag("Other"));
    });
    CmoxCell* removed = nullptr;
    Record([&] {
        array.Add(Tag("New"));
        removed = array.Remove(0, 0);
    });
    log.clear();
    Undo(); // two kinds of change
    std::string seen = Heard(log) + "| ";
    Undo();        // one kind
    DropContext(); // the records own the elements but the one a caller took out
    std::sort(deaths.begin(), deaths.end());
    EXPECT_EQ(seen + Heard(log) + "| " + Join(deaths),
              "UI(List:value) | UI(List:added) | New Other ");
    delete removed;
}

// The randomized model test checks that nothing is freed twice and that dropping the history
// leaves no cell alive; these pin who frees a cell when the array goes first, records nothing, or
// holds without owning.
TEST_F(ArrayCell, WhoFreesAnElementWhenTheArrayGoesFirstRecordsNothingOrDoesNotOwn) {
    auto* array = new CmoxArrayCell("List");
    array->Add(Tag("A"));
    Record([&] { array->Add(Tag("B")); });
    Record([&] { array->DestroyElement(0); });
    Undo(2); // B belongs to the record of "add"
    delete array;
    deaths.push_back("|");
    Redo(2); // nothing left to redo into
    DropContext();
    deaths.push_back("|");

    CmoxUndoContext unregistered; // destroyed cells are not taken out of its lists
    array = new CmoxArrayCell("List");
    Engine().BeginTransaction(&unregistered, "add");
    array->Add(Tag("X"));
    Engine().EndTransaction();
    Engine().Undo(&unregistered, 1); // the record now owns X
    array->Add(Tag("Y"));
    Engine().BeginTransaction(Context(), "quiet");
    Engine().StopRecordingChanges();
    array->DestroyElement(0); // at once
    Engine().StartRecordingChanges();
    Engine().EndTransaction();
    deaths.push_back("|");
    EXPECT_TRUE(Context()->UndoDescriptions().empty());
    TagCell* z = Tag("Z");
    array->Add(z);
    {
        CmoxArrayCell refs("Refs", "", 1, MOX_STATE_PRIORITY, ALL_COLLNOTIFY, 0);
        Record([&] { refs.Add(z); });
        EXPECT_TRUE(refs.Contains(z) == 1 && z->Parent() == array);
        Undo(); // the record holds it without owning it
        DropContext();
        refs.Add(z);
        refs.RemoveDynamicElements();
        EXPECT_EQ(refs.GetSize(), 0);
        refs.Add(z);
    }
    delete array;
    deaths.push_back("|");
    unregistered.ResetUndo();
    EXPECT_EQ(Join(deaths), "A B | | Y | Z | X ");
}
