#include "collections/Transcript.h"
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

// A history with one step to undo and one to redo, and cells of every kind of recorded change.
class Rollback : public MoxTest {
  protected:
    Rollback() {
        ctx = Engine().GetUndoContext("Edit");
        level.InitRange(0, 100);
        list.Add(new CmoxLongCell("First", 1));
        for (const char* step : {"Older", "Undone"}) {
            mox::Transaction t(ctx, step);
            gain.Value(gain.Value() + 1);
        }
        Engine().Undo(ctx, 1);
        ctx->MarkClean();
        state.UndoNotify(1);
        for (CmoxCell* watcher : {&state, &display})
            for (CmoxCell* cell : std::initializer_list<CmoxCell*>{&gain, &level, &list})
                watcher->MakeDependentOn(cell);
    }
    // Changes value, default, range and the array's elements, in one transaction.
    void ChangeEverything() {
        gain.Value(40L);
        gain.MakeCurrentDefault();
        gain.Value(41L);
        level.SetRange(10, 20);
        level.Value(static_cast<unsigned char>(15));
        list.Add(new CmoxLongCell("Second", 2));
        list.Remove(0, 1);
    }
    // Value, default, range, elements and history, in one line.
    std::string State() {
        std::string text = std::to_string(gain.Value()) + " " +
                           std::to_string(gain.DefaultValue()) + " " +
                           std::to_string(level.Value()) + " " + std::to_string(level.Min()) + "-" +
                           std::to_string(level.Max());
        for (int i = 0; i < list.GetSize(); ++i)
            text += " " + list.GetAt(i)->Name();
        for (const Names& steps : {ctx->UndoDescriptions(), ctx->RedoDescriptions()})
            for (const std::string& step : steps)
                text += " " + step;
        return text + (ctx->IsClean() ? " clean" : "");
    }
    const std::string kBefore = "1 0 0 0-100 First Older Undone clean";

    CmoxUndoContext* ctx;
    CmoxLongCell gain{"Gain", 0};
    CmoxByteCell level{"Level", 0};
    CmoxArrayCell list{"List"};
    UpdateLog log;
    RecordingCell state{"State", MOX_STATE_PRIORITY, log};
    RecordingCell display{"Display", MOX_UI_PRIORITY, log};
};

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

TEST_F(Rollback, PutsBackValuesDefaultsRangesAndElementsAsAnUndoDoesWithoutAStep) {
    {
        mox::Transaction t(ctx, "Dialog");
        ChangeEverything();
        log.clear();
        t.Rollback();
        EXPECT_FALSE(t.Active());
    }
    EXPECT_EQ(State(), kBefore);
    // As an undo tells them: each restored cell on its own, state dependents with UndoNotify
    // set, then the display's deferred delivery at the end.
    EXPECT_EQ(Heard(log), "State(Gain:value) Display(Gain:value) State(Level:value) "
                          "Display(Level:value) State(List:value) Display(List:value) "
                          "Display(Gain:value,Level:value,List:value) ");
    EXPECT_EQ(Engine().UndoContext(), nullptr);
    // An exception rolls back too, unless opted out.
    for (bool optOut : {false, true}) {
        try {
            mox::Transaction t(ctx, "Dialog");
            if (optOut) t.RollbackOnException(false);
            ChangeEverything();
            throw std::runtime_error("failed");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(State(), optOut ? "41 40 15 10-20 Second Dialog Older" : kBefore);
    }
}

TEST_F(Rollback, IsRefusedUnchangedWhenInnerWithoutContextOrEnded) {
    {
        mox::Transaction plain;
        EXPECT_THROW(plain.Rollback(), mox::TransactionError);
        EXPECT_TRUE(plain.Active());
    }
    mox::Transaction outer(ctx, "Dialog");
    gain.Value(7L);
    {
        mox::Transaction inner(ctx, "Inner");
        EXPECT_FALSE(inner.CanRollback());
        EXPECT_THROW(inner.Rollback(), mox::TransactionError);
        EXPECT_THROW(outer.Rollback(), mox::TransactionError); // inner still open
        EXPECT_EQ(Engine().TransactionLevel(), 2);
    }
    EXPECT_EQ(gain.Value(), 7);
    outer.Commit();
    EXPECT_THROW(outer.Rollback(), mox::TransactionError);
    EXPECT_EQ(ctx->UndoDescriptions(), (Names{"Dialog", "Older"}));
}
