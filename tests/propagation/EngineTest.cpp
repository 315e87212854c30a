#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <atomic>
#include <thread>

using namespace moxtest;

namespace {

class EngineQueue : public MoxTest {
  protected:
    UpdateLog log;
    IntCell source{"Source"};
    RecordingCell state{"State", 150, log};
    RecordingCell ui{"UI", 50, log};
    void SetUp() override {
        source.AddDependent(&state);
        source.AddDependent(&ui);
    }
    void Flush() {
        Engine().BeginTransaction();
        Engine().EndTransaction();
    }
};

} // namespace

TEST_F(EngineQueue, SuppressionNestsAndOnlyTheLastResumeOrTheOutermostEndDelivers) {
    Engine().SuppressNotification();
    Engine().SuppressNotification();
    source.Set(1);
    Engine().ResumeNotification(1);
    EXPECT_TRUE(log.empty());
    Engine().ResumeNotification(1);
    EXPECT_EQ(Order(log), Names{"State"});
    Flush();
    EXPECT_EQ(Order(log), (Names{"State", "UI"}));
    // Resuming without notify restores the policy only.
    Engine().SuppressNotification();
    source.Set(2);
    Engine().ResumeNotification(0);
    EXPECT_EQ(log.size(), 2u);
    EXPECT_EQ(Engine().NotifyList().NotifyPolicy(), MOX_NOTIFY_IMMEDIATE);
    Engine().Notify();
    EXPECT_EQ(log.size(), 3u);
    // The outermost end delivers even while suppressed.
    Engine().SuppressNotification();
    Engine().BeginTransaction();
    source.Set(3);
    Engine().EndTransaction();
    EXPECT_EQ(Order(log), (Names{"State", "UI", "State", "State", "UI"}));
    Engine().ResumeNotification(0);
    // An extra resume makes the count negative, so the next suppress does nothing.
    Engine().ResumeNotification(0);
    EXPECT_EQ(Engine().SuppressionCount(), -1);
    Engine().SuppressNotification();
    EXPECT_EQ(Engine().SuppressionCount(), 0);
    source.Set(4);
    EXPECT_EQ(Order(log).back(), "State") << "not suppressed";
    EXPECT_EQ(log.size(), 6u);
    Flush();
}

TEST_F(EngineQueue, SubTransactionDeliversImmediateAtItsEndAndHandsDeferredOn) {
    Engine().BeginTransaction();
    Engine().SuppressNotification();
    Engine().BeginSubTransaction();
    EXPECT_EQ(Engine().SubTransactionLevel(), 1);
    EXPECT_EQ(Engine().NotifyList().NotifyPolicy(), MOX_NOTIFY_IMMEDIATE)
        << "a fresh sub-transaction list is not suppressed";
    Engine().ResumeNotification(0);
    Engine().SuppressNotification(); // suppress the sub-transaction's own list
    source.Set(1);
    EXPECT_TRUE(log.empty());
    Engine().ResumeNotification(0);
    Engine().EndSubTransaction();
    EXPECT_EQ(Order(log), Names{"State"});
    EXPECT_EQ(Engine().SubTransactionLevel(), 0);
    EXPECT_EQ(Engine().NotifyList().GetList().GetCount(), 1) << "UI waits in the outer list";
    EXPECT_EQ(Engine().NotifyList().NotifyPolicy(), MOX_NOTIFY_NONE)
        << "suppression only switched the list that was current";
    Engine().EndTransaction();
    EXPECT_EQ(Order(log), (Names{"State", "UI"}));
    Engine().SuppressNotification();
    Engine().ResumeNotification(0); // restores the outer list's policy
    // Ending one that was never begun throws, after the immediate entries went out.
    Engine().SuppressNotification();
    source.Set(2);
    Engine().ResumeNotification(0);
    EXPECT_THROW(Engine().EndSubTransaction(), CInvalidArgException);
    EXPECT_EQ(Order(log), (Names{"State", "UI", "State"}));
    Flush();
}

TEST_F(EngineQueue, RemoveFromNotifyListsReachesSavedSubTransactionLists) {
    auto doomed = std::make_unique<RecordingCell>("Doomed", 50, log);
    source.AddDependent(doomed.get());
    Engine().BeginTransaction();
    source.Set(1); // Doomed and UI queued in the outer list
    Engine().BeginSubTransaction();
    source.Set(2); // and again in the sub-transaction's list
    doomed.reset();
    Engine().EndSubTransaction();
    Engine().EndTransaction();
    EXPECT_EQ(Order(log), (Names{"State", "State", "UI"}));
}

