#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

using namespace moxtest;

class Cell : public MoxTest {};

// Initialize renames and re-prioritises, leaves the parent and clears the undo flag, keeping
// the other flags and the links. A base cell compares classes only; its setters store and
// report nothing; a leaf answers no message, takes a propagated priority and ORs user data.
TEST_F(Cell, InitializeKeepsFlagsAndDependenciesAndBaseCellsCompareClassesOnly) {
    CmoxCell a("A", 20), b("B", 30);
    a.Savable(0);
    a.NotifyParent(0);
    a.UndoNotify(1);
    a.AddDependent(&b);
    a.Parent(&b);
    a.Initialize("Renamed", 77);
    EXPECT_EQ(a.Name(), "Renamed");
    IntCell i("I");
    // Priority, has a parent, undo-notify, savable, notify-parent, keeps its dependent; == and
    // != against a base cell and against another class; kind of CmoxCell.
    EXPECT_EQ((std::vector<int>{a.Priority(), a.Parent() != nullptr, a.UndoNotify(), a.Savable(),
                                a.NotifyParent(), a.HasDependent(&b), a == b, a != b, a == i,
                                a != i, a.IsKindOf(RUNTIME_CLASS(CmoxCell))}),
              (std::vector<int>{77, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1}));
    EXPECT_STREQ(a.GetRuntimeClass()->m_lpszClassName, "CmoxCell");
    UpdateLog log;
    RecordingCell d("D", MOX_STATE_PRIORITY, log);
    a.AddDependent(&d);
    for (MoxSetValue result :
         {a.Value(5L), a.Value(2.5), a.Value(1), a.Value("x"), a.Value(static_cast<__int64>(7)),
          a.Value(static_cast<unsigned char>(7))})
        EXPECT_EQ(result, MOX_VALUE_SET);
    a = 5L;
    a = "text";
    EXPECT_TRUE(log.empty()) << "base setters must not report changes";
    EXPECT_EQ(a.ProcessMoxMessage(1, 2, nullptr), nullptr);
    a.PropogatePriority(99);
    EXPECT_EQ((std::vector<unsigned long>{a.Priority(), a.CombineUserData(0x1, 0x5),
                                          static_cast<unsigned long>(a.Match(&a, 0))}),
              (std::vector<unsigned long>{99, 5, 0}));
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

TEST(Names, UserNamesMarkedNamesAndPaths) {
    std::string out = "junk";
    // clang-format off
    const std::pair<std::string, std::string> rows[] = {
        {Cmox::MakeUserName(out, ""), MOX_NO_USER_NAME}, {Cmox::MakeUserName(out, "Gain"), "$Gain$"},
        {Cmox::ExtractUserName(out, "$Gain$"), "Gain"}, {Cmox::ExtractUserName(out, "$$"), ""},
        // Shorter than two delimiters: nothing inside, and no out-of-range read.
        {Cmox::ExtractUserName(out, "$"), ""}, {Cmox::ExtractUserName(out, ""), ""},
        {Cmox::ExtractName(out, "\\Root\\Scope\\Gain"), "Gain"}, {Cmox::ExtractName(out, "Gain"), "Gain"},
        {Cmox::ExtractName(out, "\\Root\\"), ""},
        // A path stops at the first empty component.
        {MoxMakePath(out, "Root", "Scope", "Gain", "", "X"), "\\Root\\Scope\\Gain"},
        {MoxMakePath(out, "Root", "", "Gain"), "\\Root"}, {MoxMakePath(out, "Root", "Scope"), "\\Root\\Scope"},
        {MoxMakePath(out, ""), "\\"}, {MoxMakePath(out, "A", "B", "C", "D", "E"), "\\A\\B\\C\\D\\E"}};
    // clang-format on
    for (const auto& [made, expected] : rows)
        EXPECT_EQ(made, expected);
    // Only the first character marks a user name.
    for (const char* name : {"$Gain$", "$unterminated"})
        EXPECT_TRUE(Cmox::IsUserName(name)) << name;
    for (const char* name : {"Gain", "", "G$"})
        EXPECT_FALSE(Cmox::IsUserName(name)) << name;
}

// Values that applications store or compare and that no other test pins down.
TEST(Constants, PrioritiesAndRestoreCodesKeepTheirValues) {
    EXPECT_EQ((std::vector<int>{MOX_STATE_PRIORITY, MOX_CUTOFF_PRIORITY, MOX_UI_PRIORITY,
                                MOX_BAD_INCR_POLICY, MOX_RESTORE_DECLINED}),
              (std::vector<int>{150, 100, 50, 10, 4}));
}
