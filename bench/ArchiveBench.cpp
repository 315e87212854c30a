// Saving and restoring a tree of cells against writing and parsing the same data as JSON with
// RapidJSON and nlohmann::json.
//
// The data: 1,000 groups of 100 leaves each (100,000 leaves), a leaf being a 32-bit integer, a
// double or a 12-character string, in a fixed rotation. For mox it is a composite of 1,000
// composites of value cells; for the peers it is the same values in plain C++ containers, and a
// JSON object of 1,000 objects of 100 members each, named like the cells.
//
//   BM_ArchiveSave     mox: CmoxArchive::Open (file, write) + Save(tree) + Close.
//                      RapidJSON: a Writer over a StringBuffer fed from the C++ values, then the
//                      buffer written to the file. nlohmann: the document built from the values,
//                      dumped to a string and written to the file.
//   BM_ArchiveRestore  mox: Open (file, read), the root record's frame, Restore(tree), Close, into
//                      a tree whose leaves all differ from the file, so every leaf is set and
//                      reports its change. Peers: the file read into memory, parsed into a DOM,
//                      and every value stored back into the C++ containers: RapidJSON's members
//                      walked in order, each name checked; nlohmann's found by name (its
//                      objects are sorted), as mox matches each record to a child by name.
//
// The three run in alternating batches (one whole file each, the order rotating every
// iteration) and report ns per leaf, MB/s of their own file, and mox's time over each peer's.
// Each iteration also times the archive's bytes alone, written or read in one call
// (io_only_ns_per_leaf): what the file system costs for a file of the archive's size.
// nlohmann::json is its default document type, which keeps an object's members sorted by name.

#include "support/BenchCells.h"

#include <mox/archive/CmoxArchive.h>
#include <mox/collections/CmoxCompositeCell.h>
#include <mox/values/CmoxDoubleCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxStringCell.h>

#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using moxbench::TimeNs;

constexpr int kGroups = 1000;
constexpr int kLeaves = 100;
constexpr long long kTotalLeaves = static_cast<long long>(kGroups) * kLeaves;
constexpr std::size_t kStringLength = 12;

enum Kind { kLong, kDouble, kString };
Kind KindOf(int leaf) {
    return static_cast<Kind>(leaf % 3);
}

struct Leaf {
    long l = 0;
    double d = 0.0;
    std::string s;
    bool operator==(const Leaf& o) const { return l == o.l && d == o.d && s == o.s; }
};

// The values, as an application would hold them outside of cells.
struct Data {
    std::vector<std::string> groupNames;
    std::vector<std::string> leafNames;
    std::vector<std::vector<Leaf>> groups;
};

Data MakeData() {
    Data data;
    for (int g = 0; g < kGroups; ++g)
        data.groupNames.push_back("Group" + std::to_string(g));
    for (int i = 0; i < kLeaves; ++i)
        data.leafNames.push_back("Item" + std::to_string(i));
    unsigned long long seed = 0x9E3779B97F4A7C15ull;
    auto next = [&seed] {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>(seed >> 33);
    };
    data.groups.resize(kGroups);
    for (auto& group : data.groups) {
        group.resize(kLeaves);
        for (int i = 0; i < kLeaves; ++i) {
            Leaf& leaf = group[static_cast<std::size_t>(i)];
            switch (KindOf(i)) {
            case kLong:
                // Never 0 (the restore target's value), signed, up to ten characters.
                leaf.l = static_cast<long>(next() % 2000000000u) - 999999999L;
                if (leaf.l == 0) leaf.l = 1;
                break;
            case kDouble:
                // Quarters below 10,000: six significant digits at most, so the archive's text
                // holds them exactly, and every JSON writer prints the same digits.
                leaf.d = static_cast<double>(next() % 39999u + 1u) * 0.25;
                break;
            case kString:
                for (std::size_t c = 0; c < kStringLength; ++c)
                    leaf.s += static_cast<char>('a' + next() % 26u);
                break;
            }
        }
    }
    return data;
}

// The same values as a cell tree. `values` false: every leaf at 0 or empty, a restore target.
std::unique_ptr<CmoxCompositeCell> MakeTree(const Data& data, bool values) {
    auto root = std::make_unique<CmoxCompositeCell>("Tree");
    for (int g = 0; g < kGroups; ++g) {
        auto* group = new CmoxCompositeCell(data.groupNames[static_cast<std::size_t>(g)].c_str());
        for (int i = 0; i < kLeaves; ++i) {
            const Leaf& leaf =
                data.groups[static_cast<std::size_t>(g)][static_cast<std::size_t>(i)];
            const char* name = data.leafNames[static_cast<std::size_t>(i)].c_str();
            switch (KindOf(i)) {
            case kLong:
                group->AddChild(new CmoxLongCell(name, values ? leaf.l : 0), 1);
                break;
            case kDouble:
                group->AddChild(new CmoxDoubleCell(name, values ? leaf.d : 0.0), 1);
                break;
            case kString:
                group->AddChild(new CmoxStringCell(name, values ? leaf.s.c_str() : ""), 1);
                break;
            }
        }
        root->AddChild(group, 1);
    }
    return root;
}

