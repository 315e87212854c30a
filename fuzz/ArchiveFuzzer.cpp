// Fuzzes the archive reader: arbitrary bytes are opened as an archive and a small tree of cells
// is restored from them record by record, with look-ahead, block skipping and binary blocks in
// between; then the same bytes are searched (Locate, Contents, restore by search and the search
// form of the look-ahead) at cache depths 0 to 3. Beyond the sanitizers it checks these
// properties: a restore never leaves a transaction or sub-transaction open; any text written as
// a quoted token reads back unchanged; the position cache never changes what a search finds or
// where it leaves the stream; a look-ahead always moves back to where it started; the reader
// reads the same through a stream buffer of a few characters, or none, as from a string stream.
#include <mox/archive/CmoxArchive.h>
#include <mox/platform/MessageBox.h>
#include <mox/propagation/Cmox.h>

#include <mox/collections/CmoxCompositeCell.h>
#include <mox/values/CmoxDoubleCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxStringCell.h>

#include "ReaderTranscript.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Opens a transaction and a sub-transaction around its read, as application cells may; a fault
// inside leaves both for the restore driver to end.
class TransactionalCell : public CmoxLongCell {
  public:
    explicit TransactionalCell(const char* name) : CmoxLongCell(name, 0) {}
    void Restore(CmoxArchive& archive) override {
        Cmox& engine = Cmox::Current();
        engine.BeginTransaction();
        engine.BeginSubTransaction();
        CmoxLongCell::Restore(archive);
        engine.EndSubTransaction();
        engine.EndTransaction();
    }
};

void Require(bool condition) {
    if (!condition) std::abort();
}

void CheckEngineIsClean() {
    Cmox& engine = Cmox::Current();
    Require(engine.TransactionLevel() == 0);
    Require(engine.SubTransactionLevel() == 0);
}

void CheckQuotedRoundTrip(const std::uint8_t* data, std::size_t size) {
    // Short enough that the escaped form stays under the token limit; a NUL would end the
    // C string the writer takes.
    std::string value(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 4000));
    value = value.substr(0, value.find('\0'));
    std::stringstream io;
    CmoxArchive writer;
    Require(writer.Open(&io, MOX_ARCHIVE_WRITE, 0) == 1);
    writer.WriteToken(value.c_str(), 0, 1);
    writer.Close();
    CmoxArchive reader;
    Require(reader.Open(&io, MOX_ARCHIVE_READ, 0) == 1);
    Require(reader.ReadToken() == value);
}

void RestoreRecords(const std::uint8_t* data, std::size_t size) {
    std::stringstream in(std::string(reinterpret_cast<const char*>(data), size));
    CmoxArchive archive;
    if (archive.Open(&in, MOX_ARCHIVE_READ, 0) == 0) return;

    // A record naming no child is skipped or, every other time, declined, which fails the
    // restore of its collection.
    MoxSetMessageBoxHandler([asked = 0](const char*, unsigned int) mutable {
        return ++asked % 2 != 0 ? int(IDYES) : int(IDNO);
    });
    CmoxCompositeCell root("Settings");
    auto* label = new CmoxStringCell(MOX_USER_NAME, "Main settings"); // the user name, unsaved
    label->Savable(0);
    root.AddChild(label, 1);
    root.AddChild(new CmoxLongCell("Count", 0), 1);
    root.AddChild(new CmoxStringCell("Title", ""), 1);
    auto* display = new CmoxCompositeCell("Display");
    root.AddChild(display, 1);
    display->AddChild(new CmoxDoubleCell("Gain", 0.0), 1);
    display->AddChild(new TransactionalCell("Steps"), 1);
    auto* strict = new CmoxCompositeCell("Strict");
    root.AddChild(strict, 1);
    strict->AddChild(new CmoxStringCell("Label", ""), 1);
    CmoxDoubleCell gain("Gain", 0.0);

    for (int record = 0; record < 1000; ++record) {
        const std::string className = archive.ReadToken();
        if (className.empty() && archive.Good() == 0) break;
        if (className == "=") {
            // A stray body: a binary block, or else a value block, is stepped over.
            if (archive.ReadBinaryBlock() == 0) archive.SkipOverBlock();
            continue;
        }
        if (className == "#") {
            const long long count = archive.ReadBinaryBlockHeader();
            Require(count >= 0);
            continue;
        }
        const std::string name = archive.ReadToken();
        CmoxCell* cell = name == root.Name() ? &root : root.FindChild(name.c_str());
        if (cell == nullptr) cell = display->FindChild(name.c_str());
        if (record % 3 == 1) {
            archive.RestoreLookAhead(&gain, "Gain");
            CheckEngineIsClean();
        }
        if (cell == nullptr) {
            std::stringstream scratch;
            archive.ReadBlock(scratch);
            continue;
        }
        cell->RestoreUserName(archive);
        archive.Restore(cell);
        CheckEngineIsClean();
    }
}

struct Query {
    std::string path;
    std::string match;
    int byUserName;
};

