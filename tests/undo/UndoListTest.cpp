// Filing and finding records when cells are filed in several lists, leave lists, or die: the
// undo lists find a cell's record through the cell itself, and must stay exact when that
// shortcut no longer names them.

#include "support/MoxTest.h"
#include "support/TestCells.h"

#include <memory>
#include <vector>

using namespace moxtest;

namespace {

class UndoLists : public MoxTest {
  protected:
    static IntUndoInfo* Record(int before, int after) { return new IntUndoInfo(before, after); }
    static int After(CmoxUndoInfo* record) { return dynamic_cast<IntUndoInfo&>(*record).after; }
};

} // namespace

TEST_F(UndoLists, ACellFiledInALaterListStillHasItsRecordInTheEarlierOne) {
    CmoxCell cell("Cell", 150), other("Other", 150);
    CmoxUndoList first("first"), second("second");
    IntUndoInfo* old = Record(0, 1);
    first.AddUndoInfo(&other, Record(0, 5));
    first.AddUndoInfo(&cell, old);
    second.AddUndoInfo(&cell, Record(1, 2));
    EXPECT_EQ(first.GetUndoInfo(&cell), old);
    // Filing into the earlier list again merges with the record it has.
    EXPECT_FALSE(first.AddUndoInfo(&cell, Record(1, 7)));
    EXPECT_EQ(After(first.GetUndoInfo(&cell)), 7);
    EXPECT_EQ(first.GetCount(), 2);
    EXPECT_EQ(After(second.GetUndoInfo(&cell)), 2) << "the later list keeps its own";
    EXPECT_EQ(second.GetUndoInfo(&other), nullptr);
    // A record removed and filed again is found as the new one, not merged into the old.
    CmoxUndoInfo* removed = second.GetUndoInfo(&cell);
    second.RemoveUndoInfo(removed);
    delete removed;
    EXPECT_EQ(second.GetUndoInfo(&cell), nullptr);
    EXPECT_FALSE(second.HasUndoInfo());
    IntUndoInfo* again = Record(2, 3);
    EXPECT_TRUE(second.AddUndoInfo(&cell, again));
    EXPECT_EQ(second.GetUndoInfo(&cell), again);
    EXPECT_EQ(second.GetCount(), 1);
}

TEST_F(UndoLists, RecordsStayFoundWhenRemovalsSqueezeTheList) {
    std::vector<std::unique_ptr<CmoxCell>> cells;
    for (int i = 0; i < 60; ++i)
        cells.push_back(std::make_unique<CmoxCell>("Cell", 150));
    CmoxUndoList list("x");
    std::vector<IntUndoInfo*> records;
    for (int i = 0; i < 60; ++i) {
        records.push_back(Record(0, i));
        list.AddUndoInfo(cells[static_cast<std::size_t>(i)].get(), records.back());
    }
    for (int i = 0; i < 60; ++i) {
        if (i % 6 == 0) continue;
        list.RemoveUndoInfo(records[static_cast<std::size_t>(i)]);
        delete records[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(list.GetCount(), 10);
    for (int i = 0; i < 60; ++i) {
        CmoxUndoInfo* found = list.GetUndoInfo(cells[static_cast<std::size_t>(i)].get());
        if (i % 6 == 0)
            EXPECT_EQ(found, records[static_cast<std::size_t>(i)]) << i;
        else
            EXPECT_EQ(found, nullptr) << i;
    }
    EXPECT_FALSE(list.AddUndoInfo(cells[6].get(), Record(0, 99)));
    EXPECT_EQ(After(records[6]), 99);
    // Replay order is filing order, holes skipped.
    CmoxCellList collected;
    list.Undo(collected);
    std::vector<CmoxCell*> expected;
    for (int i = 0; i < 60; i += 6)
        expected.push_back(cells[static_cast<std::size_t>(i)].get());
    EXPECT_EQ(collected.ToVector(), expected);
}

TEST_F(UndoLists, ACellDyingWithoutTellingTheListIsNeverTouchedAgain) {
    // A context that is not registered with the engine is not told when its cells die; its
    // lists keep the entries, and must still be safe to use and destroy (the sanitizer build
    // would report any access to the dead cell).
    CmoxUndoContext unregistered;
    CmoxCell keep("Keep", 150);
    auto doomed = std::make_unique<CmoxCell>("Doomed", 150);
    unregistered.BeginTransaction("x");
    unregistered.UndoList().AddUndoInfo(doomed.get(), Record(0, 1));
    unregistered.UndoList().AddUndoInfo(&keep, Record(0, 2));
    doomed.reset();
    CmoxCell newcomer("Newcomer", 150);
    EXPECT_TRUE(unregistered.UndoList().AddUndoInfo(&newcomer, Record(0, 3)));
    EXPECT_EQ(After(unregistered.UndoList().GetUndoInfo(&keep)), 2);
    EXPECT_EQ(unregistered.UndoList().GetCount(), 3);
    unregistered.EndTransaction();
}

TEST_F(UndoLists, CollectedCellsAreNotRepeatedAcrossLists) {
    CmoxCell a("A", 150), b("B", 150), c("C", 150);
    CmoxUndoList first("1"), second("2");
    first.AddUndoInfo(&a, Record(0, 1));
    first.AddUndoInfo(&b, Record(0, 1));
    second.AddUndoInfo(&b, Record(1, 2));
    second.AddUndoInfo(&c, Record(0, 2));
    CmoxCellList collected;
    second.Undo(collected);
    first.Undo(collected);
    EXPECT_EQ(collected.ToVector(), (std::vector<CmoxCell*>{&b, &c, &a}));
}
