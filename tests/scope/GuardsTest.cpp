#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <array>
#include <optional>
#include <stdexcept>

using namespace moxtest;

namespace {

// Transaction and sub-transaction levels, suppression count, recording flag.
using Counters = std::array<int, 4>;
Counters Read(Cmox& engine) {
    return {engine.TransactionLevel(), engine.SubTransactionLevel(), engine.SuppressionCount(),
            engine.RecordChanges()};
}

// Each guard kind is made and then moved once, so the moved-to guard is the one that ends.
template <class Guard, class... Args> void MoveAndThrow(Args... args) {
    Guard guard(args...);
    Guard moved(std::move(guard));
    throw std::runtime_error("inside");
}

class Guards : public MoxTest {};

} // namespace

TEST_F(Guards, RestoreEveryCounterWhenLeftByAnExceptionAlsoInsideOuterLevels) {
    const std::pair<const char*, void (*)()> kinds[] = {
        {"Transaction", [] { MoveAndThrow<mox::Transaction>(); }},
        {"Transaction+context",
         [] { MoveAndThrow<mox::Transaction>(Cmox::Current().GetUndoContext("E"), "x"); }},
        {"SubTransaction", [] { MoveAndThrow<mox::SubTransaction>(); }},
        {"SuppressNotifications", [] { MoveAndThrow<mox::SuppressNotifications>(); }},
        {"PauseRecording", [] { MoveAndThrow<mox::PauseRecording>(); }},
    };
    for (const auto& [name, throwInside] : kinds) {
        for (int outer = 0; outer < 2; ++outer) {
            SCOPED_TRACE(std::string(name) + (outer ? " inside outer levels" : ""));
            std::optional<mox::Transaction> t;
            std::optional<mox::SubTransaction> s;
            std::optional<mox::SuppressNotifications> n;
            std::optional<mox::PauseRecording> p;
            if (outer) t.emplace(), s.emplace(), n.emplace(), p.emplace();
            const Counters before = Read(Engine());
            EXPECT_THROW(throwInside(), std::runtime_error);
            EXPECT_EQ(Read(Engine()), before);
        }
    }
}

TEST_F(Guards, ThrowingUpdateAtTheEndIsReportedByTheExplicitEndOnlyAndEndsEither) {
    // Per guard: a dependent whose delivery at the guard's end throws, and one behind it. The
    // history's clients are told from a list of the context's own: the one behind is not told.
    enum Kind { kTransaction, kSubTransaction, kSuppression, kHistory };
    for (Kind kind : {kTransaction, kSubTransaction, kSuppression, kHistory}) {
        for (bool explicitEnd : {true, false}) {
            SCOPED_TRACE(testing::Message() << kind << (explicitEnd ? " explicit end" : ""));
            UpdateLog log;
            IntCell cell("Cell");
            const unsigned char priority = kind == kSubTransaction || kind == kSuppression
                                               ? MOX_STATE_PRIORITY
                                               : MOX_UI_PRIORITY;
            RecordingCell thrower("Thrower", priority, log), behind("Behind", priority, log);
            CmoxCell* watched =
                kind == kHistory ? Engine().GetUndoContext("E")->GetChangeNotifier() : &cell;
            thrower.MakeDependentOn(watched);
            behind.MakeDependentOn(watched);
            thrower.onUpdate = [](CmoxChangedList&) { throw std::runtime_error("update"); };
            auto run = [&] {
                if (kind == kSubTransaction) {
                    mox::SubTransaction s;
                    cell.Changed(0, MOX_VALUE_CHANGED, 0, nullptr); // queued until the end
                    if (explicitEnd) s.End();
                } else if (kind == kSuppression) {
                    mox::SuppressNotifications n;
                    cell.Set(cell.Get() + 1);
                    if (explicitEnd) n.End();
                } else {
                    mox::Transaction t(Cmox::Current().GetUndoContext("E"), "x");
                    cell.Set(cell.Get() + 1);
                    if (explicitEnd) t.Commit();
                }
            };
            const Counters before = Read(Engine());
            if (explicitEnd)
                EXPECT_THROW(run(), std::runtime_error);
            else
                EXPECT_NO_THROW(run());
            EXPECT_EQ(Read(Engine()), before);
            EXPECT_EQ(Order(log),
                      (kind == kHistory ? Names{"Thrower"} : Names{"Thrower", "Behind"}));
        }
    }
    // The transaction's step was kept both times, though its delivery failed.
    EXPECT_EQ(Engine().GetUndoContext("E")->UndoDescriptions().size(), 4u);
}
