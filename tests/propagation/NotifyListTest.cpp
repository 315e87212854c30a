#include "propagation/Transcript.h"
#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <memory>

using namespace moxtest;

namespace {

std::vector<std::string> Queue(const CmoxNotifyList& list) {
    std::vector<std::string> names;
    for (const NotifyInfo& entry : list.GetList())
        names.push_back(entry.Dependent()->Name());
    return names;
}

class NotifyList : public MoxTest {
  protected:
    UpdateLog log;
    CmoxCell source{"Source", 150};
    RecordingCell ui{"UI", 50, log};
    RecordingCell s1{"S1", 150, log};
    RecordingCell top{"Top", 200, log};
    RecordingCell s2{"S2", 150, log};

    void QueueAll(CmoxNotifyList& list) {
        for (CmoxCell* d : std::initializer_list<CmoxCell*>{&ui, &s1, &top, &s2})
            list.Add(d, &source, 0, MOX_VALUE_CHANGED);
    }
};

} // namespace

TEST_F(NotifyList, QueuedByPriorityThenArrivalPolicyDecidesWhatNotifyDelivers) {
    RecordingCell atCutoff("AtCutoff", 100, log);
    RecordingCell below("Below", 99, log);
    const struct {
        MoxNotifyPolicy policy;
        Names delivered;
        Names left;
    } rows[] = {
        // Queued by priority, equal priorities in arrival order; explicit delivery ignores the
        // policy.
        {MOX_NOTIFY_IMMEDIATE, {"Top", "S1", "S2", "AtCutoff"}, {"Below", "UI"}},
        {MOX_NOTIFY_ALL, {"Top", "S1", "S2", "AtCutoff", "Below", "UI"}, {}},
        {MOX_NOTIFY_NONE, {}, {"Top", "S1", "S2", "AtCutoff", "Below", "UI"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.policy);
        log.clear();
        CmoxNotifyList list(row.policy);
        QueueAll(list);
        list.Add(&atCutoff, &source, 0, MOX_VALUE_CHANGED);
        list.Add(&below, &source, 0, MOX_VALUE_CHANGED);
        list.Add(&s1, &below, 0, MOX_RANGE_CHANGED); // merged into its entry, which keeps its place
        list.Notify();
        EXPECT_EQ(Order(log), row.delivered);
        EXPECT_EQ(Queue(list), row.left);
        list.NotifyImmediateCells(); // whatever the policy, down to the cutoff
        EXPECT_EQ(Queue(list), row.left.empty() ? Names{} : (Names{"Below", "UI"}));
        list.NotifyDeferredCells();
        EXPECT_EQ(Order(log), (Names{"Top", "S1", "S2", "AtCutoff", "Below", "UI"}));
    }
}

TEST_F(NotifyList, ReentrantChangesJoinTheRunningDelivery) {
    // S1's update changes X; X's dependents (one above everything left, one below the cutoff,
    // and S1 itself) are queued into the same list while it delivers.
    IntCell x("X");
    RecordingCell urgent("Urgent", 180, log);
    x.AddDependent(&urgent);
    x.AddDependent(&ui);
    x.AddDependent(&s1);
    int nestedQueueSize = -1;
    s1.onUpdate = [&](CmoxChangedList&) {
        if (x.Get() == 0) {
            x.Set(1); // its own Changed calls Notify, which must return at once
            nestedQueueSize = Cmox::Current().NotifyList().GetList().GetCount();
        }
    };
    s1.MakeDependentOn(&source);
    s2.MakeDependentOn(&source);
    Cmox::Current().AddNotify(&source, 0, MOX_VALUE_CHANGED);
    Cmox::Current().Notify();
    EXPECT_EQ(nestedQueueSize, 4) << "Urgent, S2, S1 again and UI wait for the outer loop";
    // Urgent outranks S2; S1 was unlinked before its Update, so it is queued afresh behind S2.
    EXPECT_EQ(Order(log), (Names{"S1", "Urgent", "S2", "S1"}));
    EXPECT_EQ(Queue(Cmox::Current().NotifyList()), Names{"UI"});
    Cmox::Current().BeginTransaction();
    Cmox::Current().EndTransaction(); // the outermost end delivers the deferred UI entry
    EXPECT_EQ(Order(log).back(), "UI");
}

// Deferred and undo lists pick dependents by priority and flag; a merge folds each entry's
// changes into the target's entry and leaves the source list as it was.
TEST_F(NotifyList, AddDeferredUndoNotificationAndMergeBuildTheirLists) {
    RecordingCell atCutoff("AtCutoff", 100, log);
    RecordingCell notifiedState("NotifiedState", 150, log);
    notifiedState.UndoNotify(1);
    for (CmoxCell* d : std::initializer_list<CmoxCell*>{&ui, &s1, &top, &atCutoff, &notifiedState})
        source.AddDependent(d);
    CmoxNotifyList deferred, undo;
    deferred.AddDeferred(&source, 0, MOX_VALUE_CHANGED);
    undo.AddUndoNotification(&source, 0, MOX_VALUE_CHANGED);
    EXPECT_EQ(Queue(deferred), (Names{"AtCutoff", "UI"}));
    EXPECT_EQ(Queue(undo), (Names{"NotifiedState", "AtCutoff", "UI"}));

    CmoxCell a("A", 150), b("B", 150);
    CmoxNotifyList target, other;
    target.Add(&s1, &b, 1, MOX_VALUE_CHANGED);
    other.Add(&s1, &a, 2, MOX_RANGE_CHANGED);
    other.Add(&top, &a, 0, MOX_VALUE_CHANGED);
    other.Add(&ui, &b, 8, MOX_VALUE_CHANGED);
    other.Add(&s1, &b, 5, MOX_VALUE_CHANGED);
    target.Merge(other);
    EXPECT_EQ(Queue(other), (Names{"Top", "S1", "UI"}));
    target.NotifyDeferredCells();
    EXPECT_EQ(Transcript(log), "Top(A:1/0) S1(B:1/5 A:2/2) UI(B:1/8)");
    other.RemoveAll();
}

TEST_F(NotifyList, CellDestroyedDuringDeliveryIsNeitherUpdatedNorListed) {
    auto doomed = std::make_unique<RecordingCell>("Doomed", 150, log);
    CmoxCell* doomedRaw = doomed.get();
    source.AddDependent(&top);
    source.AddDependent(doomedRaw);
    doomedRaw->AddDependent(&s2);
    top.onUpdate = [&](CmoxChangedList&) { doomed.reset(); };
    Cmox::Current().AddNotify(&source, 0, MOX_VALUE_CHANGED);
    Cmox::Current().AddNotify(doomedRaw, 0, MOX_VALUE_CHANGED);
    Cmox::Current().Notify();
    EXPECT_EQ(Transcript(log), "Top(Source:1/0) S2()");
}

TEST_F(NotifyList, EngineQueueFollowsAPriorityChangeExactlyAndRecovers) {
    Cmox& engine = Cmox::Current();
    for (CmoxCell* d : std::initializer_list<CmoxCell*>{&ui, &s1, &top, &s2})
        source.AddDependent(d);
    engine.AddNotify(&source, 0, MOX_VALUE_CHANGED); // Top, S1, S2, UI
    s1.Priority(90);                                 // stays in place, now below S2 and the cutoff
    RecordingCell late("Late", 120, log);
    source.AddDependent(&late);
    engine.AddNotify(&source, 0, MOX_VALUE_CHANGED);
    // Walking from the head, S2's walk stops at S1 (now 90) before its own entry and makes a
    // second one there; Late (120) also goes before S1, not after S2 where its priority belongs.
    const Names walked{"Top", "S2", "Late", "S1", "S2", "UI"};
    EXPECT_EQ(Queue(engine.NotifyList()), walked);
    engine.Notify(); // the immediate delivery stops at S1, by its priority now
    EXPECT_EQ(Order(log), (Names{"Top", "S2", "Late"}));
    engine.BeginTransaction();
    engine.EndTransaction();
    EXPECT_EQ(Order(log), walked);
    // Drained: placement by the current priorities again.
    log.clear();
    engine.AddNotify(&source, 0, MOX_VALUE_CHANGED);
    EXPECT_EQ(Queue(engine.NotifyList()), (Names{"Top", "S2", "Late", "S1", "UI"}));
    engine.BeginTransaction();
    engine.EndTransaction();
}

TEST_F(NotifyList, ThrowingUpdateLeavesTheRestQueuedAndTheListUsable) {
    CmoxNotifyList list;
    QueueAll(list);
    top.onUpdate = [&](CmoxChangedList&) {
        list.NotifyImmediateCells(); // inside a delivery these return at once
        list.NotifyDeferredCells();
        throw std::runtime_error("boom");
    };
    EXPECT_THROW(list.Notify(), std::runtime_error);
    EXPECT_EQ(Queue(list), (Names{"S1", "S2", "UI"}));
    list.Notify();
    EXPECT_EQ(Order(log), (Names{"Top", "S1", "S2"}));
    list.RemoveAll();
}
