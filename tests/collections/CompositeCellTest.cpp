#include "collections/ElementCells.h"
#include "support/MoxTest.h"
#include "support/Recorder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace moxtest;

namespace {

class CompositeCell : public MoxTest {
  protected:
    LifetimeCounter counter;
    UpdateLog log;
};

// A composite of an application's own class.
class PanelCell : public CmoxCompositeCell {
    DECLARE_DYNAMIC(PanelCell)

  public:
    using CmoxCompositeCell::CmoxCompositeCell;
};
IMPLEMENT_DYNAMIC(PanelCell, CmoxCompositeCell)

// A cell that logs the messages it is sent and the forwarders that reach it.
class ProbeCell : public CmoxCell {
  public:
    ProbeCell(const char* name, Names& calls)
        : CmoxCell(name, MOX_STATE_PRIORITY), m_calls(calls) {}
    void CreateDependencies() override { m_calls.push_back(Name() + ".create"); }
    void DestroyDependencies() override {
        CmoxCell::DestroyDependencies();
        m_calls.push_back(Name() + ".destroy");
    }
    void* ProcessMoxMessage(int message, long param, void*) override {
        m_calls.push_back(Name() + ".message" + std::to_string(message) + "," +
                          std::to_string(param));
        return nullptr;
    }
    void MakeDefaultCurrent() override { m_calls.push_back(Name() + ".defaultToCurrent"); }
    void MakeCurrentDefault() override { m_calls.push_back(Name() + ".currentToDefault"); }

  private:
    std::vector<std::string>& m_calls;
};

// Adds a child to either kind of collection, owned.
void AddTo(CmoxCompositeCell& group, CmoxCell* child) {
    group.AddChild(child, 1);
}
void AddTo(CmoxArrayCell& group, CmoxCell* child) {
    group.Add(child);
}

// The operations that a composite and an array pass on to every child, in child order; a
// collection inside is reached through its own forwarders.
template <class Collection> void ExpectForwardersReachEveryChild() {
    Names calls;
    Collection group("Group");
    CmoxCell source("Source", 150);
    AddTo(group, new ProbeCell("A", calls));
    auto* inner = new Collection("Inner");
    AddTo(*inner, new ProbeCell("B", calls));
    inner->PropogatePriority(50);
    AddTo(group, inner); // adopted, and given the group's priority down its tree
    EXPECT_EQ(inner->Parent(), &group);
    EXPECT_EQ(inner->FindChild("B")->Priority(), MOX_STATE_PRIORITY);
    AddTo(group, new ProbeCell("C", calls));
    group.CreateDependencies();
    group.PropogateMoxMessage(7, 4, nullptr);
    group.MakeDefaultCurrent();
    group.MakeCurrentDefault();
    group.MakeDependentOnChildren();
    group.MakeDependentOn(&source);
    EXPECT_TRUE(inner->HasDependent(&group));
    group.DestroyDependencies();
    EXPECT_EQ(calls, Names({"A.create", "B.create", "C.create", "A.message7,4", "B.message7,4",
                            "C.message7,4", "A.defaultToCurrent", "B.defaultToCurrent",
                            "C.defaultToCurrent", "A.currentToDefault", "B.currentToDefault",
                            "C.currentToDefault", "A.destroy", "B.destroy", "C.destroy"}));
    // Its own dependencies, on its children too, went with DestroyDependencies.
    EXPECT_FALSE(source.HasDependent(&group));
    EXPECT_FALSE(inner->HasDependent(&group));
    group.PropogatePriority(80);
    EXPECT_EQ(group.Priority(), 80);
    EXPECT_EQ(inner->Priority(), 80);
    EXPECT_EQ(inner->FindChild("B")->Priority(), 80);
}

// How a change of a child climbs through either kind of collection under its notify settings.
template <class Collection> void ExpectChildChangesClimbByPolicy() {
    UpdateLog log;
    Collection root("Root");
    auto* group = new Collection("Group");
    AddTo(root, group);
    auto* gain = new CmoxLongCell("Gain", 0);
    AddTo(*group, gain);
    RecordingCell groupWatcher("GW", MOX_STATE_PRIORITY, log);
    RecordingCell rootWatcher("RW", MOX_STATE_PRIORITY, log);
    RecordingCell both("Both", MOX_STATE_PRIORITY, log);
    group->AddDependent(&groupWatcher);
    root.AddDependent(&rootWatcher);
    // Adds and deletes only: a child's change passes up without telling the group's dependents,
    // and one that hears the child and the group hears of the child alone.
    group->NotifyPolicy(ADDDEL_COLLNOTIFY);
    gain->AddDependent(&both);
    group->AddDependent(&both);
    gain->Value(5L);
    EXPECT_EQ(Order(log), Names({"Both", "RW"}));
    EXPECT_EQ(log[0].changed, Names({"Gain"}));
    EXPECT_EQ(log[1].changed, Names({"Root"}));
    EXPECT_EQ(log[1].reasons, Reasons{MOX_CHILD_CHANGED});
    gain->RemoveDependent(&both);
    group->RemoveDependent(&both);
    log.clear();
    group->Changed(7, MOX_VALUE_CHANGED, 1, nullptr); // its own changes still reach them
    EXPECT_EQ(Order(log), Names({"GW", "RW"}));
    EXPECT_EQ(log[0].reasons, Reasons{MOX_VALUE_CHANGED});
    EXPECT_EQ(log[0].userData, std::vector<unsigned long>{7});
    log.clear();
    group->NotifyPolicy(ALL_COLLNOTIFY);
    gain->Value(6L);
    EXPECT_EQ(Order(log), Names({"GW", "RW"}));
    EXPECT_EQ(log[0].changed, Names({"Group"}));
    EXPECT_EQ(log[0].reasons, Reasons{MOX_CHILD_CHANGED});
    log.clear();
    group->NotifyParent(0); // stops the climb
    gain->Value(7L);
    EXPECT_EQ(Order(log), Names({"GW"}));
    log.clear();
    Cmox::Current().StopRecordingChanges();
    gain->Value(8L);
    AddTo(*group, new CmoxCell("X", 150));
    Cmox::Current().StartRecordingChanges();
    EXPECT_TRUE(log.empty());
}

} // namespace

