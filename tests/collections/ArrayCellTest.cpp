#include "collections/ElementCells.h"
#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <functional>
#include <memory>
#include <thread>

using namespace moxtest;

namespace {

class ArrayCell : public MoxTest {
  protected:
    LifetimeCounter counter;
    UpdateLog log;
    TagCell* Tag(const char* name, int tag = 0) { return new TagCell(name, counter, tag); }
};

// A cell whose CreateDependencies runs an action (to change the array while it is walked).
class HookCell : public CmoxCell {
  public:
    using CmoxCell::CmoxCell;
    void CreateDependencies() override {
        ++calls;
        if (onCreate) onCreate();
    }
    void* ProcessMoxMessage(int message, long param, void*) override {
        messages.push_back(message * 1000 + static_cast<int>(param));
        return nullptr;
    }
    std::function<void()> onCreate;
    int calls = 0;
    std::vector<int> messages;
};

} // namespace

// ---- construction and settings -----------------------------------------------------------------

TEST_F(ArrayCell, DefaultsAndInitializeResetSettingsButKeepElements) {
    CmoxArrayCell array;
    EXPECT_EQ(array.Name(), "NoName");
    const auto settings = [](CmoxArrayCell& a) {
        return std::vector<std::string>{
            a.ChildSuffix(), std::to_string(a.NotifyParent()), std::to_string(a.Priority()),
            std::to_string(a.NotifyPolicy()), std::to_string(a.MakeParent())};
    };
    EXPECT_EQ(settings(array), (Names{"", "1", "150", std::to_string(ALL_COLLNOTIFY), "1"}));
    array.Add(Tag("A"));
    array.Initialize("Other", "Row", 0, 60, ADDDEL_COLLNOTIFY, 0);
    EXPECT_EQ(array.Name(), "Other");
    EXPECT_EQ(settings(array), (Names{"Row", "0", "60", std::to_string(ADDDEL_COLLNOTIFY), "0"}));
    EXPECT_EQ(ElementNames(array), Names({"A"}));
    array.MakeParent(1); // give the element back to the array's care
}

TEST_F(ArrayCell, CreateAndAddAppendsAPlainCellNamedFromTheSharedCounterAndSuffix) {
    CmoxArrayCell array("List", "Row");
    RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
    array.AddDependent(&watcher);
    EXPECT_EQ(array.Add(Tag("First")), 0);
    log.clear();
    CmoxCell::InitializeCellId();
    for (int i = 0; i < 16; ++i)
        CmoxCell::NewCellId();
    std::string name;
    EXPECT_EQ(array.NewChildName(name), "17Row");
    EXPECT_EQ(CmoxCell::NewCellId(), 18); // the array raised the cell counter itself
    CmoxCell* created = array.CreateAndAdd();
    ASSERT_EQ(array.GetSize(), 2);
    EXPECT_EQ(array.GetAt(1), created);
    EXPECT_EQ(created->Name(), "19Row");
    EXPECT_EQ(created->GetRuntimeClass(), RUNTIME_CLASS(CmoxCell));
    EXPECT_EQ(created->Parent(), &array);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].reasons, Reasons{MOX_CHILD_ADDED});
    array.ChildSuffix("");
    EXPECT_EQ(array.NewChildName(name), "20");
}

// ---- insertion and access ----------------------------------------------------------------------

