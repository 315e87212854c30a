// The link cell base: text exchange in both directions, rejected entries, relinking and the
// filling of list-like controls.

#include "dialog/LinkTesting.h"

#include <mox/headless.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
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

// A formatter whose destruction is observable.
class CountedFormatter : public CmoxFormatter {
  public:
    explicit CountedFormatter(int& destroyed) : m_destroyed(destroyed) {}
    ~CountedFormatter() override { ++m_destroyed; }

  private:
    int& m_destroyed;
};

// An array element with a user name and a "Title" child, for the array fillers.
CmoxCell* Record(const char* user, const char* title) {
    auto* record = new CmoxCompositeCell("Record");
    record->AddChild(new CmoxStringCell(MOX_USER_NAME, user));
    record->AddChild(new CmoxStringCell("Title", title));
    return record;
}

class LinkCellTest : public LinkTest {
  protected:
    Edit& edit = dialog.AddEdit(10);
    Edit& other = dialog.AddEdit(11);

    // A link cell on the edit field delivered at once (state priority), with a formatter.
    std::unique_ptr<CmoxEditLC> Link(CmoxCell* cell) {
        auto link = std::make_unique<CmoxEditLC>(10, cell, Dlg(), "Link", MOX_STATE_PRIORITY, 1);
        link->Formatter(new CmoxFormatter);
        return link;
    }
    void Save(CmoxLinkCell& link) {
        CDataExchange exchange(Dlg(), 1);
        link.Transfer(&exchange);
    }
    void Load(CmoxLinkCell& link) {
        CDataExchange exchange(Dlg(), 0);
        link.Transfer(&exchange);
    }
};

} // namespace

// ---- saving: from the control into the cell ----------------------------------------------------

