// The commands that walk one file from start to end: tree, ls, check and json. Each handles
// one record at a time, so memory stays flat however large the file is.
#include "Tool.h"

#include <nlohmann/json.hpp>

#include <ostream>

namespace moxarchive {

namespace {

std::string Summary(const Record& record) {
    switch (record.kind) {
    case BodyKind::Value:
        return " = " + Printable(record.value);
    case BodyKind::Binary:
        return " <" + std::to_string(record.binaryBytes) + " bytes>";
    case BodyKind::Reference:
        return " *";
    case BodyKind::Collection:
    case BodyKind::None:
        break;
    }
    return std::string();
}

// Non-UTF-8 bytes are replaced rather than refused: names are 8-bit text of any encoding.
std::string JsonText(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace

int Tree(const Options& options, std::ostream& out, std::ostream& err) {
    Input input(options.args[0], err);
    if (input.status != kOk) return input.status;
    Record record;
    std::string line;
    while (input.Reader().Next(record)) {
        line.assign(static_cast<std::size_t>(2 * (record.depth - 1)), ' ');
        line += Printable(record.className) + " " + Printable(record.name);
        const std::string user = record.UserName();
        if (!user.empty()) line += " [" + Printable(user) + "]";
        line += Summary(record);
        out << CutToWidth(line, options.width) << "\n";
    }
    return input.Finish(err, kOk);
}

int List(const Options& options, std::ostream& out, std::ostream& err) {
    const std::string path = options.args.size() > 1 ? NormalPath(options.args[1]) : "";
    Input input(options.args[0], err);
    if (input.status != kOk) return input.status;
    // Every record whose parent path is `path`, as the library's Contents lists them; the
    // collection itself must exist (the top level always does).
    bool found = path.empty();
    bool notCollection = false;
    Record record;
    while (input.Reader().Next(record)) {
        const std::size_t cut = record.path.size() - record.name.size() - 1;
        if (record.path.compare(0, cut, path) == 0 && cut == path.size()) {
            out << Printable(record.Label(options.byUser)) << "\n";
        } else if (record.path == path) {
            found = found || record.kind == BodyKind::Collection;
            notCollection = notCollection || record.kind != BodyKind::Collection;
        }
    }
    const int status = input.Finish(err, kOk);
    if (status != kOk) return status;
    if (!found) {
        err << "moxarchive ls: " << (notCollection ? "not a collection: " : "no record ")
            << Printable(path) << "\n";
        return kFailed;
    }
    return kOk;
}

int Check(const Options& options, std::ostream& out, std::ostream& err) {
    const std::string& path = options.args[0];
    Input input(path, err);
    if (input.status != kOk) return input.status;
    long long records = 0;
    long long warnings = 0;
    input.Reader().OnWarning([&](const Problem& problem) {
        ++warnings;
        err << Describe(path, problem, "warning") << "\n";
    });
    Record record;
    while (input.Reader().Next(record)) {
        ++records;
    }
    const int status = input.Finish(err, kOk);
    if (status == kOk) {
        out << Printable(path) << ": valid, " << records << " records, " << warnings
            << " warnings\n";
    }
    return status;
}

int Json(const Options& options, std::ostream& out, std::ostream& err) {
    Input input(options.args[0], err);
    if (input.status != kOk) return input.status;
    // Written as it is read: a collection's object is left open for its children, and closed
    // when a record of its own depth or less (or the end) comes.
    int open = 0;      // collections whose children array is open
    bool first = true; // no element yet in the innermost array
    auto closeTo = [&](int depth) {
        for (; open > depth; --open) {
            out << "\n" << std::string(static_cast<std::size_t>(2 * open), ' ') << "]}";
        }
    };
    out << "[";
    Record record;
    while (input.Reader().Next(record)) {
        if (record.depth - 1 < open) {
            closeTo(record.depth - 1);
            first = false;
        }
        out << (first ? "\n" : ",\n")
            << std::string(static_cast<std::size_t>(2 * record.depth), ' ');
        nlohmann::ordered_json object;
        object["class"] = record.className;
        object["name"] = record.name;
        object["user"] = record.UserName();
        switch (record.kind) {
        case BodyKind::Value:
            object["value"] = record.value;
            break;
        case BodyKind::Binary:
            object["binary"] = record.binaryBytes;
            break;
        case BodyKind::Reference:
            object["reference"] = true;
            break;
        case BodyKind::None:
            break;
        case BodyKind::Collection:
            object["children"] = nlohmann::ordered_json::array();
            break;
        }
        std::string text = JsonText(object);
        if (record.kind == BodyKind::Collection) {
            text.resize(text.size() - 3); // "[]}": the children follow
            text += "[";
            ++open;
            first = true;
        } else {
            first = false;
        }
        out << text;
    }
    // The document is closed even after an error, so what was read stays valid JSON.
    closeTo(0);
    out << "\n]\n";
    return input.Finish(err, kOk);
}

} // namespace moxarchive
