// Saving and restoring composite and array cells: record layout, round trips of nested trees,
// references, and the questions asked when a record names no child.
#include "collections/ElementCells.h"
#include "support/ArchiveTest.h"
#include "support/Recorder.h"

#include <sstream>
#include <string>
#include <vector>

using namespace moxtest;

namespace {

const char kCompositeQuestionTail[] = ". \t\t\t\t        Do you wish to continue restoring ?";
const char kArrayQuestionTail[] = ".\t\t\t\t\t\t\t\tDo you wish to continue restoring ?";

// An owning array of long cells: its restore hook makes one for every "CmoxLongCell" record,
// refuses other classes (DECLINED) and fails on "Broken" records after reading them.
class LongArray : public CmoxArrayCell {
  public:
    explicit LongArray(const char* name) : CmoxArrayCell(name, "Item") {}
    void CreateAddRestoreElement(CmoxArchive& archive, std::string& className,
                                 const char* name) override {
        if (className == "Broken") {
            std::stringstream rest;
            archive.ReadBlock(rest);
            archive.FlagRestoreError(MOX_RESTORE_UNEXPECTED_END, this);
            throw MOX_RESTORE_UNEXPECTED_END;
        }
        if (className != "CmoxLongCell") throw MOX_RESTORE_DECLINED;
        auto* element = new CmoxLongCell(name, 0);
        Add(element);
        element->RestoreUserName(archive);
        element->Restore(archive);
    }
    CmoxCell* CreateAndAdd() override {
        std::string name;
        auto* element = new CmoxLongCell(NewChildName(name).c_str(), 0);
        Add(element);
        return element;
    }
};

// A non-owning array whose references are children of another cell.
class RefArray : public CmoxArrayCell {
  public:
    RefArray(const char* name, CmoxCell* owner)
        : CmoxArrayCell(name, "", 1, MOX_STATE_PRIORITY, ALL_COLLNOTIFY, 0), m_owner(owner) {}
    CmoxCell* TrueParent() override { return m_owner; }
    CmoxCell* m_owner;
};

// A composite that makes the child a record asks for when it has none.
class GrowingComposite : public CmoxCompositeCell {
  public:
    using CmoxCompositeCell::CmoxCompositeCell;
    CmoxCell* RestoreFindChild(const char* name) override {
        if (CmoxCell* child = FindChild(name)) return child;
        const std::string& className = Cmox::Current().RestoreClassName();
        CmoxCell* made = nullptr;
        if (className == "CmoxLongCell") made = new CmoxLongCell("", 0);
        if (className == "CmoxStringCell") made = new CmoxStringCell("", "");
        if (made != nullptr) AddChild(made, 1);
        return made; // named by the restore
    }
};

// Answers message boxes from a script and remembers what was asked; puts the previous handler
// back when it goes.
class ScriptedMessageBox {
  public:
    explicit ScriptedMessageBox(std::vector<int> answers) : m_answers(std::move(answers)) {
        m_previous = MoxSetMessageBoxHandler([this](const char* text, unsigned int type) {
            texts.push_back(text);
            types.push_back(type);
            if (m_next >= m_answers.size()) return static_cast<int>(IDNO);
            return m_answers[m_next++];
        });
    }
    ~ScriptedMessageBox() { MoxSetMessageBoxHandler(m_previous); }
    ScriptedMessageBox(const ScriptedMessageBox&) = delete;
    ScriptedMessageBox& operator=(const ScriptedMessageBox&) = delete;

    std::vector<std::string> texts;
    std::vector<unsigned int> types;

  private:
    std::vector<int> m_answers;
    std::size_t m_next = 0;
    MoxMessageBoxHandler m_previous;
};

class CollectionArchive : public ArchiveTest {
  protected:
    static std::string Save(CmoxCell& cell) { return SavedRecords(cell); }
    static std::string SaveChild(CmoxCompositeCell& cell, const char* name) {
        std::stringstream out;
        CmoxArchive archive;
        EXPECT_EQ(archive.Open(&out, MOX_ARCHIVE_WRITE, 0), 1);
        cell.SaveChild(archive, name);
        const std::string all = out.str();
        return all.substr(all.find("\r\n", all.find("\r\n") + 2) + 2);
    }
    int Restore(const std::string& record, CmoxCell& cell) { return RestoreRecord(record, cell); }

    LifetimeCounter counter;
    UpdateLog log;
};

// The tree of the round trips: values of every kind, a nested composite with a user name, an
// owning array and an array of references to some of the root's children.
struct Tree {
    CmoxCompositeCell root{"Root"};
    CmoxCompositeCell* display = nullptr;
    LongArray* items = nullptr;
    RefArray* favourites = nullptr;

