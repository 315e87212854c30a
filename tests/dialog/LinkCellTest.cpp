// The link cell base: text exchange in both directions, rejected entries, relinking, ownership
// and the filling of list-like controls.

#include "dialog/DialogTesting.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace moxtest;
using mox::headless::Edit;

namespace {

// A link cell that logs what it is asked to add, as a list-like control would show it.
class ItemLog : public CmoxLinkCell {
  public:
    using CmoxLinkCell::AddString;
    ItemLog() : CmoxLinkCell(1, nullptr, nullptr, "Items", MOX_UI_PRIORITY, 0) {}
    void AddString(const char* text) override { items.push_back(text); }
    std::vector<std::string> items;
};

// An array element with a user name and a "Title" child, for the array fillers.
CmoxCell* Record(const char* user, const char* title) {
    auto* record = new CmoxCompositeCell("Record");
    record->AddChild(new CmoxStringCell(MOX_USER_NAME, user));
    record->AddChild(new CmoxStringCell("Title", title));
    return record;
}

class LinkCellTest : public HeadlessTest {
  protected:
    Edit& edit = dialog.AddEdit(10);
    Edit& other = dialog.AddEdit(11);

    // A link cell on a field (the first one unless told) delivered at once (state priority), with
    // a formatter.
    std::unique_ptr<CmoxEditLC> Link(CmoxCell* cell, int id = 10) {
        auto link = std::make_unique<CmoxEditLC>(id, cell, Dlg(), "Link", MOX_STATE_PRIORITY, 1);
        link->Formatter(new CmoxFormatter);
        return link;
    }
    // Runs the link's exchange, saving into the cell or loading into the control.
    void Exchange(CmoxLinkCell& link, int save) {
        CDataExchange exchange(Dlg(), save);
        link.Transfer(&exchange);
    }
};

} // namespace

// ---- saving: from the control into the cell ----------------------------------------------------

