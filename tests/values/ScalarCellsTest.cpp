// What sets the scalar kinds apart: defaults, conversions, wrapping, NaN and -0, truth bytes,
// text buffers, clamping. The protocol they share is in the typed kinds suite.
#include "values/ValueTesting.h"

#include <mox/values/CmoxBooleanCell.h>
#include <mox/values/CmoxByteCell.h>
#include <mox/values/CmoxDoubleCell.h>
#include <mox/values/CmoxIntermediateEnumCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxLongLongCell.h>
#include <mox/values/CmoxPtrCell.h>
#include <mox/values/CmoxStringCell.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

using moxtest::Reasons;
using namespace valuetest;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

unsigned char B(int v) {
    return static_cast<unsigned char>(v);
}

// The base-class conversions, as generic code that only holds a CmoxCell sees them.
std::string Conversions(CmoxCell& cell) {
    std::ostringstream out;
    out << cell.operator long() << '|' << cell.operator double() << '|' << cell.operator __int64()
        << '|' << cell.operator const char*() << '|' << cell.operator int();
    return out.str();
}

class ScalarCells : public moxtest::MoxTest {};

} // namespace

TEST_F(ScalarCells, DefaultConstructedCells) {
    CmoxCell plain;
    CmoxLongCell count;
    CmoxIntermediateEnumCell mode;
    CmoxLongLongCell freq;
    CmoxStringCell title;
    CmoxPtrCell pointer;
    for (CmoxCell* cell : std::initializer_list<CmoxCell*>{&plain, &count, &mode, &freq, &title}) {
        EXPECT_EQ(cell->Name(), "NoName");
        EXPECT_EQ(cell->Priority(), MOX_STATE_PRIORITY);
        EXPECT_EQ(cell->Savable(), 1);
        EXPECT_EQ(cell->IsPrimitive(), cell == &plain ? 0 : 1);
    }
    EXPECT_EQ(plain.FindFirstDependee(), nullptr);
    EXPECT_STREQ(plain.UserName(), "");
    EXPECT_EQ(plain.HasUserName(), 0);
    EXPECT_EQ(count.Value() + count.DefaultValue() + mode.Value() + mode.DefaultValue(), 0);
    EXPECT_EQ(StateOf(freq), (RangeState{MOX_LONGLONG_MIN, MOX_LONGLONG_MAX, 0, 1}));
    EXPECT_EQ(freq.IncrementSize(), 1);
    EXPECT_EQ(freq.IncrementPolicy(), MOX_FIXED_INCR);
    EXPECT_EQ(title.Value() + title.DefaultValue(), "NoNameNoName");
    EXPECT_TRUE(mode.IsKindOf(RUNTIME_CLASS(CmoxLongCell)));
    EXPECT_FALSE(count == mode) << "a long cell and an enum cell differ in run-time class";
    EXPECT_FALSE(mode == count);
    // A pointer cell is never savable, not even after asking.
    pointer.Savable(1);
    pointer.Initialize("P", nullptr, nullptr, MOX_STATE_PRIORITY);
    EXPECT_EQ(pointer.Savable(), 0);
}

TEST_F(ScalarCells, BaseConversionsReadTheirOwnKindAndGiveZeroForOthers) {
    CmoxCell plain("Plain", MOX_STATE_PRIORITY);
    CmoxLongCell l("L", -42, 0);
    CmoxIntermediateEnumCell e("E", 3, 0);
    CmoxDoubleCell d("D", 2.5, 0.0);
    CmoxLongLongCell ll("LL", 1LL << 50, 0);
    CmoxStringCell s("S", "12", "");
    CmoxBooleanCell on("On", 2, 0), off("Off", 0, 0);
    CmoxByteCell byte("Byte", 9, 0);
    const std::pair<CmoxCell*, const char*> rows[] = {{&plain, "0|0|0||0"},
                                                      {&l, "-42|0|0||0"},
                                                      {&e, "3|0|0||0"},
                                                      {&d, "0|2.5|0||0"},
                                                      {&ll, "0|0|1125899906842624||0"},
                                                      {&s, "0|0|0|12|0"},
                                                      {&on, "0|0|0||1"},
                                                      {&off, "0|0|0||0"},
                                                      {&byte, "0|0|0||0"}};
    for (const auto& [cell, expected] : rows)
        EXPECT_EQ(Conversions(*cell), expected) << cell->Name();
}

TEST_F(ScalarCells, LongCellsKeepTheLow32BitsAndWrap) {
    CmoxLongCell cell("Count", 5, 0);
    EXPECT_EQ(cell.Value(0x100000005L), MOX_VALUE_SAME) << "the low 32 bits are already held";
    EXPECT_EQ(cell.Value(0x17FFFFFFFL), MOX_VALUE_SET);
    EXPECT_EQ(cell.Increment(1), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(), INT32_MIN);
    cell.Decrement(1);
    EXPECT_EQ(cell.Value(), INT32_MAX);
    cell.Decrement(-3);
    EXPECT_EQ(cell.Value(), INT32_MIN + 2);
}

TEST_F(ScalarCells, DoublesTreatZerosAlikeAndNaNsApart) {
    CmoxDoubleCell cell("Level", 0.0, 0.0), other("Other", -0.0, 1.0);
    EXPECT_EQ(cell.Value(-0.0), MOX_VALUE_SAME);
    EXPECT_TRUE(cell == other);
    CmoxDoubleCell a("A", kNaN, kNaN), b("B", kNaN, 0.0);
    EXPECT_FALSE(a == b);
    EXPECT_FALSE(a == a);
    Watch watch(a);
    EXPECT_EQ(a.Value(kNaN), MOX_VALUE_SET);
    EXPECT_EQ(a.Value(kNaN), MOX_VALUE_SET);
    a.MakeCurrentDefault(); // NaN never equals the default, not even a NaN default
    EXPECT_EQ(watch.Reasons(),
              (Reasons{MOX_VALUE_CHANGED, MOX_VALUE_CHANGED, MOX_DEFAULT_CHANGED}));
    CmoxLongCell two("Two", 2, 0);
    cell.Value(1.5);
    cell.Increment(2.25);
    cell.Decrement(1.75);
    EXPECT_EQ(cell.Value(), 2.0);
    EXPECT_FALSE(cell == two) << "the same value in another class";
}

