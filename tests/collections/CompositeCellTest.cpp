// Composite cells, and what both kinds of collection share (settings, forwarders and the climbing
// of child changes), run over a composite and an array alike.
#include "collections/Transcript.h"
#include "support/MoxTest.h"
#include "values/ValueTesting.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

using namespace moxtest;

namespace {

class CompositeCell : public MoxTest {
  protected:
    UpdateLog log;
};

// Both kinds of collection, with the call that adds an owned child to each.
template <class T> class BothCollections : public MoxTest {
  protected:
    static void Adopt(CmoxCompositeCell& group, CmoxCell* child) { group.AddChild(child, 1); }
    static void Adopt(CmoxArrayCell& group, CmoxCell* child) { group.Add(child); }
};
using CollectionKinds = ::testing::Types<CmoxCompositeCell, CmoxArrayCell>;
TYPED_TEST_SUITE(BothCollections, CollectionKinds);

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
    ProbeCell(const char* name, std::string& calls)
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
    void MakeDefaultCurrent() override { Log("toCurrent"); }
    void MakeCurrentDefault() override { Log("toDefault"); }

  private:
    void Log(const std::string& what) { m_calls += Name() + "." + what + " "; }
    std::string& m_calls;
};

} // namespace

// The default settings, and Initialize resetting them all but keeping the children (a composite
// also leaves its parent).
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
    group->AddChild(new CmoxCell("Kept", 150));
    group->Initialize("Renamed", 0, 70, ADDDEL_COLLNOTIFY);
    array.Add(new CmoxCell("Kept", 150));
    array.Initialize("Renamed", "Row", 0, 70, ADDDEL_COLLNOTIFY, 0);
    const auto changed = std::make_tuple(std::string("Renamed"), 0, 70, ADDDEL_COLLNOTIFY, 1);
    EXPECT_EQ(settings(*group), changed);
    EXPECT_EQ(settings(array), changed);
    EXPECT_EQ(array.ChildSuffix() + std::to_string(array.MakeParent()), "Row0");
    EXPECT_EQ(group->Parent(), nullptr);
    array.MakeParent(1); // give the element back to the array's care
}

// How a child's change climbs through a collection under its notify settings; then the operations
// passed on to every child in child order, a collection inside reached through its own forwarders
// (adopting it gave it the collection's priority down its tree).
TYPED_TEST(BothCollections, ChildChangesClimbByTheNotifySettingsAndForwardersReachEveryChild) {
    std::string calls;
    UpdateLog log;
    TypeParam root("Root");
    auto* group = new TypeParam("Group");
    this->Adopt(root, group);

    auto* inner = new TypeParam("Inner");
    this->Adopt(*inner, new ProbeCell("B", calls));
    inner->PropogatePriority(50);
    auto* gain = new CmoxLongCell("Gain", 0);
    for (CmoxCell* child : std::initializer_list<CmoxCell*>{new ProbeCell("A", calls), inner, gain,
                                                            new ProbeCell("C", calls)})
        this->Adopt(*group, child);
    EXPECT_EQ(inner->Parent(), group);
    EXPECT_EQ(inner->FindChild("B")->Priority(), MOX_STATE_PRIORITY);
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
    std::string seen = Heard(log) + "| ";
    gain->RemoveDependent(&both);
    group->RemoveDependent(&both);
    group->Changed(7, MOX_VALUE_CHANGED, 1, nullptr); // its own changes still reach them
    seen += Heard(log) + "| ";
    group->NotifyPolicy(ALL_COLLNOTIFY);
    gain->Value(6L);
    seen += Heard(log) + "| ";
    group->NotifyParent(0); // stops the climb
    gain->Value(7L);
    seen += Heard(log) + "| ";
    Cmox::Current().StopRecordingChanges();
    gain->Value(8L);
    this->Adopt(*group, new CmoxCell("X", 150));
    Cmox::Current().StartRecordingChanges();
    EXPECT_EQ(seen + Heard(log) + "| ",
              "Both(Gain:value) RW(Root:child) | GW(Group:value#7) RW(Root:child) "
              "| GW(Group:child) RW(Root:child) | GW(Group:child) | | ");

    CmoxCell source("Source", 150);
    group->CreateDependencies();
    group->PropogateMoxMessage(7, 4, nullptr);
    group->MakeDefaultCurrent();
    group->MakeCurrentDefault();
    group->MakeDependentOnChildren();
    group->MakeDependentOn(&source);
    for (const char* name : {"A", "Inner", "Gain", "C", "X"})
        EXPECT_TRUE(group->FindChild(name)->HasDependent(group)) << name;
    group->DestroyDependencies(); // its own dependencies, on its children too, go as well
    EXPECT_FALSE(source.HasDependent(group) || inner->HasDependent(group));
    EXPECT_EQ(calls, "A.create B.create C.create A.message7,4 B.message7,4 C.message7,4 "
                     "A.toCurrent B.toCurrent C.toCurrent A.toDefault B.toDefault C.toDefault "
                     "A.destroy B.destroy C.destroy ");
    group->PropogatePriority(80);
    EXPECT_EQ(std::make_pair(int{group->Priority()}, int{inner->FindChild("B")->Priority()}),
              std::make_pair(80, 80));
}

