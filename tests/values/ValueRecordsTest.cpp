// Archive records of the value cells: the bytes each kind writes, what it reads back, and what
// a restore reports.
#include "support/ArchiveTest.h"
#include "values/ValueTesting.h"

#include <mox/values/CmoxBooleanCell.h>
#include <mox/values/CmoxByteCell.h>
#include <mox/values/CmoxDoubleCell.h>
#include <mox/values/CmoxIntermediateEnumCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxLongLongCell.h>
#include <mox/values/CmoxPtrCell.h>
#include <mox/values/CmoxStringCell.h>

#include <climits>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

using namespace moxtest;
using valuetest::OpenRecordCount;
using valuetest::Record;
using valuetest::Watch;

namespace {

class ValueRecords : public moxtest::ArchiveTest {
  protected:
    // Restores `cell` from a record body such as "= { 5  }"; returns the driver's result.
    int RestoreBody(CmoxCell& cell, const std::string& body) {
        OpenOn(body + "\r\n");
        return m_archive.Restore(&cell);
    }
    // Saves `from` and restores `to`, of the same class and name, from that record.
    int RoundTrip(CmoxCell& from, CmoxCell& to) { return RestoreRecord(SavedRecords(from), to); }
};

} // namespace

// ---- what is written ------------------------------------------------------------------------

TEST_F(ValueRecords, EachKindWritesItsValueInItsOwnForm) {
    int x = 0;
    CmoxLongCell count("Count", -42, 7);
    CmoxIntermediateEnumCell mode("Mode", 3, 0);
    CmoxDoubleCell gain("Gain", 1.5, 0.0), shortened("Short", 0.1234567, 0.0),
        large("Large", -2.5e20, 0.0);
    CmoxBooleanCell on("On", 2, 0), off("Off", 0, 0);
    CmoxStringCell title("Title", "A \"quoted\" {title}", "");
    CmoxPtrCell ptr("P", &x, nullptr); // never savable: only its frame
    const std::pair<CmoxCell*, const char*> records[] = {
        {&count, "CmoxLongCell \"Count\" \"$$\" = { -42  }\r\n"},
        {&mode, "CmoxIntermediateEnumCell \"Mode\" \"$$\" = { 3  }\r\n"},
        {&gain, "CmoxDoubleCell \"Gain\" \"$$\" = { 1.5  }\r\n"},
        {&shortened, "CmoxDoubleCell \"Short\" \"$$\" = { 0.123457  }\r\n"},
        {&large, "CmoxDoubleCell \"Large\" \"$$\" = { -2.5e+20  }\r\n"},
        {&on, "CmoxBooleanCell \"On\" \"$$\" = { TRUE  }\r\n"},
        {&off, "CmoxBooleanCell \"Off\" \"$$\" = { FALSE  }\r\n"},
        {&title, "CmoxStringCell \"Title\" \"$$\" = { \"A \\\"quoted\\\" \\{title\\}\"  }\r\n"},
        {&ptr, "CmoxPtrCell \"P\" \"$$\" \r\n"},
    };
    for (const auto& record : records)
        EXPECT_EQ(SavedRecords(*record.first), record.second);
}

TEST_F(ValueRecords, RangedRecordsWriteTheirDomainOnlyWhenAsked) {
    CmoxByteCell channel("Channel", 7, 0);
    channel.InitRange(0, 9);
    EXPECT_EQ(SavedRecords(channel), "CmoxByteCell \"Channel\" \"$$\" = { 7  }\r\n");
    channel.SaveDomain(1);
    EXPECT_EQ(SavedRecords(channel), "CmoxByteCell \"Channel\" \"$$\" = { 7  0 9 }\r\n");
    CmoxLongLongCell freq("Freq", -5, 0);
    EXPECT_EQ(SavedRecords(freq), "CmoxLongLongCell \"Freq\" \"$$\" = { -5  }\r\n");
    freq.SaveDomain(1);
    EXPECT_EQ(SavedRecords(freq), "CmoxLongLongCell \"Freq\" \"$$\" = { -5 -9223372036854775807 "
                                  "9223372036854775807 1 MOX_FIXED_INCR  }\r\n");
    freq.InitIncrementPolicy(MOX_124_INCR);
    freq.InitRange(1, 400);
    EXPECT_EQ(SavedRecords(freq),
              "CmoxLongLongCell \"Freq\" \"$$\" = { 1 1 400 1 MOX_124_INCR  }\r\n");
}

