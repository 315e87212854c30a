#include "values/ValueTesting.h"

#include <mox/values/CmoxIntermediateEnumCell.h>
#include <mox/values/CmoxLongCell.h>

#include <climits>

class LongCell : public moxtest::MoxTest {};

TEST_F(LongCell, DefaultConstructorHoldsZeroUnderTheDefaultName) {
    CmoxLongCell cell;
    CmoxIntermediateEnumCell defaulted;
    for (CmoxLongCell* c : {&cell, static_cast<CmoxLongCell*>(&defaulted)}) {
        EXPECT_EQ(c->Name(), "NoName");
        EXPECT_EQ(c->Value(), 0);
        EXPECT_EQ(c->DefaultValue(), 0);
        EXPECT_EQ(c->Priority(), MOX_STATE_PRIORITY);
        EXPECT_EQ(c->IsPrimitive(), 1);
    }
    EXPECT_TRUE(defaulted.IsKindOf(RUNTIME_CLASS(CmoxLongCell)));
    EXPECT_FALSE(cell == defaulted) << "a long cell and an enum cell differ in run-time class";
    EXPECT_FALSE(defaulted == cell);
}

TEST_F(LongCell, WideLongKeepsItsLow32Bits) {
    CmoxLongCell cell("Gain", 5, 0);
    EXPECT_EQ(cell.Value(0x100000005L), MOX_VALUE_SAME) << "the low 32 bits are already held";
    EXPECT_EQ(cell.Value(0x180000000L), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(), INT32_MIN);
}

TEST_F(LongCell, IncrementAndDecrementWrapAroundIn32Bits) {
    CmoxLongCell cell("Count", 2147483647, 0);
    EXPECT_EQ(cell.Increment(1), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(), -2147483647L - 1);
    cell.Decrement(1);
    EXPECT_EQ(cell.Value(), 2147483647);
    cell.Decrement(-3);
    EXPECT_EQ(cell.Value(), -2147483646);
    cell.Increment(10);
    EXPECT_EQ(cell.Value(), -2147483636);
    cell = 12L;
    EXPECT_EQ(cell.Value(), 12);
}