// ---- construction ------------------------------------------------------------------------------

TEST_F(CompositeCell, DefaultConstructionNotifiesEverythingAndInitializeResetsItAll) {
    CmoxCompositeCell composite;
    EXPECT_EQ(composite.Name(), "NoName");
    EXPECT_EQ(composite.NotifyParent(), 1);
    EXPECT_EQ(composite.Priority(), MOX_STATE_PRIORITY);
    EXPECT_EQ(composite.NotifyPolicy(), ALL_COLLNOTIFY);
    EXPECT_EQ(composite.GetSize(), 0);
    CmoxCompositeCell root("Root");
    auto* group = new CmoxCompositeCell("Group");
    root.AddChild(group);
    group->AddChild(new CountedCell("Kept", counter));
    group->Initialize("Renamed", 0, 70, ADDDEL_COLLNOTIFY);
    EXPECT_EQ(group->Name(), "Renamed");
    EXPECT_EQ(group->Parent(), nullptr);
    EXPECT_EQ(group->NotifyParent(), 0);
    EXPECT_EQ(group->Priority(), 70);
    EXPECT_EQ(group->NotifyPolicy(), ADDDEL_COLLNOTIFY);
    EXPECT_EQ(group->GetSize(), 1);
    EXPECT_NE(group->GetChildAt(0), nullptr);
    EXPECT_EQ(group->GetChildAt(1), nullptr);
}

// ---- ownership ---------------------------------------------------------------------------------

TEST_F(CompositeCell, ChildrenDieOnceFirstToLastWithoutReport) {
    Names deaths;
    RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
    {
        CmoxCompositeCell composite("Group");
        composite.AddChild(new CountedCell("A", counter, &deaths), 1);
        auto* inner = new CmoxCompositeCell("Inner");
        inner->AddChild(new CountedCell("B", counter, &deaths), 1);
        composite.AddChild(inner, 1);
        composite.AddChild(new CountedCell("C", counter, &deaths), 1);
        auto* twice = new CountedCell("Twice", counter);
        composite.AddChild(twice, 1);
        composite.AddChild(twice, 1); // a cell added twice still dies once
        composite.AddDependent(&watcher);
    }
    EXPECT_EQ(counter.destroyed, 4);
    EXPECT_EQ(deaths, Names({"A", "B", "C"}));
    EXPECT_TRUE(log.empty());
}

