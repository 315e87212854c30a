#include "values/ValueTesting.h"

#include <mox/values/CmoxLongLongCell.h>
#include <mox/values/CmoxLongLongUndoInfo.h>

#include <climits>

using moxtest::Reasons;
using namespace valuetest;

namespace {

// A cell exposing the protected quantizer, to check it without going through the setter.
class ProbeCell : public CmoxLongLongCell {
  public:
    using CmoxLongLongCell::CmoxLongLongCell;
    using CmoxLongLongCell::Quantize;
};

// A cell under `policy` with range [min, max], holding `value`.
void Prepare(CmoxLongLongCell& cell, MoxIncrementPolicy policy, __int64 min, __int64 max,
             __int64 value) {
    cell.InitIncrementPolicy(policy);
    cell.InitRange(min, max);
    cell.Value(value);
}

} // namespace

class LongLongCell : public moxtest::MoxTest {};

TEST_F(LongLongCell, DefaultConstructorHoldsZeroWithDefaultOne) {
    CmoxLongLongCell cell;
    EXPECT_EQ(cell.Name(), "NoName");
    EXPECT_EQ(StateOf(cell), (RangeState{MOX_LONGLONG_MIN, MOX_LONGLONG_MAX, 0, 1}));
    EXPECT_EQ(cell.IncrementSize(), 1);
    EXPECT_EQ(cell.IncrementPolicy(), MOX_FIXED_INCR);
}

// ---- quantization ---------------------------------------------------------------------------

TEST_F(LongLongCell, FixedPolicyRoundsTowardZero) {
    CmoxLongLongCell cell("Freq", 0, 0);
    cell.InitIncrementSize(10);
    Watch watch(cell);
    EXPECT_EQ(cell.Value(37LL), MOX_VALUE_ADJUSTED);
    EXPECT_EQ(cell.Value(), 30);
    EXPECT_EQ(cell.Value(-37LL), MOX_VALUE_ADJUSTED);
    EXPECT_EQ(cell.Value(), -30);
    EXPECT_EQ(cell.Value(-31LL), MOX_VALUE_ADJUSTED_SAME);
    EXPECT_EQ(cell.Value(-30LL), MOX_VALUE_SAME);
    EXPECT_EQ(watch.log.size(), 2u);
}

TEST_F(LongLongCell, QuantizingRoundsTowardZeroOrDownTheSequenceAndKeepsTheBounds) {
    struct Row {
        MoxIncrementPolicy policy;
        __int64 size, in, out;
    };
    // clang-format off
    const Row rows[] = {
        {MOX_FIXED_INCR, 10, 37, 30}, {MOX_FIXED_INCR, 10, -37, -30},
        {MOX_125_INCR, 1, 37, 20}, {MOX_125_INCR, 1, 99, 50}, {MOX_125_INCR, 1, 150, 100},
        {MOX_125_INCR, 1, -37, -20}, {MOX_125_INCR, 1, 0, 2},
        {MOX_125_INCR, 1, 5000000000000000000LL, 5000000000000000000LL},
        {MOX_125_INCR, 1, 9000000000000000000LL, 5000000000000000000LL},
        {MOX_124_INCR, 1, 3, 2}, {MOX_124_INCR, 1, 5, 4}, {MOX_124_INCR, 1, 9, 4},
        {MOX_124_INCR, 1, 45, 40}, {MOX_124_INCR, 1, 0, 2}, {MOX_124_INCR, 1, -399, -200},
        // Restored or undone fields may be unquantized; the bounds themselves win over rounding.
        {MOX_FIXED_INCR, 10, LLONG_MIN, MOX_LONGLONG_MIN},
        {MOX_FIXED_INCR, 10, LLONG_MAX, MOX_LONGLONG_MAX},
        {MOX_FIXED_INCR, 10, LLONG_MAX - 1, LLONG_MAX - 7},
    };
    // clang-format on
    for (const Row& row : rows) {
        ProbeCell cell("Freq", 0, 0);
        cell.InitIncrementPolicy(row.policy);
        cell.InitIncrementSize(row.size);
        EXPECT_EQ(cell.Quantize(row.in), row.out) << row.policy << " " << row.in;
    }
}

TEST_F(LongLongCell, InitIncrementPolicyQuantizesSilently) {
    CmoxLongLongCell cell("Freq", 37, 370);
    Watch watch(cell);
    Record([&] {
        cell.InitIncrementPolicy(MOX_125_INCR);
        EXPECT_EQ(OpenRecordCount(), 0);
    });
    EXPECT_EQ(cell.Value(), 20);
    EXPECT_EQ(cell.DefaultValue(), 200);
    EXPECT_TRUE(watch.log.empty());
}

TEST_F(LongLongCell, ZeroIncrementSizeKeepsValuesUnrounded) {
    CmoxLongLongCell cell("Freq", 37, 0);
    cell.InitIncrementSize(0);
    EXPECT_EQ(cell.Value(), 37);
    EXPECT_EQ(cell.Value(41LL), MOX_VALUE_SET);
    EXPECT_EQ(cell.Increment(5), MOX_VALUE_SAME) << "a step of size 0 goes nowhere";
    EXPECT_EQ(cell.Value(), 41);
}

