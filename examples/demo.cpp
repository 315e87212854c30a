// mox demo: a small settings tree with dependents of different priorities.
// Shows who is updated, in which order and with which changed list; then records a transaction
// in an undo context and walks it back and forth. Later parts save and restore settings, drive
// a headless dialog, and search a saved tree for one cell by its path.

#include <mox/mox.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char* ReasonName(MoxChangeReason reason) {
    switch (reason) {
    case MOX_VALUE_CHANGED:
        return "value";
    case MOX_RANGE_CHANGED:
        return "range";
    case MOX_CHILD_CHANGED:
        return "child";
    case MOX_DEFAULT_CHANGED:
        return "default";
    case MOX_CHILD_ADDED:
        return "added";
    case MOX_CHILD_REMOVED:
        return "removed";
    default:
        return "none";
    }
}

// An application cell that prints every update it receives.
class Printer : public CmoxCell {
  public:
    Printer(const char* name, unsigned char priority) : CmoxCell(name, priority) {}
    void Update(CmoxChangedList& changes) override {
        std::printf("  %-12s (priority %3d) <-", Name().c_str(), Priority());
        for (const ChangeInfo& change : changes.GetList())
            std::printf(" %s[%s]", change.Cell()->PathName().c_str(), ReasonName(change.Reason()));
        std::printf("\n");
    }
};

// A folder of settings: owns its children and finds them by name.
class Folder : public CmoxCell {
  public:
    explicit Folder(const char* name) : CmoxCell(name, MOX_STATE_PRIORITY) {}
    ~Folder() override {
        for (CmoxCell* child : m_children)
            delete child;
    }
    template <class T> T* Add(T* child) {
        child->Parent(this);
        m_children.push_back(child);
        return child;
    }
    CmoxCell* FindChild(const char* name) override {
        for (CmoxCell* child : m_children)
            if (child->Name() == name) return child;
        return nullptr;
    }

  private:
    std::vector<CmoxCell*> m_children;
};

void PrintList(const char* title, const std::vector<std::string>& items) {
    std::printf("  %s:", title);
    if (items.empty()) std::printf(" (empty)");
    for (const std::string& item : items)
        std::printf(" \"%s\"", item.c_str());
    std::printf("\n");
}

} // namespace

// ---- a headless dialog bound to cells through link cells ---------------------------------------
namespace {

// The application's dialog object: its data exchange runs the link cells of its controls.
class SettingsDialog : public CWnd {
  public:
    std::vector<CmoxLinkCell*> links;

  protected:
    void DoDataExchange(CDataExchange* exchange) override {
        for (CmoxLinkCell* link : links)
            link->Transfer(exchange);
    }
};

// Saves two settings to an archive file, shows the file, changes the settings and reads them
// back record by record: class name and name are the reader's, user name and body the cell's.
void SaveAndRestore(CmoxLongCell& gain, CmoxLongCell& offset) {
    const char* path = "mox_demo_settings.mox";
    std::printf("\n5. Save Gain and Offset to %s\n", path);
    CmoxArchive writer;
    if (!writer.Open(path, MOX_ARCHIVE_WRITE)) {
        std::printf("  cannot write %s\n", path);
        return;
    }
    writer.Save(gain);
    writer.Save(offset);
    writer.Close();
    std::ifstream file(path, std::ios::binary);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::printf("  | %s\n", line.c_str());
    }

    gain.Value(100L);
    offset.Value(200L);
    std::printf("  changed to Gain=%ld Offset=%ld, restoring...\n", gain.Value(), offset.Value());
    CmoxArchive reader;
    if (!reader.Open(path, MOX_ARCHIVE_READ)) {
        std::printf("  cannot read %s\n", path);
        return;
    }
    for (CmoxLongCell* cell : {&gain, &offset}) {
        const std::string className = reader.ReadToken();
        const std::string name = reader.ReadToken();
        cell->RestoreUserName(reader);
        const int ok = reader.Restore(cell);
        std::printf("  record %s \"%s\": %s, value %ld\n", className.c_str(), name.c_str(),
                    ok ? "restored" : "failed", cell->Value());
    }
    reader.Close();
    std::remove(path);
}

