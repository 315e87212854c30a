#include "support/MoxTest.h"
#include "support/Recorder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <tuple>
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
    void CreateDependencies() override { Log("create"); }
    void DestroyDependencies() override {
        CmoxCell::DestroyDependencies();
        Log("destroy");
    }
    void* ProcessMoxMessage(int message, long param, void*) override {
        Log("message" + std::to_string(message) + "," + std::to_string(param));
        return nullptr;
    }
    void MakeDefaultCurrent() override { Log("defaultToCurrent"); }
    void MakeCurrentDefault() override { Log("currentToDefault"); }

  private:
    void Log(const std::string& what) { m_calls.push_back(Name() + "." + what); }
    Names& m_calls;
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
    auto* a = new ProbeCell("A", calls);
    AddTo(group, a);
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
    EXPECT_TRUE(a->HasDependent(&group) && inner->HasDependent(&group));
    EXPECT_TRUE(group.FindChild("C")->HasDependent(&group));
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

// Both kinds of collection: the default settings, and Initialize resetting them all but keeping
// the children (a composite also leaves its parent).
TEST_F(CompositeCell, CollectionSettingsComeFromConstructionAndInitialize) {
    CmoxCompositeCell root("Root");
    auto* group = new CmoxCompositeCell;
    CmoxArrayCell array;
    const auto settings = [&](auto& c) {
        return std::make_tuple(c.Name(), c.NotifyParent(), int{c.Priority()}, c.NotifyPolicy(),
                               c.GetSize());
    };
    const auto defaults = std::make_tuple(std::string("NoName"), 1, 150, ALL_COLLNOTIFY, 0);
    EXPECT_EQ(settings(*group), defaults);
    EXPECT_EQ(settings(array), defaults);
    EXPECT_EQ(array.ChildSuffix() + std::to_string(array.MakeParent()), "1");
    root.AddChild(group);
    group->AddChild(new CountedCell("Kept", counter));
    group->Initialize("Renamed", 0, 70, ADDDEL_COLLNOTIFY);
    array.Add(new CountedCell("Kept", counter));
    array.Initialize("Renamed", "Row", 0, 70, ADDDEL_COLLNOTIFY, 0);
    const auto changed = std::make_tuple(std::string("Renamed"), 0, 70, ADDDEL_COLLNOTIFY, 1);
    EXPECT_EQ(settings(*group), changed);
    EXPECT_EQ(settings(array), changed);
    EXPECT_EQ(array.ChildSuffix() + std::to_string(array.MakeParent()), "Row0");
    EXPECT_EQ(group->Parent(), nullptr);
    array.MakeParent(1); // give the element back to the array's care
}

TEST_F(CompositeCell, ChildrenAreOwnedAndReportedUnlessQuietButNeverRecorded) {
    Names deaths;
    RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
    {
        CmoxCompositeCell group("Group");
        group.AddDependent(&watcher);
        CmoxUndoContext* context = Engine().GetUndoContext("Edit");
        Engine().BeginTransaction(context, "add");
        group.AddChild(new CountedCell("A", counter, &deaths), 0);
        auto* inner = new CmoxCompositeCell("Inner");
        inner->AddChild(new CountedCell("B", counter, &deaths), 1);
        group.AddChild(inner, 1);
        group.AddChild(new CountedCell("C", counter, &deaths), 1);
        auto* twice = new CountedCell("Twice", counter);
        group.AddChild(twice, 1);
        group.AddChild(twice, 1); // a cell added twice still dies once
        Engine().EndTransaction();
        EXPECT_TRUE(context->UndoDescriptions().empty());
        Engine().RemoveUndoContext("Edit");
        std::unique_ptr<CmoxCell> removed(group.RemoveChild(inner));
        EXPECT_EQ(inner->Parent(), nullptr);
        EXPECT_EQ(group.Contains(inner), 0);
        EXPECT_EQ(group.RemoveChild(inner), nullptr);
        EXPECT_EQ(Order(log), Names({"W", "W"}));
        EXPECT_EQ(log[0].changed, Names({"Group"}));
        EXPECT_EQ(log[0].reasons, Reasons{MOX_CHILD_ADDED});
        EXPECT_EQ(log[1].reasons, Reasons{MOX_CHILD_REMOVED});
        removed.reset();
        group.AddChild(new CountedCell("D", counter, &deaths), 1);
    }
    EXPECT_EQ(counter.destroyed, 5);
    EXPECT_EQ(deaths, Names({"B", "A", "C", "D"})); // first to last, without a report
    EXPECT_EQ(log.size(), 2u);
}

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

TEST_F(CompositeCell, UserNameLivesInAStringUserNameChild) {
    CmoxCompositeCell root("Root");
    root.UserName("Ignored"); // no child to keep it in: nothing is created
    EXPECT_EQ(root.HasUserName() + root.GetSize(), 0);
    auto* group = new CmoxCompositeCell("Group");
    root.AddChild(group, 1);
    group->AddChild(new CmoxLongCell(MOX_USER_NAME, 4), 1); // of another type: empty
    EXPECT_EQ(group->HasUserName(), 1);
    EXPECT_STREQ(group->UserName(), "");
    auto* label = new CmoxStringCell(MOX_USER_NAME, "Main");
    group->AddChild(label, 1);
    delete group->RemoveChild(group->GetChildAt(0));
    group->UserName("Scope");
    EXPECT_EQ(label->Value(), "Scope");
    EXPECT_EQ(root.FindChildUser("Scope"), group);
    EXPECT_EQ(root.FindChildUser("scope"), nullptr);
    root.AddChild(new CmoxLongCell("Plain", 0), 1);
    EXPECT_EQ(root.FindChildUser(""), nullptr); // children without a user name are passed over
    EXPECT_EQ(root.FindDescendentUser("\\$Scope$\\UserName"), label);
}

