#include "values/ValueTesting.h"

#include <mox/values/CmoxBooleanCell.h>
#include <mox/values/CmoxByteCell.h>
#include <mox/values/CmoxDoubleCell.h>
#include <mox/values/CmoxIntermediateEnumCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxLongLongCell.h>
#include <mox/values/CmoxStringCell.h>

#include <string>

class CellConversions : public moxtest::MoxTest {};

namespace {
// The base-class conversions, as generic code that only holds a CmoxCell sees them.
long AsLong(CmoxCell& cell) {
    return cell.operator long();
}
double AsDouble(CmoxCell& cell) {
    return cell.operator double();
}
__int64 AsLongLong(CmoxCell& cell) {
    return cell.operator __int64();
}
std::string AsText(CmoxCell& cell) {
    return cell.operator const char*();
}
int AsInt(CmoxCell& cell) {
    return cell.operator int();
}
} // namespace

TEST_F(CellConversions, EachConversionReadsItsOwnKindOfCellAndBooleansGiveZeroOrOne) {
    CmoxLongCell l("L", -42, 0);
    CmoxIntermediateEnumCell e("E", 3, 0);
    CmoxDoubleCell d("D", 2.5, 0.0);
    CmoxLongLongCell ll("LL", 1LL << 50, 0);
    CmoxStringCell s("S", "text", "");
    EXPECT_EQ(AsLong(l), -42);
    EXPECT_EQ(AsLong(e), 3);
    EXPECT_DOUBLE_EQ(AsDouble(d), 2.5);
    EXPECT_EQ(AsLongLong(ll), 1LL << 50);
    EXPECT_EQ(AsText(s), "text");
    CmoxBooleanCell b("B", 2, 0);
    EXPECT_EQ(AsInt(b), 1);
    b.Value(0);
    EXPECT_EQ(AsInt(b), 0);
}

TEST_F(CellConversions, OtherKindsGiveTheZeroOfTheType) {
    CmoxCell plain("Plain", MOX_STATE_PRIORITY);
    CmoxByteCell byte("Byte", 9, 0);
    CmoxDoubleCell d("D", 2.5, 0.0);
    CmoxLongCell l("L", 7, 0);
    CmoxStringCell s("S", "12", "");
    EXPECT_EQ(AsLong(plain), 0);
    EXPECT_EQ(AsLong(byte), 0);
    EXPECT_EQ(AsLong(d), 0);
    EXPECT_DOUBLE_EQ(AsDouble(l), 0.0);
    EXPECT_EQ(AsLongLong(l), 0);
    EXPECT_EQ(AsText(l), "");
    EXPECT_EQ(AsText(plain), "");
    EXPECT_EQ(AsInt(l), 0);
    EXPECT_EQ(AsInt(s), 0);
}

TEST_F(CellConversions, TypedCellsConvertImplicitly) {
    CmoxLongCell l("L", 11, 0);
    CmoxDoubleCell d("D", 0.5, 0.0);
    CmoxLongLongCell ll("LL", -3, 0);
    CmoxStringCell s("S", "abc", "");
    CmoxBooleanCell b("B", 1, 0);
    CmoxByteCell byte("Byte", 200, 0);
    EXPECT_EQ(static_cast<long>(l), 11);
    EXPECT_DOUBLE_EQ(static_cast<double>(d), 0.5);
    EXPECT_EQ(static_cast<__int64>(ll), -3);
    EXPECT_STREQ(static_cast<const char*>(s), "abc");
    EXPECT_EQ(static_cast<unsigned char>(b), 1);
    EXPECT_EQ(static_cast<unsigned char>(byte), 200);
}