void DialogTranscript() {
    std::printf("\n6. A dialog (headless): typing, exchange, beeps and undo\n");
    Cmox& engine = Cmox::Current();
    mox::headless::Desktop desktop;
    mox::headless::Dialog dialog(desktop);
    mox::headless::Edit& field = dialog.AddEdit(10);
    mox::headless::Edit& readout = dialog.AddEdit(11);
    mox::headless::ComboBox& combo = dialog.AddComboBox(20);

    CmoxLongLongCell period("Period", 100, 100);
    period.InitRangeAndSize(0, 1000, 10);
    CmoxByteCell unit("Unit", 0);
    CmoxEditLC periodLink(10, &period, dialog.Wnd(), "PeriodLink");
    periodLink.Formatter(new CmoxFormatter);
    CmoxEditLC readoutLink(11, &period, dialog.Wnd(), "ReadoutLink");
    readoutLink.Formatter(new CmoxFormatter);
    CmoxComboLC unitLink(20, &unit, dialog.Wnd(), "UnitLink");
    unitLink.InitContents(std::vector<std::string>{"ms", "s", "min"});

    SettingsDialog settings;
    settings.links = {&periodLink, &unitLink};
    settings.SubclassWindow(dialog.Handle());
    settings.UpdateData(0);
    readoutLink.StateToUI();
    auto show = [&]() {
        std::printf(
            "  Period=%lld Unit=%d | field \"%s\" readout \"%s\" combo \"%s\" | beeps %zu\n",
            period.Value(), unit.Value(), field.Text().c_str(), readout.Text().c_str(),
            combo.Text().c_str(), desktop.Beeps().size());
    };
    show();

    CmoxUndoContext* edits = engine.GetUndoContext("Dialog");
    const char* entries[] = {"347", "12,345"};
    for (const char* typed : entries) {
        std::printf("  typed \"%s\", picked \"s\", OK:\n", typed);
        field.Enter(typed);
        combo.Select(1);
        engine.BeginTransaction(edits, "Dialog OK");
        settings.UpdateData(1);
        std::printf("  inside the transaction (readout not yet refreshed):\n");
        show();
        engine.EndTransaction();
        std::printf("  after the transaction:\n");
        show();
    }
    std::printf("  undo:\n");
    engine.Undo(edits, 1);
    show();
    engine.RemoveUndoContext("Dialog");
}

// Saves a tree of composites, then restores one cell of the demo's own tree from it by that
// cell's path, without restoring anything else, and lists the records two collections hold.
// Opened with cache depth 1: the open walks the file once and remembers where each top-level
// record starts, so each search reads only the record that leads to its target.
void SearchSavedTree(CmoxLongCell& gain) {
    const char* path = "mox_demo_tree.mox";
    std::printf("\n7. Search a saved tree: restore %s by its path, list collections\n",
                gain.PathName().c_str());
    {
        // The same shape as the demo's tree: \Root\Scope\Gain, with other values.
        CmoxCompositeCell root("Root");
        auto* scope = new CmoxCompositeCell("Scope");
        root.AddChild(scope);
        scope->AddChild(new CmoxLongCell("Gain", 42));
        scope->AddChild(new CmoxLongCell("Offset", -8));
        auto* display = new CmoxCompositeCell("Display");
        root.AddChild(display);
        display->AddChild(new CmoxStringCell(MOX_USER_NAME, "Screen"));
        display->AddChild(new CmoxStringCell("Theme", "dark"));
        display->AddChild(new CmoxDoubleCell("Brightness", 0.8));
        CmoxCompositeCell recent("Recent");
        recent.AddChild(new CmoxStringCell("File1", "run-17.dat"));
        recent.AddChild(new CmoxStringCell("File2", "run-16.dat"));
        CmoxArchive writer;
        if (!writer.Open(path, MOX_ARCHIVE_WRITE)) {
            std::printf("  cannot write %s\n", path);
            return;
        }
        writer.Save(root);
        writer.Save(recent);
        writer.Close();
    }

    CmoxArchive reader;
    if (!reader.Open(path, MOX_ARCHIVE_READ, 1)) {
        std::printf("  cannot read %s\n", path);
        return;
    }
    std::printf("  position cache: %zu top-level records\n", reader.CacheSize());
    CmoxFindSpec top("", 0, 1);
    reader.Contents(top);
    PrintList("top level", top.MatchArray());
    CmoxFindSpec rootList("\\Root", 0, 1);
    reader.Contents(rootList);
    PrintList("records in \\Root", rootList.MatchArray());
    CmoxFindSpec recentList("\\Recent", 0, 0);
    reader.Contents(recentList);
    PrintList("records in \\Recent", recentList.MatchArray());
    CmoxFindSpec screen("\\Root", "Screen", 1);
    std::printf("  user name \"Screen\" in \\Root: %s\n",
                reader.Locate(screen) ? "found" : "not found");

    // The record is found by the path of the cell's parent and the cell's name.
    const std::string cellPath = gain.PathName();
    const std::string parentPath = cellPath.substr(0, cellPath.rfind(MOX_PATH_SEPERATOR));
    CmoxFindSpec spec(parentPath.c_str(), gain.Name().c_str(), 0);
    std::printf("  Gain=%ld; restoring it from the record at %s (dependents hear of it):\n",
                gain.Value(), cellPath.c_str());
    Cmox& engine = Cmox::Current();
    engine.BeginTransaction();
    const int ok = reader.Restore(&gain, spec);
    engine.EndTransaction();
    std::printf("  %s, Gain=%ld\n", ok ? "restored" : "not found", gain.Value());

    CmoxFindSpec absent("\\Backup\\Scope", "Gain", 0);
    std::printf("  \\Backup\\Scope\\Gain: %s (the cache knows there is no \\Backup)\n",
                reader.Locate(absent) ? "found" : "not in the archive");
    reader.Close();
    std::remove(path);
}

} // namespace

