#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

using namespace moxtest;

class Cell : public MoxTest {};

TEST_F(Cell, InitializeKeepsFlagsAndDependenciesAndBaseCellsCompareClassesOnly) {
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
    // A base cell compares classes only; its setters store and report nothing.
    moxtest::UpdateLog log;
    IntCell i("I");
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a != b);
    EXPECT_FALSE(a == i);
    EXPECT_TRUE(a != i);
    EXPECT_TRUE(a.IsKindOf(RUNTIME_CLASS(CmoxCell)));
    EXPECT_STREQ(a.GetRuntimeClass()->m_lpszClassName, "CmoxCell");
    moxtest::RecordingCell d("D", MOX_STATE_PRIORITY, log);
    a.AddDependent(&d);
    for (MoxSetValue result :
         {a.Value(5L), a.Value(2.5), a.Value(1), a.Value("x"), a.Value(static_cast<__int64>(7)),
          a.Value(static_cast<unsigned char>(7))})
        EXPECT_EQ(result, MOX_VALUE_SET);
    a = 5L;
    a = "text";
    EXPECT_TRUE(log.empty()) << "base setters must not report changes";
    // A leaf answers no message, takes a propagated priority and ORs user data.
    EXPECT_EQ(a.ProcessMoxMessage(1, 2, nullptr), nullptr);
    a.PropogatePriority(99);
    EXPECT_EQ(a.Priority(), 99);
    EXPECT_EQ(a.CombineUserData(0x1, 0x5), 0x5u);
    EXPECT_EQ(a.Match(&a, 0), 0);
}

TEST_F(Cell, PathNamesAndFindersNavigateTheTree) {
    TreeCell root("Root");
    TreeCell* scope = root.AddChild("Scope");
    TreeCell* gain = scope->AddChild("Gain");
    TreeCell* deep = gain->AddChild("Deep");
    TreeCell* other = root.AddChild("Other");
    scope->UserName("Label");
    gain->UserName("Volume");
    EXPECT_EQ(root.PathName(), "\\Root");
    EXPECT_EQ(gain->PathName(), "\\Root\\Scope\\Gain");
    EXPECT_EQ(root.DebugName(), "");
    // clang-format off
    const std::pair<CmoxCell*, CmoxCell*> found[] = {
        {gain->FindRoot(), &root}, {root.FindRoot(), &root}, {gain->FindFamily(), scope},
        {scope->FindFamily(), scope}, {root.FindFamily(), &root}, {scope->FindSibling("Other"), other},
        {scope->FindSibling("Scope"), scope}, {root.FindSibling("Scope"), nullptr},
        {root.FindGrandChild("Scope", "Gain"), gain}, {root.FindGrandChild("Nope", "Gain"), nullptr},
        {root.FindGreatGrandChild("Scope", "Gain", "Deep"), deep}};
    // clang-format on
    for (const auto& [cell, expected] : found)
        EXPECT_EQ(cell, expected);
    const struct {
        CmoxCell* from;
        const char* path;
        CmoxCell* found;       // by FindDescendent
        CmoxCell* foundByUser; // by FindDescendentUser
    } rows[] = {               // clang-format off
        {&root, "\\Scope", scope, scope}, {&root, "\\Scope\\Gain\\Deep", deep, deep},
        {gain, "\\..\\..\\Other", other, other}, {scope, "\\..\\Other", other, other},
        {&root, "\\Missing", nullptr, nullptr}, {&root, "\\Scope\\Missing\\Deep", nullptr, nullptr},
        {&root, "\\..", nullptr, nullptr}, {&root, "\\scope", nullptr, nullptr}, // case-sensitive
        // A marked component is a user name; the plain finder takes it as a name.
        {&root, "\\$Label$", nullptr, scope}, {&root, "\\$Label$\\Gain", nullptr, gain},
        {&root, "\\Scope\\$Volume$", nullptr, gain}, {gain, "\\..\\..\\$Label$", nullptr, scope},
        {&root, "\\$Scope$", nullptr, nullptr}};
    // clang-format on
    for (const auto& row : rows) {
        EXPECT_EQ(row.from->FindDescendent(row.path), row.found) << row.path;
        EXPECT_EQ(row.from->FindDescendentUser(row.path), row.foundByUser) << row.path;
    }
}
