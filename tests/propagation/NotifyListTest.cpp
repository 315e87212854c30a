#include "collections/Transcript.h"
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
    RecordingCell atCutoff{"AtCutoff", 100, log};

    void QueueAll(CmoxNotifyList& list) {
        for (CmoxCell* d : std::initializer_list<CmoxCell*>{&ui, &s1, &top, &s2})
            list.Add(d, &source, 0, MOX_VALUE_CHANGED);
    }
};

class ChangedList : public MoxTest {};

// Combines user data by addition, to prove Add goes through the cell's CombineUserData.
class AddingCell : public CmoxCell {
  public:
    AddingCell() : CmoxCell("Adder", 150) {}
    unsigned long CombineUserData(unsigned long a, unsigned long b) override { return a + b; }
};

} // namespace

TEST_F(NotifyList, QueuedByPriorityThenArrivalPolicyDecidesWhatNotifyDelivers) {
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
    for (CmoxCell* d : std::initializer_list<CmoxCell*>{&urgent, &ui, &s1})
        x.AddDependent(d);
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
    EXPECT_EQ(Heard(log), "Top(A:value) S1(B:value#5,A:range#2) UI(B:value#8) ");
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
    EXPECT_EQ(Heard(log), "Top(Source:value) S2() ");
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

// Run on a short list and on one long enough to be indexed, with an entry removed before the
// last merge (the index must follow the shift).
TEST_F(ChangedList, RepeatedReportsMergeIntoOneEntryThatKeepsItsPlace) {
    for (int fillers : {0, 20}) {
        SCOPED_TRACE(fillers);
        std::vector<std::unique_ptr<CmoxCell>> cells;
        CmoxChangedList list;
        for (int i = 0; i < fillers; ++i) {
            cells.push_back(std::make_unique<CmoxCell>(std::to_string(i).c_str(), 150));
            list.Add(cells.back().get(), 1u << (i % 8), MOX_CHILD_ADDED);
        }
        CmoxCell a("A", 150);
        AddingCell b; // merges through its own CombineUserData
        list.Add(&a, 0, MOX_RANGE_CHANGED);
        EXPECT_EQ(list.GetChangeReason(&a), MOX_RANGE_CHANGED);
        list.Add(&a, 5, MOX_RANGE_CHANGED);
        EXPECT_EQ(list.GetUserData(&a), 5u) << "a zero word takes the new one";
        EXPECT_EQ(list.GetChangeReason(&a), MOX_VALUE_CHANGED) << "a second report always merges";
        list.Add(&b, 3, MOX_CHILD_ADDED);
        list.Add(&b, 3, MOX_CHILD_ADDED);
        list.Add(&b, 0, MOX_CHILD_ADDED); // a zero word changes nothing
        EXPECT_EQ(list.GetUserData(&b), 6u);
        int count = fillers + 2;
        if (fillers > 0) {
            list.Remove(cells[3].get());
            list.Add(cells[9].get(), 0x100, MOX_CHILD_ADDED);
            EXPECT_EQ(list.ContainsPtr(cells[3].get()), nullptr);
            EXPECT_EQ(list.GetUserData(cells[9].get()), 0x102u);
            EXPECT_EQ(list.GetList()[8].Cell(), cells[9].get());
            --count;
        }
        list.Add(&a, 0, MOX_DEFAULT_CHANGED);
        ASSERT_EQ(list.GetCount(), count);
        EXPECT_EQ(list.GetList()[count - 2].Cell(), &a) << "a merged entry keeps its place";
        EXPECT_EQ(list.GetList()[count - 1].Cell(), &b);
    }
}

// The name, user-name and path queries return the first match in list order; a cell without a
// user name has the empty one; a full path includes the root; a partial path matches the tail
// character-wise ("Scope\Gain" is also the tail of "\Root\MyScope\Gain"), and a path shorter
// than the pattern matches nothing. Absent cells report no change and no user data.
TEST_F(ChangedList, QueriesReturnTheFirstMatchAndAbsentCellsReportNothing) {
    TreeCell root("Root");
    TreeCell* scope = root.AddChild("Scope");
    TreeCell* gain = scope->AddChild("Gain");
    TreeCell* otherGain = root.AddChild("MyScope")->AddChild("Gain");
    CmoxCell plain("Plain", 150), absent("Absent", 150);
    scope->UserName("Label");
    CmoxChangedList list;
    list.Add(&plain, 0, MOX_VALUE_CHANGED);
    list.Add(otherGain, 1, MOX_VALUE_CHANGED);
    list.Add(scope, 0, MOX_VALUE_CHANGED);
    list.Add(gain, 2, MOX_RANGE_CHANGED);
    std::string found;
    for (CmoxCell* cell :
         {list.Contains("Gain"), list.Contains("gain"), list.ContainsPtr(&absent),
          list.ContainsPtr(gain), list.ContainsUser("Label"), list.ContainsUser(""),
          list.ContainsFull("\\Root\\Scope\\Gain"), list.ContainsFull("\\Scope\\Gain"),
          list.ContainsPartial("Scope\\Gain"), list.ContainsPartial("\\Scope\\Gain"),
          list.ContainsPartial("Gain"), list.ContainsPartial("\\Root\\Root\\Scope\\Gain"),
          list.ContainsPartial("\\Plain")})
        found += (cell != nullptr ? cell->PathName() : "-") + " ";
    EXPECT_EQ(
        found,
        R"(\Root\MyScope\Gain - - \Root\Scope\Gain \Root\Scope \Plain )"
        R"(\Root\Scope\Gain - \Root\MyScope\Gain \Root\Scope\Gain \Root\MyScope\Gain - \Plain )");
    EXPECT_EQ(list.GetUserData("Gain"), 1u);
    EXPECT_EQ(list.GetChangeReason(gain), MOX_RANGE_CHANGED);
    for (MoxChangeReason reason : {list.GetChangeReason(&absent), list.GetChangeReason("Absent")})
        EXPECT_EQ(reason, MOX_NO_CHANGE);
    EXPECT_EQ(list.GetUserData(&absent) + list.GetUserData("Absent"), 0u);
    list.Remove(&absent);
    list.Remove(otherGain);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.Contains("Gain"), gain);
}
