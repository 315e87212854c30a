// moxarchive get: the library's record search finds the record (seeking through its position
// cache); the tool then prints the record's bytes from its class name to the end of its body.
#include "Tool.h"

#include <mox/archive/CmoxArchive.h>

#include <algorithm>
#include <istream>
#include <ostream>
#include <vector>

namespace moxarchive {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where the frame of a record starts, from the text just before its body: three tokens back
// (user name, name, class name). Writers quote names and escape every quote inside them, so an
// opening quote is the nearest one that follows whitespace. The caller reads the frame forward
// from there to confirm it.
long long FrameStart(std::FILE* file, long long body) {
    constexpr long long kWindow = 3 * 10002 + 4096; // three tokens at their longest, and spaces
    const long long from = std::max(0LL, body - kWindow);
    std::vector<char> text(static_cast<std::size_t>(body - from));
    if (std::fseek(file, from, SEEK_SET) != 0 ||
        std::fread(text.data(), 1, text.size(), file) != text.size()) {
        return -1;
    }
    std::size_t at = text.size();
    for (int token = 0; token < 3; ++token) {
        while (at > 0 && IsSpace(text[at - 1]))
            --at;
        if (at == 0) return -1;
        if (token < 2 && text[at - 1] == '"') {
            std::size_t open = at - 1; // the closing quote
            bool found = false;
            while (open > 0 && !found) {
                --open;
                found = text[open] == '"' && (open == 0 || IsSpace(text[open - 1]));
            }
            if (!found) return -1;
            at = open;
        } else {
            while (at > 0 && !IsSpace(text[at - 1]))
                --at;
        }
    }
    return from + static_cast<long long>(at);
}

} // namespace

int Get(const Options& options, std::ostream& out, std::ostream& err) {
    const std::string& file = options.args[0];
    const std::string path = NormalPath(options.args[1]);
    Input input(file, err); // reports a file that cannot be opened or has no preamble
    if (input.status != kOk) return input.status;
    if (path.empty()) {
        err << "moxarchive get: a record path is needed, such as '\\Settings'\n";
        return kTrouble;
    }
    const std::size_t last = path.rfind('\\');
    const std::string parent = path.substr(0, last);
    const std::string name = path.substr(last + 1);

    // Depth 1 caches the top-level records: the search seeks to the one that leads to the
    // record and walks only that one.
    long long body = 0;
    int line = 0;
    {
        CmoxArchive archive;
        CmoxFindSpec query(parent.c_str(), name.c_str(), options.byUser ? 1 : 0);
        if (archive.Open(file.c_str(), MOX_ARCHIVE_READ, 1) == 0 || archive.Locate(query) == 0) {
            err << "moxarchive get: no record " << Printable(path) << " in " << Printable(file)
                << "\n";
            return kFailed;
        }
        // Asked of the buffer: tellg gives -1 once the search has met the end of the file.
        body = static_cast<long long>(
            archive.CurrentStream()->rdbuf()->pubseekoff(0, std::ios::cur, std::ios::in));
        line = archive.Line();
    }

    auto handle = OpenFile(file);
    const long long start = handle && body >= 0 ? FrameStart(handle.get(), body) : -1;
    Record record;
    bool read = false;
    if (start >= 0 && std::fseek(handle.get(), start, SEEK_SET) == 0) {
        ByteSource source(handle.get());
        ArchiveReader reader(source);
        reader.SetLine(line);
        read = reader.ReadRecord(record) && record.Label(options.byUser) == name;
        if (reader.Failed()) {
            err << Describe(file, reader.Error(), "error") << "\n";
            return kFailed;
        }
    }
    if (!read) {
        err << "moxarchive get: " << Printable(path) << " found at line " << line
            << " but its frame cannot be read back\n";
        return kFailed;
    }

    // The record's bytes, streamed.
    std::fseek(handle.get(), record.offset, SEEK_SET);
    ByteSource source(handle.get());
    source.Skip(record.end - record.offset, [&out](const char* bytes, std::size_t count) {
        out.write(bytes, static_cast<std::streamsize>(count));
    });
    out << "\n";
    return kOk;
}

} // namespace moxarchive