    Tree() {
        auto* label = new CmoxStringCell(MOX_USER_NAME, "");
        label->Savable(0); // written in the record frame
        root.AddChild(label, 1);
        root.AddChild(new CmoxLongCell("Count", 0), 1);
        root.AddChild(new CmoxDoubleCell("Scale", 0.0), 1);
        root.AddChild(new CmoxBooleanCell("Enabled", 0), 1);
        root.AddChild(new CmoxStringCell("Title", ""), 1);
        root.AddChild(new CmoxByteCell("Level", 0), 1);
        root.AddChild(new CmoxLongLongCell("Total", 0, 0), 1);
        display = new CmoxCompositeCell("Display");
        auto* displayLabel = new CmoxStringCell(MOX_USER_NAME, "");
        displayLabel->Savable(0);
        display->AddChild(displayLabel, 1);
        display->AddChild(new CmoxDoubleCell("Gain", 0.0), 1);
        root.AddChild(display, 1);
        items = new LongArray("Items");
        root.AddChild(items, 1);
        favourites = new RefArray("Favourites", &root);
        root.AddChild(favourites, 1);
    }
};

} // namespace

// ---- layout ------------------------------------------------------------------------------------

TEST_F(CollectionArchive,
       CompositeWritesItsSavableChildrenIndentedInBracesAndEmptyOnesAnEmptyList) {
    CmoxCompositeCell root("Root");
    auto* group = new CmoxCompositeCell("Group");
    root.AddChild(group, 1);
    group->AddChild(new CmoxLongCell("A", 1), 1);
    auto* hidden = new CmoxLongCell("B", 2);
    hidden->Savable(0);
    group->AddChild(hidden, 1);
    group->AddChild(new CmoxLongCell("C", 3), 1);
    EXPECT_EQ(Save(root), "CmoxCompositeCell \"Root\" \"$$\" {\r\n"
                          "\tCmoxCompositeCell \"Group\" \"$$\" {\r\n"
                          "\t\tCmoxLongCell \"A\" \"$$\" = { 1  }\r\n"
                          "\t\tCmoxLongCell \"C\" \"$$\" = { 3  }\r\n"
                          "\t}\r\n"
                          "}\r\n");
    CmoxCompositeCell empty("Group");
    EXPECT_EQ(Save(empty), "CmoxCompositeCell \"Group\" \"$$\" {\r\n}\r\n");
    CmoxArrayCell array("List");
    EXPECT_EQ(Save(array), "CmoxArrayCell \"List\" \"$$\" {\r\n}\r\n");
}

TEST_F(CollectionArchive, SaveChildWritesTheCompositeWithOneChild) {
    CmoxCompositeCell group("Group");
    auto* label = new CmoxStringCell(MOX_USER_NAME, "Main");
    label->Savable(0);
    group.AddChild(label, 1);
    group.AddChild(new CmoxLongCell("A", 1), 1);
    group.AddChild(new CmoxLongCell("B", 2), 1);
    EXPECT_EQ(SaveChild(group, "B"), "CmoxCompositeCell \"Group\" \"$Main$\" {\r\n"
                                     "\tCmoxLongCell \"B\" \"$$\" = { 2  }\r\n"
                                     "}");
    EXPECT_EQ(SaveChild(group, "UserName"), "CmoxCompositeCell \"Group\" \"$Main$\" {\r\n}");
    EXPECT_EQ(SaveChild(group, "Missing"), "CmoxCompositeCell \"Group\" \"$Main$\" {\r\n}");
}

TEST_F(CollectionArchive, OwningArrayWritesFullRecordsAndNonOwningArrayWritesReferences) {
    LongArray items("Items");
    items.Add(new CmoxLongCell("1Item", 10));
    auto* hidden = new CmoxLongCell("2Item", 20);
    hidden->Savable(0);
    items.Add(hidden);
    items.Add(new CmoxLongCell("3Item", 30));
    EXPECT_EQ(Save(items), "CmoxArrayCell \"Items\" \"$$\" {\r\n"
                           "\tCmoxLongCell \"1Item\" \"$$\" = { 10  }\r\n"
                           "\tCmoxLongCell \"3Item\" \"$$\" = { 30  }\r\n"
                           "}\r\n");
    RefArray refs("Refs", &items);
    refs.Add(items.GetAt(2));
    refs.Add(items.GetAt(0));
    EXPECT_EQ(Save(refs), "CmoxArrayCell \"Refs\" \"$$\" {\r\n"
                          "\tCmoxLongCell \"3Item\" \"$$\" * \r\n"
                          "\tCmoxLongCell \"1Item\" \"$$\" * \r\n"
                          "}\r\n");
}

