// Saving and restoring composite and array cells: the record layout of a nested tree and its round
// trip, references, and what a restore does with records that do not fit. Every value kind's
// round trip inside a composite and an array is also checked by the operations fuzzer.
#include "collections/Transcript.h"
#include "support/ArchiveTest.h"

#include <sstream>
#include <string>
#include <tuple>

using namespace moxtest;

namespace {

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
};

// A non-owning array whose references are children of another cell.
class RefArray : public CmoxArrayCell {
  public:
    RefArray(const char* name, CmoxCell* owner)
        : CmoxArrayCell(name, "", 1, MOX_STATE_PRIORITY, ALL_COLLNOTIFY, 0), m_owner(owner) {}
    CmoxCell* TrueParent() override { return m_owner; }
    CmoxCell* m_owner;
};

// A composite that makes a string child when a record asks for one it does not have.
class GrowingComposite : public CmoxCompositeCell {
  public:
    using CmoxCompositeCell::CmoxCompositeCell;
    CmoxCell* RestoreFindChild(const char* name) override {
        if (CmoxCell* child = FindChild(name)) return child;
        if (Cmox::Current().RestoreClassName() != "CmoxStringCell") return nullptr;
        auto* made = new CmoxStringCell("", ""); // named by the restore
        AddChild(made, 1);
        return made;
    }
};

using CollectionArchive = ArchiveTest;

// A composite with a hidden user-name child, a nested composite, an owning array and an array of
// references to some of the root's children.
struct Tree {
    CmoxCompositeCell root{"Root"};
    CmoxCompositeCell* display = new CmoxCompositeCell("Display");
    LongArray* items = new LongArray("Items");
    RefArray* favourites = new RefArray("Favourites", &root);

    Tree() {
        for (CmoxCompositeCell* group : {&root, display}) {
            auto* label = new CmoxStringCell(MOX_USER_NAME, "");
            label->Savable(0); // written in the record frame
            group->AddChild(label, 1);
        }
        root.AddChild(new CmoxLongCell("Count", 0), 1);
        root.AddChild(new CmoxStringCell("Title", ""), 1);
        for (CmoxCell* child : std::initializer_list<CmoxCell*>{display, items, favourites})
            root.AddChild(child, 1);
    }
};

} // namespace

