#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

using namespace moxtest;

class Cell : public MoxTest {};

TEST_F(Cell, DefaultConstructionGivesTheDocumentedState) {
    CmoxCell cell;
    EXPECT_EQ(cell.Name(), "NoName");
    EXPECT_EQ(cell.Priority(), MOX_STATE_PRIORITY);
    EXPECT_EQ(cell.Savable(), 1);
    EXPECT_EQ(cell.NotifyParent(), 1);
    EXPECT_EQ(cell.UndoNotify(), 0);
    EXPECT_EQ(cell.Parent(), nullptr);
    EXPECT_EQ(cell.UpdateFunction(), nullptr);
    EXPECT_TRUE(cell.GetDependents().IsEmpty());
    EXPECT_EQ(cell.FindFirstDependee(), nullptr);
    EXPECT_STREQ(cell.UserName(), "");
    EXPECT_EQ(cell.HasUserName(), 0);
    EXPECT_EQ(cell.IsPrimitive(), 0);
}

TEST_F(Cell, InitializeResetsIdentityButKeepsFlagsAndDependencies) {
    CmoxCell a("A", 20), b("B", 30);
    a.Savable(0);
    a.NotifyParent(0);
    a.UndoNotify(1);
    a.AddDependent(&b);
    a.Parent(&b);
    a.Initialize("Renamed", 77);
    EXPECT_EQ(a.Name(), "Renamed");
    EXPECT_EQ(a.Priority(), 77);
    EXPECT_EQ(a.Parent(), nullptr);
    EXPECT_EQ(a.UndoNotify(), 0);
    EXPECT_EQ(a.Savable(), 0);
    EXPECT_EQ(a.NotifyParent(), 0);
    EXPECT_TRUE(a.HasDependent(&b));
}

TEST_F(Cell, BaseEqualityComparesRunTimeClassesOnly) {
    CmoxCell a("A", 10), b("B", 200);
    IntCell i("I");
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a != b);
    EXPECT_FALSE(a == i);
    EXPECT_TRUE(a != i);
    EXPECT_TRUE(a.IsKindOf(RUNTIME_CLASS(CmoxCell)));
    EXPECT_STREQ(a.GetRuntimeClass()->m_lpszClassName, "CmoxCell");
}

TEST_F(Cell, BaseSettersStoreNothingAndReportSet) {
    moxtest::UpdateLog log;
    CmoxCell a("A", MOX_STATE_PRIORITY);
    moxtest::RecordingCell d("D", MOX_STATE_PRIORITY, log);
    a.AddDependent(&d);
    EXPECT_EQ(a.Value(5L), MOX_VALUE_SET);
    EXPECT_EQ(a.Value(2.5), MOX_VALUE_SET);
    EXPECT_EQ(a.Value(1), MOX_VALUE_SET);
    EXPECT_EQ(a.Value("x"), MOX_VALUE_SET);
    EXPECT_EQ(a.Value(static_cast<__int64>(7)), MOX_VALUE_SET);
    EXPECT_EQ(a.Value(static_cast<unsigned char>(7)), MOX_VALUE_SET);
    a = 5L;
    a = "text";
    EXPECT_TRUE(log.empty()) << "base setters must not report changes";
}

TEST_F(Cell, PathNamesAndTreeNavigation) {
    TreeCell root("Root");
    TreeCell* scope = root.AddChild("Scope");
    TreeCell* gain = scope->AddChild("Gain");
    TreeCell* other = root.AddChild("Other");
    EXPECT_EQ(root.PathName(), "\\Root");
    EXPECT_EQ(gain->PathName(), "\\Root\\Scope\\Gain");
    EXPECT_EQ(gain->FindRoot(), &root);
    EXPECT_EQ(root.FindRoot(), &root);
    EXPECT_EQ(gain->FindFamily(), scope);
    EXPECT_EQ(scope->FindFamily(), scope);
    EXPECT_EQ(root.FindFamily(), &root);
    EXPECT_EQ(scope->FindSibling("Other"), other);
    EXPECT_EQ(scope->FindSibling("Scope"), scope);
    EXPECT_EQ(root.FindSibling("Scope"), nullptr);
    EXPECT_EQ(root.FindGrandChild("Scope", "Gain"), gain);
    EXPECT_EQ(root.FindGrandChild("Nope", "Gain"), nullptr);
    EXPECT_EQ(root.DebugName(), "");
}

TEST_F(Cell, FindDescendentResolvesNamesAndParentSteps) {
    TreeCell root("Root");
    TreeCell* scope = root.AddChild("Scope");
    TreeCell* gain = scope->AddChild("Gain");
    TreeCell* deep = gain->AddChild("Deep");
    TreeCell* other = root.AddChild("Other");
    EXPECT_EQ(root.FindDescendent("\\Scope"), scope);
    EXPECT_EQ(root.FindDescendent("\\Scope\\Gain\\Deep"), deep);
    EXPECT_EQ(root.FindGreatGrandChild("Scope", "Gain", "Deep"), deep);
    EXPECT_EQ(gain->FindDescendent("\\..\\..\\Other"), other);
    EXPECT_EQ(scope->FindDescendent("\\..\\Other"), other);
    EXPECT_EQ(root.FindDescendent("\\Missing"), nullptr);
    EXPECT_EQ(root.FindDescendent("\\Scope\\Missing\\Deep"), nullptr);
    EXPECT_EQ(root.FindDescendent("\\.."), nullptr);
    // Names are case-sensitive.
    EXPECT_EQ(root.FindDescendent("\\scope"), nullptr);
}

TEST_F(Cell, FindDescendentUserMixesNamesAndMarkedUserNames) {
    TreeCell root("Root");
    TreeCell* scope = root.AddChild("Scope");
    scope->UserName("Label");
    TreeCell* gain = scope->AddChild("Gain");
    gain->UserName("Volume");
    EXPECT_EQ(root.FindDescendentUser("\\$Label$"), scope);
    EXPECT_EQ(root.FindDescendentUser("\\$Label$\\Gain"), gain);
    EXPECT_EQ(root.FindDescendentUser("\\Scope\\$Volume$"), gain);
    EXPECT_EQ(gain->FindDescendentUser("\\..\\..\\$Label$"), scope);
    EXPECT_EQ(root.FindDescendentUser("\\$Scope$"), nullptr) << "a marked component is a user name";
    EXPECT_EQ(root.FindDescendent("\\$Label$"), nullptr) << "the plain finder treats it as a name";
}

TEST_F(Cell, MessagesAndPriorityPropagationOnALeaf) {
    CmoxCell a("A", 10);
    EXPECT_EQ(a.ProcessMoxMessage(1, 2, nullptr), nullptr);
    a.PropogatePriority(99);
    EXPECT_EQ(a.Priority(), 99);
    EXPECT_EQ(a.CombineUserData(0x5, 0x4), 0x5u) << "combined by bits, not added";
    EXPECT_EQ(a.Match(&a, 0), 0);
}
