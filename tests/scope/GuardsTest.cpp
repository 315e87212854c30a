#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <functional>
#include <optional>
#include <stdexcept>

using namespace moxtest;

namespace {

struct Counters {
    int transactions, subTransactions, suppression, recording;
    bool operator==(const Counters& o) const {
        return transactions == o.transactions && subTransactions == o.subTransactions &&
               suppression == o.suppression && recording == o.recording;
    }
};

Counters Read(Cmox& engine) {
    return {engine.TransactionLevel(), engine.SubTransactionLevel(), engine.SuppressionCount(),
            engine.RecordChanges()};
}

// Each guard kind, made and then moved once, so the moved-to guard is the one that ends.
struct GuardKind {
    const char* name;
    std::function<void()> throwInside;
};

template <class Guard, class... Args> void MoveAndThrow(Args... args) {
    Guard guard(args...);
    Guard moved(std::move(guard));
    throw std::runtime_error("inside");
}

class Guards : public MoxTest {};

} // namespace

TEST_F(Guards, RestoreEveryCounterWhenLeftByAnExceptionAlsoInsideOuterLevels) {
    const GuardKind kinds[] = {
        {"Transaction", [] { MoveAndThrow<mox::Transaction>(); }},
        {"Transaction+context",
         [] { MoveAndThrow<mox::Transaction>(Cmox::Current().GetUndoContext("E"), "x"); }},
        {"SubTransaction", [] { MoveAndThrow<mox::SubTransaction>(); }},
        {"SuppressNotifications", [] { MoveAndThrow<mox::SuppressNotifications>(); }},
        {"PauseRecording", [] { MoveAndThrow<mox::PauseRecording>(); }},
    };
    for (const GuardKind& kind : kinds) {
        for (int outer = 0; outer < 2; ++outer) {
            SCOPED_TRACE(std::string(kind.name) + (outer ? " inside outer levels" : ""));
            std::optional<mox::Transaction> t;
            std::optional<mox::SubTransaction> s;
            std::optional<mox::SuppressNotifications> n;
            std::optional<mox::PauseRecording> p;
            if (outer) t.emplace(), s.emplace(), n.emplace(), p.emplace();
            const Counters before = Read(Engine());
            EXPECT_THROW(kind.throwInside(), std::runtime_error);
            EXPECT_TRUE(Read(Engine()) == before);
        }
    }
    Engine().RemoveAllUndoContexts();
}

TEST_F(Guards, ThrowingUpdateAtTheEndIsReportedByTheExplicitEndOnlyAndEndsEither) {
    // Per guard: a dependent whose delivery at the guard's end throws, and one behind it.
    struct Case {
        const char* name;
        unsigned char priority; // of the throwing dependent
        std::function<void(bool explicitEnd, IntCell& cell)> run;
        bool onHistory = false; // the dependents watch the undo context's history instead
        Names heard = {"Thrower", "Behind"};
    };
    const Case cases[] = {
        {"Transaction", MOX_UI_PRIORITY,
         [](bool explicitEnd, IntCell& cell) {
             mox::Transaction t(Cmox::Current().GetUndoContext("E"), "x");
             cell.Set(cell.Get() + 1);
             if (explicitEnd) t.Commit();
         }},
        {"SubTransaction", MOX_STATE_PRIORITY,
         [](bool explicitEnd, IntCell& cell) {
             mox::SubTransaction s;
             cell.Changed(0, MOX_VALUE_CHANGED, 0, nullptr); // queued until the end
             if (explicitEnd) s.End();
         }},
        {"SuppressNotifications", MOX_STATE_PRIORITY,
         [](bool explicitEnd, IntCell& cell) {
             mox::SuppressNotifications n;
             cell.Set(cell.Get() + 1);
             if (explicitEnd) n.End();
         }},
        {"Transaction, history client", MOX_UI_PRIORITY,
         [](bool explicitEnd, IntCell& cell) {
             mox::Transaction t(Cmox::Current().GetUndoContext("E"), "x");
             cell.Set(cell.Get() + 1);
             if (explicitEnd) t.Commit();
         },
         true, Names{"Thrower"}}, // the clients are told from a list of the context's own
    };
    for (const Case& c : cases) {
        for (bool explicitEnd : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (explicitEnd ? " explicit end" : " destructor"));
            UpdateLog log;
            IntCell cell("Cell");
            RecordingCell thrower("Thrower", c.priority, log), behind("Behind", c.priority, log);
            CmoxCell* watched =
                c.onHistory ? Engine().GetUndoContext("E")->GetChangeNotifier() : &cell;
            thrower.MakeDependentOn(watched);
            behind.MakeDependentOn(watched);
            thrower.onUpdate = [](CmoxChangedList&) { throw std::runtime_error("update"); };
            const Counters before = Read(Engine());
            if (explicitEnd)
                EXPECT_THROW(c.run(explicitEnd, cell), std::runtime_error);
            else
                EXPECT_NO_THROW(c.run(explicitEnd, cell));
            EXPECT_TRUE(Read(Engine()) == before);
            EXPECT_EQ(Order(log), c.heard);
        }
    }
    // The transaction's step was kept both times, though its delivery failed.
    EXPECT_EQ(Engine().GetUndoContext("E")->UndoDescriptions().size(), 4u);
    Engine().RemoveAllUndoContexts();
}