// ---- round trips -------------------------------------------------------------------------------

TEST_F(CollectionArchive, NestedTreeRoundTripsAndSavesTheSameAgain) {
    Tree saved;
    saved.root.UserName("Main settings");
    saved.root.SetChildLong("Count", 5);
    saved.root.SetChildDouble("Scale", 0.25);
    saved.root.SetChildBoolean("Enabled", 1);
    saved.root.SetChildString("Title", "A \"quoted\" {title} // not a comment");
    saved.root.SetChildByte("Level", 200);
    saved.root.SetChildLongLong("Total", 123456789012LL);
    saved.display->UserName("Screen");
    saved.display->SetChildDouble("Gain", 1.5);
    CmoxCell::InitializeCellId();
    saved.items->CreateAndAdd()->Value(11L);
    saved.items->CreateAndAdd()->Value(22L);
    saved.items->CreateAndAdd()->Value(33L);
    saved.favourites->Add(saved.root.FindChild("Title"));
    saved.favourites->Add(saved.root.FindChild("Count"));
    const std::string text = Save(saved.root);

    Tree restored;
    restored.items->Add(new TagCell("Stale", counter)); // replaced by the restore
    ASSERT_EQ(Restore(text, restored.root), 1);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(counter.destroyed, 1);
    CmoxCompositeCell& root = restored.root;
    EXPECT_STREQ(root.UserName(), "Main settings");
    EXPECT_EQ(root.GetChildLong("Count"), 5);
    EXPECT_EQ(root.GetChildDouble("Scale"), 0.25);
    EXPECT_EQ(root.GetChildBoolean("Enabled"), 1);
    EXPECT_EQ(root.GetChildString("Title"), "A \"quoted\" {title} // not a comment");
    EXPECT_EQ(root.GetChildByte("Level"), 200);
    EXPECT_EQ(root.GetChildLongLong("Total"), 123456789012LL);
    EXPECT_STREQ(restored.display->UserName(), "Screen");
    EXPECT_EQ(restored.display->GetChildDouble("Gain"), 1.5);
    ASSERT_EQ(restored.items->GetSize(), 3);
    EXPECT_EQ(ElementNames(*restored.items), Names({"1Item", "2Item", "3Item"}));
    EXPECT_EQ(static_cast<CmoxLongCell*>(restored.items->GetAt(2))->Value(), 33);
    EXPECT_EQ(restored.items->GetAt(0)->Parent(), restored.items);
    ASSERT_EQ(restored.favourites->GetSize(), 2);
    EXPECT_EQ(restored.favourites->GetAt(0), root.FindChild("Title"));
    EXPECT_EQ(restored.favourites->GetAt(1), root.FindChild("Count"));
    EXPECT_EQ(restored.favourites->GetAt(0)->Parent(), &root);
    EXPECT_EQ(m_archive.ReadToken(), ""); // the whole record was read
    EXPECT_EQ(Save(root), text);
}

TEST_F(CollectionArchive, RestoreReportsTheChangesOfTheChildren) {
    Tree saved;
    saved.root.SetChildLong("Count", 8);
    const std::string text = Save(saved.root);
    Tree restored;
    RecordingCell countWatcher("CW", MOX_STATE_PRIORITY, log);
    RecordingCell itemsWatcher("IW", MOX_STATE_PRIORITY, log);
    restored.root.FindChild("Count")->AddDependent(&countWatcher);
    restored.items->AddDependent(&itemsWatcher);
    ASSERT_EQ(Restore(text, restored.root), 1);
    // Children in record order: the changed count reports, the array is emptied and says so
    // even though the record holds no elements, and the unchanged values report nothing.
    EXPECT_EQ(Order(log), Names({"CW", "IW"}));
    EXPECT_EQ(log[0].reasons, std::vector<MoxChangeReason>{MOX_VALUE_CHANGED});
    EXPECT_EQ(log[1].reasons, std::vector<MoxChangeReason>{MOX_CHILD_REMOVED});
}

TEST_F(CollectionArchive, RestoreFindChildCanMakeMissingChildren) {
    CmoxCompositeCell saved("Group");
    saved.AddChild(new CmoxLongCell("Count", 4), 1);
    saved.AddChild(new CmoxStringCell("Title", "x"), 1);
    const std::string text = Save(saved);
    GrowingComposite restored("Group");
    ASSERT_EQ(Restore(text, restored), 1);
    ASSERT_EQ(restored.GetSize(), 2);
    EXPECT_EQ(restored.GetChildLong("Count"), 4);
    EXPECT_EQ(restored.GetChildString("Title"), "x");
    EXPECT_EQ(restored.FindChild("Title")->GetRuntimeClass(), RUNTIME_CLASS(CmoxStringCell));
}

