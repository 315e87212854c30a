#include "values/ValueTesting.h"

#include <mox/values/CmoxByteCell.h>
#include <mox/values/CmoxByteUndoInfo.h>

using moxtest::Reasons;
using namespace valuetest;

namespace {
unsigned char B(int v) {
    return static_cast<unsigned char>(v);
}
} // namespace

class ByteCell : public moxtest::MoxTest {};

TEST_F(ByteCell, ConstructionGivesTheFullRangeAndClearFlags) {
    CmoxByteCell cell("Channel", 300 % 256, 7);
    EXPECT_EQ(StateOf(cell), (RangeState{0, 255, 44, 7}));
    EXPECT_EQ(cell.SaveDomain(), 0);
    EXPECT_EQ(cell.RestoreDomain(), 0);
}

TEST_F(ByteCell, SetterClampsAndReportsAdjustment) {
    CmoxByteCell cell("Channel", 15, 15);
    cell.InitRange(10, 20);
    Watch watch(cell);
    EXPECT_EQ(cell.Value(B(5)), MOX_VALUE_ADJUSTED);
    EXPECT_EQ(cell.Value(), 10);
    EXPECT_EQ(cell.Value(B(5)), MOX_VALUE_ADJUSTED_SAME);
    EXPECT_EQ(watch.log.size(), 1u) << "the second clamp changed nothing";
    EXPECT_EQ(cell.Value(B(20)), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(B(25)), MOX_VALUE_ADJUSTED_SAME);
    EXPECT_EQ(cell.Value(B(20)), MOX_VALUE_SAME);
    EXPECT_EQ(watch.Reasons(), (Reasons{MOX_VALUE_CHANGED, MOX_VALUE_CHANGED}));
    // Assignments and the default go through the clamp; equality ignores range and default.
    CmoxByteCell source("Source", 99, 3), same("Same", 11, 0);
    cell = source;
    EXPECT_EQ(cell.Value(), 20);
    cell = B(11);
    EXPECT_TRUE(cell == same);
    cell.MakeDefaultCurrent();
    EXPECT_EQ(cell.Value(), 15);
    cell.Initialize("Channel", 15, 3, MOX_STATE_PRIORITY);
    cell.InitRange(10, 20);
    cell.MakeDefaultCurrent();
    EXPECT_EQ(cell.Value(), 10);
}

TEST_F(ByteCell, InitRangeMovesTheValueSilently) {
    CmoxByteCell cell("Channel", 200, 3);
    Watch watch(cell);
    Record([&] {
        cell.InitRange(10, 100);
        EXPECT_EQ(OpenRecordCount(), 0);
    });
    EXPECT_EQ(StateOf(cell), (RangeState{10, 100, 100, 10}));
    EXPECT_TRUE(watch.log.empty());
}

TEST_F(ByteCell, SetRangeWithMaxBelowMinCollapsesToMin) {
    CmoxByteCell cell("Channel", 10, 90);
    Watch watch(cell);
    cell.SetRange(50, 40);
    EXPECT_EQ(StateOf(cell), (RangeState{50, 50, 50, 50}));
    EXPECT_EQ(watch.Reasons(), Reasons{MOX_RANGE_CHANGED});
}

TEST_F(ByteCell, UnchangedBoundsDoNothing) {
    CmoxByteCell cell("Channel", 10, 10);
    cell.InitRange(5, 50);
    Watch watch(cell);
    cell.SetRange(5, 50);
    cell.Min(5);
    cell.Max(50);
    EXPECT_TRUE(watch.log.empty());
    cell.MakeCurrentDefault(); // unlike the unranged kinds, reports though nothing changed
    EXPECT_EQ(watch.Reasons(), Reasons{MOX_DEFAULT_CHANGED});
    watch.log.clear();
    cell.Max(8);
    EXPECT_EQ(StateOf(cell), (RangeState{5, 8, 8, 8}));
    EXPECT_EQ(watch.Reasons(), Reasons{MOX_RANGE_CHANGED});
}

TEST_F(ByteCell, IncrementAndDecrementWrapBeforeClamping) {
    CmoxByteCell cell("Channel", 250, 0);
    cell.Increment(10);
    EXPECT_EQ(cell.Value(), 4);
    cell.Value(B(0));
    cell.Decrement(1);
    EXPECT_EQ(cell.Value(), 255);
    cell.InitRange(10, 200);
    cell.Value(B(195));
    EXPECT_EQ(cell.Increment(70), MOX_VALUE_ADJUSTED) << "195 + 70 wraps to 9, clamped to 10";
    EXPECT_EQ(cell.Value(), 10);
}