TEST_F(LinkCellTest, SavedEntryIsStoredAndAdjustmentsBeepFocusAndShowTheValue) {
    // Each entry is saved from a field while the other field has the focus; the stored value is
    // then read back into the other field through a second link.
    struct Case {
        const char* what;
        std::function<std::unique_ptr<CmoxCell>()> make;
        const char* entry;
        const char* stored; // as the field shows it afterwards
        bool beeps;         // adjusted entries beep once and take the focus back
        size_t changes;     // change notifications of the cell
        int writes;         // program writes of the field text
    };
    auto byte = [](unsigned char value) {
        return [value] {
            auto cell = std::make_unique<CmoxByteCell>("Percent", value);
            cell->InitRange(0, 100);
            return std::unique_ptr<CmoxCell>(std::move(cell));
        };
    };
    const Case cases[] = {
        {"clamped byte", byte(40), "150", "100", true, 1, 1},
        {"held byte again", byte(100), "100", "100", false, 0, 0},
        {"adjusted to the held byte", byte(100), "200", "100", true, 0, 1},
        // Long cells are never reported as adjusted.
        {"long with separators", [] { return std::make_unique<CmoxLongCell>("Count", 5); }, "1,234",
         "1234", false, 1, 1},
        {"double through the formatter",
         [] { return std::make_unique<CmoxDoubleCell>("Gain", 1.0); }, "+1,000.5", "1000.5", false,
         1, 1},
        {"string with its commas", [] { return std::make_unique<CmoxStringCell>("Title", "old"); },
         "Smith, John + 2", "Smith, John + 2", false, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        desktop.ClearBeeps();
        std::unique_ptr<CmoxCell> cell = c.make();
        auto link = Link(cell.get());
        UpdateLog log;
        RecordingCell watcher("Watcher", MOX_STATE_PRIORITY, log);
        cell->AddDependent(&watcher);
        other.Wnd()->SetFocus();
        other.Enter("");
        edit.Enter(c.entry);
        const int writes = edit.SetTextCount();
        Save(*link);
        EXPECT_EQ(c.stored, edit.Text());
        EXPECT_EQ(c.beeps ? std::vector<unsigned int>{kSimpleBeep} : std::vector<unsigned int>{},
                  desktop.Beeps());
        EXPECT_EQ(c.beeps, edit.HasFocus());
        EXPECT_EQ(c.changes, log.size());
        EXPECT_EQ(writes + c.writes, edit.SetTextCount());
        if (c.beeps && c.changes > 0) { // an adjusted entry is left selected for retyping
            EXPECT_EQ(0, edit.SelStart());
            EXPECT_EQ(static_cast<int>(std::strlen(c.stored)), edit.SelEnd());
        }
        EXPECT_TRUE(boxes.empty()); // a beep, not a message
        CmoxEditLC readBack(11, cell.get(), Dlg(), "ReadBack", MOX_STATE_PRIORITY, 0);
        readBack.Formatter(new CmoxFormatter);
        Load(readBack);
        EXPECT_EQ(c.stored, other.Text());
    }
}

// ---- loading: from the cell into the control ---------------------------------------------------

TEST_F(LinkCellTest, LoadingShowsTheValueAndLeavesAFieldAlreadyShowingIt) {
    CmoxLongCell count("Count", 42);
    auto link = Link(&count);
    edit.Enter("7");
    Load(*link); // loading writes the cell's value over the typing
    EXPECT_EQ(42, count.Value());
    EXPECT_EQ("42", edit.Text());
    edit.Enter("7");
    Save(*link);
    EXPECT_EQ(7, count.Value());
    // A field already showing the value is not rewritten: its selection survives.
    edit.Enter("7");
    Dlg()->GetDlgItem(10)->SendMessage(EM_SETSEL, 0, 1);
    const int writes = edit.SetTextCount();
    link->StateToUI();
    EXPECT_EQ(writes, edit.SetTextCount());
    EXPECT_EQ(0, edit.SelStart());
    EXPECT_EQ(1, edit.SelEnd());
    count.Value(8L); // a state-priority link refreshes at the change
    EXPECT_EQ("8", edit.Text());
    // A numeric cell without a formatter is left alone.
    CmoxEditLC plain(11, &count, Dlg(), "Plain", MOX_STATE_PRIORITY, 1);
    other.Enter("77");
    Save(plain);
    EXPECT_EQ(8, count.Value());
    Load(plain);
    EXPECT_EQ("77", other.Text());
}

// ---- stepping, relinking, ownership ------------------------------------------------------------

TEST_F(LinkCellTest, IncrementAndDecrementGoToTheLinkedCellsOwnStep) {
    CmoxLongLongCell wide("Wide", 100, 0);
    CmoxDoubleCell real("Real", 1.5);
    CmoxLongCell plain("Plain", 2147483647);
    CmoxByteCell small("Small", 10);
    CmoxStringCell text("Text", "x");
    ItemLog link;
    link.Cell(&wide, 0);
    link.Increment(3);
    link.Decrement(-2); // the sign is kept when widening
    EXPECT_EQ(105, wide.Value());
    link.Cell(&real, 0);
    link.Decrement(2);
    EXPECT_DOUBLE_EQ(-0.5, real.Value());
    link.Cell(&plain, 0);
    link.Increment(1); // the long cell wraps on its own
    EXPECT_EQ(-2147483647L - 1, plain.Value());
    link.Cell(&small, 0);
    link.Increment(258); // only the low 8 bits: 2
    EXPECT_EQ(12, small.Value());
    link.Cell(&text, 0);
    link.Increment(1);
    EXPECT_EQ("x", text.Value());
}

TEST_F(LinkCellTest, RelinkingMovesTheDependencyWithoutRefreshingAndSparesADeadCell) {
    CmoxStringCell first("First", "one");
    CmoxStringCell second("Second", "two");
    auto link = Link(&first);
    link->Cell(&second, 1);
    EXPECT_FALSE(first.HasDependent(link.get()));
    EXPECT_TRUE(second.HasDependent(link.get()));
    EXPECT_EQ("", edit.Text()); // relinking does not refresh
    first.Value("changed");
    EXPECT_EQ("", edit.Text());
    second.Value("shown");
    EXPECT_EQ("shown", edit.Text());
    link->Cell(&first, 0);
    EXPECT_FALSE(second.HasDependent(link.get()));
    EXPECT_FALSE(first.HasDependent(link.get()));
    auto orphan = Link(nullptr); // linked to nothing yet
    {
        CmoxStringCell title("Title", "x");
        orphan->Cell(&title, 1);
    }
    // Neither relinking nor dropping the dependencies may touch the dead cell.
    orphan->DestroyDependencies();
    orphan->Cell(&second, 1);
    EXPECT_TRUE(second.HasDependent(orphan.get()));
    orphan->DestroyDependencies();
    EXPECT_FALSE(second.HasDependent(orphan.get()));
    // A link made without dependencies leaves the graph alone until asked.
    CmoxEditLC loose(10, &first, Dlg(), "Loose", MOX_UI_PRIORITY, 0);
    EXPECT_FALSE(first.HasDependent(&loose));
    loose.CreateDependencies();
    EXPECT_TRUE(first.HasDependent(&loose));
    EXPECT_EQ(edit.Handle(), loose.GetControlHandle());
}

TEST_F(LinkCellTest, FormatterIsOwnedAndDeletedOnce) {
    int destroyed = 0;
    {
        CmoxEditLC link(10, nullptr, Dlg(), "Link", MOX_UI_PRIORITY, 0);
        auto* first = new CountedFormatter(destroyed);
        link.Formatter(first);
        link.Formatter(first); // the same one again is kept, not deleted
        EXPECT_EQ(0, destroyed);
        link.Formatter(new CountedFormatter(destroyed));
        EXPECT_EQ(1, destroyed);
    }
    EXPECT_EQ(2, destroyed);
}

// ---- rejected entries --------------------------------------------------------------------------

TEST_F(LinkCellTest, FailShowsTheTextOrBeepsFocusesTheControlAndThrowsWhenAsked) {
    CmoxLinkCell link(10, nullptr, Dlg(), "Link", MOX_UI_PRIORITY, 0);
    other.Wnd()->SetFocus();
    EXPECT_THROW(link.Fail("Too large", 1), CUserException);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Too large", boxes[0].text);
    EXPECT_EQ(MB_OK | MB_ICONEXCLAMATION, boxes[0].type);
    EXPECT_TRUE(edit.HasFocus());
    EXPECT_TRUE(desktop.Beeps().empty());
    other.Wnd()->SetFocus();
    EXPECT_NO_THROW(link.Fail(nullptr, 0)); // no text: a beep instead of a message
    EXPECT_EQ((std::vector<unsigned int>{kSimpleBeep}), desktop.Beeps());
    EXPECT_EQ(1u, boxes.size());
    EXPECT_TRUE(edit.HasFocus());
    MoxSetStringResource(300, "Out of range");
    link.Fail(300, 0);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Out of range", boxes[1].text);
    EXPECT_THROW(link.Fail(301, 0), CResourceException);
    EXPECT_EQ(2u, boxes.size());
    // An edit field's link also selects the whole entry, before it throws.
    CmoxEditLC editLink(10, nullptr, Dlg(), "Edit", MOX_UI_PRIORITY, 0);
    other.Wnd()->SetFocus();
    edit.Enter("12x");
    edit.Type("\b"); // caret at the end, nothing selected
    EXPECT_THROW(editLink.Fail("Digits only", 1), CUserException);
    EXPECT_TRUE(edit.HasFocus());
    EXPECT_EQ(0, edit.SelStart());
    EXPECT_EQ(2, edit.SelEnd());
    EXPECT_EQ("Digits only", boxes.back().text);
}

// ---- filling list-like controls ----------------------------------------------------------------

TEST_F(LinkCellTest, ListContentsComeFromResourcesStringsAndArrayCells) {
    CmoxArrayCell names("Names");
    names.Add(new CmoxStringCell("A", "Alpha"));
    CmoxArrayCell records("Records");
    records.Add(Record("first", "One"));
    records.Add(Record("second", "Two"));
    ItemLog link;
    MoxSetStringResource(1, "One");
    MoxSetStringResource(2, "Two");
    MoxSetStringResource(3, "Three");
    MoxSetStringResource(40, "Red|Green||Blue|");
    MoxSetStringResource(41, "|Tail");
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
    EXPECT_TRUE(boxes.empty());
    EXPECT_THROW(link.InitContentsFromSingleResource(99, '|'), CResourceException);
    // A missing resource in a list is reported and added empty.
    link.items.clear();
    link.AddString(77);
    EXPECT_EQ((std::vector<std::string>{""}), link.items);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("MOX was unable to load string resource 77. The\t\t\tapplication may not behave "
              "correctly",
              boxes[0].text);
    EXPECT_EQ(static_cast<unsigned int>(MB_OK), boxes[0].type);
}
