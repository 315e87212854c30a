#include "values/ValueTesting.h"

#include <mox/values/CmoxBooleanCell.h>
#include <mox/values/CmoxDoubleCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxPtrCell.h>
#include <mox/values/CmoxStringCell.h>
#include <mox/values/CmoxValueUndoInfo.h>

#include <cmath>
#include <limits>
#include <string>

using moxtest::Reasons;
using namespace valuetest;

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
}

// ---- double ---------------------------------------------------------------------------------

class DoubleCell : public moxtest::MoxTest {};

TEST_F(DoubleCell, SettingNaNIsAChangeEveryTime) {
    CmoxDoubleCell cell("Level", kNaN, 0.0);
    Watch watch(cell);
    EXPECT_EQ(cell.Value(kNaN), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(kNaN), MOX_VALUE_SET);
    EXPECT_TRUE(std::isnan(cell.Value()));
    EXPECT_EQ(watch.log.size(), 2u);
}

TEST_F(DoubleCell, EqualityTreatsZerosAlikeNaNsApartAndNeedsTheSameClass) {
    CmoxDoubleCell cell("Level", 0.0, 0.0);
    EXPECT_EQ(cell.Value(-0.0), MOX_VALUE_SAME);
    CmoxDoubleCell other("Other", -0.0, 1.0);
    EXPECT_TRUE(cell == other);
    CmoxDoubleCell a("A", kNaN, 0.0), b("B", kNaN, 0.0);
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != b);
    EXPECT_FALSE(a == a);
    CmoxLongCell two("Two", 2, 0);
    cell.Value(2.0);
    EXPECT_FALSE(cell == two) << "the same value in another class";
}

TEST_F(DoubleCell, IncrementDecrementAndAssignment) {
    CmoxDoubleCell cell("Level", 1.5, 0.0);
    cell.Increment(2.25);
    EXPECT_DOUBLE_EQ(cell.Value(), 3.75);
    cell.Decrement(0.75);
    EXPECT_DOUBLE_EQ(cell.Value(), 3.0);
    cell = 8.5;
    EXPECT_DOUBLE_EQ(cell.Value(), 8.5);
}

TEST_F(DoubleCell, MakeCurrentDefaultOfANaNValueAlwaysReports) {
    // NaN never equals the default, not even a NaN default.
    CmoxDoubleCell cell("Level", kNaN, kNaN);
    Watch watch(cell);
    cell.MakeCurrentDefault();
    EXPECT_EQ(watch.Reasons(), Reasons{MOX_DEFAULT_CHANGED});
}

// ---- boolean --------------------------------------------------------------------------------

class BooleanCell : public moxtest::MoxTest {};

TEST_F(BooleanCell, SetterKeepsTheLowByteButComparesTheWholeArgument) {
    CmoxBooleanCell cell("On", 0, 0);
    EXPECT_EQ(cell.Value(2), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(), 2);
    EXPECT_NE(cell.IsTrue(), 0);
    EXPECT_EQ(cell.IsFalse(), 0);
    EXPECT_EQ(cell.Value(256), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(), 0);
    EXPECT_EQ(cell.IsFalse(), 1);
    Watch watch(cell);
    EXPECT_EQ(cell.Value(0), MOX_VALUE_SAME);
    EXPECT_TRUE(watch.log.empty());
    EXPECT_EQ(cell.Value(256), MOX_VALUE_SET) << "256 differs from the stored 0";
    EXPECT_EQ(watch.log.size(), 1u);
    EXPECT_EQ(cell.Value(), 0);
}

TEST_F(BooleanCell, ToggleFlipsBetweenZeroAndOne) {
    CmoxBooleanCell cell("On", 2, 0);
    cell.Toggle();
    EXPECT_EQ(cell.Value(), 0);
    cell.Toggle();
    EXPECT_EQ(cell.Value(), 1);
}

// ---- string ---------------------------------------------------------------------------------

class StringCell : public moxtest::MoxTest {};

TEST_F(StringCell, DefaultConstructorUsesNoNameThreeTimes) {
    CmoxStringCell cell;
    EXPECT_EQ(cell.Name(), "NoName");
    EXPECT_EQ(cell.Value(), "NoName");
    EXPECT_EQ(cell.DefaultValue(), "NoName");
}

TEST_F(StringCell, SetterAndEqualityCompareCaseSensitively) {
    CmoxStringCell cell("Title", "Scope", "");
    Watch watch(cell);
    EXPECT_EQ(cell.Value("Scope"), MOX_VALUE_SAME);
    EXPECT_EQ(cell.Value("scope"), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(), "scope");
    EXPECT_EQ(watch.log.size(), 1u);
    CmoxStringCell a("A", "Gain", ""), b("B", "gain", ""), c("C", "Gain", "other");
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a == c);
}

TEST_F(StringCell, TextFromTheCellsOwnBuffersIsCopiedSafelyAndNullReadsAsEmpty) {
    CmoxStringCell cell("Title", "abcdef", "default text");
    cell.Value(cell.Value().c_str() + 2);
    EXPECT_EQ(cell.Value(), "cdef");
    cell.MakeDefaultCurrent();
    EXPECT_EQ(cell.Value(), "default text");
    EXPECT_EQ(cell.Value(static_cast<const char*>(nullptr)), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(), "");
}

TEST_F(StringCell, ChangesThroughTheReferenceBypassTheProtocol) {
    CmoxStringCell cell("Title", "a", "");
    Watch watch(cell);
    Record([&] {
        cell.Value() = "b";
        EXPECT_EQ(OpenRecordCount(), 0);
    });
    EXPECT_EQ(static_cast<const char*>(cell), std::string("b"));
    EXPECT_TRUE(watch.log.empty());
}

// ---- pointer --------------------------------------------------------------------------------

class PtrCell : public moxtest::MoxTest {};

TEST_F(PtrCell, IsNeverSavableAndCellsWithDifferentPointersCompareEqual) {
    int x = 0;
    CmoxPtrCell a, b("B", &x, nullptr);
    EXPECT_EQ(a.Savable(), 0);
    EXPECT_EQ(b.Savable(), 0);
    a.Savable(1);
    a.Initialize("A", nullptr, nullptr, MOX_STATE_PRIORITY);
    EXPECT_EQ(a.Savable(), 0);
    int y = 0;
    CmoxPtrCell c("C", &y, nullptr);
    EXPECT_TRUE(b == c);
}

// ---- all kinds ------------------------------------------------------------------------------

class ValueCells : public moxtest::MoxTest {};
