#include "values/ValueTesting.h"

#include <climits>

using namespace valuetest;

namespace {

// A cell exposing the protected quantizer, to check it without going through the setter.
class ProbeCell : public CmoxLongLongCell {
  public:
    using CmoxLongLongCell::CmoxLongLongCell;
    using CmoxLongLongCell::Quantize;
};

} // namespace

class LongLongCell : public moxtest::MoxTest {};

TEST_F(LongLongCell, DomainSettersQuantizeTheBoundsAndMoveTheValueReportingOnce) {
    CmoxLongLongCell freq("Freq", 37, 370), zero("Zero", 0, 0), scaled("Scaled", 0, 0),
        big("Big", 0, 0), cell("Cell", 20, 20);
    Transcript t;
    // A policy quantizes silently and files nothing; a size of 0 keeps values unrounded.
    t.On(freq);
    Record([&] {
        freq.InitIncrementPolicy(MOX_125_INCR);
        t << OpenRecordCount();
    });
    t << freq.Value() << freq.DefaultValue();
    freq.InitIncrementPolicy(MOX_FIXED_INCR);
    freq.InitIncrementSize(0);
    t << freq.Value(41LL) << freq.Increment(5) << freq.Value();
    // An unquantized 0 under the 1-2-5 policy, as an undo can leave it: a call of the setter
    // would quantize it to 2 and report, a zero count makes none.
    CmoxLongLongUndoInfo state(0, 0, -10, 10, 1, MOX_125_INCR, 0, 0, -10, 10, 1, MOX_125_INCR);
    zero.Undo(&state);
    t.On(zero) << zero.Increment(0) << zero.Decrement(0) << zero.Value();
    scaled.InitRange(-5000000, 5000000);
    scaled = -1234L;
    big.Value(LLONG_MAX / 10);
    t.On(scaled) << scaled.MultiplyByThousand() << scaled.Value() << scaled.MultiplyByThousand()
                 << scaled.Value() << scaled.Value(-1999LL) << scaled.DivideByThousand()
                 << scaled.Value() << big.MultiplyByThousand() << big.Value();
    // The bounds are quantized and move the value and the default; unchanged ones do nothing.
    cell.InitIncrementPolicy(MOX_125_INCR);
    t.On(cell);
    cell.SetRange(3, 70);
    t << Domain(cell);
    cell.Initialize("Cell", 40, 40, MOX_STATE_PRIORITY);
    cell.InitRangeAndSize(0, 100, 1);
    cell.SetRangeAndSize(0, 100, 1);
    cell.SetRange(0, 100);
    cell.SetIncrementSize(1);
    cell.Min(0);
    cell.Max(100);
    t << "unchanged";
    cell.Min(20);
    t << Domain(cell);
    cell.Max(30);
    t << Domain(cell);
    cell.SetIncrementSize(4);
    t << Domain(cell);
    cell.SetIncrementSize(10);
    cell.SetRange(5, 95);
    t << Domain(cell);
    cell.SetRange(50, 40);
    t << Domain(cell);
    // Initialize clears the domain flags.
    cell.SaveDomain(1);
    cell.RestoreDomain(1);
    cell.Initialize("Cell", 0, 0, MOX_STATE_PRIORITY);
    t << cell.SaveDomain() << cell.RestoreDomain();
    EXPECT_EQ(t.Text(), R"(Freq: 0 20 200 set!value same 41
Zero: same same 0
Scaled: set!value -1234000 adj!value -5000000 set!value set!value -1 set 9223372036854775807
Cell: '[2,50] 20/20'!range unchanged '[20,100] 40/40'!range '[20,30] 30/30'!range '[20,28] 28/28'!range '[0,90] 20/20'!range!range '[50,50] 50/50'!range 0 0)");
}