// A composite owns its children and destroys them first to last, without a report; adding and
// removing report unless quiet, and are never recorded.
TEST_F(CompositeCell, ChildrenAreOwnedAndReportedUnlessQuietButNeverRecorded) {
    Names deaths;
    LifetimeCounter counter;
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
        auto* twice = new CountedCell("Twice", counter, &deaths);
        group.AddChild(twice, 1);
        group.AddChild(twice, 1); // a cell added twice still dies once
        Engine().EndTransaction();
        EXPECT_TRUE(context->UndoDescriptions().empty());
        Engine().RemoveUndoContext("Edit");
        std::unique_ptr<CmoxCell> removed(group.RemoveChild(inner));
        EXPECT_TRUE(inner->Parent() == nullptr && group.Contains(inner) == 0);
        EXPECT_EQ(group.RemoveChild(inner), nullptr);
        removed.reset();
        group.AddChild(new CountedCell("D", counter, &deaths), 1);
    }
    EXPECT_EQ(Heard(log) + "| " + Join(deaths), "W(Group:added) W(Group:removed) | B A C Twice D ");
}

// A child's change that the notify policy keeps from the dependents: the composite drops its
// record, the array files it all the same (one record per cell, so a later one merges into it).
TYPED_TEST(BothCollections, FilteredChildChangeRecordIsDroppedByTheCompositeOnly) {
    TypeParam group;
    group.NotifyPolicy(ADDDEL_COLLNOTIFY);
    const int dropped = std::is_same_v<TypeParam, CmoxCompositeCell> ? 1 : 0;
    int deaths = 0;
    valuetest::Record([&] {
        group.Changed(0, MOX_CHILD_CHANGED, 0, new CountingRecord(deaths));
        EXPECT_EQ(std::make_pair(deaths, valuetest::OpenRecordCount()),
                  std::make_pair(dropped, 1 - dropped));
        group.Changed(3, MOX_VALUE_CHANGED, 0, new CountingRecord(deaths));
        EXPECT_EQ(deaths, 1);
        const CmoxUndoInfo* record = this->Engine().UndoList().GetUndoInfo(&group);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->UserData(), 3u);
    });
    this->Engine().RemoveUndoContext("Edit");
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

// Each setter and getter reaches the child of its name and kind only; the child's own setter
// reports.
TEST_F(CompositeCell, NamedChildAccessReachesTheChildOfThatNameAndKindOnly) {
    CmoxCompositeCell group("Group");
    for (CmoxCell* child : std::initializer_list<CmoxCell*>{
             new CmoxLongCell("Long", 1), new CmoxDoubleCell("Double", 1.0),
             new CmoxBooleanCell("Bool", 0), new CmoxStringCell("Text", "a"),
             new CmoxByteCell("Byte", 1), new CmoxLongLongCell("Wide", 1, 0)})
        group.AddChild(child, 1);
    RecordingCell watcher("W", MOX_STATE_PRIORITY, log);
    group.FindChild("Long")->AddDependent(&watcher);
    group.SetChildLong("Long", 42);
    group.SetChildDouble("Double", 2.5);
    group.SetChildBoolean("Bool", 1);
    group.SetChildString("Text", "hello");
    group.SetChildByte("Byte", 200);
    group.SetChildLongLong("Wide", 5000000000LL);
    group.ToggleChildBoolean("Bool");
    group.SetChildLong("Missing", 3);
    group.SetChildLong("Text", 3);
    group.ToggleChildBoolean("Text");
    std::ostringstream seen;
    seen << Heard(log) << "|";
    for (const char* name : {"Long", "Double", "Bool", "Text", "Byte", "Wide", "Missing"})
        seen << ' ' << name << '=' << group.GetChildLong(name) << ',' << group.GetChildDouble(name)
             << ',' << group.GetChildBoolean(name) << ',' << group.GetChildString(name) << ','
             << int{group.GetChildByte(name)} << ',' << group.GetChildLongLong(name);
    EXPECT_EQ(seen.str(), "W(Long:value) | Long=42,0,0,,0,0 Double=0,2.5,0,,0,0 Bool=0,0,0,,0,0 "
                          "Text=0,0,0,hello,0,0 Byte=0,0,0,,200,0 Wide=0,0,0,,0,5000000000 "
                          "Missing=0,0,0,,0,0");
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
