// mox demo: a small settings tree with dependents of different priorities.
// Shows who is updated, in which order and with which changed list; then records a transaction
// in an undo context and walks it back and forth. Later parts save and restore settings, drive
// a headless dialog, and search a saved tree for one cell by its path.

#include "DemoSettings.h"

#include <mox/headless.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
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

using demo::Settings;

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

// Prints an archive file as it is on disk.
void PrintFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::printf("  | %s\n", line.c_str());
    }
}

// Saves the whole tree to `path`; false when the file cannot be written.
bool SaveTree(Settings& settings, const char* path) {
    CmoxArchive writer;
    if (!writer.Open(path, MOX_ARCHIVE_WRITE)) {
        std::printf("  cannot write %s\n", path);
        return false;
    }
    writer.Save(settings.root);
    writer.Close();
    return true;
}

// Saves the settings tree, shows the file, changes values and the channel list, and restores
// the tree as a whole: the reader reads the record's class name and name, the root its user name
// and body; the channel array recreates its elements from their records.
void SaveAndRestore(Settings& settings) {
    const char* path = "mox_demo_settings.mox";
    std::printf("\n5. Save the whole tree to %s\n", path);
    if (!SaveTree(settings, path)) return;
    PrintFile(path);

    Cmox& engine = Cmox::Current();
    engine.BeginTransaction();
    settings.gain->Value(100L);
    settings.offset->Value(200L);
    settings.channels->DestroyElement(0);
    settings.AddChannel("Probe C", 0.5);
    engine.EndTransaction();
    std::printf("  changed:\n");
    settings.Print();

    CmoxArchive reader;
    if (!reader.Open(path, MOX_ARCHIVE_READ)) {
        std::printf("  cannot read %s\n", path);
        return;
    }
    const std::string className = reader.ReadToken();
    const std::string name = reader.ReadToken();
    engine.BeginTransaction();
    settings.root.RestoreUserName(reader);
    const int ok = reader.Restore(&settings.root);
    engine.EndTransaction();
    std::printf("  record %s \"%s\": %s\n", className.c_str(), name.c_str(),
                ok ? "restored" : "failed");
    settings.Print();
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
    // The title follows the history: marked modified while it differs from what was saved.
    mox::Observer title = mox::OnChange(
        edits->GetChangeNotifier(),
        [edits](CmoxChangedList&) {
            std::printf("  [title] Settings%s\n", edits->IsClean() ? "" : " (modified)");
        },
        MOX_UI_PRIORITY);
    const struct {
        const char* typed;
        bool ok;
    } entries[] = {{"347", true}, {"12,345", true}, {"500", false}};
    for (const auto& entry : entries) {
        std::printf("  typed \"%s\", picked \"s\", %s:\n", entry.typed, entry.ok ? "OK" : "Cancel");
        field.Enter(entry.typed);
        combo.Select(1);
        mox::Transaction exchange(edits, "Dialog OK");
        settings.UpdateData(1);
        std::printf("  inside the transaction (readout not yet refreshed):\n");
        show();
        if (entry.ok)
            exchange.Commit();
        else
            exchange.Rollback(); // Cancel: every change put back, nothing left to undo or redo
        std::printf("  after the transaction:\n");
        show();
        if (&entry == &entries[0]) {
            std::stringstream file;
            CmoxArchive archive;
            archive.Open(&file, MOX_ARCHIVE_WRITE);
            archive.Save(period);
            archive.Close();
            edits->MarkClean();
            std::printf("  saved\n");
        }
    }
    std::printf("  undo (back to what was saved):\n");
    engine.Undo(edits, 1);
    show();
    engine.RemoveUndoContext("Dialog");
}

// Saves the settings tree, then restores one cell of it by that cell's path, without restoring
// anything else, and lists the records two collections hold. Opened with cache depth 1: the open
// walks the file once and remembers where each top-level record starts, so each search reads
// only the record that leads to its target.
// With --keep the file stays, to be looked at with moxarchive.
bool g_keepTree = false;

void SearchSavedTree(Settings& settings) {
    const char* path = "mox_demo_tree.mox";
    CmoxLongCell& gain = *settings.gain;
    std::printf("\n7. Search a saved tree: restore %s by its path, list collections\n",
                gain.PathName().c_str());
    if (!SaveTree(settings, path)) return;
    Cmox& engine = Cmox::Current();
    engine.BeginTransaction();
    gain.Value(99L);
    engine.EndTransaction();

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
    CmoxFindSpec channelList("\\Root\\Channels", 1, 0);
    reader.Contents(channelList);
    PrintList("user names in \\Root\\Channels", channelList.MatchArray());
    CmoxFindSpec probe("\\Root\\Channels", "Probe B", 1);
    std::printf("  user name \"Probe B\" in \\Root\\Channels: %s\n",
                reader.Locate(probe) ? "found" : "not found");

    // The record is found by the path of the cell's parent and the cell's name.
    const std::string cellPath = gain.PathName();
    const std::string parentPath = cellPath.substr(0, cellPath.rfind(MOX_PATH_SEPERATOR));
    CmoxFindSpec query(parentPath.c_str(), gain.Name().c_str(), 0);
    std::printf("  Gain=%ld; restoring it from the record at %s (dependents hear of it):\n",
                gain.Value(), cellPath.c_str());
    engine.BeginTransaction();
    const int ok = reader.Restore(&gain, query);
    engine.EndTransaction();
    std::printf("  %s, Gain=%ld\n", ok ? "restored" : "not found", gain.Value());

    CmoxFindSpec absent("\\Backup\\Scope", "Gain", 0);
    std::printf("  \\Backup\\Scope\\Gain: %s (the cache knows there is no \\Backup)\n",
                reader.Locate(absent) ? "found" : "not in the archive");
    reader.Close();
    if (!g_keepTree) std::remove(path);
}

} // namespace

int main(int argc, char** argv) {
    g_keepTree = argc > 1 && std::strcmp(argv[1], "--keep") == 0;
    Cmox& engine = Cmox::Current();

    Settings settings;
    CmoxCompositeCell* scope = settings.scope;
    CmoxLongCell* gain = settings.gain;
    CmoxLongCell* offset = settings.offset;

    Printer model("Model", 200), filter("Filter", MOX_STATE_PRIORITY),
        display("Display", MOX_UI_PRIORITY), overview("Overview", MOX_UI_PRIORITY);
    gain->AddDependent(&display);
    gain->AddDependent(&filter);
    gain->AddDependent(&model);
    offset->AddDependent(&filter);
    scope->AddDependent(&overview);

    std::printf("Tree: %s, %s\n", gain->PathName().c_str(), offset->PathName().c_str());
    std::printf("Found by path: %s\n",
                settings.root.FindDescendent("\\Scope\\Gain")->PathName().c_str());

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
    SaveAndRestore(settings);
    DialogTranscript();
    SearchSavedTree(settings);
    return 0;
}