TEST_F(CollectionArchive, NestedTreeSavesThisLayoutAndRestoresToTheSameBytesReportingOnlyChanges) {
    Tree saved;
    saved.root.UserName("Main settings");
    saved.root.SetChildLong("Count", 5);
    saved.root.SetChildString("Title", "A {title}");
    saved.display->UserName("Screen");
    for (const char* name : {"1Item", "2Item", "3Item"})
        saved.items->Add(new CmoxLongCell(name, 11L * (name[0] - '0')));
    saved.items->GetAt(1)->Savable(0);
    saved.favourites->Add(saved.root.FindChild("Title"));
    saved.favourites->Add(saved.root.FindChild("Count"));
    const std::string text = SavedRecords(saved.root);
    EXPECT_EQ(text, "CmoxCompositeCell \"Root\" \"$Main settings$\" {\r\n"
                    "\tCmoxLongCell \"Count\" \"$$\" = { 5  }\r\n"
                    "\tCmoxStringCell \"Title\" \"$$\" = { \"A \\{title\\}\"  }\r\n"
                    "\tCmoxCompositeCell \"Display\" \"$Screen$\" {\r\n"
                    "\t}\r\n"
                    "\tCmoxArrayCell \"Items\" \"$$\" {\r\n"
                    "\t\tCmoxLongCell \"1Item\" \"$$\" = { 11  }\r\n"
                    "\t\tCmoxLongCell \"3Item\" \"$$\" = { 33  }\r\n"
                    "\t}\r\n"
                    "\tCmoxArrayCell \"Favourites\" \"$$\" {\r\n"
                    "\t\tCmoxStringCell \"Title\" \"$$\" * \r\n"
                    "\t\tCmoxLongCell \"Count\" \"$$\" * \r\n"
                    "\t}\r\n"
                    "}\r\n");
    // SaveChild writes the composite's frame with that child only.
    for (const char* name : {"Count", "UserName", "Missing"}) {
        std::stringstream out;
        CmoxArchive archive;
        ASSERT_EQ(archive.Open(&out, MOX_ARCHIVE_WRITE, 0), 1);
        saved.root.SaveChild(archive, name);
        const std::string all = out.str();
        EXPECT_EQ(all.substr(all.find("\r\n", all.find("\r\n") + 2) + 2),
                  text.substr(0, text.find('\n') + 1) +
                      (name[0] == 'C' ? "\tCmoxLongCell \"Count\" \"$$\" = { 5  }\r\n" : "") + "}");
    }

    // The restore reports only the children that changed (not the title); the array is emptied,
    // then each element is added and restored.
    Tree restored;
    LifetimeCounter counter;
    restored.items->Add(new CountedCell("Stale", counter)); // replaced by the restore
    restored.root.SetChildString("Title", "A {title}");
    UpdateLog log;
    RecordingCell count("CW", MOX_STATE_PRIORITY, log), title("TW", MOX_STATE_PRIORITY, log),
        items("IW", MOX_STATE_PRIORITY, log);
    restored.root.FindChild("Count")->AddDependent(&count);
    restored.root.FindChild("Title")->AddDependent(&title);
    restored.items->AddDependent(&items);
    ASSERT_EQ(RestoreRecord(text, restored.root), 1);
    EXPECT_EQ(Heard(log), "CW(Count:value) IW(Items:removed) IW(Items:added) IW(Items:child) "
                          "IW(Items:added) IW(Items:child) ");
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(counter.destroyed, 1);
    EXPECT_EQ(Next(), ""); // the whole record was read
    EXPECT_EQ(SavedRecords(restored.root), text);
    EXPECT_EQ(restored.items->GetAt(1)->Parent(), restored.items);
    EXPECT_EQ(restored.favourites->GetAt(0), restored.root.FindChild("Title"));
    EXPECT_EQ(restored.favourites->GetAt(0)->Parent(), &restored.root);
}

