// Archive records of the value cells: the bytes each kind writes, what it reads back, and what
// a restore reports.
#include "support/ArchiveTest.h"
#include "values/ValueTesting.h"

#include <string>

using namespace moxtest;
using valuetest::OpenRecordCount;
using valuetest::Record;

namespace {

// The records of `cell`, with the line ends as "\n" to compare with a raw string.
std::string Saved(CmoxCell& cell) {
    std::string text = SavedRecords(cell);
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

// The body of the record that `cell` writes, such as "= { 5  }".
std::string Body(CmoxCell& cell) {
    const std::string text = Saved(cell);
    return text.substr(text.find('='), text.size() - text.find('=') - 1);
}

// Makes the ranged cells write and read their domains.
template <class... C> void WithDomains(C&... cells) {
    ((cells.SaveDomain(1), cells.RestoreDomain(1)), ...);
}

class ValueRecords : public moxtest::ArchiveTest {
  protected:
    // Restores `cell` from a record body such as "= { 5  }"; returns the driver's result.
    int RestoreBody(CmoxCell& cell, const std::string& body) {
        OpenOn(body + "\r\n");
        return m_archive.Restore(&cell);
    }
};

} // namespace

TEST_F(ValueRecords, EachKindWritesItsValueInItsOwnFormAndItsDomainOnlyWhenAsked) {
    int x = 0;
    CmoxLongCell count("Count", -42, 7);
    CmoxIntermediateEnumCell mode("Mode", 3, 0);
    CmoxDoubleCell gain("Gain", 1.5, 0.0), shortened("Short", 0.1234567, 0.0),
        large("Large", -2.5e20, 0.0);
    CmoxBooleanCell on("On", 2, 0), off("Off", 0, 0);
    CmoxStringCell title("Title", "A \"quoted\" {title}", "");
    CmoxPtrCell ptr("P", &x, nullptr); // never savable: only its frame
    CmoxByteCell channel("Channel", 7, 0);
    CmoxLongLongCell freq("Freq", -5, 0);
    std::string all;
    for (CmoxCell* cell : std::initializer_list<CmoxCell*>{
             &count, &mode, &gain, &shortened, &large, &on, &off, &title, &ptr, &channel, &freq})
        all += Saved(*cell);
    freq.SaveDomain(1); // a byte's domain is pinned by the restore rows
    all += Saved(freq);
    freq.InitIncrementPolicy(MOX_124_INCR);
    freq.InitRange(1, 400);
    all += Saved(freq);
    EXPECT_EQ(all, R"(CmoxLongCell "Count" "$$" = { -42  }
CmoxIntermediateEnumCell "Mode" "$$" = { 3  }
CmoxDoubleCell "Gain" "$$" = { 1.5  }
CmoxDoubleCell "Short" "$$" = { 0.123457  }
CmoxDoubleCell "Large" "$$" = { -2.5e+20  }
CmoxBooleanCell "On" "$$" = { TRUE  }
CmoxBooleanCell "Off" "$$" = { FALSE  }
CmoxStringCell "Title" "$$" = { "A \"quoted\" \{title\}"  }
CmoxPtrCell "P" "$$" )"
                   "\n"
                   R"(CmoxByteCell "Channel" "$$" = { 7  }
CmoxLongLongCell "Freq" "$$" = { -5  }
CmoxLongLongCell "Freq" "$$" = { -5 -9223372036854775807 9223372036854775807 1 MOX_FIXED_INCR  }
CmoxLongLongCell "Freq" "$$" = { 1 1 400 1 MOX_124_INCR  }
)");
}

