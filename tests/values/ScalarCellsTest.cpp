// What sets the scalar kinds apart: defaults, conversions, wrapping, NaN and -0, truth bytes,
// text buffers, clamping. The protocol they share is in the typed kinds suite.
#include "values/ValueTesting.h"

#include <limits>
#include <string>

using namespace valuetest;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

unsigned char B(int v) {
    return static_cast<unsigned char>(v);
}

class ScalarCells : public moxtest::MoxTest {};

} // namespace

// Per cell: name, priority, savable, primitive, then the base-class conversions as generic code
// that only holds a CmoxCell sees them: each reads its own kind and gives zero for others.
TEST_F(ScalarCells, DefaultsAndTheBaseConversions) {
    CmoxCell plain, named("Plain", MOX_STATE_PRIORITY);
    CmoxLongCell count, l("L", -42, 0);
    CmoxIntermediateEnumCell mode, e("E", 3, 0);
    CmoxLongLongCell freq, ll("LL", 1LL << 50, 0);
    CmoxStringCell title, s("S", "12", "");
    CmoxDoubleCell d("D", 2.5, 0.0);
    CmoxBooleanCell on("On", 2, 0), off("Off", 0, 0);
    CmoxByteCell byte("Byte", 9, 0);
    CmoxPtrCell pointer;
    Transcript t;
    for (CmoxCell* cell : std::initializer_list<CmoxCell*>{
             &plain, &count, &mode, &freq, &title, &named, &l, &e, &d, &ll, &s, &on, &off, &byte})
        t.Line(cell->Name()) << cell->Priority() << cell->Savable() << cell->IsPrimitive()
                             << cell->operator long() << cell->operator double()
                             << cell->operator __int64()
                             << std::string(cell->operator const char*()) << cell->operator int();
    t.Line("plain") << (plain.FindFirstDependee() == nullptr) << std::string(plain.UserName())
                    << plain.HasUserName();
    t.Line("values") << count.DefaultValue() << mode.DefaultValue() << Domain(freq)
                     << freq.IncrementSize() << freq.IncrementPolicy() << title.DefaultValue();
    // An enum cell is a long cell, but not equal to one; a pointer cell is never savable.
    t.Line("classes") << mode.IsKindOf(RUNTIME_CLASS(CmoxLongCell)) << (count == mode)
                      << (mode == count);
    pointer.Savable(1);
    pointer.Initialize("P", nullptr, nullptr, MOX_STATE_PRIORITY);
    t << pointer.Savable();
    EXPECT_EQ(t.Text(), R"(NoName 150 1 0 0 0 0 '' 0
NoName 150 1 1 0 0 0 '' 0
NoName 150 1 1 0 0 0 '' 0
NoName 150 1 1 0 0 0 '' 0
NoName 150 1 1 0 0 0 'NoName' 0
Plain 150 1 0 0 0 0 '' 0
L 150 1 1 -42 0 0 '' 0
E 150 1 1 3 0 0 '' 0
D 150 1 1 0 2.5 0 '' 0
LL 150 1 1 0 0 1125899906842624 '' 0
S 150 1 1 0 0 0 '12' 0
On 150 1 1 0 0 0 '' 1
Off 150 1 1 0 0 0 '' 0
Byte 150 1 1 0 0 0 '' 0
plain 1 '' 0
values 0 0 '[-9223372036854775807,9223372036854775807] 0/1' 1 0 'NoName'
classes 1 0 0 0)");
}