// ---- ranges ---------------------------------------------------------------------------------

TEST_F(LongLongCell, SetRangeQuantizesTheBoundsByThePolicy) {
    CmoxLongLongCell cell("Freq", 20, 20);
    cell.InitIncrementPolicy(MOX_125_INCR);
    cell.SetRange(3, 70);
    EXPECT_EQ(cell.Min(), 2);
    EXPECT_EQ(cell.Max(), 50);
    CmoxLongLongCell fixed("Fixed", 0, 0);
    fixed.InitIncrementSize(10);
    fixed.SetRange(5, 95);
    EXPECT_EQ(fixed.Min(), 0);
    EXPECT_EQ(fixed.Max(), 90);
}

TEST_F(LongLongCell, SetRangeWithMaxBelowMinCollapsesToMin) {
    CmoxLongLongCell cell("Freq", 0, 0);
    cell.SetRange(50, 40);
    EXPECT_EQ(StateOf(cell), (RangeState{50, 50, 50, 50}));
}

TEST_F(LongLongCell, UnchangedDomainDoesNothing) {
    CmoxLongLongCell cell("Freq", 10, 10);
    cell.InitRangeAndSize(0, 100, 5);
    Watch watch(cell);
    cell.SetRangeAndSize(0, 100, 5);
    cell.SetRange(0, 100);
    cell.SetIncrementSize(5);
    cell.Min(0);
    cell.Max(100);
    EXPECT_TRUE(watch.log.empty());
}

TEST_F(LongLongCell, RangeChangeThatMovesTheValueReportsOnce) {
    CmoxLongLongCell cell("Freq", 500, 2);
    Watch watch(cell);
    cell.SetRange(1, 100);
    EXPECT_EQ(StateOf(cell), (RangeState{1, 100, 100, 2}));
    EXPECT_EQ(watch.Reasons(), Reasons{MOX_RANGE_CHANGED});
}

TEST_F(LongLongCell, EachDomainSetterChangesOnlyItsField) {
    CmoxLongLongCell cell("Freq", 40, 40);
    cell.InitRangeAndSize(0, 100, 1);
    cell.Min(20);
    EXPECT_EQ(StateOf(cell), (RangeState{20, 100, 40, 40}));
    cell.Max(30);
    EXPECT_EQ(StateOf(cell), (RangeState{20, 30, 30, 30}));
    cell.SetIncrementSize(4);
    EXPECT_EQ(cell.IncrementSize(), 4);
    EXPECT_EQ(StateOf(cell), (RangeState{20, 28, 28, 28}));
}

// ---- stepping -------------------------------------------------------------------------------

