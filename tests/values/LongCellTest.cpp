#include "values/ValueTesting.h"

#include <mox/values/CmoxDoubleCell.h>
#include <mox/values/CmoxIntermediateEnumCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxValueUndoInfo.h>

#include <climits>
#include <string>

using moxtest::Reasons;
using namespace valuetest;

class LongCell : public moxtest::MoxTest {};

TEST_F(LongCell, DefaultConstructorHoldsZeroUnderTheDefaultName) {
    CmoxLongCell cell;
    EXPECT_EQ(cell.Name(), "NoName");
    EXPECT_EQ(cell.Value(), 0);
    EXPECT_EQ(cell.DefaultValue(), 0);
    EXPECT_EQ(cell.Priority(), MOX_STATE_PRIORITY);
    EXPECT_EQ(cell.IsPrimitive(), 1);
}

TEST_F(LongCell, SetterReportsSameSilentlyAndAChangeOnceRecordingOnlyInATransaction) {
    CmoxLongCell cell("Gain", 5, 9);
    Watch watch(cell);
    CmoxUndoContext* context = Record([&] {
        EXPECT_EQ(cell.Value(5L), MOX_VALUE_SAME);
        EXPECT_EQ(OpenRecordCount(), 0);
    });
    EXPECT_TRUE(watch.log.empty());
    EXPECT_TRUE(context->UndoDescriptions().empty()) << "an empty transaction is not kept";
    EXPECT_EQ(cell.Value(7L), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(), 7);
    EXPECT_EQ(cell.DefaultValue(), 9);
    ASSERT_EQ(watch.log.size(), 1u);
    EXPECT_EQ(watch.log[0].changed, std::vector<std::string>{"Gain"});
    EXPECT_EQ(watch.Reasons(), Reasons{MOX_VALUE_CHANGED});
    UndoOnce(context); // no transaction: nothing to undo
    EXPECT_EQ(cell.Value(), 7);
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
}

TEST_F(LongCell, AssignmentOperatorsGoThroughTheSetterAndIgnoreOtherKinds) {
    CmoxLongCell cell("Gain", 0, 0);
    Watch watch(cell);
    cell = 12L;
    EXPECT_EQ(cell.Value(), 12);
    CmoxLongCell source("Source", 30, 99);
    cell = source;
    EXPECT_EQ(cell.Value(), 30);
    EXPECT_EQ(cell.DefaultValue(), 0) << "only the value is copied";
    cell = static_cast<const CmoxCell&>(source);
    EXPECT_EQ(watch.Reasons(), (Reasons{MOX_VALUE_CHANGED, MOX_VALUE_CHANGED}));
    CmoxDoubleCell other("Other", 8.0, 0.0);
    cell = static_cast<const CmoxCell&>(other);
    EXPECT_EQ(cell.Value(), 30) << "a cell of another kind changes nothing";
}

TEST_F(LongCell, EqualityComparesValuesOfTheSameClassOnly) {
    CmoxLongCell a("A", 4, 1, 10), b("B", 4, 2, 20), c("C", 5, 1, 10);
    EXPECT_TRUE(a == b) << "names, defaults and priorities do not take part";
    EXPECT_FALSE(a != b);
    EXPECT_FALSE(a == c);
    EXPECT_TRUE(a != c);
    CmoxIntermediateEnumCell e("E", 4, 1);
    EXPECT_FALSE(a == e) << "a long cell and an enum cell differ in run-time class";
    EXPECT_FALSE(e == a);
}

TEST_F(LongCell, InitializeResetsSilently) {
    CmoxLongCell cell("Gain", 1, 1);
    Watch watch(cell);
    Record([&] {
        cell.Initialize("Renamed", 40, 50, MOX_UI_PRIORITY);
        EXPECT_EQ(OpenRecordCount(), 0);
    });
    EXPECT_EQ(cell.Name(), "Renamed");
    EXPECT_EQ(cell.Value(), 40);
    EXPECT_EQ(cell.DefaultValue(), 50);
    EXPECT_EQ(cell.Priority(), MOX_UI_PRIORITY);
    EXPECT_TRUE(watch.log.empty());
}