TEST_F(ScalarCells, EachKindWrapsComparesAndStoresByItsOwnRules) {
    CmoxLongCell count("Count", 5, 0), two("Two", 2, 0);
    CmoxDoubleCell level("Level", 0.0, 0.0), other("Other", -0.0, 1.0);
    CmoxDoubleCell a("A", kNaN, kNaN), b("B", kNaN, 0.0);
    CmoxBooleanCell on("On", 0, 0);
    CmoxStringCell title("Title", "Scope", "default text");
    CmoxStringCell gain("Gain", "Gain", ""), lower("B", "gain", ""), same("C", "Gain", "other");
    Transcript t;
    // A long keeps the low 32 bits and wraps both ways.
    t.On(count) << count.Value(0x100000005L) << count.Value(0x17FFFFFFFL) << count.Increment(1)
                << count.Value() << count.Decrement(1) << count.Value() << count.Decrement(-3)
                << count.Value();
    // Zeros compare alike, NaNs apart (even with themselves, and with a NaN default).
    t.On(level) << level.Value(-0.0) << (level == other) << level.Value(1.5)
                << level.Increment(2.25) << level.Decrement(1.75) << level.Value()
                << (level == two);
    t.On(a) << (a == b) << (a == a) << a.Value(kNaN) << a.Value(kNaN);
    a.MakeCurrentDefault();
    t << "current-default";
    // A boolean keeps the low byte, compares the whole argument, and toggles to 1.
    t.On(on) << on.Value(2) << on.Value() << on.Value(256) << on.Value() << on.Value(0)
             << on.Value(256) << on.Value(2) << on.Toggle() << on.Value() << on.Toggle()
             << on.Value();
    // Strings compare case-sensitively and copy their own text safely; changes through the
    // reference bypass the protocol.
    t.On(title) << title.Value("Scope") << title.Value("scope") << (gain == lower) << (gain == same)
                << title.Value(title.Value().c_str() + 2) << title.Value();
    title.MakeDefaultCurrent();
    t << title.Value() << title.Value(static_cast<const char*>(nullptr)) << title.Value();
    Record([&] {
        title.Value() = "b";
        t << OpenRecordCount();
    });
    t << static_cast<const char*>(title);
    EXPECT_EQ(
        t.Text(),
        R"(Count: same set!value set!value -2147483648 set!value 2147483647 set!value -2147483646
Level: same 1 set!value set!value set!value 2 0
A: 0 0 set!value set!value current-default!default
On: set!value 2 set!value 0 same set!value set!value set!value 0 set!value 1
Title: same set!value 0 1 set!value 'ope' 'default text'!value set!value '' 0 b)");
}

TEST_F(ScalarCells, BytesClampIntoTheirRangeAndWrapBeforeClamping) {
    CmoxByteCell cell("Channel", 300 % 256, 15), source("Source", 99, 3), same("Same", 11, 0);
    CmoxByteCell wide("Wide", 250, 90);
    Transcript t;
    t.On(cell) << Domain(cell);
    Record([&] {
        cell.InitRange(10, 20);
        t << OpenRecordCount();
    });
    t << Domain(cell) << cell.Value(B(5)) << cell.Value() << cell.Value(B(5)) << cell.Value(B(20))
      << cell.Value(B(25)) << cell.Value(B(20));
    // Unchanged bounds do nothing, but the default is filed though it did not change.
    cell.SetRange(10, 20);
    cell.Min(10);
    cell.Max(20);
    t << "same-range";
    cell.MakeCurrentDefault();
    t << "current-default";
    cell.MakeCurrentDefault();
    t << "current-default";
    // Assignments and the default go through the clamp; equality ignores range and default.
    cell = source;
    t.Line("assign") << cell.Value();
    cell = B(11);
    t << (cell == same);
    cell.Initialize("Channel", 15, 3, MOX_STATE_PRIORITY);
    cell.InitRange(10, 20);
    cell.MakeDefaultCurrent();
    t << cell.Value();
    // Steps wrap in the byte, then clamp: 195 + 70 wraps to 9, clamped to 10.
    cell.InitRange(10, 200);
    cell.Value(B(195));
    t.Line("steps") << cell.Increment(70) << cell.Value() << wide.Increment(10) << wide.Value()
                    << wide.Decrement(5) << wide.Value();
    // A max below the min collapses onto the min.
    cell.Value(B(100));
    cell.MakeCurrentDefault();
    t.Line("bounds");
    cell.Max(50);
    t << Domain(cell);
    cell.SetRange(60, 40);
    t << Domain(cell);
    EXPECT_EQ(
        t.Text(),
        R"(Channel: '[0,255] 44/15' 0 '[10,20] 20/15' adj!value 10 adj-same set!value adj-same same same-range current-default!default current-default!default
assign 20 1!value 10!value
steps!value adj!value 10 set 4 set 255
bounds!value!default '[10,50] 50/50'!range '[60,60] 60/60'!range)");
}