TEST_F(CompositeCell, RemoveChildHandsTheChildBack) {
    CmoxCompositeCell composite("Group");
    RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
    auto* a = new CountedCell("A", counter);
    composite.AddChild(a, 1);
    composite.AddChild(new CountedCell("B", counter), 1);
    composite.AddDependent(&watcher);

    std::unique_ptr<CmoxCell> removed(composite.RemoveChild(a));
    EXPECT_EQ(removed.get(), a);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(composite.GetSize(), 1);
    EXPECT_EQ(composite.Contains(a), 0);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].reasons, Reasons{MOX_CHILD_REMOVED});

    CountedCell stranger("S", counter);
    EXPECT_EQ(composite.RemoveChild(&stranger), nullptr);
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(counter.destroyed, 0);
}

// ---- adding ------------------------------------------------------------------------------------

TEST_F(CompositeCell, AddChildReportsUnlessQuietAndRecordsNoUndo) {
    CmoxCompositeCell composite("Group");
    RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
    composite.AddDependent(&watcher);
    CmoxUndoContext* context = Engine().GetUndoContext("Edit");
    Engine().BeginTransaction(context, "add");
    composite.AddChild(new CmoxCell("Loud", 150), 0);
    composite.AddChild(new CmoxCell("Quiet", 150), 1);
    EXPECT_EQ(Engine().UndoList().GetCount(), 0);
    Engine().EndTransaction();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].changed, Names({"Group"}));
    EXPECT_EQ(log[0].reasons, Reasons{MOX_CHILD_ADDED});
    EXPECT_TRUE(context->UndoDescriptions().empty());
    Engine().RemoveUndoContext("Edit");
}

// ---- notify policies ---------------------------------------------------------------------------

TEST_F(CompositeCell, FilteredChildChangeDropsItsRecordAndOthersAreFiled) {
    CmoxCompositeCell group("Group", 1, MOX_STATE_PRIORITY, ADDDEL_COLLNOTIFY);
    int deaths = 0;
    Engine().BeginTransaction(Engine().GetUndoContext("Edit"), "records");
    group.Changed(0, MOX_CHILD_CHANGED, 0, new CountingRecord(deaths));
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(Engine().UndoList().GetCount(), 0);
    group.Changed(3, MOX_VALUE_CHANGED, 0, new CountingRecord(deaths));
    EXPECT_EQ(deaths, 1);
    ASSERT_NE(Engine().UndoList().GetUndoInfo(&group), nullptr);
    EXPECT_EQ(Engine().UndoList().GetUndoInfo(&group)->UserData(), 3u);
    Engine().EndTransaction();
    Engine().RemoveUndoContext("Edit");
    EXPECT_EQ(deaths, 2);
}

// ---- user name ---------------------------------------------------------------------------------

TEST_F(CompositeCell, UserNameLivesInAStringUserNameChild) {
    CmoxCompositeCell unlabelled("Unlabelled");
    EXPECT_EQ(unlabelled.HasUserName(), 0);
    EXPECT_STREQ(unlabelled.UserName(), "");
    unlabelled.UserName("Ignored"); // no child to keep it in: nothing is created
    EXPECT_EQ(unlabelled.HasUserName(), 0);
    EXPECT_EQ(unlabelled.GetSize(), 0);
    unlabelled.AddChild(new CmoxLongCell(MOX_USER_NAME, 4), 1); // of another type: empty
    EXPECT_EQ(unlabelled.HasUserName(), 1);
    EXPECT_STREQ(unlabelled.UserName(), "");
    CmoxCompositeCell root("Root");
    auto* group = new CmoxCompositeCell("Group");
    root.AddChild(group, 1);
    auto* label = new CmoxStringCell(MOX_USER_NAME, "Main");
    group->AddChild(label, 1);
    EXPECT_EQ(group->HasUserName(), 1);
    EXPECT_STREQ(group->UserName(), "Main");
    EXPECT_EQ(root.FindChildUser("Main"), group);
    EXPECT_EQ(root.FindChildUser("main"), nullptr);
    EXPECT_EQ(root.FindDescendentUser("\\$Main$\\UserName"), label);

    group->UserName("Scope");
    EXPECT_EQ(label->Value(), "Scope");
    EXPECT_EQ(root.FindChildUser("Scope"), group);
}

// ---- lookups -----------------------------------------------------------------------------------