TEST_F(LongCell, MakeDefaultCurrentSetsTheDefaultAndReportsOnlyARealChange) {
    CmoxLongCell cell("Gain", 3, 3);
    Watch watch(cell);
    cell.MakeDefaultCurrent();
    EXPECT_TRUE(watch.log.empty());
    cell.Value(8L);
    cell.MakeDefaultCurrent();
    EXPECT_EQ(cell.Value(), 3);
    EXPECT_EQ(watch.Reasons(), (Reasons{MOX_VALUE_CHANGED, MOX_VALUE_CHANGED}));
}

TEST_F(LongCell, MakeCurrentDefaultRecordsOnlyARealChangeAndUndoesTheDefaultOnly) {
    CmoxLongCell cell("Gain", 6, 2);
    Watch watch(cell);
    CmoxUndoContext* context = Record([&] { cell.MakeCurrentDefault(); });
    EXPECT_EQ(cell.DefaultValue(), 6);
    EXPECT_EQ(watch.Reasons(), Reasons{MOX_DEFAULT_CHANGED});
    UndoOnce(context);
    EXPECT_EQ(cell.DefaultValue(), 2);
    EXPECT_EQ(cell.Value(), 6);
    RedoOnce(context);
    EXPECT_EQ(cell.DefaultValue(), 6);
    watch.log.clear();
    Record([&] {
        cell.MakeCurrentDefault(); // already equal: nothing to do
        EXPECT_EQ(OpenRecordCount(), 0);
    });
    EXPECT_TRUE(watch.log.empty());
}

TEST_F(LongCell, ChangesInOneTransactionMergeIntoOneRecordPerCell) {
    CmoxLongCell cell("Gain", 0, 0);
    CmoxLongCell other("Other", 0, 0);
    CmoxUndoContext* context = Record([&] {
        cell.Value(1L);
        cell.Value(2L);
        other.Value(9L);
        cell.Value(3L);
        EXPECT_EQ(OpenRecordCount(), 2);
    });
    UndoOnce(context);
    EXPECT_EQ(cell.Value(), 0);
    EXPECT_EQ(other.Value(), 0);
    RedoOnce(context);
    EXPECT_EQ(cell.Value(), 3);
    EXPECT_EQ(other.Value(), 9);
    // A value change and a default change merge to a value change.
    Record([&] {
        cell.Value(5L);
        cell.MakeCurrentDefault();
        ASSERT_NE(OpenRecord<CmoxLongUndoInfo>(cell), nullptr);
        EXPECT_EQ(OpenRecord<CmoxLongUndoInfo>(cell)->Reason(), MOX_VALUE_CHANGED);
    });
    CmoxLongCell fresh("Fresh", 1, 1);
    ExpectValueAndDefaultUndoTogether(fresh, 5L, 7L);
}

TEST_F(LongCell, UndoAndRedoPutStateBackWithoutReporting) {
    CmoxLongCell cell("Gain", 10, 1);
    Watch watch(cell);
    CmoxLongUndoInfo record(3, 4, 5, 6);
    cell.Undo(&record);
    EXPECT_EQ(cell.Value(), 3);
    EXPECT_EQ(cell.DefaultValue(), 4);
    cell.Redo(&record);
    EXPECT_EQ(cell.Value(), 5);
    EXPECT_EQ(cell.DefaultValue(), 6);
    EXPECT_TRUE(watch.log.empty());
}

TEST_F(LongCell, EnumCellBehavesAsALongCell) {
    CmoxIntermediateEnumCell cell("Mode", 2, 1);
    EXPECT_TRUE(cell.IsKindOf(RUNTIME_CLASS(CmoxLongCell)));
    CmoxUndoContext* context = Record([&] {
        EXPECT_EQ(cell.Value(3L), MOX_VALUE_SET);
        cell = 4L;
    });
    EXPECT_EQ(cell.Value(), 4);
    UndoOnce(context);
    EXPECT_EQ(cell.Value(), 2);
    CmoxIntermediateEnumCell defaulted;
    EXPECT_EQ(defaulted.Name(), "NoName");
    EXPECT_EQ(defaulted.Value(), 0);
}