// Reads the tree's values back out, to check a restore.
bool TreeHolds(CmoxCompositeCell& tree, const Data& data) {
    for (int g = 0; g < kGroups; ++g) {
        auto* group = dynamic_cast<CmoxCompositeCell*>(
            tree.FindChild(data.groupNames[static_cast<std::size_t>(g)].c_str()));
        if (group == nullptr) return false;
        for (int i = 0; i < kLeaves; ++i) {
            const Leaf& leaf =
                data.groups[static_cast<std::size_t>(g)][static_cast<std::size_t>(i)];
            const char* name = data.leafNames[static_cast<std::size_t>(i)].c_str();
            switch (KindOf(i)) {
            case kLong:
                if (group->GetChildLong(name) != leaf.l) return false;
                break;
            case kDouble:
                if (group->GetChildDouble(name) != leaf.d) return false;
                break;
            case kString:
                if (group->GetChildString(name) != leaf.s) return false;
                break;
            }
        }
    }
    return true;
}

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

bool WriteFile(const std::string& path, const char* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

bool ReadFile(const std::string& path, std::string& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    out.clear();
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out.append(chunk, got);
    std::fclose(f);
    return true;
}

std::size_t FileSize(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<std::size_t>(size);
}

// ---- the three sides -------------------------------------------------------------------------

bool MoxSave(CmoxCompositeCell& tree, const std::string& path) {
    CmoxArchive archive;
    if (archive.Open(path.c_str(), MOX_ARCHIVE_WRITE, 0) == 0) return false;
    const int saved = archive.Save(tree);
    return archive.Close() != 0 && saved != 0;
}

bool MoxRestore(CmoxCompositeCell& tree, const std::string& path) {
    CmoxArchive archive;
    if (archive.Open(path.c_str(), MOX_ARCHIVE_READ, 0) == 0) return false;
    // The root record's frame, read as a container reads its children's.
    if (archive.ReadToken() != "CmoxCompositeCell") return false;
    if (archive.ReadToken() != std::as_const(tree).Name()) return false;
    tree.RestoreUserName(archive);
    const int restored = archive.Restore(&tree);
    archive.Close();
    return restored != 0 && archive.CheckRestoreStatus() != 0;
}

bool RapidJsonSave(const Data& data, const std::string& path) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    for (std::size_t g = 0; g < data.groups.size(); ++g) {
        writer.Key(data.groupNames[g].c_str(),
                   static_cast<rapidjson::SizeType>(data.groupNames[g].size()));
        writer.StartObject();
        const auto& group = data.groups[g];
        for (std::size_t i = 0; i < group.size(); ++i) {
            writer.Key(data.leafNames[i].c_str(),
                       static_cast<rapidjson::SizeType>(data.leafNames[i].size()));
            switch (KindOf(static_cast<int>(i))) {
            case kLong:
                writer.Int(static_cast<int>(group[i].l));
                break;
            case kDouble:
                writer.Double(group[i].d);
                break;
            case kString:
                writer.String(group[i].s.c_str(),
                              static_cast<rapidjson::SizeType>(group[i].s.size()));
                break;
            }
        }
        writer.EndObject();
    }
    writer.EndObject();
    return WriteFile(path, buffer.GetString(), buffer.GetSize());
}

bool RapidJsonRestore(Data& data, const std::string& path, std::string& text) {
    if (!ReadFile(path, text)) return false;
    rapidjson::Document doc;
    doc.Parse(text.c_str(), text.size());
    if (doc.HasParseError() || !doc.IsObject() || doc.MemberCount() != data.groups.size())
        return false;
    std::size_t g = 0;
    for (auto group = doc.MemberBegin(); group != doc.MemberEnd(); ++group, ++g) {
        if (data.groupNames[g] != group->name.GetString() || !group->value.IsObject()) return false;
        auto& leaves = data.groups[g];
        if (group->value.MemberCount() != leaves.size()) return false;
        std::size_t i = 0;
        for (auto leaf = group->value.MemberBegin(); leaf != group->value.MemberEnd();
             ++leaf, ++i) {
            if (data.leafNames[i] != leaf->name.GetString()) return false;
            const auto& v = leaf->value;
            switch (KindOf(static_cast<int>(i))) {
            case kLong:
                if (!v.IsInt()) return false;
                leaves[i].l = v.GetInt();
                break;
            case kDouble:
                if (!v.IsNumber()) return false;
                leaves[i].d = v.GetDouble();
                break;
            case kString:
                if (!v.IsString()) return false;
                leaves[i].s.assign(v.GetString(), v.GetStringLength());
                break;
            }
        }
    }
    return true;
}