// Lists one collection's records (names or user names) and keeps the first `limit` of them.
std::vector<std::string> Listed(CmoxArchive& archive, const std::string& path, int byUserName,
                                std::size_t limit) {
    CmoxFindSpec list(path.c_str(), byUserName, 0);
    archive.Contents(list);
    std::vector<std::string> names = list.MatchArray();
    if (names.size() > limit) names.resize(limit);
    return names;
}

// Fixed queries, and queries made of the names the input really holds, so that searches also hit.
std::vector<Query> MakeQueries(CmoxArchive& archive) {
    std::vector<Query> queries = {{"", "Settings", 0},
                                  {"\\Settings", "Count", 0},
                                  {"\\Settings\\Display", "Gain", 0},
                                  {"", "Main settings", 1},
                                  {"\\Settings", "", 1},
                                  {"", "", 1},
                                  {"", "", 0},
                                  {"\\Absent", "Gain", 0}};
    for (const std::string& top : Listed(archive, "", 0, 4)) {
        queries.push_back({"", top, 0});
        const std::string path = "\\" + top;
        for (const std::string& child : Listed(archive, path, 0, 3)) {
            queries.push_back({path, child, 0});
            const std::string childPath = path + "\\" + child;
            for (const std::string& grandchild : Listed(archive, childPath, 0, 2))
                queries.push_back({childPath, grandchild, 0});
        }
        for (const std::string& user : Listed(archive, path, 1, 2))
            queries.push_back({path, user, 1});
    }
    for (const std::string& user : Listed(archive, "", 1, 2))
        queries.push_back({"", user, 1});
    return queries;
}

// Where a search left the stream: its result, the line, and the next two tokens.
struct Landing {
    int found;
    int line;
    std::string next;
    bool operator==(const Landing& o) const {
        return found == o.found && line == o.line && next == o.next;
    }
};

Landing LocateAndLook(CmoxArchive& archive, const Query& s) {
    CmoxFindSpec query(s.path.c_str(), s.match.c_str(), s.byUserName);
    Landing landing{archive.Locate(query), 0, ""};
    if (landing.found != 0) {
        landing.line = archive.Line();
        landing.next = archive.ReadToken();
        landing.next += '\n';
        landing.next += archive.ReadToken();
    }
    return landing;
}

void SearchRecords(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::stringstream plainIn(text);
    CmoxArchive plain;
    if (plain.Open(&plainIn, MOX_ARCHIVE_READ, 0) == 0) return;
    const std::vector<Query> queries = MakeQueries(plain);
    std::vector<Landing> expected;
    for (const Query& query : queries)
        expected.push_back(LocateAndLook(plain, query));

    for (int depth = 1; depth <= 3; ++depth) {
        std::stringstream in(text);
        CmoxArchive cached;
        Require(cached.Open(&in, MOX_ARCHIVE_READ, depth) == 1);
        for (std::size_t i = 0; i < queries.size(); ++i)
            Require(LocateAndLook(cached, queries[i]) == expected[i]);
        CmoxFindSpec list("", 0, 1);
        CmoxFindSpec plainList("", 0, 1);
        Require(cached.Contents(list) == plain.Contents(plainList));
        Require(list.MatchArray() == plainList.MatchArray());
    }

    // Restores by search, and look-aheads from wherever a search stopped, which must move back.
    CmoxCompositeCell group("Group");
    group.AddChild(new CmoxLongCell("Count", 0), 1);
    group.AddChild(new TransactionalCell("Steps"), 1);
    CmoxStringCell value("Value", "");
    const std::size_t stride = queries.size() / 8 + 1;
    for (std::size_t i = 0; i < queries.size(); i += stride) {
        CmoxFindSpec query(queries[i].path.c_str(), queries[i].match.c_str(),
                           queries[i].byUserName);
        plain.Restore(i % 2 == 0 ? static_cast<CmoxCell*>(&group) : &value, query);
        CheckEngineIsClean();
        if (plain.Locate(query) == 0) continue;
        const int line = plain.Line();
        const int indent = plain.Indent();
        std::streambuf* buf = plain.CurrentStream()->rdbuf();
        const std::streampos at = buf->pubseekoff(0, std::ios::cur, std::ios::in);
        // A few queries from the end of the list, where the names the input holds are.
        for (std::size_t a = queries.size() > 6 ? queries.size() - 6 : 0; a < queries.size(); ++a) {
            const Query& ahead = queries[a];
            CmoxFindSpec aheadQuery(ahead.path.c_str(), ahead.match.c_str(), ahead.byUserName);
            plain.RestoreLookAhead(&group, aheadQuery);
            CheckEngineIsClean();
            Require(plain.Line() == line && plain.Indent() == indent);
            Require(buf->pubseekoff(0, std::ios::cur, std::ios::in) == at);
        }
    }
}

// The reader scans inside the stream's buffer: a buffer of 0 to 7 characters, chosen by the
// input's first byte, must give exactly the tokens, blocks, lines and states of a string stream.
void CheckBufferShapes(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::stringstream reference(text);
    moxtest::WindowBuf buf(text, data[0] % 8);
    std::iostream in(&buf);
    Require(moxtest::Transcript(in) == moxtest::Transcript(reference));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RestoreRecords(data, size);
    SearchRecords(data, size);
    CheckQuotedRoundTrip(data, size);
    CheckBufferShapes(data, size);
    return 0;
}