TEST_F(EngineQueue, EachThreadHasItsOwnEngineAndAHandOverToItselfKeepsTheQueue) {
    Engine().BeginTransaction();
    source.Set(1); // UI queued here
    Cmox& mainEngine = Engine();
    std::atomic<int> kept{-1}, levelAfter{-1}, updates{-1};
    std::thread worker([&] {
        // A fresh engine of its own: empty, immediate, recording, at level zero.
        Cmox& engine = Cmox::Current();
        EXPECT_EQ(&engine, Cmox::Inst.GetData());
        EXPECT_NE(&engine, &mainEngine);
        ExpectCleanEngine(engine);
        EXPECT_EQ(engine.NotifyList().CutoffPriority(), MOX_CUTOFF_PRIORITY);
        UpdateLog workerLog;
        IntCell workerSource("WorkerSource");
        RecordingCell workerUi("WorkerUI", 50, workerLog);
        workerSource.AddDependent(&workerUi);
        engine.BeginTransaction();
        workerSource.Set(6);
        engine.EndWorkerThreadTransaction(Cmox::Inst);
        kept = engine.NotifyList().GetList().GetCount();
        levelAfter = engine.TransactionLevel();
        engine.BeginTransaction();
        engine.EndTransaction();
        updates = static_cast<int>(workerLog.size());
    });
    worker.join();
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(levelAfter, 0);
    EXPECT_EQ(updates, 1);
    // Ending a worker's transaction does nothing on the main thread.
    Engine().EndWorkerThreadTransaction(Cmox::Inst);
    EXPECT_EQ(Engine().TransactionLevel(), 1);
    EXPECT_EQ(Engine().NotifyList().GetList().GetCount(), 1);
    Engine().EndTransaction();
    EXPECT_EQ(Order(log), (Names{"State", "UI"}));
}

TEST_F(EngineQueue, NestedSubTransactionsKeepOneEntryPerDependentAtEachLevel) {
    // UI waits at every level; each level's changes for it fold into that level's one entry,
    // and the levels fold into one delivery at the end.
    IntCell second("Second");
    second.AddDependent(&ui);
    Engine().BeginTransaction();
    source.Set(1);
    Engine().BeginSubTransaction();
    second.Set(1);
    source.Set(2);
    EXPECT_EQ(Engine().NotifyList().GetList().GetCount(), 1) << "UI once in the inner list";
    Engine().BeginSubTransaction();
    source.Set(3);
    second.Set(2);
    EXPECT_EQ(Engine().NotifyList().GetList().GetCount(), 1);
    EXPECT_EQ(Engine().NotifyList().GetList().GetHead()->Changes().GetCount(), 2);
    Engine().EndSubTransaction();
    EXPECT_EQ(Engine().NotifyList().GetList().GetCount(), 1) << "merged into the inner entry";
    second.Set(3);
    EXPECT_EQ(Engine().NotifyList().GetList().GetCount(), 1);
    Engine().EndSubTransaction();
    EXPECT_EQ(Engine().NotifyList().GetList().GetCount(), 1);
    Engine().EndTransaction();
    // State was told of every change of Source; UI once, of both cells, Source first.
    EXPECT_EQ(Order(log), (Names{"State", "State", "State", "UI"}));
    EXPECT_EQ(log.back().changed, (std::vector<std::string>{"Source", "Second"}));
}

TEST_F(EngineQueue, DependentQueuedAtAnOuterLevelTakesItsPriorityPlaceInTheInnerList) {
    IntCell high("High");
    RecordingCell panel("Panel", 80, log);
    high.AddDependent(&panel);
    Engine().BeginTransaction();
    high.Set(1); // Panel waits in the outer list
    Engine().BeginSubTransaction();
    source.Set(1); // UI (50) is now the inner list's tail
    high.Set(2);   // Panel, queued elsewhere already, goes ahead of the lower UI
    std::vector<std::string> queued;
    for (const NotifyInfo& entry : Engine().NotifyList().GetList())
        queued.push_back(entry.Dependent()->Name());
    EXPECT_EQ(queued, (Names{"Panel", "UI"}));
    Engine().EndSubTransaction();
    Engine().EndTransaction();
    EXPECT_EQ(Order(log), (Names{"State", "Panel", "UI"}));
}