int main() {
    Cmox& engine = Cmox::Current();

    Folder root("Root");
    Folder* scope = root.Add(new Folder("Scope"));
    CmoxLongCell* gain = scope->Add(new CmoxLongCell("Gain", 1));
    CmoxLongCell* offset = scope->Add(new CmoxLongCell("Offset", 0));

    Printer model("Model", 200), filter("Filter", MOX_STATE_PRIORITY),
        display("Display", MOX_UI_PRIORITY), overview("Overview", MOX_UI_PRIORITY);
    gain->AddDependent(&display);
    gain->AddDependent(&filter);
    gain->AddDependent(&model);
    offset->AddDependent(&filter);
    scope->AddDependent(&overview);

    std::printf("Tree: %s, %s\n", gain->PathName().c_str(), offset->PathName().c_str());
    std::printf("Found by path: %s\n", root.FindDescendent("\\Scope\\Gain")->PathName().c_str());

    std::printf("\n1. Gain = 5 outside a transaction: state dependents now, UI ones wait\n");
    gain->Value(5L);
    std::printf("  queued after the change: %d\n", engine.NotifyList().GetList().GetCount());
    std::printf("  ...end of a transaction delivers the deferred ones:\n");
    engine.BeginTransaction();
    engine.EndTransaction();

    std::printf("\n2. A recorded transaction changing Gain and Offset\n");
    CmoxUndoContext* edits = engine.GetUndoContext("Edits");
    engine.BeginTransaction(edits, "Adjust scope");
    gain->Value(7L);
    offset->Value(-3L);
    engine.EndTransaction();
    std::printf("  Gain=%ld Offset=%ld\n", gain->Value(), offset->Value());
    PrintList("undo", edits->UndoDescriptions());

    std::printf("\n3. Undo (UI dependents hear of it; state ones only with UndoNotify)\n");
    engine.Undo(edits, 1);
    std::printf("  Gain=%ld Offset=%ld\n", gain->Value(), offset->Value());
    PrintList("undo", edits->UndoDescriptions());
    PrintList("redo", edits->RedoDescriptions());

    std::printf("\n4. Redo\n");
    engine.Redo(edits, 1);
    std::printf("  Gain=%ld Offset=%ld\n", gain->Value(), offset->Value());
    PrintList("undo", edits->UndoDescriptions());
    PrintList("redo", edits->RedoDescriptions());

    engine.RemoveAllUndoContexts();
    SaveAndRestore(*gain, *offset);
    DialogTranscript();
    SearchSavedTree(*gain);
    return 0;
}