TEST_F(ArrayCell, NonOwningArrayLeavesParentAndLifetimeAlone) {
    CmoxArrayCell owner("Owner");
    TagCell* a = Tag("A");
    owner.Add(a);
    {
        CmoxArrayCell refs("Refs", "", 1, MOX_STATE_PRIORITY, ALL_COLLNOTIFY, 0);
        refs.Add(a);
        EXPECT_EQ(a->Parent(), &owner);
        EXPECT_EQ(refs.Contains(a), 1);
        EXPECT_EQ(refs.Contains(&owner), 0);
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
    EXPECT_EQ(array.IndexOf(array.GetAt(1)), 1);
    EXPECT_THROW(array.GetAt(3), CInvalidArgException);
    EXPECT_THROW(array.GetAt(-1), CInvalidArgException);
    EXPECT_THROW(array.ElementAt(3), CInvalidArgException);
    EXPECT_THROW(array[3], CInvalidArgException);
    const CmoxArrayCell& constArray = array;
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

// ---- removal and ownership ---------------------------------------------------------------------

TEST_F(ArrayCell, RemoveByNameOrUserNameTakesTheFirstMatchDetached) {
    // Removal by index, name and address is checked against a model by the randomized test.
    CmoxArrayCell array("List");
    TagCell* a = Tag("A");
    TagCell* labelled = Tag("L");
    labelled->UserName("Label");
    TagCell* b1 = Tag("B");
    array.Add(a);
    array.Add(b1);
    array.Add(labelled);
    array.Add(Tag("B"));
    std::unique_ptr<CmoxCell> first(array.Remove("B")); // the first of two namesakes
    EXPECT_EQ(first.get(), b1);
    std::unique_ptr<CmoxCell> byUser(array.RemoveUser("Label"));
    EXPECT_EQ(byUser.get(), labelled);
    EXPECT_EQ(byUser->Parent(), nullptr);
    EXPECT_EQ(array.Remove("Missing"), nullptr);
    // Every element's UserName is compared: one without a user name matches the empty text.
    std::unique_ptr<CmoxCell> unnamed(array.RemoveUser(""));
    EXPECT_EQ(unnamed.get(), a);
    CmoxCell stranger("S", 150);
    EXPECT_EQ(array.Remove(&stranger), &stranger);
    EXPECT_EQ(ElementNames(array), Names({"B"}));
    EXPECT_EQ(counter.destroyed, 0);
}

TEST_F(ArrayCell, DestroyElementByUserNameDestroysAtOnceAndMissingNamesNothing) {
    CmoxArrayCell array("List");
    array.Add(Tag("A"));
    TagCell* c = Tag("C");
    c->UserName("Third");
    array.Add(c);
    array.DestroyElement("Missing");
    array.DestroyElementUser("Nobody");
    EXPECT_EQ(counter.destroyed, 0);
    array.DestroyElementUser("Third");
    EXPECT_EQ(counter.destroyed, 1);
    EXPECT_EQ(ElementNames(array), Names({"A"}));
}

TEST_F(ArrayCell, OwningArrayDestroysItsElementsOnceLastFirst) {
    Names deaths;
    {
        CmoxArrayCell array("List");
        array.Add(new CountedCell("A", counter, &deaths));
        array.Add(new CountedCell("B", counter, &deaths));
        array.Add(new CountedCell("C", counter, &deaths));
    }
    EXPECT_EQ(counter.constructed, 3);
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
        auto* a = new TagCell("X", deaths);
        auto* b = new TagCell("B", deaths);
        array.Add(a);
        array.Add(b);
        ASSERT_EQ(array.FindChild("X"), a);
        updates.clear();
        (array.*c.clear)();
        EXPECT_EQ(array.GetSize(), 0);
        EXPECT_EQ(deaths.destroyed, c.destroys ? 2 : 0);
        if (c.reports) {
            ASSERT_EQ(updates.size(), 1u);
            EXPECT_EQ(updates[0].reasons, Reasons{MOX_CHILD_REMOVED});
        } else {
            EXPECT_TRUE(updates.empty());
        }
        std::vector<std::unique_ptr<CmoxCell>> survivors;
        if (!c.destroys) {
            EXPECT_EQ(a->Parent(), &array);
            survivors.emplace_back(a);
            survivors.emplace_back(b);
        }
        // The find cache forgot the old element: a fresh namesake is found.
        auto* fresh = new TagCell("X", deaths);
        array.Add(fresh);
        EXPECT_EQ(array.FindChild("X"), fresh);
        array.RemoveAndDestroyAll();
        for (auto& cell : survivors)
            cell->Parent(nullptr);
        EXPECT_EQ(deaths.destroyed, c.destroys ? 3 : 1);
    }
}

// ---- notification ------------------------------------------------------------------------------

TEST_F(ArrayCell, InsertAndRemoveReportToDependentsAndDeliverAtOnce) {
    CmoxArrayCell array("List");
    RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
    array.AddDependent(&watcher);
    array.Add(Tag("A"));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].changed, Names({"List"}));
    EXPECT_EQ(log[0].reasons, Reasons{MOX_CHILD_ADDED});
    std::unique_ptr<CmoxCell> a(array.Remove(0, 0));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].reasons, Reasons{MOX_CHILD_REMOVED});
}