bool NlohmannSave(const Data& data, const std::string& path) {
    nlohmann::json doc = nlohmann::json::object();
    for (std::size_t g = 0; g < data.groups.size(); ++g) {
        nlohmann::json group = nlohmann::json::object();
        const auto& leaves = data.groups[g];
        for (std::size_t i = 0; i < leaves.size(); ++i) {
            switch (KindOf(static_cast<int>(i))) {
            case kLong:
                group[data.leafNames[i]] = leaves[i].l;
                break;
            case kDouble:
                group[data.leafNames[i]] = leaves[i].d;
                break;
            case kString:
                group[data.leafNames[i]] = leaves[i].s;
                break;
            }
        }
        doc[data.groupNames[g]] = std::move(group);
    }
    const std::string text = doc.dump();
    return WriteFile(path, text.data(), text.size());
}

// The document keeps its members sorted by name, so values are found by name, as mox matches
// each record to its child by name.
bool NlohmannRestore(Data& data, const std::string& path, std::string& text) {
    if (!ReadFile(path, text)) return false;
    const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    if (!doc.is_object() || doc.size() != data.groups.size()) return false;
    for (std::size_t g = 0; g < data.groups.size(); ++g) {
        const auto group = doc.find(data.groupNames[g]);
        if (group == doc.end() || !group->is_object()) return false;
        auto& leaves = data.groups[g];
        if (group->size() != leaves.size()) return false;
        for (std::size_t i = 0; i < leaves.size(); ++i) {
            const auto v = group->find(data.leafNames[i]);
            if (v == group->end()) return false;
            switch (KindOf(static_cast<int>(i))) {
            case kLong:
                if (!v->is_number_integer()) return false;
                leaves[i].l = v->get<long>();
                break;
            case kDouble:
                if (!v->is_number()) return false;
                leaves[i].d = v->get<double>();
                break;
            case kString:
                if (!v->is_string()) return false;
                leaves[i].s = v->get_ref<const std::string&>();
                break;
            }
        }
    }
    return true;
}

// ---- measurement -----------------------------------------------------------------------------

enum Side { kMox, kRapidJson, kNlohmann, kSides };
const char* const kPrefix[kSides] = {"", "rapidjson_", "nlohmann_"};

// Time and file bytes per side, over all batches.
struct Totals {
    double ns[kSides] = {};
    long long batches[kSides] = {};
    double bytes[kSides] = {};
    // The archive's bytes alone: written to a file, or read from it, in one call each. The floor
    // under mox's figures that the text format itself sets, whatever the code does per record.
    double ioNs = 0;
    long long ioBatches = 0;

    void Report(benchmark::State& state) const {
        if (ioBatches > 0)
            state.counters["io_only_ns_per_leaf"] =
                ioNs / static_cast<double>(ioBatches * kTotalLeaves);
        double perLeaf[kSides] = {};
        for (int s = 0; s < kSides; ++s) {
            if (batches[s] == 0 || ns[s] <= 0) return;
            perLeaf[s] = ns[s] / static_cast<double>(batches[s] * kTotalLeaves);
            state.counters[std::string(kPrefix[s]) + "ns_per_leaf"] = perLeaf[s];
            // bytes per ns is GB/s; MB/s with 1 MB = 10^6 bytes.
            state.counters[std::string(kPrefix[s]) + "mb_per_s"] = bytes[s] / ns[s] * 1e3;
            state.counters[std::string(kPrefix[s]) + "file_bytes"] =
                bytes[s] / static_cast<double>(batches[s]);
        }
        state.counters["ratio_rapidjson"] = perLeaf[kMox] / perLeaf[kRapidJson];
        state.counters["ratio_nlohmann"] = perLeaf[kMox] / perLeaf[kNlohmann];
    }
};