TEST_F(LinkCellTest, SavedEntryIsStoredAndAdjustmentsBeepFocusAndShowTheValue) {
    // Each entry is saved from a field while the other field has the focus, then read back into
    // the other field through a second link: "<field> <Shown()>focus<0|1> [sel <range>]
    // changes<n> writes<n> | <read back>". Adjusted entries beep once (no message), take the
    // focus back and are left selected for retyping; long cells are never reported as adjusted.
    CmoxByteCell clamped("Percent", 40), held("Percent", 100), adjusted("Percent", 100);
    for (CmoxByteCell* cell : {&clamped, &held, &adjusted})
        cell->InitRange(0, 100);
    CmoxLongCell count("Count", 5);
    CmoxDoubleCell gain("Gain", 1.0);
    CmoxStringCell title("Title", "old");
    const struct {
        CmoxCell* cell;
        const char* entry;
        const char* outcome;
    } cases[] = {
        {&clamped, "150", "100 beep ffffffff focus1 sel 0-3 changes1 writes1 | 100"},
        {&held, "100", "100 focus0 changes0 writes0 | 100"},
        {&adjusted, "200", "100 beep ffffffff focus1 changes0 writes1 | 100"},
        {&count, "1,234", "1234 focus0 changes1 writes1 | 1234"},
        {&gain, "+1,000.5", "1000.5 focus0 changes1 writes1 | 1000.5"},
        {&title, "Smith, J + 2", "Smith, J + 2 focus0 changes1 writes0 | Smith, J + 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        auto link = Link(c.cell);
        UpdateLog log;
        RecordingCell watcher("Watcher", MOX_STATE_PRIORITY, log);
        c.cell->AddDependent(&watcher);
        other.Wnd()->SetFocus();
        other.Enter("");
        edit.Enter(c.entry);
        const int writes = edit.SetTextCount();
        Exchange(*link, 1);
        std::ostringstream out;
        out << edit.Text() << ' ' << Shown() << "focus" << edit.HasFocus();
        if (edit.HasFocus() && !log.empty())
            out << " sel " << edit.SelStart() << '-' << edit.SelEnd();
        out << " changes" << log.size() << " writes" << edit.SetTextCount() - writes;
        Exchange(*Link(c.cell, 11), 0);
        out << " | " << other.Text();
        EXPECT_EQ(c.outcome, out.str());
    }
}

// ---- loading: from the cell into the control ---------------------------------------------------

TEST_F(LinkCellTest, LoadingShowsTheValueAndLeavesAFieldAlreadyShowingIt) {
    CmoxLongCell count("Count", 42);
    auto link = Link(&count);
    edit.Enter("7");
    Exchange(*link, 0); // loading writes the cell's value over the typing
    EXPECT_EQ("42 42", Joined(count.Value(), edit.Text()));
    edit.Enter("7");
    Exchange(*link, 1);
    // A field already showing the value is not rewritten: its selection survives.
    Dlg()->GetDlgItem(10)->SendMessage(EM_SETSEL, 0, 1);
    const int writes = edit.SetTextCount();
    link->StateToUI();
    EXPECT_EQ("7 0 0-1",
              Joined(count.Value(), edit.SetTextCount() - writes,
                     std::to_string(edit.SelStart()) + '-' + std::to_string(edit.SelEnd())));
    count.Value(8L); // a state-priority link refreshes at the change
    // A numeric cell without a formatter is left alone both ways.
    CmoxEditLC plain(11, &count, Dlg(), "Plain", MOX_STATE_PRIORITY, 1);
    other.Enter("77");
    Exchange(plain, 1);
    Exchange(plain, 0);
    EXPECT_EQ("8 8 77", Joined(edit.Text(), count.Value(), other.Text()));
}

// ---- stepping, relinking, ownership ------------------------------------------------------------

TEST_F(LinkCellTest, IncrementAndDecrementGoToTheLinkedCellsOwnStep) {
    CmoxLongLongCell wide("Wide", 100, 0);
    CmoxDoubleCell real("Real", 1.5);
    CmoxLongCell plain("Plain", 2147483647);
    CmoxByteCell small("Small", 10);
    CmoxStringCell text("Text", "x");
    // The sign is kept when widening; the long cell wraps on its own; a byte takes only the low
    // 8 bits of the step (258: 2); a string has nothing to step.
    const struct {
        CmoxCell* cell;
        int up, down;
    } steps[] = {{&wide, 3, -2}, {&real, 0, 2}, {&plain, 1, 0}, {&small, 258, 0}, {&text, 1, 1}};
    ItemLog link;
    for (const auto& step : steps) {
        link.Cell(step.cell, 0);
        link.Increment(step.up);
        link.Decrement(step.down);
    }
    EXPECT_EQ("105 -0.5 -2147483648 12 x",
              Joined(wide.Value(), real.Value(), plain.Value(), small.Value(), text.Value()));
}

// Each step logs "<link depends on first><on second>:<field>".
TEST_F(LinkCellTest, RelinkingMovesTheDependencyWithoutRefreshingAndSparesADeadCell) {
    CmoxStringCell first("First", "one"), second("Second", "two");
    std::string log;
    auto note = [&](CmoxCell* link) {
        log += std::to_string(first.HasDependent(link)) +
               std::to_string(second.HasDependent(link)) + ':' + edit.Text() + ' ';
    };
    auto link = Link(&first);
    link->Cell(&second, 1); // relinking does not refresh
    note(link.get());
    second.Value("shown");
    link->Cell(&first, 0);
    note(link.get());
    auto orphan = Link(nullptr); // linked to nothing yet
    {
        CmoxStringCell title("Title", "x");
        orphan->Cell(&title, 1);
    }
    // Neither relinking nor dropping the dependencies may touch the dead cell.
    orphan->DestroyDependencies();
    orphan->Cell(&second, 1);
    note(orphan.get());
    orphan->DestroyDependencies();
    note(orphan.get());
    // A link made without dependencies leaves the graph alone until asked.
    CmoxEditLC loose(10, &first, Dlg(), "Loose", MOX_UI_PRIORITY, 0);
    note(&loose);
    loose.CreateDependencies();
    note(&loose);
    EXPECT_EQ("01: 00:shown 01:shown 00:shown 00:shown 10:shown ", log);
    EXPECT_EQ(edit.Handle(), loose.GetControlHandle());
}

// The formatter and the subclassing edit object belong to the link: the same formatter set again
// is kept, a replaced one goes, an edit object refused for a missing control is kept all the
// same, both die with the link, and the field goes back to its own handling.
TEST_F(LinkCellTest, FormatterAndEditObjectAreOwnedAndDeletedOnce) {
    int formatters = 0, edits = 0;
    std::string inside;
    {
        CmoxEditLC link(10, nullptr, Dlg(), "Link", MOX_UI_PRIORITY, 0);
        CmoxEditLC stray(99, nullptr, Dlg(), "Stray", MOX_UI_PRIORITY, 0);
        auto* first = new Counted<CmoxFormatter>(formatters);
        link.Formatter(first);
        link.Formatter(first);
        link.Formatter(new Counted<CmoxFormatter>(formatters));
        const int linked = link.SubclassEditControl(new Counted<DigitsOnly>(edits));
        const int strayed = stray.SubclassEditControl(new Counted<DigitsOnly>(edits));
        edit.Type("4a2");
        inside = Joined(formatters, linked, strayed, edit.Text(), edits);
    }
    edit.Type("b");
    EXPECT_EQ("1 1 0 42 0 | 2 2 42b", inside + " | " + Joined(formatters, edits, edit.Text()));
}

// ---- rejected entries --------------------------------------------------------------------------

// Each Fail with the focus elsewhere: "<outcome> | <Shown()>focus<0|1> sel <range>".
TEST_F(LinkCellTest, FailShowsTheTextOrBeepsFocusesTheControlAndThrowsWhenAsked) {
    CmoxLinkCell link(10, nullptr, Dlg(), "Link", MOX_UI_PRIORITY, 0);
    CmoxEditLC editLink(10, nullptr, Dlg(), "Edit", MOX_UI_PRIORITY, 0);
    MoxSetStringResource(300, "Out of range");
    std::ostringstream out;
    auto fail = [&](auto&& call) {
        other.Wnd()->SetFocus();
        try {
            call();
            out << "returned";
        } catch (const CUserException&) {
            out << "user exception";
        } catch (const CResourceException&) {
            out << "resource exception";
        }
        out << " | " << Shown() << "focus" << edit.HasFocus() << " sel " << edit.SelStart() << '-'
            << edit.SelEnd() << '\n';
    };
    fail([&] { link.Fail("Too large", 1); });
    fail([&] { link.Fail(nullptr, 0); }); // no text: a beep instead of a message
    fail([&] { link.Fail(300, 0); });
    fail([&] { link.Fail(301, 0); });
    edit.Enter("12x");
    edit.Type("\b");                                // caret at the end, nothing selected
    fail([&] { editLink.Fail("Digits only", 1); }); // an edit field's link selects the entry
    EXPECT_EQ(R"(user exception | box 'Too large' 30 focus1 sel 0-0
returned | beep ffffffff focus1 sel 0-0
returned | box 'Out of range' 30 focus1 sel 0-0
resource exception | focus0 sel 0-0
user exception | box 'Digits only' 30 focus1 sel 0-2
)",
              out.str());
}

