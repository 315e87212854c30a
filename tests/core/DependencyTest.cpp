#include "collections/Transcript.h"
#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <algorithm>
#include <memory>

using namespace moxtest;

class Dependencies : public MoxTest {};

TEST_F(Dependencies, EachLinkIsKeptOnceOnBothSidesAndRemovedFromBoth) {
    using Cells = std::vector<CmoxCell*>;
    CmoxCell a1("A1", 150), a2("A2", 150), b("B", 150), c("C", 150), same("A1", 150);
    a1.AddDependent(&b);
    a1.AddDependent(&b);
    EXPECT_EQ(a1.GetDependents().ToVector(), Cells{&b});
    EXPECT_EQ(b.GetDependees().ToVector(), Cells{&a1});
    EXPECT_EQ(b.FindFirstDependee(), &a1);
    b.RemoveDependencyOn(&a1);
    EXPECT_TRUE(a1.GetDependents().IsEmpty());
    EXPECT_TRUE(b.GetDependees().IsEmpty());
    b.RemoveDependencyOn(&a1); // not a dependency any more: nothing happens
    a1.RemoveDependent(&b);
    b.MakeDependentOn(&a1);
    b.MakeDependentOn(&a2);
    b.MakeDependentOn(&same);
    c.MakeDependentOn(&a1);
    EXPECT_EQ(b.FindDependee("A1"), &a1) << "the first made of equal names";
    EXPECT_EQ(b.FindDependee("A2"), &a2);
    EXPECT_EQ(b.FindDependee("None"), nullptr);
    b.RemoveAllDependees();
    EXPECT_EQ(a1.GetDependents().ToVector(), Cells{&c});
    EXPECT_TRUE(a2.GetDependents().IsEmpty());
    EXPECT_TRUE(b.GetDependees().IsEmpty());
    a1.RemoveAllDependents();
    EXPECT_TRUE(c.GetDependees().IsEmpty());
    {
        CmoxCell dying("Dying", 150);
        dying.MakeDependentOn(&a2);
        c.MakeDependentOn(&dying);
    }
    EXPECT_TRUE(a2.GetDependents().IsEmpty());
    EXPECT_TRUE(c.GetDependees().IsEmpty());
}

TEST_F(Dependencies, ChangedQueuesOwnDependentsThenAncestorsThenDeliversUnlessStopped) {
    UpdateLog log;
    TreeCell root{"Root"};
    TreeCell* scope = root.AddChild("Scope");
    IntCell* gain = scope->Adopt(std::make_unique<IntCell>("Gain"));
    RecordingCell onGain{"OnGain", 150, log}, onScope{"OnScope", 150, log},
        onRoot{"OnRoot", 150, log};
    gain->AddDependent(&onGain);
    scope->AddDependent(&onScope);
    root.AddDependent(&onRoot);
    // Nothing may be delivered before the whole chain is queued: the first Update must already
    // see every ancestor's dependent queued behind it.
    int queuedAtFirstUpdate = -1;
    onGain.onUpdate = [&](CmoxChangedList&) {
        if (queuedAtFirstUpdate < 0)
            queuedAtFirstUpdate = Engine().NotifyList().GetList().GetCount();
    };
    gain->Set(7, 0x10);
    EXPECT_EQ(queuedAtFirstUpdate, 2);
    // Stopped recording queues nothing, not even with notify-now; stops nest.
    Engine().StopRecordingChanges();
    Engine().StopRecordingChanges();
    gain->Set(5);
    gain->Changed(0, MOX_VALUE_CHANGED, 1, nullptr);
    EXPECT_EQ(gain->Get(), 5) << "the value is still stored";
    Engine().StartRecordingChanges();
    EXPECT_FALSE(Engine().RecordChanges());
    Engine().StartRecordingChanges();
    Engine().StartRecordingChanges(); // an extra start keeps the count at zero
    EXPECT_TRUE(Engine().RecordChanges());
    gain->Set(6);
    EXPECT_EQ(Heard(log), "OnGain(Gain:value#16) OnScope(Scope:child) OnRoot(Root:child) "
                          "OnGain(Gain:value) OnScope(Scope:child) OnRoot(Root:child) ");
}

TEST_F(Dependencies, UpdateFunctionsRunOnlyWhenSetAndCyclesRunUntilValuesSettle) {
    // A and B copy each other's value minus one, down to zero: the cycle stops when a setter
    // finds its value unchanged.
    static int calls;
    calls = 0;
    IntCell a("A"), b("B");
    struct Copier {
        static void Run(CmoxCell* self, CmoxChangedList& changes) {
            ++calls;
            auto* other = static_cast<IntCell*>(changes.GetList().front().Cell());
            static_cast<IntCell*>(self)->Set(std::max(0, other->Get() - 1));
        }
    };
    a.AddDependent(&b);
    b.AddDependent(&a);
    EXPECT_EQ(b.UpdateFunction(), nullptr);
    a.Set(10);
    EXPECT_EQ(b.Get(), 0);
    a.UpdateFunction(&Copier::Run);
    b.UpdateFunction(&Copier::Run);
    a.Set(9);
    EXPECT_EQ(a.Get(), 0);
    EXPECT_EQ(b.Get(), 0);
    EXPECT_EQ(calls, 11);
}