TEST_F(CompositeCell, FindChildIsExactTakesTheFirstAndComparesWholeCStrings) {
    CmoxCompositeCell group("Group");
    auto* first = new CmoxCell("Gain", 150);
    group.AddChild(first, 1);
    group.AddChild(new CmoxCell("Gain", 150), 1);
    EXPECT_EQ(group.FindChild("Gain"), first);
    EXPECT_EQ(group.FindChild("gain"), nullptr);
    EXPECT_EQ(group.FindChild(""), nullptr);
    EXPECT_EQ(group.Contains(first), 1);
    CmoxCell grandChild("Deep", 150);
    EXPECT_EQ(group.Contains(&grandChild), 0);
    EXPECT_EQ(group.RestoreFindChild("Gain"), first);
    auto* held = new CmoxCell("Held", 150);
    group.AddChild(held, 1);
    // Neither a prefix nor an extension of a name finds it.
    EXPECT_EQ(group.FindChild("Gai"), nullptr);
    EXPECT_EQ(group.FindChild("Gains"), nullptr);
    EXPECT_EQ(group.FindChild("Held"), held);
    // A name that holds a NUL (set through the name's reference) ends there, as a C string.
    held->Name().assign("Hold\0er", 7);
    EXPECT_EQ(group.FindChild("Hold"), held);
    EXPECT_EQ(group.FindChild("Held"), nullptr);
}

// With many children FindChild answers from a table of names; random renames (also through the
// name's reference, with an embedded NUL), duplicates, additions and removals must leave it
// answering exactly as a scan from the first child would.
TEST_F(CompositeCell, FindChildAmongManyAgreesWithAScanThroughEveryKindOfChange) {
    CmoxCompositeCell group("Group");
    std::vector<CmoxCell*> children;
    for (int i = 0; i < 40; ++i) {
        children.push_back(new CmoxCell(("Item" + std::to_string(i)).c_str(), 150));
        group.AddChild(children.back(), 1);
    }
    auto scan = [&](const std::string& name) -> CmoxCell* {
        for (CmoxCell* child : children)
            if (std::strcmp(std::as_const(*child).Name().c_str(), name.c_str()) == 0) return child;
        return nullptr;
    };
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        CmoxCell* child = children[random() % children.size()];
        const std::string name = "Item" + std::to_string(random() % 50);
        switch (random() % 5) {
        case 0:
            child->Name(name.c_str());
            break;
        case 1:
            child->Name() = name;
            break;
        case 2:
            child->Name().assign((name + '\0' + "tail").c_str(), name.size() + 5);
            break;
        case 3:
            children.push_back(new CmoxCell(name.c_str(), 150));
            group.AddChild(children.back(), 1);
            break;
        default:
            if (children.size() > 10) {
                children.erase(std::find(children.begin(), children.end(), child));
                delete group.RemoveChild(child);
            }
        }
        for (const std::string& look : {name, "Item" + std::to_string(random() % 50)})
            ASSERT_EQ(group.FindChild(look.c_str()), scan(look)) << look << " round " << round;
    }
}

// ---- named children ----------------------------------------------------------------------------

TEST_F(CompositeCell, NamedChildSettersAndGettersReachTheRightCells) {
    CmoxCompositeCell group("Group");
    group.AddChild(new CmoxLongCell("Long", 1), 1);
    group.AddChild(new CmoxDoubleCell("Double", 1.0), 1);
    group.AddChild(new CmoxBooleanCell("Bool", 0), 1);
    group.AddChild(new CmoxStringCell("Text", "a"), 1);
    group.AddChild(new CmoxByteCell("Byte", 1), 1);
    group.AddChild(new CmoxLongLongCell("Wide", 1, 0), 1);

    group.SetChildLong("Long", 42);
    group.SetChildDouble("Double", 2.5);
    group.SetChildBoolean("Bool", 1);
    group.SetChildString("Text", "hello");
    group.SetChildByte("Byte", 200);
    group.SetChildLongLong("Wide", 5000000000LL);
    EXPECT_EQ(group.GetChildLong("Long"), 42);
    EXPECT_EQ(group.GetChildDouble("Double"), 2.5);
    EXPECT_EQ(group.GetChildBoolean("Bool"), 1);
    EXPECT_EQ(group.GetChildString("Text"), "hello");
    EXPECT_EQ(group.GetChildByte("Byte"), 200);
    EXPECT_EQ(group.GetChildLongLong("Wide"), 5000000000LL);
    group.ToggleChildBoolean("Bool");
    EXPECT_EQ(group.GetChildBoolean("Bool"), 0);
}