struct Files {
    std::string mox = TempPath("mox_archive_bench.qvx");
    std::string rapidjson = TempPath("mox_archive_bench_rapidjson.json");
    std::string nlohmann = TempPath("mox_archive_bench_nlohmann.json");
    std::string copy = TempPath("mox_archive_bench_copy.qvx");
    ~Files() {
        std::remove(copy.c_str());
        std::remove(mox.c_str());
        std::remove(rapidjson.c_str());
        std::remove(nlohmann.c_str());
    }
};

void BM_ArchiveSave(benchmark::State& state) {
    const Data data = MakeData();
    const auto tree = MakeTree(data, true);
    const Files files;
    bool ok = true;
    auto batch = [&](int side) {
        switch (side) {
        case kMox:
            ok = MoxSave(*tree, files.mox) && ok;
            break;
        case kRapidJson:
            ok = RapidJsonSave(data, files.rapidjson) && ok;
            break;
        default:
            ok = NlohmannSave(data, files.nlohmann) && ok;
            break;
        }
    };
    std::string archiveText;
    ok = MoxSave(*tree, files.mox) && ReadFile(files.mox, archiveText);
    Totals totals;
    int first = 0;
    for (auto _ : state) {
        for (int k = 0; k < kSides; ++k) {
            const int side = (first + k) % kSides;
            totals.ns[side] += TimeNs([&] { batch(side); });
            ++totals.batches[side];
        }
        totals.ioNs += TimeNs(
            [&] { ok = WriteFile(files.copy, archiveText.data(), archiveText.size()) && ok; });
        ++totals.ioBatches;
        first = (first + 1) % kSides;
    }
    if (!ok) {
        state.SkipWithError("a save failed");
        return;
    }
    const std::size_t sizes[kSides] = {FileSize(files.mox), FileSize(files.rapidjson),
                                       FileSize(files.nlohmann)};
    for (int s = 0; s < kSides; ++s)
        totals.bytes[s] = static_cast<double>(sizes[s]) * static_cast<double>(totals.batches[s]);
    totals.Report(state);
    state.SetItemsProcessed(state.iterations() * kTotalLeaves);
}

void BM_ArchiveRestore(benchmark::State& state) {
    const Data data = MakeData();
    const Files files;
    {
        const auto source = MakeTree(data, true);
        if (!MoxSave(*source, files.mox) || !RapidJsonSave(data, files.rapidjson) ||
            !NlohmannSave(data, files.nlohmann)) {
            state.SkipWithError("cannot write the files to restore from");
            return;
        }
    }
    const auto target = MakeTree(data, false);
    Data rapidData = data, nlohmannData = data;
    std::string rapidText, nlohmannText, archiveText; // reused, as a reader would keep its buffer
    bool ok = true;
    auto batch = [&](int side) {
        switch (side) {
        case kMox:
            ok = MoxRestore(*target, files.mox) && ok;
            break;
        case kRapidJson:
            ok = RapidJsonRestore(rapidData, files.rapidjson, rapidText) && ok;
            break;
        default:
            ok = NlohmannRestore(nlohmannData, files.nlohmann, nlohmannText) && ok;
            break;
        }
    };
    // Untimed: every leaf back to its default, so the next restore changes them all again.
    auto reset = [&] {
        target->MakeDefaultCurrent();
        for (Data* d : {&rapidData, &nlohmannData})
            for (auto& group : d->groups)
                for (Leaf& leaf : group)
                    leaf = Leaf{};
    };
    Totals totals;
    int first = 0;
    for (auto _ : state) {
        state.PauseTiming();
        reset();
        state.ResumeTiming();
        for (int k = 0; k < kSides; ++k) {
            const int side = (first + k) % kSides;
            totals.ns[side] += TimeNs([&] { batch(side); });
            ++totals.batches[side];
        }
        totals.ioNs += TimeNs([&] { ok = ReadFile(files.mox, archiveText) && ok; });
        ++totals.ioBatches;
        first = (first + 1) % kSides;
    }
    if (!ok || !TreeHolds(*target, data) || rapidData.groups != data.groups ||
        nlohmannData.groups != data.groups) {
        state.SkipWithError("a restore failed or restored other values");
        return;
    }
    const std::size_t sizes[kSides] = {FileSize(files.mox), FileSize(files.rapidjson),
                                       FileSize(files.nlohmann)};
    for (int s = 0; s < kSides; ++s)
        totals.bytes[s] = static_cast<double>(sizes[s]) * static_cast<double>(totals.batches[s]);
    totals.Report(state);
    state.SetItemsProcessed(state.iterations() * kTotalLeaves);
}

} // namespace

BENCHMARK(BM_ArchiveSave)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ArchiveRestore)->Unit(benchmark::kMillisecond)->MinTime(2.0);