TEST_F(CollectionArchive, ReferencesAreFoundAgainUnderTheTrueParentInArchiveOrder) {
    const std::string text = "CmoxArrayCell \"Refs\" \"$$\" {\r\n"
                             "\tCmoxLongCell \"B\" \"$$\" * \r\n"
                             "\tCmoxLongCell \"Gone\" \"$$\" * \r\n"
                             "\tCmoxLongCell \"A\" \"$$\" * \r\n"
                             "}\r\n";
    CmoxCompositeCell owner("Owner");
    auto* a = new CmoxLongCell("A", 1);
    auto* b = new CmoxLongCell("B", 2);
    owner.AddChild(a, 1);
    owner.AddChild(b, 1);
    RefArray refs("Refs", &owner);
    refs.Add(a);
    ASSERT_EQ(Restore(text, refs), 1);
    ASSERT_EQ(refs.GetSize(), 2);
    EXPECT_EQ(refs.GetAt(0), b);
    EXPECT_EQ(refs.GetAt(1), a);
    EXPECT_EQ(owner.GetSize(), 2); // nothing destroyed, nothing moved
    EXPECT_EQ(a->Parent(), &owner);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Engine().RestoreClassName(), "CmoxLongCell");

    RefArray orphan("Refs", nullptr); // nowhere to look: every reference is left out
    ASSERT_EQ(Restore(text, orphan), 1);
    EXPECT_EQ(orphan.GetSize(), 0);
}

// ---- missing children --------------------------------------------------------------------------

namespace {
const char kGhostRecord[] = "CmoxCompositeCell \"Group\" \"$$\" {\r\n"
                            "\tCmoxLongCell \"A\" \"$$\" = { 1  }\r\n"
                            "\tCmoxLongCell \"Ghost\" \"$$\" = { 2  }\r\n"
                            "\tCmoxLongCell \"C\" \"$$\" = { 3  }\r\n"
                            "}\r\n";
}

TEST_F(CollectionArchive, CompositeAsksOnceAndGoesOnOrStopsAsTheUserAnswers) {
    for (int answer : {IDYES, IDNO}) {
        SCOPED_TRACE(answer);
        ScriptedMessageBox box({answer});
        CmoxCompositeCell group("Group");
        auto* a = new CmoxLongCell("A", 0);
        auto* c = new CmoxLongCell("C", 0);
        group.AddChild(a, 1);
        group.AddChild(c, 1);
        m_archive.ResetErrors();
        EXPECT_EQ(Restore(kGhostRecord, group), answer == IDYES ? 1 : 0);
        ASSERT_EQ(box.texts.size(), 1u);
        EXPECT_EQ(box.texts[0],
                  std::string("The application was unable to find Ghost") + kCompositeQuestionTail);
        EXPECT_EQ(box.types[0], static_cast<unsigned int>(MB_YESNO));
        EXPECT_EQ(a->Value(), 1); // restored before the question: kept either way
        EXPECT_EQ(c->Value(), answer == IDYES ? 3 : 0);
        EXPECT_EQ(Errors(), answer == IDYES ? Codes{} : Codes{MOX_RESTORE_DECLINED});
    }
}

TEST_F(CollectionArchive, SkippingAMissingCollectionSkipsItsWholeBody) {
    ScriptedMessageBox box({IDYES});
    const std::string text = "CmoxCompositeCell \"Group\" \"$$\" {\r\n"
                             "\tCmoxCompositeCell \"Ghost\" \"$$\" {\r\n"
                             "\t\tCmoxLongCell \"C\" \"$$\" = { 9  }\r\n"
                             "\t\tCmoxCompositeCell \"Deeper\" \"$$\" {\r\n"
                             "\t\t}\r\n"
                             "\t}\r\n"
                             "\tCmoxLongCell \"C\" \"$$\" = { 3  }\r\n"
                             "}\r\n";
    CmoxCompositeCell group("Group");
    auto* c = new CmoxLongCell("C", 0);
    group.AddChild(c, 1);
    EXPECT_EQ(Restore(text, group), 1);
    EXPECT_EQ(box.texts.size(), 1u);
    EXPECT_EQ(c->Value(), 3);
}