TEST_F(LongLongCell, QuantizingAndSteppingFollowThePolicySequenceWithinTheRange) {
    struct Step {
        MoxIncrementPolicy policy;
        __int64 min, max, start;
        char op; // '+': Increment, '-': Decrement, 'q': Quantize
        __int64 count, expected;
        MoxSetValue result; // kAny: not checked
        __int64 size = 1;
    };
    const auto P125 = MOX_125_INCR, P124 = MOX_124_INCR, F = MOX_FIXED_INCR;
    const auto kAny = static_cast<MoxSetValue>(-1), S = MOX_VALUE_SET;
    const __int64 kMin = MOX_LONGLONG_MIN, kMax = MOX_LONGLONG_MAX, kFar = 5000000000000000000LL;
    // clang-format off
    const Step steps[] = {
        // Quantizing rounds toward zero or down the sequence. Restored or undone fields may be
        // unquantized; the bounds themselves win over rounding.
        {F, kMin, kMax, 0, 'q', 37, 30, kAny, 10}, {F, kMin, kMax, 0, 'q', -37, -30, kAny, 10},
        {P125, kMin, kMax, 1, 'q', 37, 20, kAny}, {P125, kMin, kMax, 1, 'q', 99, 50, kAny},
        {P125, kMin, kMax, 1, 'q', 150, 100, kAny}, {P125, kMin, kMax, 1, 'q', -37, -20, kAny},
        {P125, kMin, kMax, 1, 'q', 0, 2, kAny}, {P125, kMin, kMax, 1, 'q', kFar, kFar, kAny},
        {P125, kMin, kMax, 1, 'q', 9000000000000000000LL, kFar, kAny}, {P124, kMin, kMax, 1, 'q', 3, 2, kAny},
        {P124, kMin, kMax, 1, 'q', 5, 4, kAny}, {P124, kMin, kMax, 1, 'q', 9, 4, kAny},
        {P124, kMin, kMax, 1, 'q', 45, 40, kAny}, {P124, kMin, kMax, 1, 'q', 0, 2, kAny},
        {P124, kMin, kMax, 1, 'q', -399, -200, kAny}, {F, kMin, kMax, 0, 'q', LLONG_MIN, kMin, kAny, 10},
        {F, kMin, kMax, 0, 'q', LLONG_MAX, kMax, kAny, 10}, {F, kMin, kMax, 0, 'q', LLONG_MAX - 1, LLONG_MAX - 7, kAny, 10},
        // Stepping; what a quantizing setter returns.
        {P125, 1, 1000, 1, '+', 1, 2, S}, {P125, 1, 1000, 2, '+', 1, 5, S},
        {P125, 1, 1000, 5, '+', 1, 10, S}, {P125, 1, 1000, 1, '+', 3, 10, S},
        {P125, 1, 1000, 100, '+', 10, 1000, S}, {P125, 1, 1000, 10, '-', 1, 5, S},
        {P125, 1, 1000, 5, '-', 1, 2, S}, {P125, 1, 1000, 2, '-', 1, 1, S},
        {P125, 1, 1000, 1, '-', 1, 1, MOX_VALUE_ADJUSTED_SAME}, // 0, clamped back to the min
        {P125, -1000, 1000, 1, '-', 1, 2, MOX_VALUE_ADJUSTED}, // through zero, quantized to 2
        {P124, 1, 1000, 10, '-', 1, 4, S}, {P124, 1, 1000, 4, '-', 2, 1, S},
        {P124, 1, 1000, 1, '+', 1, 2, S}, {P124, 1, 1000, 2, '+', 1, 4, S}, {P124, 1, 1000, 4, '+', 1, 10, S},
        {P124, 1, 1000, 10, '+', 1, 20, S}, {P124, 1, 1000, 20, '+', 2, 100, S},
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
        ProbeCell cell("Freq", 1, 1);
        cell.InitIncrementSize(step.size);
        cell.InitIncrementPolicy(step.policy);
        cell.InitRange(step.min, step.max);
        cell.Value(step.start);
        if (step.op == 'q') {
            EXPECT_EQ(cell.Quantize(step.count), step.expected);
            continue;
        }
        const MoxSetValue result =
            step.op == '+' ? cell.Increment(step.count) : cell.Decrement(step.count);
        if (step.result != kAny) {
            EXPECT_EQ(result, step.result);
        }
        EXPECT_EQ(cell.Value(), step.expected);
    }
}
