// moxarchive diff: both files are read side by side, record by record. Records at the same
// path are compared; where the paths part, a window of records read ahead on both sides is
// searched for the path the other side stands on, so an inserted or deleted run of records is
// reported as such. The window bounds memory: runs longer than it show as removed and added.
#include "Tool.h"

#include <deque>
#include <ostream>

namespace moxarchive {

namespace {

constexpr std::size_t kWindow = 1000; // records read ahead on each side at most
constexpr std::size_t kShown = 60;    // characters of a value shown

// What diff needs of a record; the value only as far as it is shown.
struct Entry {
    std::string path;
    std::string className;
    std::string userField;
    BodyKind kind = BodyKind::None;
    std::string shown;
    long long size = 0;
    std::uint64_t hash = 0;
};

std::string Shown(const Record& record) {
    switch (record.kind) {
    case BodyKind::Value: {
        std::string text = Printable(record.value.substr(0, kShown));
        return record.valueSize > static_cast<long long>(kShown) ? text + "..." : text;
    }
    case BodyKind::Binary:
        return "<" + std::to_string(record.binaryBytes) + " bytes>";
    case BodyKind::Reference:
        return "*";
    case BodyKind::Collection:
        return "{...}";
    case BodyKind::None:
        break;
    }
    return "(no body)";
}

class Side {
  public:
    Side(const std::string& path, std::ostream& err) : input(path, err) {}
    Input input;
    std::deque<Entry> ahead;

    // Reads until `count` entries are ahead or the file ends.
    void Fill(std::size_t count) {
        Record record;
        while (ahead.size() < count && input.Reader().Next(record)) {
            Entry entry;
            entry.path = record.path;
            entry.className = record.className;
            entry.userField = record.userField;
            entry.kind = record.kind;
            entry.shown = Shown(record);
            entry.size = record.kind == BodyKind::Binary ? record.binaryBytes : record.valueSize;
            entry.hash = record.bodyHash;
            ahead.push_back(std::move(entry));
        }
    }
    std::size_t Find(const std::string& path) const {
        for (std::size_t i = 0; i < ahead.size(); ++i) {
            if (ahead[i].path == path) return i;
        }
        return ahead.size();
    }
};

bool Inside(const std::string& path, const std::string& collection) {
    return !collection.empty() && path.size() > collection.size() &&
           path.compare(0, collection.size(), collection) == 0 && path[collection.size()] == '\\';
}

// Prints "- path" or "+ path" for the first `count` entries of `side`, leaving out those inside
// a collection already printed.
void Report(Side& side, std::size_t count, char sign, std::string& under, std::ostream& out) {
    for (; count > 0; --count) {
        const Entry& entry = side.ahead.front();
        if (!Inside(entry.path, under)) {
            out << sign << " " << Printable(entry.path) << "\n";
            under = entry.kind == BodyKind::Collection ? entry.path : std::string();
        }
        side.ahead.pop_front();
    }
}

bool Compare(const Entry& a, const Entry& b, std::ostream& out) {
    const std::string at = "~ " + Printable(a.path) + ": ";
    bool same = true;
    if (a.className != b.className) {
        out << at << "class " << Printable(a.className) << " -> " << Printable(b.className) << "\n";
        same = false;
    }
    if (a.userField != b.userField) {
        out << at << "user name " << Printable(a.userField) << " -> " << Printable(b.userField)
            << "\n";
        same = false;
    }
    if (a.kind != b.kind || a.size != b.size || a.hash != b.hash) {
        out << at << a.shown << " -> " << b.shown << "\n";
        same = false;
    }
    return same;
}

} // namespace

int Diff(const Options& options, std::ostream& out, std::ostream& err) {
    Side a(options.args[0], err);
    if (a.input.status != kOk) return kTrouble;
    Side b(options.args[1], err);
    if (b.input.status != kOk) return kTrouble;

    bool same = true;
    std::string removedUnder;
    std::string addedUnder;
    for (;;) {
        a.Fill(1);
        b.Fill(1);
        if (a.input.Reader().Failed() || b.input.Reader().Failed()) break;
        if (a.ahead.empty() && b.ahead.empty()) break;
        if (!a.ahead.empty() && !b.ahead.empty() && a.ahead.front().path == b.ahead.front().path) {
            same = Compare(a.ahead.front(), b.ahead.front(), out) && same;
            a.ahead.pop_front();
            b.ahead.pop_front();
            removedUnder.clear();
            addedUnder.clear();
            continue;
        }
        same = false;
        if (a.ahead.empty() || b.ahead.empty()) {
            Report(a.ahead.empty() ? b : a, 1, a.ahead.empty() ? '+' : '-',
                   a.ahead.empty() ? addedUnder : removedUnder, out);
            continue;
        }
        // The shorter way back into step: the records added before A's next one, or those
        // removed before B's next one (both at least one); neither in the window: one of each.
        a.Fill(kWindow);
        b.Fill(kWindow);
        const std::size_t added = b.Find(a.ahead.front().path);
        const std::size_t removed = a.Find(b.ahead.front().path);
        if (added < b.ahead.size() && (removed >= a.ahead.size() || added <= removed)) {
            Report(b, added, '+', addedUnder, out);
        } else if (removed < a.ahead.size()) {
            Report(a, removed, '-', removedUnder, out);
        } else {
            Report(a, 1, '-', removedUnder, out);
            Report(b, 1, '+', addedUnder, out);
        }
    }
    if (a.input.Finish(err, kOk) != kOk || b.input.Finish(err, kOk) != kOk) return kTrouble;
    return same ? kOk : kFailed;
}

} // namespace moxarchive
