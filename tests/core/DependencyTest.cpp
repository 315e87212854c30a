#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <algorithm>
#include <memory>

using namespace moxtest;

class Dependencies : public MoxTest {};

// Root > Scope > Gain, each with one state dependent.
class Chain : public MoxTest {
  protected:
    UpdateLog log;
    TreeCell root{"Root"};
    TreeCell* scope = root.AddChild("Scope");
    IntCell* gain = scope->Adopt(std::make_unique<IntCell>("Gain"));
    RecordingCell onGain{"OnGain", 150, log}, onScope{"OnScope", 150, log},
        onRoot{"OnRoot", 150, log};
    void SetUp() override {
        gain->AddDependent(&onGain);
        scope->AddDependent(&onScope);
        root.AddDependent(&onRoot);
    }
};

static std::vector<CmoxCell*> Cells(const CmoxCellList& list) {
    return list.ToVector();
}

TEST_F(Dependencies, EachLinkIsKeptOnceOnBothSidesAndRemovedFromBoth) {
    CmoxCell a1("A1", 150), a2("A2", 150), b("B", 150), c("C", 150);
    a1.AddDependent(&b);
    a1.AddDependent(&b);
    EXPECT_EQ(Cells(a1.GetDependents()), std::vector<CmoxCell*>{&b});
    EXPECT_EQ(Cells(b.GetDependees()), std::vector<CmoxCell*>{&a1});
    EXPECT_EQ(b.FindFirstDependee(), &a1);
    b.RemoveDependencyOn(&a1);
    EXPECT_TRUE(a1.GetDependents().IsEmpty());
    EXPECT_TRUE(b.GetDependees().IsEmpty());
    b.RemoveDependencyOn(&a1); // not a dependency any more: nothing happens
    a1.RemoveDependent(&b);
    b.MakeDependentOn(&a1);
    b.MakeDependentOn(&a2);
    c.MakeDependentOn(&a1);
    b.RemoveAllDependees();
    EXPECT_EQ(Cells(a1.GetDependents()), std::vector<CmoxCell*>{&c});
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

TEST_F(Dependencies, FindDependeeReturnsTheFirstMadeOfEqualNames) {
    CmoxCell first("Same", 150), second("Same", 150), other("Other", 150), b("B", 150);
    b.MakeDependentOn(&first);
    b.MakeDependentOn(&other);
    b.MakeDependentOn(&second);
    EXPECT_EQ(b.FindDependee("Same"), &first);
    EXPECT_EQ(b.FindDependee("Other"), &other);
    EXPECT_EQ(b.FindDependee("None"), nullptr);
}

TEST_F(Chain, ChangedQueuesOwnDependentsThenAncestorsThenDelivers) {
    // Nothing may be delivered before the whole chain is queued: the first Update must already
    // see every ancestor's dependent queued behind it.
    int queuedAtFirstUpdate = -1;
    onGain.onUpdate = [&](CmoxChangedList&) {
        if (queuedAtFirstUpdate < 0)
            queuedAtFirstUpdate = Cmox::Current().NotifyList().GetList().GetCount();
    };
    gain->Set(7, 0x10);
    EXPECT_EQ(Order(log), (std::vector<std::string>{"OnGain", "OnScope", "OnRoot"}));
    EXPECT_EQ(queuedAtFirstUpdate, 2);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].reasons, std::vector<MoxChangeReason>{MOX_VALUE_CHANGED});
    EXPECT_EQ(log[0].userData, std::vector<unsigned long>{0x10});
    EXPECT_EQ(log[1].changed, std::vector<std::string>{"Scope"});
    EXPECT_EQ(log[1].reasons, std::vector<MoxChangeReason>{MOX_CHILD_CHANGED});
    EXPECT_EQ(log[1].userData, std::vector<unsigned long>{0});
    EXPECT_EQ(log[2].changed, std::vector<std::string>{"Root"});
}

// The NotifyParent flag is checked through both collections in the composite tests.

TEST_F(Dependencies, StoppedRecordingQueuesNothingEvenWithNotifyNow) {
    UpdateLog log;
    TreeCell root("Root");
    IntCell* child = root.Adopt(std::make_unique<IntCell>("Child"));
    RecordingCell onChild("OnChild", 150, log), onRoot("OnRoot", 150, log);
    child->AddDependent(&onChild);
    root.AddDependent(&onRoot);
    Engine().StopRecordingChanges();
    Engine().StopRecordingChanges();
    child->Set(5);
    child->Changed(0, MOX_VALUE_CHANGED, 1, nullptr);
    EXPECT_EQ(child->Get(), 5) << "the value is still stored";
    EXPECT_EQ(Engine().NotifyList().GetList().GetCount(), 0);
    Engine().StartRecordingChanges();
    EXPECT_FALSE(Engine().RecordChanges()) << "recording stops nest";
    Engine().StartRecordingChanges();
    Engine().StartRecordingChanges(); // an extra start keeps the count at zero
    EXPECT_TRUE(Engine().RecordChanges());
    EXPECT_TRUE(log.empty());
    child->Set(6);
    EXPECT_EQ(Order(log), (std::vector<std::string>{"OnChild", "OnRoot"}));
}

TEST_F(Dependencies, UpdateFunctionRunsOnlyWhenSet) {
    static int calls;
    static CmoxCell* seen;
    calls = 0;
    seen = nullptr;
    IntCell source("Source");
    CmoxCell listener("Listener", 150);
    EXPECT_EQ(listener.UpdateFunction(), nullptr);
    source.AddDependent(&listener);
    source.Set(1);
    EXPECT_EQ(calls, 0);
    listener.UpdateFunction([](CmoxCell* cell, CmoxChangedList& changes) {
        ++calls;
        seen = changes.Contains("Source") != nullptr ? cell : nullptr;
    });
    source.Set(2);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, &listener);
}

TEST_F(Dependencies, CyclesRunUntilValuesSettle) {
    // A and B copy each other's value minus one, down to zero: the cycle stops when a setter
    // finds its value unchanged.
    IntCell a("A"), b("B");
    struct Copier {
        static void Run(CmoxCell* self, CmoxChangedList& changes) {
            auto* me = static_cast<IntCell*>(self);
            auto* other = static_cast<IntCell*>(changes.GetList().front().Cell());
            me->Set(std::max(0, other->Get() - 1));
        }
    };
    a.AddDependent(&b);
    b.AddDependent(&a);
    a.UpdateFunction(&Copier::Run);
    b.UpdateFunction(&Copier::Run);
    a.Set(10);
    EXPECT_EQ(a.Get(), 0);
    EXPECT_EQ(b.Get(), 0);
}