// ---- round trips ----------------------------------------------------------------------------

TEST_F(ValueRecords, ScalarValuesRoundTripAndDoublesKeepSixSignificantDigits) {
    CmoxLongCell l1("L", INT32_MIN, 0), l2("L", 5, 9);
    EXPECT_EQ(RoundTrip(l1, l2), 1);
    EXPECT_EQ(l2.Value(), INT32_MIN);
    EXPECT_EQ(l2.DefaultValue(), 9) << "the default is never archived";

    CmoxDoubleCell d1("D", -0.0625, 0.0), d2("D", 3.0, 4.0);
    EXPECT_EQ(RoundTrip(d1, d2), 1);
    EXPECT_EQ(d2.Value(), -0.0625);
    EXPECT_EQ(d2.DefaultValue(), 4.0);

    CmoxBooleanCell b1("B", 1, 0), b2("B", 0, 0);
    EXPECT_EQ(RoundTrip(b1, b2), 1);
    EXPECT_EQ(b2.Value(), 1);

    CmoxStringCell s1("S", "line\r\none\t{x} // not a comment \\ \"q\"", ""), s2("S", "", "d");
    EXPECT_EQ(RoundTrip(s1, s2), 1);
    EXPECT_EQ(s2.Value(), s1.Value());
    EXPECT_EQ(s2.DefaultValue(), "d");

    CmoxStringCell e1("S", "", ""), e2("S", "full", "");
    EXPECT_EQ(RoundTrip(e1, e2), 1);
    EXPECT_EQ(e2.Value(), "");
    d1.Value(3.14159265);
    EXPECT_EQ(RoundTrip(d1, d2), 1);
    EXPECT_EQ(d2.Value(), 3.14159);
}

