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

// Run on a short list and on one long enough to be indexed, with an entry removed before the
// last merge (the index must follow the shift).
TEST_F(ChangedList, RepeatedReportsMergeIntoOneEntryThatKeepsItsPlace) {
    for (int fillers : {0, 20}) {
        SCOPED_TRACE(fillers);
        std::vector<std::unique_ptr<CmoxCell>> cells;
        CmoxChangedList list;
        for (int i = 0; i < fillers; ++i) {
            cells.push_back(std::make_unique<CmoxCell>(std::to_string(i).c_str(), 150));
            list.Add(cells.back().get(), 1u << (i % 8), MOX_CHILD_ADDED);
        }
        CmoxCell a("A", 150);
        AddingCell b; // merges through its own CombineUserData
        list.Add(&a, 0, MOX_RANGE_CHANGED);
        EXPECT_EQ(list.GetChangeReason(&a), MOX_RANGE_CHANGED);
        list.Add(&a, 5, MOX_RANGE_CHANGED);
        EXPECT_EQ(list.GetUserData(&a), 5u) << "a zero word takes the new one";
        EXPECT_EQ(list.GetChangeReason(&a), MOX_VALUE_CHANGED) << "a second report always merges";
        list.Add(&b, 3, MOX_CHILD_ADDED);
        list.Add(&b, 3, MOX_CHILD_ADDED);
        list.Add(&b, 0, MOX_CHILD_ADDED); // a zero word changes nothing
        EXPECT_EQ(list.GetUserData(&b), 6u);
        int count = fillers + 2;
        if (fillers > 0) {
            list.Remove(cells[3].get());
            list.Add(cells[9].get(), 0x100, MOX_CHILD_ADDED);
            EXPECT_EQ(list.ContainsPtr(cells[3].get()), nullptr);
            EXPECT_EQ(list.GetUserData(cells[9].get()), 0x102u);
            EXPECT_EQ(list.GetList()[8].Cell(), cells[9].get());
            --count;
        }
        list.Add(&a, 0, MOX_DEFAULT_CHANGED);
        ASSERT_EQ(list.GetCount(), count);
        EXPECT_EQ(list.GetList()[count - 2].Cell(), &a) << "a merged entry keeps its place";
        EXPECT_EQ(list.GetList()[count - 1].Cell(), &b);
    }
}

// The name, user-name and path queries return the first match in list order; a cell without a
// user name has the empty one; a full path includes the root; a partial path matches the tail
// character-wise ("Scope\Gain" is also the tail of "\Root\MyScope\Gain"), and a path shorter
// than the pattern matches nothing. Absent cells report no change and no user data.
TEST_F(ChangedList, QueriesReturnTheFirstMatchAndAbsentCellsReportNothing) {
    TreeCell root("Root");
    TreeCell* scope = root.AddChild("Scope");
    TreeCell* gain = scope->AddChild("Gain");
    TreeCell* otherGain = root.AddChild("MyScope")->AddChild("Gain");
    CmoxCell plain("Plain", 150), absent("Absent", 150);
    scope->UserName("Label");
    CmoxChangedList list;
    list.Add(&plain, 0, MOX_VALUE_CHANGED);
    list.Add(otherGain, 1, MOX_VALUE_CHANGED);
    list.Add(scope, 0, MOX_VALUE_CHANGED);
    list.Add(gain, 2, MOX_RANGE_CHANGED);
    std::string found;
    for (CmoxCell* cell :
         {list.Contains("Gain"), list.Contains("gain"), list.ContainsPtr(&absent),
          list.ContainsPtr(gain), list.ContainsUser("Label"), list.ContainsUser(""),
          list.ContainsFull("\\Root\\Scope\\Gain"), list.ContainsFull("\\Scope\\Gain"),
          list.ContainsPartial("Scope\\Gain"), list.ContainsPartial("\\Scope\\Gain"),
          list.ContainsPartial("Gain"), list.ContainsPartial("\\Root\\Root\\Scope\\Gain"),
          list.ContainsPartial("\\Plain")})
        found += (cell != nullptr ? cell->PathName() : "-") + " ";
    EXPECT_EQ(
        found,
        R"(\Root\MyScope\Gain - - \Root\Scope\Gain \Root\Scope \Plain )"
        R"(\Root\Scope\Gain - \Root\MyScope\Gain \Root\Scope\Gain \Root\MyScope\Gain - \Plain )");
    EXPECT_EQ(list.GetUserData("Gain"), 1u);
    EXPECT_EQ(list.GetChangeReason(gain), MOX_RANGE_CHANGED);
    for (MoxChangeReason reason : {list.GetChangeReason(&absent), list.GetChangeReason("Absent")})
        EXPECT_EQ(reason, MOX_NO_CHANGE);
    EXPECT_EQ(list.GetUserData(&absent) + list.GetUserData("Absent"), 0u);
    list.Remove(&absent);
    list.Remove(otherGain);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.Contains("Gain"), gain);
}