// ---- filling list-like controls ----------------------------------------------------------------

TEST_F(LinkCellTest, ListContentsComeFromResourcesStringsAndArrayCells) {
    CmoxArrayCell names("Names");
    names.Add(new CmoxStringCell("A", "Alpha"));
    CmoxArrayCell records("Records");
    records.Add(Record("first", "One"));
    records.Add(Record("second", "Two"));
    ItemLog link;
    for (const auto& [id, text] : std::map<unsigned int, const char*>{
             {1, "One"}, {2, "Two"}, {3, "Three"}, {40, "Red|Green||Blue|"}, {41, "|Tail"}})
        MoxSetStringResource(id, text);
    link.AddString(2);
    link.AddString(0);                // nothing added, nothing shown
    link.InitContents(3, 0, 1, 0, 2); // up to five ids: zero is skipped
    link.InitContents(std::vector<unsigned int>{2, 0, 1});
    link.InitContents(std::vector<std::string>{"a", "", "c"}); // empty strings are items
    link.InitContentsFromSingleResource(40, '|');
    link.InitContentsFromSingleResource(41, '|');
    link.InitContentsFromSingleResource(MOX_NULLID, '|');
    link.InitContents(names);
    link.InitContents(records, "Title");
    link.InitContentsUser(records);
    EXPECT_EQ((std::vector<std::string>{"Two",  "Three", "One", "Two",   "Two",   "One",   "a",
                                        "",     "c",     "Red", "Green", "",      "Blue",  "",
                                        "Tail", "Alpha", "One", "Two",   "first", "second"}),
              link.items);
    EXPECT_EQ("", Shown());
    EXPECT_THROW(link.InitContentsFromSingleResource(99, '|'), CResourceException);
    // A missing resource in a list is reported and added empty.
    link.items.clear();
    link.AddString(77);
    EXPECT_EQ((std::vector<std::string>{""}), link.items);
    EXPECT_EQ("box 'MOX was unable to load string resource 77. The\t\t\tapplication may not "
              "behave correctly' 0 ",
              Shown());
}