// Plain values of every kind round-trip in the operations fuzzer, after every step.
TEST_F(ValueRecords, RestoresReportWhatChangedAndFlagFaults) {
    CmoxLongCell count("Count", 5, 0);
    CmoxDoubleCell gain("Gain", 2.5, 0.0);
    CmoxBooleanCell on("On", 1, 0);
    CmoxStringCell title("Title", "keep", "");
    CmoxByteCell clamped("Clamped", 0, 0), channel("Channel", 5, 0);
    clamped.InitRange(0, 10);
    CmoxLongLongCell freq("Freq", 5, 0), stepped("Stepped", 0, 0), policy("Policy", 10, 0),
        plain("Plain", 10, 0), broken("Broken", 9, 0);
    freq.InitRange(0, 100);
    policy.InitIncrementPolicy(MOX_124_INCR);
    plain.InitIncrementPolicy(MOX_125_INCR);
    plain.InitRange(1, 500);
    WithDomains(channel, freq, stepped, policy, plain, broken);
    clamped.SaveDomain(1); // writes its range, but reads none
    UpdateLog log;
    RecordingCell listener("Listener", MOX_STATE_PRIORITY, log);
    for (CmoxCell* cell :
         std::initializer_list<CmoxCell*>{&count, &gain, &on, &title, &clamped, &channel, &freq,
                                          &stepped, &policy, &plain, &broken})
        listener.MakeDependentOn(cell);
    const Reasons none, value{MOX_VALUE_CHANGED}, range{MOX_RANGE_CHANGED};
    const struct {
        CmoxCell& cell;
        std::string body;
        int result;
        std::string after; // the body the cell then writes
        Reasons reasons;
        Codes codes = {};
    } rows[] = {
        {count, "= { 5  }", 1, "= { 5  }", none},
        {count, "= { 6  }", 1, "= { 6  }", value},
        // Only the exact word TRUE reads as true.
        {on, "= { true  }", 1, "= { FALSE  }", value},
        {on, "= { TRUE  }", 1, "= { TRUE  }", value},
        {on, "= { 1  }", 1, "= { FALSE  }", value},
        {on, "= { TRUE  }", 1, "= { TRUE  }", value},
        {on, "= { " + std::string(1000, 'T') + "  }", 1, "= { FALSE  }", value},
        // A byte keeps the low byte and is not clamped. Reasons: a range change alone reports as
        // such, more than one change merges into a value change.
        {clamped, "= { 300  }", 1, "= { 44  0 10 }", value},
        {channel, "= { 5  3 255 }", 1, "= { 5  3 255 }", range},
        {channel, "= { 5  4 250 }", 1, "= { 5  4 250 }", value},
        {channel, "= { 6  4 250 }", 1, "= { 6  4 250 }", value},
        {channel, "= { 7  }", 1, "= { 7  4 250 }", value}, // no range in the record: it stays
        {freq, "= { 5 1 100 1 MOX_FIXED_INCR  }", 1, "= { 5 1 100 1 MOX_FIXED_INCR  }", range},
        {freq, "= { 5 2 90 1 MOX_FIXED_INCR  }", 1, "= { 5 2 90 1 MOX_FIXED_INCR  }", value},
        {freq, "= { 6 2 90 1 MOX_FIXED_INCR  }", 1, "= { 6 2 90 1 MOX_FIXED_INCR  }", value},
        {freq, "= { 6 2 90 1 MOX_FIXED_INCR  }", 1, "= { 6 2 90 1 MOX_FIXED_INCR  }", none},
        // The value is quantized against the restored domain; the max is kept unquantized.
        {stepped, "= { 370 1 1000 1 MOX_125_INCR  }", 1, "= { 200 1 1000 1 MOX_125_INCR  }", value},
        {stepped, "= { 5000 3 700 1 MOX_125_INCR  }", 1, "= { 700 3 700 1 MOX_125_INCR  }", value},
        {policy, "= { 37 0 100 10 mox_125_incr  }", 1, "= { 30 0 100 10 MOX_FIXED_INCR  }", value,
         Codes{MOX_BAD_INCR_POLICY}},
        {plain, "= { 37  }", 1, "= { 20 1 500 1 MOX_125_INCR  }", value},
        // Malformed numbers leave the cell as it was; a broken block is flagged.
        {count, "= { x12  }", 1, "= { 6  }", none},
        {count, "= { }", 1, "= { 6  }", none},
        {gain, "= { abc  }", 1, "= { 2.5  }", none},
        {freq, "= { -  }", 1, "= { 6 2 90 1 MOX_FIXED_INCR  }", none},
        {channel, "= { }", 1, "= { 7  4 250 }", none},
        {broken, "= { 1 0 5 1 MOX_FIXED_INCR", 0, Body(broken), none,
         Codes{MOX_RESTORE_BAD_FORMAT}},
        {title, "= } ", 0, "= { \"keep\"  }", none, Codes{MOX_RESTORE_UNEXPECTED_END}},
        {title, "= { \"b\"  }", 1, "= { \"b\"  }", value},
        // The extremes and the non-finite doubles come back as written.
        {count, "= { -2147483648  }", 1, "= { -2147483648  }", value},
        {gain, "= { -inf  }", 1, "= { -inf  }", value},
        {gain, "= { nan  }", 1, "= { nan  }", value},
    };
    // Every restore runs inside a transaction and must file no undo record.
    Record([&] {
        for (const auto& row : rows) {
            SCOPED_TRACE(row.cell.Name() + " " + row.body.substr(0, 40));
            log.clear();
            m_archive.GetRestoreArray().clear();
            EXPECT_EQ(RestoreBody(row.cell, row.body), row.result);
            EXPECT_EQ(Body(row.cell), row.after);
            EXPECT_EQ(m_archive.GetRestoreArray(), row.codes);
            Reasons heard;
            for (const UpdateRecord& update : log)
                heard.insert(heard.end(), update.reasons.begin(), update.reasons.end());
            EXPECT_EQ(heard, row.reasons);
            EXPECT_EQ(OpenRecordCount(), 0);
        }
    });
    // The default is never archived, nor re-quantized against a restored domain.
    EXPECT_EQ(count.DefaultValue() + stepped.DefaultValue() + channel.DefaultValue() +
                  gain.DefaultValue(),
              0);
}
