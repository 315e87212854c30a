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

// What a quantizing setter returns is checked by the stepping table.
TEST_F(LongLongCell, QuantizingRoundsTowardZeroOrDownTheSequenceAndKeepsTheBounds) {
    struct Row {
        MoxIncrementPolicy policy;
        __int64 size, in, out;
    };
    // clang-format off
    const Row rows[] = {
        {MOX_FIXED_INCR, 10, 37, 30}, {MOX_FIXED_INCR, 10, -37, -30}, {MOX_125_INCR, 1, 37, 20},
        {MOX_125_INCR, 1, 99, 50}, {MOX_125_INCR, 1, 150, 100}, {MOX_125_INCR, 1, -37, -20},
        {MOX_125_INCR, 1, 0, 2}, {MOX_125_INCR, 1, 5000000000000000000LL, 5000000000000000000LL},
        {MOX_125_INCR, 1, 9000000000000000000LL, 5000000000000000000LL}, {MOX_124_INCR, 1, 3, 2},
        {MOX_124_INCR, 1, 5, 4}, {MOX_124_INCR, 1, 9, 4}, {MOX_124_INCR, 1, 45, 40},
        {MOX_124_INCR, 1, 0, 2}, {MOX_124_INCR, 1, -399, -200},
        // Restored or undone fields may be unquantized; the bounds themselves win over rounding.
        {MOX_FIXED_INCR, 10, LLONG_MIN, MOX_LONGLONG_MIN}, {MOX_FIXED_INCR, 10, LLONG_MAX, MOX_LONGLONG_MAX},
        {MOX_FIXED_INCR, 10, LLONG_MAX - 1, LLONG_MAX - 7}};
    // clang-format on
    for (const Row& row : rows) {
        ProbeCell cell("Freq", 0, 0);
        cell.InitIncrementPolicy(row.policy);
        cell.InitIncrementSize(row.size);
        EXPECT_EQ(cell.Quantize(row.in), row.out) << row.policy << " " << row.in;
    }
}

TEST_F(LongLongCell, InitIncrementPolicyQuantizesSilentlyAndSizeZeroKeepsValuesUnrounded) {
    CmoxLongLongCell cell("Freq", 37, 370);
    Watch watch(cell);
    Record([&] {
        cell.InitIncrementPolicy(MOX_125_INCR);
        EXPECT_EQ(OpenRecordCount(), 0);
    });
    EXPECT_EQ(cell.Value(), 20);
    EXPECT_EQ(cell.DefaultValue(), 200);
    EXPECT_TRUE(watch.log.empty());
    cell.InitIncrementPolicy(MOX_FIXED_INCR);
    cell.InitIncrementSize(0);
    EXPECT_EQ(cell.Value(41LL), MOX_VALUE_SET);
    EXPECT_EQ(cell.Increment(5), MOX_VALUE_SAME) << "a step of size 0 goes nowhere";
    EXPECT_EQ(cell.Value(), 41);
}

TEST_F(LongLongCell, DomainSettersQuantizeTheBoundsAndMoveTheValueReportingOnce) {
    CmoxLongLongCell cell("Freq", 20, 20);
    cell.InitIncrementPolicy(MOX_125_INCR);
    cell.SetRange(3, 70);
    EXPECT_EQ(StateOf(cell), (RangeState{2, 50, 20, 20}));
    cell.Initialize("Freq", 40, 40, MOX_STATE_PRIORITY);
    cell.InitRangeAndSize(0, 100, 1);
    Watch watch(cell);
    cell.SetRangeAndSize(0, 100, 1); // unchanged: nothing to do
    cell.SetRange(0, 100);
    cell.SetIncrementSize(1);
    cell.Min(0);
    cell.Max(100);
    EXPECT_TRUE(watch.log.empty());
    cell.Min(20);
    EXPECT_EQ(StateOf(cell), (RangeState{20, 100, 40, 40}));
    cell.Max(30);
    EXPECT_EQ(StateOf(cell), (RangeState{20, 30, 30, 30}));
    cell.SetIncrementSize(4);
    EXPECT_EQ(StateOf(cell), (RangeState{20, 28, 28, 28}));
    cell.SetIncrementSize(10);
    cell.SetRange(5, 95);
    EXPECT_EQ(StateOf(cell), (RangeState{0, 90, 20, 20}));
    cell.SetRange(50, 40);
    EXPECT_EQ(StateOf(cell), (RangeState{50, 50, 50, 50}));
    EXPECT_EQ(watch.Reasons(), Reasons(6, MOX_RANGE_CHANGED));
    // Initialize clears the domain flags.
    cell.SaveDomain(1);
    cell.RestoreDomain(1);
    cell.Initialize("Freq", 0, 0, MOX_STATE_PRIORITY);
    EXPECT_EQ(cell.SaveDomain() + cell.RestoreDomain(), 0);
}

