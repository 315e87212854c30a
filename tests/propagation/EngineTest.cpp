#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

using namespace moxtest;

namespace {

class EngineQueue : public MoxTest {
  protected:
    UpdateLog log;
    IntCell source{"Source"}, second{"Second"}, high{"High"};
    RecordingCell state{"State", 150, log};
    RecordingCell panel{"Panel", 80, log};
    RecordingCell ui{"UI", 50, log};
    std::unique_ptr<RecordingCell> doomed;
    void SetUp() override {
        source.AddDependent(&state);
        source.AddDependent(&ui);
        second.AddDependent(&ui);
        high.AddDependent(&panel);
    }

    // Runs one engine operation per character and echoes it, followed by what it delivered:
    //   [ ] transaction, ( ) sub-transaction, s suppress, r / R resume without / with notify,
    //   n notify, 1 2 3 change Source / Second / High, D d make / destroy a UI dependent of
    //   Source, ? the engine's state:
    //   <transaction level, sub-transaction level, suppression count, policy: queue>, where
    //   the policy is N(one), I(mmediate) or A(ll) and each entry shows its number of changes.
    // An operation that throws shows "!".
    std::string Run(const char* script) {
        Cmox& engine = Engine();
        const std::map<char, std::function<void()>> ops = {
            {'[', [&] { engine.BeginTransaction(); }},
            {']', [&] { engine.EndTransaction(); }},
            {'(', [&] { engine.BeginSubTransaction(); }},
            {')', [&] { engine.EndSubTransaction(); }},
            {'s', [&] { engine.SuppressNotification(); }},
            {'r', [&] { engine.ResumeNotification(0); }},
            {'R', [&] { engine.ResumeNotification(1); }},
            {'n', [&] { engine.Notify(); }},
            {'1', [&] { source.Set(source.Get() + 1); }},
            {'2', [&] { second.Set(second.Get() + 1); }},
            {'3', [&] { high.Set(high.Get() + 1); }},
            {'D',
             [&] {
                 doomed = std::make_unique<RecordingCell>("Doomed", 50, log);
                 source.AddDependent(doomed.get());
             }},
            {'d', [&] { doomed.reset(); }},
        };
        std::string out;
        for (const char* op = script; *op != '\0'; ++op) {
            const std::size_t before = log.size();
            out += *op;
            if (*op == '?') {
                out += "<" + std::to_string(engine.TransactionLevel()) + " " +
                       std::to_string(engine.SubTransactionLevel()) + " " +
                       std::to_string(engine.SuppressionCount()) + " " +
                       "NIA"[engine.NotifyList().NotifyPolicy()] + ":";
                for (const NotifyInfo& entry : engine.NotifyList().GetList())
                    out += std::string(" ") + entry.Dependent()->Name() + "/" +
                           std::to_string(entry.Changes().GetCount());
                out += ">";
            } else {
                try {
                    ops.at (*op)();
                } catch (const CException&) {
                    out += '!';
                }
            }
            for (std::size_t i = before; i < log.size(); ++i)
                out += (i == before ? "{" : " ") + log[i].cell + (i + 1 == log.size() ? "}" : "");
        }
        return out;
    }
};

} // namespace

// Suppression nests: only the last resume with notify delivers, a resume without notify only
// restores the policy, the outermost end delivers even while suppressed, and an extra resume
// makes the count negative so that the next suppress does nothing.
TEST_F(EngineQueue, SuppressionNestsAndOnlyTheLastResumeOrTheOutermostEndDelivers) {
    EXPECT_EQ(Run("ss1RR[]s1r?ns[1]rr?s?1[]"),
              "ss1RR{State}[]{UI}s1r?<0 0 0 I: State/1 UI/1>n{State}s[1]{State UI}rr?<0 0 -1 I:>"
              "s?<0 0 0 I:>1{State}[]{UI}");
}

// A sub-transaction has a fresh list of its own (not suppressed), delivers its immediate
// entries at its end and hands the rest to the enclosing list; ending one that was never begun
// throws, after the immediate entries went out.
TEST_F(EngineQueue, SubTransactionDeliversImmediateAtItsEndAndHandsDeferredOn) {
    EXPECT_EQ(Run("[s(?rs1r)?]sr?s1r)[]"), "[s(?<1 1 1 I:>rs1r){State}?<1 0 0 N: UI/1>]{UI}"
                                           "sr?<0 0 0 I:>s1r)!{State}[]{UI}");
}

// UI waits at every level; each level's changes for it fold into that level's one entry, and
// the levels fold into one delivery at the end, Source first. A dependent queued at an outer
// level takes its priority place in the inner list.
TEST_F(EngineQueue, NestedSubTransactionsKeepOneEntryPerDependentAtEachLevel) {
    EXPECT_EQ(Run("[1(21?(12?)?2?)?]"), "[1{State}(21{State}?<1 1 0 I: UI/2>(1{State}2"
                                        "?<1 2 0 I: UI/2>)?<1 1 0 I: UI/2>2?<1 1 0 I: UI/2>)"
                                        "?<1 0 0 I: UI/2>]{UI}");
    EXPECT_EQ(log.back().changed, (std::vector<std::string>{"Source", "Second"}));
    log.clear();
    EXPECT_EQ(Run("[3(13?)]"), "[3(1{State}3?<1 1 0 I: Panel/1 UI/1>)]{Panel UI}");
}

// A dependent that dies while queued in an outer list and in a sub-transaction's list is
// removed from both: nothing reaches it.
TEST_F(EngineQueue, RemoveFromNotifyListsReachesSavedSubTransactionLists) {
    EXPECT_EQ(Run("D[1(1d)]"), "D[1{State}(1{State}d)]{UI}");
}

TEST_F(EngineQueue, EachThreadHasItsOwnEngineAndAHandOverToItselfKeepsTheQueue) {
    Engine().BeginTransaction();
    source.Set(1); // UI queued here
    Cmox* mainEngine = &Engine();
    std::string worker; // own engine, entries kept and level after the hand-over, updates
    std::thread([&] {
        Cmox& engine = Cmox::Current();
        ExpectCleanEngine(engine);
        UpdateLog workerLog;
        IntCell workerSource("WorkerSource");
        RecordingCell workerUi("WorkerUI", 50, workerLog);
        workerSource.AddDependent(&workerUi);
        engine.BeginTransaction();
        workerSource.Set(6);
        engine.EndWorkerThreadTransaction(Cmox::Inst);
        worker = std::to_string(&engine == Cmox::Inst.GetData() && &engine != mainEngine) + " " +
                 std::to_string(engine.NotifyList().GetList().GetCount()) + " " +
                 std::to_string(engine.TransactionLevel());
        engine.BeginTransaction();
        engine.EndTransaction();
        worker += " " + std::to_string(workerLog.size());
    }).join();
    EXPECT_EQ(worker, "1 1 0 1");
    // Ending a worker's transaction does nothing on the main thread.
    Engine().EndWorkerThreadTransaction(Cmox::Inst);
    EXPECT_EQ(Run("?]"), "?<1 0 0 I: UI/1>]{UI}");
}