// Records that name no child, elements the restore hook refuses or fails on, references found
// under the true parent or not at all, and malformed or truncated records: the question asked,
// the result, the codes flagged and what the cell holds.
TEST_F(CollectionArchive, RecordsThatDoNotFitAskDeclineOrFailByTheirRules) {
    enum Target { kComposite, kArray, kRefs, kOrphanRefs };
    const auto L = [](const char* name, int value = -1) { // a long's record, or a reference
        return "CmoxLongCell \"" + std::string(name) + "\" \"$$\" " +
               (value < 0 ? "*" : "= { " + std::to_string(value) + "  }") + "\r\n";
    };
    const std::string ghosts = "{\r\n" + L("A", 1) + L("Ghost", 2) + L("C", 3) + "}\r\n";
    const std::string deep = "{\r\nCmoxCompositeCell \"Ghost\" \"$$\" {\r\n" + L("C", 9) +
                             "CmoxCompositeCell \"Deeper\" \"$$\" {\r\n}\r\n}\r\n" + L("C", 3) +
                             "}\r\n";
    const std::string odd =
        "{\r\n" + L("1", 1) + "CmoxDoubleCell \"Odd\" \"$$\" = { 2.5  }\r\n" + L("3", 3) + "}\r\n";
    const std::string refs = "{\r\n" + L("C") + L("Gone") + L("A") + "}\r\n";
    const Codes none, declined{MOX_RESTORE_DECLINED}, bad{MOX_RESTORE_BAD_FORMAT},
        end{MOX_RESTORE_UNEXPECTED_END};
    // The target, the record's body, the answer to a question; then the result, the codes
    // flagged, the child the user is asked about (if any) and what the target holds.
    const std::tuple<Target, std::string, int, int, Codes, std::string, std::string> cases[] = {
        {kComposite, ghosts, IDYES, 1, none, "Ghost", "A=1 C=3 "},
        {kComposite, ghosts, IDNO, 0, declined, "Ghost", "A=1 C=0 "},
        {kComposite, deep, IDYES, 1, none, "Ghost", "A=0 C=3 "}, // skips the whole body
        {kComposite, "{\r\nCmoxStringCell \"T\" \"$$\" = { x  }\r\n}\r\n", IDNO, 1, none, "",
         "A=0 C=0 T=x "}, // made on request
        {kArray, odd, IDYES, 1, none, "Odd", "1=1 3=3 "},
        {kArray, odd, IDNO, 0, declined, "Odd", "1=1 "},
        // A fault that the hook flagged itself is not asked about.
        {kArray, "{\r\nBroken \"2\" \"$$\" = { 2  }\r\n" + L("3", 3) + "}\r\n", IDNO, 1, end, "",
         "3=3 "},
        // References are found under the true parent, in the record's order; the missing ones
        // and all of them without a true parent are left out unasked.
        {kRefs, refs, IDNO, 1, none, "", "C=0 A=0 "},
        {kOrphanRefs, refs, IDNO, 1, none, "", ""},
        {kComposite, "= { 1  }\r\n", IDYES, 0, bad, "", "A=0 C=0 "},
        {kArray, "[\r\n}\r\n", IDYES, 0, bad, "",
         "Kept=0 "}, // refused before anything was replaced
        {kComposite, "{\r\n" + L("A", 7), IDYES, 0, end, "", "A=7 C=0 "},
        {kArray, "{\r\n" + L("1", 1), IDYES, 0, end, "", "1=1 "},
        {kRefs, "{\r\n" + L("A"), IDYES, 0, end, "", "A=0 "},
    };
    // Questions are answered with the row's reply and logged as "text|type".
    int answer = IDNO;
    Names asked;
    const MoxMessageBoxHandler previous =
        MoxSetMessageBoxHandler([&](const char* text, unsigned int type) {
            asked.push_back(text + ("|" + std::to_string(type)));
            return answer;
        });
    Engine().BeginTransaction(); // a failed restore leaves the transaction level as it was
    const int level = Engine().TransactionLevel();
    for (const auto& [kind, body, reply, result, errors, missing, held] : cases) {
        SCOPED_TRACE(body);
        answer = reply;
        asked.clear();
        GrowingComposite group("Group");
        group.AddChild(new CmoxLongCell("A", 0), 1);
        group.AddChild(new CmoxLongCell("C", 0), 1);
        LongArray items("Items");
        items.Add(new CmoxLongCell("Kept", 0));
        RefArray refArray("Refs", &group), orphan("Refs", nullptr);
        refArray.Add(group.GetChildAt(1));
        orphan.Add(group.GetChildAt(1));
        CmoxCell* targets[] = {&group, &items, &refArray, &orphan};
        CmoxCell& target = *targets[kind];
        m_archive.ResetErrors();
        const std::string head = std::string(target.GetRuntimeClass()->m_lpszClassName) + " \"" +
                                 target.Name() + "\" \"$$\" ";
        EXPECT_EQ(RestoreRecord(head + body, target), result);
        EXPECT_EQ(Errors(), errors);
        const std::string tail = kind == kComposite ? ". \t\t\t\t        " : ".\t\t\t\t\t\t\t\t";
        EXPECT_EQ(asked, missing.empty() ? Names{}
                                         : Names{"The application was unable to find " + missing +
                                                 tail + "Do you wish to continue restoring ?|4"});
        EXPECT_EQ(Held(target), held);
        EXPECT_EQ(Engine().TransactionLevel(), level);
        if (kind >= kRefs) { // nothing of the true parent's destroyed or moved
            EXPECT_EQ(Held(group), "A=0 C=0 ");
            EXPECT_EQ(group.GetChildAt(0)->Parent(), &group);
        }
    }
    Engine().EndTransaction();
    MoxSetMessageBoxHandler(previous);
}