// Among many children FindChild answers from a table of names; through random renames (also
// through the name's reference, with an embedded NUL that ends the name as a C string),
// duplicates, additions and removals it must answer exactly as a case-sensitive scan for the
// first whole-name match.
TEST_F(CompositeCell, FindChildAgreesWithAScanThroughEveryKindOfChange) {
    CmoxCompositeCell group("Group");
    std::vector<CmoxCell*> children;
    auto add = [&](const std::string& name) {
        children.push_back(new CmoxCell(name.c_str(), 150));
        group.AddChild(children.back(), 1);
    };
    for (int i = 0; i < 40; ++i)
        add("Item" + std::to_string(i));
    auto scan = [&](const std::string& name) -> CmoxCell* {
        for (CmoxCell* child : children)
            if (std::strcmp(std::as_const(*child).Name().c_str(), name.c_str()) == 0) return child;
        return nullptr;
    };
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        CmoxCell* child = children[random() % children.size()];
        const std::string name = "Item" + std::to_string(random() % 50);
        const unsigned kind = random() % 5;
        if (kind == 0)
            child->Name(name.c_str());
        else if (kind == 1)
            child->Name() = name;
        else if (kind == 2)
            child->Name().assign((name + '\0' + "tail").c_str(), name.size() + 5);
        else if (kind == 3)
            add(name);
        else if (children.size() > 10) {
            children.erase(std::find(children.begin(), children.end(), child));
            delete group.RemoveChild(child);
        }
        const std::string other = "Item" + std::to_string(random() % 50);
        for (const std::string& look :
             {name, other, other.substr(0, 5), other + "0", std::string("item1")})
            ASSERT_EQ(group.FindChild(look.c_str()), scan(look)) << look << " round " << round;
    }
}

TEST_F(CompositeCell, NamedChildAccessReachesTheChildOfThatNameAndKindOnly) {
    CmoxCompositeCell group("Group");
    group.AddChild(new CmoxLongCell("Long", 1), 1);
    group.AddChild(new CmoxDoubleCell("Double", 1.0), 1);
    group.AddChild(new CmoxBooleanCell("Bool", 0), 1);
    group.AddChild(new CmoxStringCell("Text", "a"), 1);
    group.AddChild(new CmoxByteCell("Byte", 1), 1);
    group.AddChild(new CmoxLongLongCell("Wide", 1, 0), 1);
    RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
    group.FindChild("Long")->AddDependent(&watcher);
    group.SetChildLong("Long", 42);
    EXPECT_EQ(Order(log), Names({"W"})); // the cell's own setter reports
    group.SetChildDouble("Double", 2.5);
    group.SetChildBoolean("Bool", 1);
    group.SetChildString("Text", "hello");
    group.SetChildByte("Byte", 200);
    group.SetChildLongLong("Wide", 5000000000LL);
    group.ToggleChildBoolean("Bool");
    group.SetChildLong("Missing", 3);
    group.SetChildLong("Text", 3); // of another kind: harmless
    group.ToggleChildBoolean("Text");
    EXPECT_EQ(group.GetChildLong("Long"), 42);
    EXPECT_EQ(group.GetChildDouble("Double"), 2.5);
    EXPECT_EQ(group.GetChildBoolean("Bool"), 0);
    EXPECT_EQ(group.GetChildString("Text"), "hello");
    EXPECT_EQ(group.GetChildByte("Byte"), 200);
    EXPECT_EQ(group.GetChildLongLong("Wide"), 5000000000LL);
    const auto numbers = [&](const char* name) {
        return std::make_tuple(group.GetChildLong(name), group.GetChildDouble(name),
                               group.GetChildBoolean(name), group.GetChildByte(name),
                               group.GetChildLongLong(name));
    };
    const auto none = std::make_tuple(0L, 0.0, 0, static_cast<unsigned char>(0), 0LL);
    EXPECT_EQ(numbers("Missing"), none);
    EXPECT_EQ(numbers("Text"), none);
    EXPECT_EQ(group.GetChildString("Missing"), "");
}

TEST_F(CompositeCell, EqualityComparesClassAndChildValuesInOrder) {
    CmoxCompositeCell a("A"), b("B"), swapped("S"), emptyA("E1"), emptyB("E2");
    PanelCell panel("Panel");
    for (CmoxCompositeCell* group : std::initializer_list<CmoxCompositeCell*>{&a, &panel}) {
        group->AddChild(new CmoxLongCell("X", 1), 1);
        group->AddChild(new CmoxLongCell("Y", 2), 1);
    }
    b.AddChild(new CmoxLongCell("P", 1), 1);
    EXPECT_TRUE(!(a == b) && a != b);
    b.AddChild(new CmoxLongCell("Q", 2), 1);
    EXPECT_TRUE(a == b && !(a != b)); // names do not count, values in order do
    swapped.AddChild(new CmoxLongCell("Y", 2), 1);
    swapped.AddChild(new CmoxLongCell("X", 1), 1);
    EXPECT_FALSE(a == swapped);
    EXPECT_FALSE(a == panel || panel == a);
    EXPECT_TRUE(emptyA == emptyB);
}

TEST_F(CompositeCell, ForwardersReachEveryChildOfBothKindsOfCollection) {
    ExpectForwardersReachEveryChild<CmoxCompositeCell>();
    ExpectForwardersReachEveryChild<CmoxArrayCell>();
}

TEST_F(CompositeCell, ChildChangesClimbThroughBothKindsOfCollectionByTheirSettings) {
    ExpectChildChangesClimbByPolicy<CmoxCompositeCell>();
    ExpectChildChangesClimbByPolicy<CmoxArrayCell>();
}