TEST_F(CollectionArchive, ArrayAsksWhenItsHookDeclinesAnElement) {
    const std::string text = "CmoxArrayCell \"Items\" \"$$\" {\r\n"
                             "\tCmoxLongCell \"1Item\" \"$$\" = { 1  }\r\n"
                             "\tCmoxDoubleCell \"Odd\" \"$$\" = { 2.5  }\r\n"
                             "\tCmoxLongCell \"3Item\" \"$$\" = { 3  }\r\n"
                             "}\r\n";
    {
        ScriptedMessageBox box({IDYES});
        LongArray items("Items");
        EXPECT_EQ(Restore(text, items), 1);
        ASSERT_EQ(box.texts.size(), 1u);
        EXPECT_EQ(box.texts[0],
                  std::string("The application was unable to find Odd") + kArrayQuestionTail);
        EXPECT_EQ(box.types[0], static_cast<unsigned int>(MB_YESNO));
        EXPECT_EQ(ElementNames(items), Names({"1Item", "3Item"}));
        EXPECT_TRUE(Errors().empty());
    }
    {
        ScriptedMessageBox box({IDNO});
        LongArray items("Items");
        EXPECT_EQ(Restore(text, items), 0);
        EXPECT_EQ(box.texts.size(), 1u);
        EXPECT_EQ(Errors(), Codes{MOX_RESTORE_DECLINED});
        EXPECT_EQ(ElementNames(items), Names({"1Item"}));
    }
}

TEST_F(CollectionArchive, ArrayDropsOtherHookFaultsWithoutAsking) {
    ScriptedMessageBox box({});
    const std::string text = "CmoxArrayCell \"Items\" \"$$\" {\r\n"
                             "\tBroken \"2Item\" \"$$\" = { 2  }\r\n"
                             "\tCmoxLongCell \"3Item\" \"$$\" = { 3  }\r\n"
                             "}\r\n";
    LongArray items("Items");
    EXPECT_EQ(Restore(text, items), 1);
    EXPECT_TRUE(box.texts.empty());
    EXPECT_EQ(ElementNames(items), Names({"3Item"}));
    EXPECT_EQ(Errors(), Codes{MOX_RESTORE_UNEXPECTED_END}); // flagged by the hook, not thrown on
}

// ---- malformed records -------------------------------------------------------------------------

TEST_F(CollectionArchive, MissingBraceIsABadFormat) {
    CmoxCompositeCell group("Group");
    EXPECT_EQ(Restore("CmoxCompositeCell \"Group\" \"$$\" = { 1  }\r\n", group), 0);
    EXPECT_EQ(Errors(), Codes{MOX_RESTORE_BAD_FORMAT});
    LongArray items("Items");
    items.Add(new TagCell("Kept", counter));
    m_archive.ResetErrors();
    EXPECT_EQ(Restore("CmoxArrayCell \"Items\" \"$$\" [\r\n}\r\n", items), 0);
    EXPECT_EQ(Errors(), Codes{MOX_RESTORE_BAD_FORMAT});
    EXPECT_EQ(items.GetSize(), 1); // refused before anything was replaced
}

TEST_F(CollectionArchive, TruncatedCollectionsEndUnexpectedly) {
    Engine().BeginTransaction();
    const int level = Engine().TransactionLevel();
    CmoxCompositeCell group("Group");
    auto* a = new CmoxLongCell("A", 0);
    group.AddChild(a, 1);
    EXPECT_EQ(
        Restore("CmoxCompositeCell \"Group\" \"$$\" {\r\n\tCmoxLongCell \"A\" \"$$\" = { 7  }\r\n",
                group),
        0);
    EXPECT_EQ(Errors(), Codes{MOX_RESTORE_UNEXPECTED_END});
    EXPECT_EQ(a->Value(), 7);
    EXPECT_EQ(Engine().TransactionLevel(), level);

    m_archive.ResetErrors();
    LongArray items("Items");
    EXPECT_EQ(
        Restore("CmoxArrayCell \"Items\" \"$$\" {\r\n\tCmoxLongCell \"1\" \"$$\" = { 1  }\r\n",
                items),
        0);
    EXPECT_EQ(Errors(), Codes{MOX_RESTORE_UNEXPECTED_END});
    EXPECT_EQ(items.GetSize(), 1);

    m_archive.ResetErrors();
    RefArray refs("Refs", &group);
    EXPECT_EQ(
        Restore("CmoxArrayCell \"Refs\" \"$$\" {\r\n\tCmoxLongCell \"A\" \"$$\" * \r\n", refs), 0);
    EXPECT_EQ(Errors(), Codes{MOX_RESTORE_UNEXPECTED_END});
    EXPECT_EQ(refs.GetSize(), 1);
    Engine().EndTransaction();
}