TEST_F(ArrayCell, AnUpdateMayChangeTheArrayDuringItsOwnReport) {
    // The array's lock is held while Remove reports; it must let the same thread back in.
    CmoxArrayCell array("List");
    array.Add(Tag("A"));
    array.Add(Tag("B"));
    array.Add(Tag("C"));
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

// ---- forwarders --------------------------------------------------------------------------------

TEST_F(ArrayCell, ShrinkingWhileForwardingRaisesInvalidArgument) {
    CmoxArrayCell array("List");
    auto* a = new HookCell("A", 150);
    array.Add(a);
    array.Add(new HookCell("B", 150));
    a->onCreate = [&] { array.DestroyElement(1); };
    EXPECT_THROW(array.CreateDependencies(), CInvalidArgException);
    EXPECT_EQ(array.GetSize(), 1);
}

// ---- the find cache ----------------------------------------------------------------------------

TEST_F(ArrayCell, FindChildReturnsTheFirstMatchUnlessTheCacheHoldsAnother) {
    CmoxArrayCell array("List");
    array.Add(Tag("A", 0));
    array.Add(Tag("B", 1));
    array.Add(Tag("Twin", 2));
    array.Add(Tag("C", 3));
    array.Add(Tag("Twin", 4));
    EXPECT_EQ(array.FindChild("Twin"), array.GetAt(2));
    TagCell pattern("P", counter, 4);
    EXPECT_EQ(array.FindChildMatch(&pattern, 0), array.GetAt(4));
    EXPECT_EQ(array.FindChild("Twin"), array.GetAt(4));
    EXPECT_EQ(array.FindChild("twin"), nullptr); // case-sensitive; a miss keeps the cache
    EXPECT_EQ(array.FindChild("Twin"), array.GetAt(4));
    EXPECT_EQ(array.CountChildMatch(&pattern, 0), 1);
    TagCell none("N", counter, 9);
    EXPECT_EQ(array.FindChildMatch(&none, 0), nullptr);
}

TEST_F(ArrayCell, InsertKeepsTheCacheAndRemovingANamesakeClearsIt) {
    CmoxArrayCell array("List");
    array.Add(Tag("N", 0));
    array.Add(Tag("M", 1));
    array.Add(Tag("N", 2));
    TagCell pattern("P", counter, 2);
    CmoxCell* cached = array.FindChildMatch(&pattern, 0);
    ASSERT_EQ(cached, array.GetAt(2));
    array.InsertAt(0, Tag("N", 3));
    EXPECT_EQ(array.FindChild("N"), cached);
    // Removing another element of another name leaves it.
    std::unique_ptr<CmoxCell> m(array.Remove(2, 0));
    EXPECT_EQ(array.FindChild("N"), cached);
    // Removing an element that shares the cached name clears it: the scan starts afresh.
    std::unique_ptr<CmoxCell> first(array.Remove(1, 0));
    EXPECT_EQ(array.FindChild("N"), array.GetAt(0));
    EXPECT_NE(array.GetAt(0), cached);
}

TEST_F(ArrayCell, FindChildUserSkipsElementsWithoutAUserName) {
    CmoxArrayCell array("List");
    TagCell* plain = Tag("Plain");
    TagCell* labelled = Tag("L");
    labelled->UserName("");
    array.Add(plain);
    array.Add(labelled);
    EXPECT_EQ(array.FindChildUser(""), labelled);
    labelled->UserName("Gain");
    EXPECT_EQ(array.FindChildUser("Gain"), labelled);
    EXPECT_EQ(array.FindChildUser("gain"), nullptr);
}