TEST_F(ScalarCells, BooleansKeepTheLowByteCompareTheWholeArgumentAndToggleToOne) {
    CmoxBooleanCell cell("On", 0, 0);
    EXPECT_EQ(cell.Value(2), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(), 2);
    EXPECT_EQ(cell.Value(256), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(), 0);
    Watch watch(cell);
    EXPECT_EQ(cell.Value(0), MOX_VALUE_SAME);
    EXPECT_EQ(cell.Value(256), MOX_VALUE_SET) << "256 differs from the stored 0";
    EXPECT_EQ(watch.log.size(), 1u);
    cell.Value(2);
    cell.Toggle();
    EXPECT_EQ(cell.Value(), 0);
    cell.Toggle();
    EXPECT_EQ(cell.Value(), 1);
}

TEST_F(ScalarCells, StringsCompareCaseSensitivelyAndCopyTheirOwnTextSafely) {
    CmoxStringCell cell("Title", "Scope", "default text");
    Watch watch(cell);
    EXPECT_EQ(cell.Value("Scope"), MOX_VALUE_SAME);
    EXPECT_EQ(cell.Value("scope"), MOX_VALUE_SET);
    EXPECT_EQ(watch.log.size(), 1u);
    CmoxStringCell a("A", "Gain", ""), b("B", "gain", ""), c("C", "Gain", "other");
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a == c);
    cell.Value(cell.Value().c_str() + 2);
    EXPECT_EQ(cell.Value(), "ope");
    cell.MakeDefaultCurrent();
    EXPECT_EQ(cell.Value(), "default text");
    EXPECT_EQ(cell.Value(static_cast<const char*>(nullptr)), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(), "");
    // Changes through the reference bypass the protocol.
    watch.log.clear();
    Record([&] {
        cell.Value() = "b";
        EXPECT_EQ(OpenRecordCount(), 0);
    });
    EXPECT_EQ(static_cast<const char*>(cell), std::string("b"));
    EXPECT_TRUE(watch.log.empty());
}

TEST_F(ScalarCells, BytesClampIntoTheirRangeAndWrapBeforeClamping) {
    CmoxByteCell cell("Channel", 300 % 256, 15);
    EXPECT_EQ(StateOf(cell), (RangeState{0, 255, 44, 15}));
    Record([&] {
        cell.InitRange(10, 20);
        EXPECT_EQ(OpenRecordCount(), 0);
    });
    EXPECT_EQ(StateOf(cell), (RangeState{10, 20, 20, 15}));
    Watch watch(cell);
    EXPECT_EQ(cell.Value(B(5)), MOX_VALUE_ADJUSTED);
    EXPECT_EQ(cell.Value(), 10);
    EXPECT_EQ(cell.Value(B(5)), MOX_VALUE_ADJUSTED_SAME);
    EXPECT_EQ(cell.Value(B(20)), MOX_VALUE_SET);
    EXPECT_EQ(cell.Value(B(25)), MOX_VALUE_ADJUSTED_SAME);
    EXPECT_EQ(cell.Value(B(20)), MOX_VALUE_SAME);
    EXPECT_EQ(watch.Reasons(), (Reasons{MOX_VALUE_CHANGED, MOX_VALUE_CHANGED}));
    // Unchanged bounds do nothing, but the default is filed though it did not change.
    cell.SetRange(10, 20);
    cell.Min(10);
    cell.Max(20);
    cell.MakeCurrentDefault();
    cell.MakeCurrentDefault();
    EXPECT_EQ(watch.log.size(), 4u);
    EXPECT_EQ(watch.log.back().reasons, Reasons{MOX_DEFAULT_CHANGED});
    // Assignments and the default go through the clamp; equality ignores range and default.
    CmoxByteCell source("Source", 99, 3), same("Same", 11, 0);
    cell = source;
    EXPECT_EQ(cell.Value(), 20);
    cell = B(11);
    EXPECT_TRUE(cell == same);
    cell.Initialize("Channel", 15, 3, MOX_STATE_PRIORITY);
    cell.InitRange(10, 20);
    cell.MakeDefaultCurrent();
    EXPECT_EQ(cell.Value(), 10);
    // Steps wrap in the byte, then clamp; a max below the min collapses onto the min.
    cell.InitRange(10, 200);
    cell.Value(B(195));
    EXPECT_EQ(cell.Increment(70), MOX_VALUE_ADJUSTED) << "195 + 70 wraps to 9, clamped to 10";
    EXPECT_EQ(cell.Value(), 10);
    CmoxByteCell wide("Wide", 250, 90);
    wide.Increment(10);
    EXPECT_EQ(wide.Value(), 4);
    wide.Decrement(5);
    EXPECT_EQ(wide.Value(), 255);
    cell.Value(B(100));
    cell.MakeCurrentDefault();
    watch.log.clear();
    cell.Max(50);
    EXPECT_EQ(StateOf(cell), (RangeState{10, 50, 50, 50}));
    cell.SetRange(60, 40);
    EXPECT_EQ(StateOf(cell), (RangeState{60, 60, 60, 60}));
    EXPECT_EQ(watch.Reasons(), (Reasons{MOX_RANGE_CHANGED, MOX_RANGE_CHANGED}));
}
