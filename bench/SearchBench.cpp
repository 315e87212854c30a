// Record search with and without the position cache, on an archive file of 10,000 top-level
// collections of 8 value records each (90,000 records, about 4 MB).
//
//   BM_Locate/<depth>      Locate a value record under a top-level collection, the targets
//                          spread over the whole file. Depth 1 seeks to the collection and reads
//                          only it; depth 0 reads from the start of the file up to the target.
//   BM_LocateMiss/<depth>  Locate under a top-level collection that is not in the file: depth 1
//                          answers from the cache, depth 0 reads the whole file.
//   BM_OpenForSearch/<depth>  Open for reading, which builds the cache at depth 1.
//
// The archive is opened once per benchmark (except in BM_OpenForSearch), so each iteration
// measures one search on an open archive.

#include <mox/archive/CmoxArchive.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kTopLevelRecords = 10000;
constexpr int kChildren = 8;

std::string GroupName(int g) {
    return "Group" + std::to_string(g);
}

// The archive file, written the way the writer lays out collections of value records. Built
// once per process and removed at exit.
struct TempArchive {
    std::string path = (std::filesystem::temp_directory_path() / "mox_search_bench.qvx").string();
    TempArchive() {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "PREAMBLE \r\n// File creation time: Friday, December 04, 2026\r\n";
        for (int g = 0; g < kTopLevelRecords; ++g) {
            out << "CmoxCompositeCell \"" << GroupName(g) << "\" \"$$\" {\r\n";
            for (int c = 0; c < kChildren; ++c) {
                out << "\tCmoxLongCell \"Item" << c << "\" \"$$\" = { " << g * kChildren + c
                    << "  }\r\n";
            }
            out << "}\r\n";
        }
    }
    ~TempArchive() { std::remove(path.c_str()); }
    TempArchive(const TempArchive&) = delete;
    TempArchive& operator=(const TempArchive&) = delete;
};

const std::string& ArchivePath() {
    static const TempArchive archive;
    return archive.path;
}

// Find queries for records under top-level collections spread evenly over the file, visited in
// an order that jumps about so no search profits from the one before.
std::vector<CmoxFindSpec> SpreadTargets() {
    std::vector<CmoxFindSpec> queries;
    constexpr int kTargets = 64;
    for (int i = 0; i < kTargets; ++i) {
        const int g = (i * 37 % kTargets) * (kTopLevelRecords / kTargets) + i % 7;
        const std::string path = "\\" + GroupName(g);
        const std::string item = "Item" + std::to_string(i % kChildren);
        queries.emplace_back(path.c_str(), item.c_str(), 0);
    }
    return queries;
}

void BM_Locate(benchmark::State& state) {
    CmoxArchive archive;
    if (archive.Open(ArchivePath().c_str(), MOX_ARCHIVE_READ, static_cast<int>(state.range(0))) ==
        0) {
        state.SkipWithError("cannot open the archive");
        return;
    }
    std::vector<CmoxFindSpec> queries = SpreadTargets();
    std::size_t next = 0;
    for (auto _ : state) {
        const int found = archive.Locate(queries[next]);
        if (found == 0) {
            state.SkipWithError("a target was not found");
            break;
        }
        benchmark::DoNotOptimize(found);
        next = (next + 1) % queries.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(state.range(0) > 0 ? "cache depth 1" : "no cache");
}

void BM_LocateMiss(benchmark::State& state) {
    CmoxArchive archive;
    if (archive.Open(ArchivePath().c_str(), MOX_ARCHIVE_READ, static_cast<int>(state.range(0))) ==
        0) {
        state.SkipWithError("cannot open the archive");
        return;
    }
    CmoxFindSpec query("\\Absent", "Item0", 0);
    for (auto _ : state) {
        const int found = archive.Locate(query);
        if (found != 0) {
            state.SkipWithError("an absent record was found");
            break;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(state.range(0) > 0 ? "cache depth 1" : "no cache");
}

void BM_OpenForSearch(benchmark::State& state) {
    const std::string& path = ArchivePath();
    const int depth = static_cast<int>(state.range(0));
    for (auto _ : state) {
        CmoxArchive archive;
        const int opened = archive.Open(path.c_str(), MOX_ARCHIVE_READ, depth);
        if (opened == 0) {
            state.SkipWithError("cannot open the archive");
            break;
        }
        benchmark::DoNotOptimize(opened);
    }
    state.SetLabel(depth > 0 ? "builds the cache" : "no cache");
}

} // namespace

BENCHMARK(BM_Locate)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LocateMiss)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenForSearch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
