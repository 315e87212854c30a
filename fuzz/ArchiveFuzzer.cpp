// Fuzzes the archive reader: arbitrary bytes are opened as an archive and a small tree of cells
// is restored from them record by record, with look-ahead, block skipping and binary blocks in
// between. Beyond the sanitizers it checks two properties: a restore never leaves a transaction
// or sub-transaction open, and any text written as a quoted token reads back unchanged.
#include <mox/archive/CmoxArchive.h>
#include <mox/propagation/Cmox.h>

#include "support/ArchiveTestCells.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

using moxtest::RecordGroupCell;
using moxtest::RecordValueCell;

namespace {

// Opens a transaction and a sub-transaction around its read, as application cells may; a fault
// inside leaves both for the restore driver to end.
class TransactionalCell : public RecordValueCell {
  public:
    explicit TransactionalCell(const char* name) : RecordValueCell("CmoxLongCell", name, kLong) {}
    void Restore(CmoxArchive& archive) override {
        Cmox& engine = Cmox::Current();
        engine.BeginTransaction();
        engine.BeginSubTransaction();
        RecordValueCell::Restore(archive);
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

    RecordGroupCell root("Settings");
    root.UserName("Main settings");
    root.Add<RecordValueCell>("CmoxLongCell", "Count", RecordValueCell::kLong);
    root.Add<RecordValueCell>("CmoxStringCell", "Title", RecordValueCell::kString);
    auto* display = root.Add<RecordGroupCell>("Display");
    display->Add<RecordValueCell>("CmoxDoubleCell", "Gain", RecordValueCell::kDouble);
    display->Add<TransactionalCell>("Steps");
    auto* strict = root.Add<RecordGroupCell>("Strict");
    strict->declineUnknown = true;
    strict->Add<RecordValueCell>("CmoxStringCell", "Label", RecordValueCell::kString);
    RecordValueCell gain("CmoxDoubleCell", "Gain", RecordValueCell::kDouble);

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RestoreRecords(data, size);
    CheckQuotedRoundTrip(data, size);
    return 0;
}
