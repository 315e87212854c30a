#include "support/MoxTest.h"
#include "support/TestCells.h"

#include <memory>

using moxtest::MoxTest;
using moxtest::TreeCell;

class ChangedList : public MoxTest {};

namespace {
// Combines user data by addition, to prove Add goes through the cell's CombineUserData.
class AddingCell : public CmoxCell {
  public:
    AddingCell() : CmoxCell("Adder", 150) {}
    unsigned long CombineUserData(unsigned long a, unsigned long b) override { return a + b; }
};
} // namespace

TEST_F(ChangedList, RepeatedReportsMergeIntoOneEntry) {
    CmoxCell a("A", 150);
    AddingCell b; // merges through its own CombineUserData
    CmoxChangedList list;
    list.Add(&a, 0, MOX_RANGE_CHANGED);
    EXPECT_EQ(list.GetChangeReason(&a), MOX_RANGE_CHANGED);
    list.Add(&a, 5, MOX_RANGE_CHANGED);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetUserData(&a), 5u) << "a zero word takes the new one";
    EXPECT_EQ(list.GetChangeReason(&a), MOX_VALUE_CHANGED) << "a second report always merges";
    list.Add(&b, 3, MOX_CHILD_ADDED);
    list.Add(&b, 3, MOX_CHILD_ADDED);
    EXPECT_EQ(list.GetUserData(&b), 6u);
    list.Add(&b, 0, MOX_CHILD_ADDED);
    EXPECT_EQ(list.GetUserData(&b), 6u) << "a zero word changes nothing";
    list.Add(&a, 0, MOX_DEFAULT_CHANGED);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetList()[0].Cell(), &a) << "a merged entry keeps its place";
    EXPECT_EQ(list.GetList()[1].Cell(), &b);
}

TEST_F(ChangedList, NameUserAndPathQueriesReturnTheFirstMatchAndAbsentCellsReportNothing) {
    TreeCell root("Root");
    TreeCell* scope = root.AddChild("Scope");
    TreeCell* gain = scope->AddChild("Gain");
    TreeCell* myScope = root.AddChild("MyScope");
    TreeCell* otherGain = myScope->AddChild("Gain");
    CmoxCell plain("Plain", 150), absent("Absent", 150);
    scope->UserName("Label");

    CmoxChangedList list;
    list.Add(&plain, 0, MOX_VALUE_CHANGED);
    list.Add(otherGain, 1, MOX_VALUE_CHANGED);
    list.Add(scope, 0, MOX_VALUE_CHANGED);
    list.Add(gain, 2, MOX_RANGE_CHANGED);

    EXPECT_EQ(list.Contains("Gain"), otherGain);
    EXPECT_EQ(list.GetUserData("Gain"), 1u);
    EXPECT_EQ(list.Contains("gain"), nullptr);
    EXPECT_EQ(list.GetChangeReason(gain), MOX_RANGE_CHANGED);
    EXPECT_EQ(list.GetChangeReason(&absent), MOX_NO_CHANGE);
    EXPECT_EQ(list.GetChangeReason("Absent"), MOX_NO_CHANGE);
    EXPECT_EQ(list.GetUserData(&absent), 0u);
    EXPECT_EQ(list.GetUserData("Absent"), 0u);
    EXPECT_EQ(list.ContainsPtr(&absent), nullptr);
    EXPECT_EQ(list.ContainsPtr(gain), gain);
    EXPECT_EQ(list.ContainsUser("Label"), scope);
    EXPECT_EQ(list.ContainsUser(""), &plain) << "a cell without user name has the empty one";
    EXPECT_EQ(list.ContainsFull("\\Root\\Scope\\Gain"), gain);
    EXPECT_EQ(list.ContainsFull("\\Scope\\Gain"), nullptr) << "the full path includes the root";
    // Character-wise tail match: "Scope\Gain" is also the tail of "\Root\MyScope\Gain".
    EXPECT_EQ(list.ContainsPartial("Scope\\Gain"), otherGain);
    EXPECT_EQ(list.ContainsPartial("\\Scope\\Gain"), gain);
    EXPECT_EQ(list.ContainsPartial("Gain"), otherGain) << "the bare name finds the first of it";
    EXPECT_EQ(list.ContainsPartial("\\Root\\Root\\Scope\\Gain"), nullptr);
    EXPECT_EQ(list.ContainsPartial("\\Plain"), &plain) << "path shorter than the pattern";
    list.Remove(&absent);
    EXPECT_EQ(list.GetCount(), 4);
    list.Remove(otherGain);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.Contains("Gain"), gain);
}

TEST_F(ChangedList, LongListsKeepOrderAndFindEveryCell) {
    std::vector<std::unique_ptr<CmoxCell>> cells;
    CmoxChangedList list;
    for (int i = 0; i < 100; ++i) {
        cells.push_back(std::make_unique<CmoxCell>(std::to_string(i).c_str(), 150));
        list.Add(cells.back().get(), 1u << (i % 8), MOX_CHILD_ADDED);
    }
    for (int i = 0; i < 100; i += 2)
        list.Add(cells[i].get(), 0x100, MOX_CHILD_ADDED);
    list.Remove(cells[50].get());
    list.Remove(cells[3].get());
    ASSERT_EQ(list.GetCount(), 98);
    std::size_t at = 0;
    for (int i = 0; i < 100; ++i) {
        if (i == 50 || i == 3) {
            EXPECT_EQ(list.ContainsPtr(cells[i].get()), nullptr);
            continue;
        }
        EXPECT_EQ(list.GetList()[at++].Cell(), cells[i].get());
        EXPECT_EQ(list.GetChangeReason(cells[i].get()),
                  i % 2 == 0 ? MOX_VALUE_CHANGED : MOX_CHILD_ADDED);
        EXPECT_EQ(list.GetUserData(cells[i].get()), (1u << (i % 8)) | (i % 2 == 0 ? 0x100u : 0u));
    }
}