TEST_F(LongLongCell, SteppingFollowsThePolicySequenceWithinTheRange) {
    struct Step {
        MoxIncrementPolicy policy;
        __int64 min, max, start;
        char op; // '+': Increment, '-': Decrement
        __int64 count, expected;
        MoxSetValue result; // kAny: not checked
        __int64 size = 1;
    };
    const auto P125 = MOX_125_INCR, P124 = MOX_124_INCR, F = MOX_FIXED_INCR;
    const auto kAny = static_cast<MoxSetValue>(-1), S = MOX_VALUE_SET;
    const __int64 kMin = MOX_LONGLONG_MIN, kMax = MOX_LONGLONG_MAX, kFar = 5000000000000000000LL;
    // clang-format off
    const Step steps[] = {
        {P125, 1, 1000, 1, '+', 1, 2, S}, {P125, 1, 1000, 2, '+', 1, 5, S},
        {P125, 1, 1000, 5, '+', 1, 10, S}, {P125, 1, 1000, 1, '+', 3, 10, S},
        {P125, 1, 1000, 100, '+', 10, 1000, S}, {P125, 1, 1000, 10, '-', 1, 5, S},
        {P125, 1, 1000, 5, '-', 1, 2, S}, {P125, 1, 1000, 2, '-', 1, 1, S},
        {P125, 1, 1000, 1, '-', 1, 1, MOX_VALUE_ADJUSTED_SAME}, // 0, clamped back to the min
        {P125, -1000, 1000, 1, '-', 1, 2, MOX_VALUE_ADJUSTED}, // through zero, quantized to 2
        {P124, 1, 1000, 10, '-', 1, 4, S}, {P124, 1, 1000, 4, '-', 2, 1, S},
        {P125, -1000, 1000, -5, '+', 1, -10, S}, {P125, -1000, 1000, -10, '-', 1, -5, S},
        {P125, 1, 1000, 10, '+', -1, 5, S}, {P125, 1, 1000, 5, '-', -2, 20, S},
        // The lowest count terminates and reaches the bound; halving ends at 0, quantized to 2.
        {F, -1000, 1000, 0, '+', LLONG_MIN, -1000, kAny}, {F, -1000, 1000, -1000, '-', LLONG_MIN, 1000, kAny},
        {P125, -1000, 1000, 1000, '-', LLONG_MIN, 1000, kAny}, {P125, -1000, 1000, 1000, '+', LLONG_MIN, 2, kAny},
        // Huge counts saturate instead of wrapping; the setter returns the bound as stored.
        {F, kMin, kMax, 0, '+', LLONG_MAX, kMax, kAny, 3}, {F, kMin, kMax, kMax, '-', LLONG_MAX, kMin, kAny, 3},
        {F, kMin, kMax, -9000000000000000000LL, '+', kFar, 6000000000000000000LL, kAny, 3},
        {P125, 1, kMax, kFar, '+', 1, kMax, S},
        // The max is kept as stored; its leading digit 9 is not in the table: no step.
        {P125, 1, kMax, kMax, '-', LLONG_MAX, kMax, MOX_VALUE_SAME}};
    // clang-format on
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << step.start << step.op << step.count);
        CmoxLongLongCell cell("Freq", 1, 1);
        cell.InitIncrementSize(step.size);
        Prepare(cell, step.policy, step.min, step.max, step.start);
        const MoxSetValue result =
            step.op == '+' ? cell.Increment(step.count) : cell.Decrement(step.count);
        if (step.result != kAny) {
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