TEST_F(CompositeCell, NamedChildSettersGoThroughTheProtocol) {
    CmoxCompositeCell group("Group");
    group.AddChild(new CmoxLongCell("Long", 1), 1);
    RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
    group.FindChild("Long")->AddDependent(&watcher);
    CmoxUndoContext* context = Engine().GetUndoContext("Edit");
    Engine().BeginTransaction(context, "set");
    group.SetChildLong("Long", 9);
    Engine().EndTransaction();
    EXPECT_EQ(Order(log), Names({"W"}));
    Engine().Undo(context, 1);
    EXPECT_EQ(group.GetChildLong("Long"), 1);
    Engine().RemoveUndoContext("Edit");
}

TEST_F(CompositeCell, NamedChildAccessToMissingOrMismatchedChildrenIsHarmless) {
    CmoxCompositeCell group("Group");
    group.AddChild(new CmoxStringCell("Text", "keep"), 1);
    group.SetChildLong("Missing", 3);
    group.SetChildLong("Text", 3);
    group.ToggleChildBoolean("Text");
    EXPECT_EQ(group.GetChildString("Text"), "keep");
    EXPECT_EQ(group.GetChildLong("Text"), 0);
    EXPECT_EQ(group.GetChildLong("Missing"), 0);
    EXPECT_EQ(group.GetChildDouble("Missing"), 0.0);
    EXPECT_EQ(group.GetChildBoolean("Missing"), 0);
    EXPECT_EQ(group.GetChildString("Missing"), "");
    EXPECT_EQ(group.GetChildByte("Missing"), 0);
    EXPECT_EQ(group.GetChildLongLong("Missing"), 0);
}

// ---- equality ----------------------------------------------------------------------------------

TEST_F(CompositeCell, EqualityComparesClassAndChildrenInOrder) {
    CmoxCompositeCell a("A"), b("B");
    a.AddChild(new CmoxLongCell("X", 1), 1);
    a.AddChild(new CmoxLongCell("Y", 2), 1);
    b.AddChild(new CmoxLongCell("P", 1), 1);
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != b);
    b.AddChild(new CmoxLongCell("Q", 2), 1);
    EXPECT_TRUE(a == b); // names do not count, values in order do
    EXPECT_FALSE(a != b);

    CmoxCompositeCell swapped("S");
    swapped.AddChild(new CmoxLongCell("Y", 2), 1);
    swapped.AddChild(new CmoxLongCell("X", 1), 1);
    EXPECT_FALSE(a == swapped);

    PanelCell panel("Panel");
    panel.AddChild(new CmoxLongCell("X", 1), 1);
    panel.AddChild(new CmoxLongCell("Y", 2), 1);
    EXPECT_FALSE(a == panel);
    EXPECT_FALSE(panel == a);
    CmoxCompositeCell emptyA("E1"), emptyB("E2");
    EXPECT_TRUE(emptyA == emptyB);
}

// ---- forwarders --------------------------------------------------------------------------------

TEST_F(CompositeCell, ForwardersReachEveryChildOfBothKindsOfCollection) {
    ExpectForwardersReachEveryChild<CmoxCompositeCell>();
    ExpectForwardersReachEveryChild<CmoxArrayCell>();
}

TEST_F(CompositeCell, MakeDependentOnChildrenHearsEveryChild) {
    struct Listening : CmoxCompositeCell {
        using CmoxCompositeCell::CmoxCompositeCell;
        void Update(CmoxChangedList& changes) override {
            for (const ChangeInfo& change : changes.GetList())
                heard.push_back(change.Cell()->Name());
        }
        std::vector<std::string> heard;
    };
    Listening group("Group", 1, MOX_STATE_PRIORITY, ADDDEL_COLLNOTIFY);
    auto* gain = new CmoxLongCell("Gain", 0);
    auto* offset = new CmoxLongCell("Offset", 0);
    group.AddChild(gain, 1);
    group.AddChild(offset, 1);
    group.MakeDependentOnChildren();
    offset->Value(3L);
    gain->Value(4L);
    EXPECT_EQ(group.heard, Names({"Offset", "Gain"}));
}

TEST_F(CompositeCell, ChildChangesClimbThroughBothKindsOfCollectionByTheirSettings) {
    ExpectChildChangesClimbByPolicy<CmoxCompositeCell>();
    ExpectChildChangesClimbByPolicy<CmoxArrayCell>();
}