TEST_F(LongLongCell, SteppingFollowsThePolicySequenceWithinTheRange) {
    struct Step {
        const char* what;
        MoxIncrementPolicy policy;
        __int64 min, max, start;
        bool up; // Increment, else Decrement
        __int64 count;
        __int64 expected;
        MoxSetValue result; // kAnyResult: not checked
        __int64 size = 1;
    };
    const auto kAnyResult = static_cast<MoxSetValue>(-1);
    const __int64 kFar = 5000000000000000000LL;
    const Step steps[] = {
        {"125 up 1", MOX_125_INCR, 1, 1000, 1, true, 1, 2, MOX_VALUE_SET},
        {"125 up from 2", MOX_125_INCR, 1, 1000, 2, true, 1, 5, MOX_VALUE_SET},
        {"125 up from 5", MOX_125_INCR, 1, 1000, 5, true, 1, 10, MOX_VALUE_SET},
        {"125 up 3", MOX_125_INCR, 1, 1000, 1, true, 3, 10, MOX_VALUE_SET},
        {"125 stops at max", MOX_125_INCR, 1, 1000, 100, true, 10, 1000, MOX_VALUE_SET},
        {"125 down from 10", MOX_125_INCR, 1, 1000, 10, false, 1, 5, MOX_VALUE_SET},
        {"125 down from 5", MOX_125_INCR, 1, 1000, 5, false, 1, 2, MOX_VALUE_SET},
        {"125 down from 2", MOX_125_INCR, 1, 1000, 2, false, 1, 1, MOX_VALUE_SET},
        {"0 clamped back to min", MOX_125_INCR, 1, 1000, 1, false, 1, 1, MOX_VALUE_ADJUSTED_SAME},
        {"through zero quantizes to 2", MOX_125_INCR, -1000, 1000, 1, false, 1, 2,
         MOX_VALUE_ADJUSTED},
        {"124 down from 10", MOX_124_INCR, 1, 1000, 10, false, 1, 4, MOX_VALUE_SET},
        {"124 down 2 from 4", MOX_124_INCR, 1, 1000, 4, false, 2, 1, MOX_VALUE_SET},
        {"negative magnitude up", MOX_125_INCR, -1000, 1000, -5, true, 1, -10, MOX_VALUE_SET},
        {"negative magnitude down", MOX_125_INCR, -1000, 1000, -10, false, 1, -5, MOX_VALUE_SET},
        {"negative count up", MOX_125_INCR, 1, 1000, 10, true, -1, 5, MOX_VALUE_SET},
        {"negative count down", MOX_125_INCR, 1, 1000, 5, false, -2, 20, MOX_VALUE_SET},
        // The lowest count terminates and reaches the bound; halving ends at 0, quantized to 2.
        {"lowest count up", MOX_FIXED_INCR, -1000, 1000, 0, true, LLONG_MIN, -1000, kAnyResult},
        {"lowest count down", MOX_FIXED_INCR, -1000, 1000, -1000, false, LLONG_MIN, 1000,
         kAnyResult},
        {"125 lowest down", MOX_125_INCR, -1000, 1000, 1000, false, LLONG_MIN, 1000, kAnyResult},
        {"125 lowest up", MOX_125_INCR, -1000, 1000, 1000, true, LLONG_MIN, 2, kAnyResult},
        // Huge counts saturate instead of wrapping; the setter returns the bound as stored.
        {"huge up", MOX_FIXED_INCR, MOX_LONGLONG_MIN, MOX_LONGLONG_MAX, 0, true, LLONG_MAX,
         MOX_LONGLONG_MAX, kAnyResult, 3},
        {"huge down", MOX_FIXED_INCR, MOX_LONGLONG_MIN, MOX_LONGLONG_MAX, MOX_LONGLONG_MAX, false,
         LLONG_MAX, MOX_LONGLONG_MIN, kAnyResult, 3},
        {"large count from far below", MOX_FIXED_INCR, MOX_LONGLONG_MIN, MOX_LONGLONG_MAX,
         -9000000000000000000LL, true, kFar, 6000000000000000000LL, kAnyResult, 3},
        {"125 saturates at the top", MOX_125_INCR, 1, MOX_LONGLONG_MAX, kFar, true, 1,
         MOX_LONGLONG_MAX, MOX_VALUE_SET},
        // The max is kept as stored; its leading digit 9 is not in the table: no step.
        {"125 from the top", MOX_125_INCR, 1, MOX_LONGLONG_MAX, MOX_LONGLONG_MAX, false, LLONG_MAX,
         MOX_LONGLONG_MAX, MOX_VALUE_SAME},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        CmoxLongLongCell cell("Freq", 1, 1);
        cell.InitIncrementSize(step.size);
        Prepare(cell, step.policy, step.min, step.max, step.start);
        const MoxSetValue result =
            step.up ? cell.Increment(step.count) : cell.Decrement(step.count);
        if (step.result != kAnyResult) {
            EXPECT_EQ(result, step.result);
        }
        EXPECT_EQ(cell.Value(), step.expected);
    }
    // The 1-2-4 sequence, step by step.
    CmoxLongLongCell cell("Freq", 1, 1);
    Prepare(cell, MOX_124_INCR, 1, 1000, 1);
    for (__int64 value : {2, 4, 10, 20, 40, 100}) {
        cell.Increment(1);
        EXPECT_EQ(cell.Value(), value);
    }
}

TEST_F(LongLongCell, ZeroCountDoesNotCallTheSetter) {
    // An unquantized 0 under the 1-2-5 policy (as an undo can leave it): a call of the setter
    // would quantize it to 2 and report.
    CmoxLongLongCell cell("Freq", 0, 0);
    CmoxLongLongUndoInfo state(0, 0, -10, 10, 1, MOX_125_INCR, 0, 0, -10, 10, 1, MOX_125_INCR);
    cell.Undo(&state);
    Watch watch(cell);
    EXPECT_EQ(cell.Increment(0), MOX_VALUE_SAME);
    EXPECT_EQ(cell.Decrement(0), MOX_VALUE_SAME);
    EXPECT_EQ(cell.Value(), 0);
    EXPECT_TRUE(watch.log.empty());
}

TEST_F(LongLongCell, MultiplyAndDivideByThousand) {
    CmoxLongLongCell cell("Freq", 0, 0);
    cell.InitRange(-5000000, 5000000);
    cell = -1234L;
    cell.MultiplyByThousand();
    EXPECT_EQ(cell.Value(), -1234000);
    cell.MultiplyByThousand();
    EXPECT_EQ(cell.Value(), -5000000);
    cell.Value(-1999LL);
    cell.DivideByThousand();
    EXPECT_EQ(cell.Value(), -1);
    CmoxLongLongCell big("Big", 0, 0);
    big.Value(LLONG_MAX / 10);
    big.MultiplyByThousand();
    EXPECT_EQ(big.Value(), MOX_LONGLONG_MAX);
}

// ---- the rest of the protocol ---------------------------------------------------------------

TEST_F(LongLongCell, InitializeClearsTheDomainFlags) {
    CmoxLongLongCell cell("Freq", 0, 0);
    cell.SaveDomain(1);
    cell.RestoreDomain(1);
    cell.Initialize("Freq", 0, 0, MOX_STATE_PRIORITY);
    EXPECT_EQ(cell.SaveDomain(), 0);
    EXPECT_EQ(cell.RestoreDomain(), 0);
}