TEST_F(ValueRecords, NonFiniteDoublesRoundTrip) {
    const double values[] = {std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    for (double v : values) {
        CmoxDoubleCell d1("D", v, 0.0), d2("D", 1.0, 0.0);
        EXPECT_EQ(RoundTrip(d1, d2), 1);
        if (std::isnan(v))
            EXPECT_TRUE(std::isnan(d2.Value()));
        else
            EXPECT_EQ(d2.Value(), v);
    }
}

TEST_F(ValueRecords, ByteAndLongLongDomainsRoundTrip) {
    CmoxByteCell b1("B", 30, 0), b2("B", 0, 0);
    b1.InitRange(20, 40);
    b1.SaveDomain(1);
    b2.RestoreDomain(1);
    EXPECT_EQ(RoundTrip(b1, b2), 1);
    EXPECT_EQ(b2.Value(), 30);
    EXPECT_EQ(b2.Min(), 20);
    EXPECT_EQ(b2.Max(), 40);

    CmoxLongLongCell l1("L", 0, 0), l2("L", 0, 0);
    l1.InitIncrementPolicy(MOX_125_INCR);
    l1.InitRangeAndSize(-5000, 2000, 7);
    l1.Value(-200LL);
    l1.SaveDomain(1);
    l2.RestoreDomain(1);
    EXPECT_EQ(RoundTrip(l1, l2), 1);
    EXPECT_EQ(l2.Value(), -200);
    EXPECT_EQ(l2.Min(), -5000);
    EXPECT_EQ(l2.Max(), 2000);
    EXPECT_EQ(l2.IncrementSize(), 7);
    EXPECT_EQ(l2.IncrementPolicy(), MOX_125_INCR);
}

// ---- what a restore reports -----------------------------------------------------------------

TEST_F(ValueRecords, RestoringReportsOnlyARealChangeAndMakesNoUndoRecord) {
    CmoxLongCell count("Count", 5, 0);
    Watch watch(count);
    EXPECT_EQ(RestoreBody(count, "= { 5  }"), 1);
    EXPECT_TRUE(watch.log.empty());
    EXPECT_EQ(RestoreBody(count, "= { 6  }"), 1);
    EXPECT_EQ(count.Value(), 6);
    EXPECT_EQ(watch.Reasons(), Reasons{MOX_VALUE_CHANGED});
    CmoxStringCell title("Title", "a", "");
    Record([&] {
        EXPECT_EQ(RestoreBody(count, "= { 8  }"), 1);
        EXPECT_EQ(RestoreBody(title, "= { \"b\"  }"), 1);
        EXPECT_EQ(OpenRecordCount(), 0);
    });
    EXPECT_EQ(count.Value(), 8);
    EXPECT_EQ(title.Value(), "b");
}

TEST_F(ValueRecords, OnlyTheExactWordTRUEReadsAsTrue) {
    CmoxBooleanCell on("On", 1, 0);
    EXPECT_EQ(RestoreBody(on, "= { true  }"), 1);
    EXPECT_EQ(on.Value(), 0);
    on.Value(1);
    EXPECT_EQ(RestoreBody(on, "= { 1  }"), 1);
    EXPECT_EQ(on.Value(), 0);
    EXPECT_EQ(RestoreBody(on, "= { TRUE  }"), 1);
    EXPECT_EQ(on.Value(), 1);
    EXPECT_EQ(RestoreBody(on, "= { " + std::string(1000, 'T') + "  }"), 1);
    EXPECT_EQ(on.Value(), 0);
}

TEST_F(ValueRecords, ByteRestoreKeepsTheLowByteAndDoesNotClamp) {
    CmoxByteCell channel("Channel", 0, 0);
    channel.InitRange(0, 10);
    EXPECT_EQ(RestoreBody(channel, "= { 300  }"), 1);
    EXPECT_EQ(channel.Value(), 44);
    EXPECT_EQ(channel.Max(), 10);
}

TEST_F(ValueRecords, ByteRestoreReasonsFollowWhatChangedAndNoRangeLeavesTheRange) {
    CmoxByteCell channel("Channel", 5, 0);
    channel.RestoreDomain(1);
    Watch watch(channel);
    EXPECT_EQ(RestoreBody(channel, "= { 5  3 255 }"), 1);
    EXPECT_EQ(RestoreBody(channel, "= { 5  4 250 }"), 1);
    EXPECT_EQ(RestoreBody(channel, "= { 6  4 250 }"), 1);
    EXPECT_EQ(watch.Reasons(), (Reasons{MOX_RANGE_CHANGED, MOX_VALUE_CHANGED, MOX_VALUE_CHANGED}));
    EXPECT_EQ(channel.Min(), 4);
    EXPECT_EQ(channel.Max(), 250);
    EXPECT_EQ(channel.Value(), 6);
    EXPECT_EQ(RestoreBody(channel, "= { 7  }"), 1); // no range in the record: the range stays
    EXPECT_EQ(channel.Value(), 7);
    EXPECT_EQ(channel.Min(), 4);
    EXPECT_EQ(channel.Max(), 250);
}

TEST_F(ValueRecords, LongLongRestoreReasonsFollowWhatChanged) {
    CmoxLongLongCell freq("Freq", 5, 0);
    freq.InitRange(0, 100);
    freq.RestoreDomain(1);
    Watch watch(freq);
    EXPECT_EQ(RestoreBody(freq, "= { 5 1 100 1 MOX_FIXED_INCR  }"), 1);
    EXPECT_EQ(RestoreBody(freq, "= { 5 2 90 1 MOX_FIXED_INCR  }"), 1);
    EXPECT_EQ(RestoreBody(freq, "= { 6 2 90 1 MOX_FIXED_INCR  }"), 1);
    EXPECT_EQ(RestoreBody(freq, "= { 6 2 90 1 MOX_FIXED_INCR  }"), 1);
    EXPECT_EQ(watch.Reasons(), (Reasons{MOX_RANGE_CHANGED, MOX_VALUE_CHANGED, MOX_VALUE_CHANGED}));
    EXPECT_TRUE(m_archive.GetRestoreArray().empty());
}

TEST_F(ValueRecords, LongLongValueIsQuantizedAgainstTheRestoredDomain) {
    CmoxLongLongCell freq("Freq", 0, 0);
    freq.RestoreDomain(1);
    EXPECT_EQ(RestoreBody(freq, "= { 370 1 1000 1 MOX_125_INCR  }"), 1);
    EXPECT_EQ(freq.Value(), 200);
    EXPECT_EQ(freq.IncrementPolicy(), MOX_125_INCR);
    EXPECT_EQ(RestoreBody(freq, "= { 5000 3 700 1 MOX_125_INCR  }"), 1);
    EXPECT_EQ(freq.Value(), 700) << "clamped to the restored max, which is kept unquantized";
    EXPECT_EQ(freq.Min(), 3);
    EXPECT_EQ(freq.DefaultValue(), 0) << "the default is neither archived nor re-quantized";
}

TEST_F(ValueRecords, UnknownPolicyKeywordIsFlaggedAndFallsBackToFixed) {
    CmoxLongLongCell freq("Freq", 10, 0);
    freq.InitIncrementPolicy(MOX_124_INCR);
    freq.RestoreDomain(1);
    EXPECT_EQ(RestoreBody(freq, "= { 37 0 100 10 mox_125_incr  }"), 1);
    EXPECT_EQ(m_archive.GetRestoreArray(), Codes{MOX_BAD_INCR_POLICY});
    EXPECT_EQ(freq.IncrementPolicy(), MOX_FIXED_INCR);
    EXPECT_EQ(freq.Value(), 30);
}

TEST_F(ValueRecords, LongLongRecordWithoutADomainLeavesTheDomain) {
    CmoxLongLongCell freq("Freq", 10, 0);
    freq.InitIncrementPolicy(MOX_125_INCR);
    freq.InitRange(1, 500);
    freq.RestoreDomain(1);
    EXPECT_EQ(RestoreBody(freq, "= { 37  }"), 1);
    EXPECT_TRUE(m_archive.GetRestoreArray().empty());
    EXPECT_EQ(freq.IncrementPolicy(), MOX_125_INCR);
    EXPECT_EQ(freq.Max(), 500);
    EXPECT_EQ(freq.Value(), 20);
}

TEST_F(ValueRecords, MalformedNumbersLeaveTheCellAsItWas) {
    CmoxLongCell count("Count", 5, 0);
    CmoxDoubleCell gain("Gain", 2.5, 0.0);
    CmoxLongLongCell freq("Freq", 9, 0);
    CmoxByteCell channel("Channel", 4, 0);
    Watch watch(count);
    EXPECT_EQ(RestoreBody(count, "= { x12  }"), 1);
    EXPECT_EQ(RestoreBody(count, "= { }"), 1);
    EXPECT_EQ(RestoreBody(gain, "= { abc  }"), 1);
    EXPECT_EQ(RestoreBody(freq, "= { -  }"), 1);
    EXPECT_EQ(RestoreBody(channel, "= { }"), 1);
    EXPECT_EQ(count.Value(), 5);
    EXPECT_EQ(gain.Value(), 2.5);
    EXPECT_EQ(freq.Value(), 9);
    EXPECT_EQ(channel.Value(), 4);
    EXPECT_TRUE(watch.log.empty());
}

TEST_F(ValueRecords, BlockFaultsAreFlaggedAndLeaveTheCell) {
    CmoxLongLongCell freq("Freq", 9, 0);
    freq.RestoreDomain(1);
    EXPECT_EQ(RestoreBody(freq, "= { 1 0 5 1 MOX_FIXED_INCR"), 0);
    EXPECT_EQ(freq.Value(), 9);
    EXPECT_EQ(freq.Max(), MOX_LONGLONG_MAX);
    CmoxStringCell title("Title", "keep", "");
    EXPECT_EQ(RestoreBody(title, "= } "), 0);
    EXPECT_EQ(title.Value(), "keep");
    EXPECT_EQ(m_archive.GetRestoreArray(),
              (Codes{MOX_RESTORE_BAD_FORMAT, MOX_RESTORE_UNEXPECTED_END}));
}
