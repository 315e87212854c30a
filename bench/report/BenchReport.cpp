// mox_bench_report: reads the JSON that mox_bench writes and prints the table of results and
// ratios against the performance targets. It can also write that table into
// docs/PERFORMANCE.md (between the BENCH-TABLE markers) and the data files that
// scripts/bench-plots.gp turns into the plots.
//
//   mox_bench_report bench.json [--update-doc FILE] [--plot-dir DIR] [--strict]
//
// With repetitions, each figure is the median over the repetitions (Google Benchmark's
// "median" aggregate); a ratio is the median of the per-repetition ratios, each measured on
// alternating batches of mox and the peer. --strict makes a missed target the exit status.

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Counters = std::map<std::string, double>;

struct Results {
    std::map<std::string, Counters> runs; // run name -> counters (medians when repeated)
    std::map<std::string, std::string> labels;
    int repetitions = 1;
    std::string date, host;
    int cpus = 0;
    double mhz = 0;
};

Results Load(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    nlohmann::json doc = nlohmann::json::parse(in);
    Results results;
    const auto& context = doc.at("context");
    results.date = context.value("date", "");
    results.host = context.value("host_name", "");
    results.cpus = context.value("num_cpus", 0);
    results.mhz = context.value("mhz_per_cpu", 0.0);
    std::map<std::string, Counters> firstRun, median;
    for (const auto& bench : doc.at("benchmarks")) {
        const std::string run = bench.value("run_name", bench.value("name", ""));
        const std::string type = bench.value("run_type", "iteration");
        if (bench.contains("error_occurred") && bench["error_occurred"].get<bool>()) {
            std::cerr << "warning: " << run << " failed: " << bench.value("error_message", "")
                      << "\n";
            continue;
        }
        Counters counters;
        for (auto it = bench.begin(); it != bench.end(); ++it)
            if (it.value().is_number()) counters[it.key()] = it.value().get<double>();
        // CPU time per iteration in microseconds, whatever unit the benchmark reports in.
        if (bench.contains("cpu_time")) {
            const std::string unit = bench.value("time_unit", "ns");
            const double toUs = unit == "s" ? 1e6 : unit == "ms" ? 1e3 : unit == "us" ? 1.0 : 1e-3;
            counters["cpu_us"] = bench["cpu_time"].get<double>() * toUs;
        }
        if (bench.contains("label")) results.labels[run] = bench["label"].get<std::string>();
        if (type == "aggregate") {
            if (bench.value("aggregate_name", "") == "median") {
                median[run] = counters;
                results.repetitions = std::max(results.repetitions, bench.value("repetitions", 1));
            }
        } else if (!firstRun.count(run)) {
            firstRun[run] = counters;
        }
    }
    results.runs = firstRun;
    for (auto& [run, counters] : median)
        results.runs[run] = counters;
    return results;
}

std::optional<double> Get(const Results& r, const std::string& run, const std::string& counter) {
    auto found = r.runs.find(run);
    if (found == r.runs.end()) return std::nullopt;
    auto value = found->second.find(counter);
    if (value == found->second.end()) return std::nullopt;
    return value->second;
}

// One line of the table: what mox measured, what the peer measured, their ratio, and the
// target that the checked figure (the ratio, or mox's own figure) must meet.
struct Line {
    Line(std::string workloadName, std::string unitName)
        : workload(std::move(workloadName)), unit(std::move(unitName)) {}
    std::string workload;
    std::string unit;
    std::optional<double> mox, peer, ratio;
    std::string target;          // empty: reported only
    std::optional<double> check; // the figure the target is about
    double limit = 0;
    bool strictlyBelow = false;
    bool Met() const { return check && (strictlyBelow ? *check < limit : *check <= limit); }
};

std::string Format(std::optional<double> v, int decimals) {
    if (!v) return "-";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, *v);
    return buf;
}

std::string Status(const Line& line) {
    if (line.target.empty()) return "";
    if (!line.check) return "no data";
    return line.Met() ? "met" : "MISSED";
}

std::vector<Line> BuildLines(const Results& r) {
    std::vector<Line> lines;
    // Notification: per delivered update at or below boost.signals2 at every N, at most 0.7 of
    // it from N = 100 on; libsigc++'s ratio reported beside it.
    for (const char* n : {"1", "10", "100", "1000", "10000"}) {
        const std::string run = std::string("BM_FanOut/") + n;
        Line line{std::string("fan-out to N = ") + n + ", peer boost.signals2", "ns/update"};
        line.mox = Get(r, run, "ns_per_update");
        line.peer = Get(r, run, "peer_ns_per_update");
        line.ratio = Get(r, run, "ratio");
        line.limit = std::stoi(n) >= 100 ? 0.7 : 1.0;
        line.target = std::stoi(n) >= 100 ? "ratio <= 0.7" : "ratio <= 1";
        line.check = line.ratio;
        lines.push_back(line);
        Line sigc{std::string("fan-out to N = ") + n + ", peer libsigc++", "ns/update"};
        sigc.mox = line.mox;
        sigc.peer = Get(r, run, "sigc_ns_per_update");
        sigc.ratio = Get(r, run, "ratio_sigc");
        lines.push_back(sigc);
    }
    {
        Line line{"fan-out cost at N = 10,000 / N = 100", "x"};
        auto big = Get(r, "BM_FanOut/10000", "ns_per_update");
        auto mid = Get(r, "BM_FanOut/100", "ns_per_update");
        if (big && mid && *mid > 0) line.mox = *big / *mid;
        big = Get(r, "BM_FanOut/10000", "peer_ns_per_update");
        mid = Get(r, "BM_FanOut/100", "peer_ns_per_update");
        if (big && mid && *mid > 0) line.peer = *big / *mid;
        line.target = "mox <= 1.3";
        line.check = line.mox;
        line.limit = 1.3;
        lines.push_back(line);
    }
    for (const auto& [peer, prefix, limit] :
         {std::tuple<const char*, const char*, double>{"boost.signals2", "", 0.5},
          {"libsigc++", "sigc", 1.0}}) {
        const std::string run = "BM_Chain/1000";
        Line line{std::string("chain of 1,000 cells, peer ") + peer, "ns/update"};
        line.mox = Get(r, run, "ns_per_update");
        line.peer = Get(r, run,
                        *prefix ? std::string(prefix) + "_ns_per_update"
                                : std::string("peer_ns_per_update"));
        line.ratio = Get(r, run, *prefix ? std::string("ratio_") + prefix : std::string("ratio"));
        char target[32];
        std::snprintf(target, sizeof target, "ratio <= %.1f", limit);
        line.target = target;
        line.check = line.ratio;
        line.limit = limit;
        lines.push_back(line);
    }
    // Undo: absolute targets per change, QUndoStack's ratio reported beside them.
    const std::string large = "BM_UndoLargeTransaction/100000";
    struct Phase {
        const char* name;
        const char* phase;
    };
    for (const Phase& phase :
         {Phase{"record 100,000 changes in one transaction", "record"},
          Phase{"undo that transaction", "undo"}, Phase{"redo that transaction", "redo"}}) {
        const std::string counter = std::string(phase.phase) + "_ns_per_change";
        Line line{std::string(phase.name) + ", peer QUndoStack", "ns/change"};
        line.mox = Get(r, large, counter);
        line.peer = Get(r, large, "qt_" + counter);
        line.ratio = Get(r, large, std::string("ratio_qt_") + phase.phase);
        line.target = "mox <= 25";
        line.check = line.mox;
        line.limit = 25.0;
        lines.push_back(line);
    }
    {
        Line line{"1,000 transactions of 100 changes, depth 25", "ns/change"};
        line.mox = Get(r, "BM_UndoManyTransactions/1000/100", "ns_per_change");
        lines.push_back(line);
    }
    // Record search in an archive of 90,000 records: reported, no target.
    for (const char* arg : {"1", "0"}) {
        const std::string how = arg[0] == '1' ? "with the position cache" : "without a cache";
        Line hit{std::string("archive search, Locate a record, ") + how, "us/search"};
        hit.mox = Get(r, std::string("BM_Locate/") + arg, "cpu_us");
        lines.push_back(hit);
        Line miss{std::string("archive search, Locate a missing record, ") + how, "us/search"};
        miss.mox = Get(r, std::string("BM_LocateMiss/") + arg, "cpu_us");
        lines.push_back(miss);
    }
    // Archive: a tree of 100,000 leaves saved to a file and restored from it, against writing
    // and parsing the same values as JSON. Ratios are mox's time over the peer's.
    struct ArchivePeer {
        const char* name;
        const char* prefix;
    };
    for (const char* phase : {"save", "restore"}) {
        const bool save = phase[0] == 's';
        const std::string run =
            save ? "BM_ArchiveSave/min_time:2.000" : "BM_ArchiveRestore/min_time:2.000";
        for (const ArchivePeer& peer :
             {ArchivePeer{"RapidJSON", "rapidjson_"}, ArchivePeer{"nlohmann::json", "nlohmann_"}}) {
            const std::string prefix = peer.prefix;
            Line line{std::string("archive ") + phase + " of 100,000 leaves, peer " + peer.name,
                      "ns/leaf"};
            line.mox = Get(r, run, "ns_per_leaf");
            line.peer = Get(r, run, prefix + "ns_per_leaf");
            line.ratio = Get(r, run, "ratio_" + prefix.substr(0, prefix.size() - 1));
            if (prefix == "rapidjson_") {
                // Within 2x of the fastest common JSON library saving, 2.5x restoring.
                line.target = save ? "ratio <= 2" : "ratio <= 2.5";
                line.limit = save ? 2.0 : 2.5;
            } else if (!save) {
                // Reading back must beat the most common one.
                line.target = "ratio < 1";
                line.limit = 1.0;
                line.strictlyBelow = true;
            }
            if (!line.target.empty()) line.check = line.ratio;
            lines.push_back(line);
        }
        {
            Line line{std::string("archive ") + phase + ", the archive's bytes alone " +
                          (save ? "written" : "read") + " in one call",
                      "ns/leaf"};
            line.mox = Get(r, run, "io_only_ns_per_leaf");
            lines.push_back(line);
        }
        for (const ArchivePeer& peer :
             {ArchivePeer{"RapidJSON", "rapidjson_"}, ArchivePeer{"nlohmann::json", "nlohmann_"}}) {
            Line line{std::string("archive ") + phase + " throughput, each its own file, peer " +
                          peer.name,
                      "MB/s"};
            line.mox = Get(r, run, "mb_per_s");
            line.peer = Get(r, run, std::string(peer.prefix) + "mb_per_s");
            lines.push_back(line);
        }
    }
    // Memory: the heap per cell of the plain tree counts each cell's object and what it holds.
    for (const char* arg : {"0", "1"}) {
        const std::string run = std::string("BM_MemoryPerValueCell/") + arg + "/iterations:1";
        const std::string shape = arg[0] == '0' ? "plain" : "groups depend on their children";
        if (arg[0] == '0') {
            Line size{"sizeof a long value cell", "bytes"};
            size.mox = Get(r, run, "sizeof_cell");
            lines.push_back(size);
        }
        Line heap{"object and heap per cell, 100,000-cell tree, " + shape, "bytes"};
        heap.mox = Get(r, run, "heap_bytes_per_cell");
        if (arg[0] == '0') {
            heap.target = "mox <= 112";
            heap.check = heap.mox;
            heap.limit = 112;
        }
        lines.push_back(heap);
    }
    return lines;
}

void PrintTable(const std::vector<Line>& lines, std::ostream& out) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "%-70s %-10s %10s %10s %7s  %-11s %s\n", "workload", "unit",
                  "mox", "peer", "ratio", "target", "");
    out << buf << std::string(128, '-') << "\n";
    for (const Line& line : lines) {
        std::snprintf(buf, sizeof buf, "%-70s %-10s %10s %10s %7s  %-11s %s\n",
                      line.workload.c_str(), line.unit.c_str(), Format(line.mox, 1).c_str(),
                      Format(line.peer, 1).c_str(), Format(line.ratio, 2).c_str(),
                      line.target.c_str(), Status(line).c_str());
        out << buf;
    }
}

// A table row's text by its workload, from the table the document already holds.
using Rows = std::map<std::string, std::string>;

Rows ExistingRows(const std::string& doc) {
    Rows rows;
    std::istringstream in(doc);
    std::string row;
    while (std::getline(in, row)) {
        if (row.size() < 3 || row[0] != '|' || row.compare(0, 3, "|--") == 0) continue;
        const auto bar = row.find(" |", 2);
        if (bar == std::string::npos) continue;
        rows[row.substr(2, bar - 2)] = row;
    }
    return rows;
}

bool Measured(const Line& line) {
    return line.mox || line.peer || line.ratio;
}

// The rows a run did not measure (a filtered run) keep what the document said, so that one
// workload can be re-measured without erasing the others.
std::string MarkdownTable(const Results& r, const std::vector<Line>& lines, const Rows& before) {
    std::ostringstream body;
    int kept = 0;
    for (const Line& line : lines) {
        const auto old = before.find(line.workload);
        if (!Measured(line) && old != before.end()) {
            body << old->second << "\n";
            ++kept;
            continue;
        }
        body << "| " << line.workload << " | " << line.unit << " | " << Format(line.mox, 1) << " | "
             << Format(line.peer, 1) << " | " << Format(line.ratio, 2) << " | " << line.target
             << " | " << Status(line) << " |\n";
    }
    std::ostringstream out;
    out << "Measured " << r.date << " on " << r.cpus << " CPUs at " << Format(r.mhz, 0)
        << " MHz; medians of " << r.repetitions << " repetitions. Each row names its peer.";
    if (kept > 0) out << " Rows this run did not measure keep their earlier figures.";
    out << "\n\n";
    out << "| Workload | Unit | mox | peer | ratio | target | |\n";
    out << "|---|---|---:|---:|---:|---|---|\n";
    out << body.str();
    return out.str();
}

bool UpdateDoc(const std::string& path, const Results& r, const std::vector<Line>& lines) {
    static const std::string begin = "<!-- BENCH-TABLE BEGIN -->";
    static const std::string end = "<!-- BENCH-TABLE END -->";
    std::ifstream in(path);
    if (!in) return false;
    std::stringstream text;
    text << in.rdbuf();
    std::string doc = text.str();
    const auto b = doc.find(begin);
    const auto e = doc.find(end);
    if (b == std::string::npos || e == std::string::npos || e < b) return false;
    const std::string table = MarkdownTable(r, lines, ExistingRows(doc.substr(b, e - b)));
    doc = doc.substr(0, b + begin.size()) + "\n" + table + doc.substr(e);
    std::ofstream out(path);
    out << doc;
    return static_cast<bool>(out);
}

// Writes one plot's data file when the run has its data; a plot whose workload this run did not
// measure keeps its file (and so its plot) from an earlier run.
bool WriteData(const std::string& path, const std::string& header, const std::string& rows) {
    if (rows.empty()) return true;
    std::ofstream out(path);
    out << header << rows;
    return static_cast<bool>(out);
}

// fanout.dat: N, mox ns per update, peer ns per update (medians), one line per N.
// archive.dat: library, save MB/s, restore MB/s (medians), each library on its own file.
bool WritePlotData(const Results& r, const std::string& dir) {
    std::ostringstream fanout;
    for (const char* n : {"1", "10", "100", "1000", "10000"}) {
        const std::string run = std::string("BM_FanOut/") + n;
        auto mox = Get(r, run, "ns_per_update");
        auto peer = Get(r, run, "peer_ns_per_update");
        auto sigc = Get(r, run, "sigc_ns_per_update");
        if (mox && peer && sigc) fanout << n << " " << *mox << " " << *peer << " " << *sigc << "\n";
    }
    std::ostringstream archive;
    for (const auto& [name, prefix] : {std::pair<const char*, const char*>{"mox", ""},
                                       {"RapidJSON", "rapidjson_"},
                                       {"nlohmann::json", "nlohmann_"}}) {
        const std::string counter = std::string(prefix) + "mb_per_s";
        auto save = Get(r, "BM_ArchiveSave/min_time:2.000", counter);
        auto restore = Get(r, "BM_ArchiveRestore/min_time:2.000", counter);
        if (save && restore) archive << name << " " << *save << " " << *restore << "\n";
    }
    return WriteData(dir + "/fanout.dat",
                     "# N mox_ns_per_update signals2_ns_per_update sigc_ns_per_update\n",
                     fanout.str()) &&
           WriteData(dir + "/archive.dat", "# library save_mb_per_s restore_mb_per_s\n",
                     archive.str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: mox_bench_report bench.json [--update-doc FILE] [--plot-dir DIR] "
                     "[--strict]\n";
        return 2;
    }
    std::string json = argv[1], doc, plotDir;
    bool strict = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--update-doc" && i + 1 < argc)
            doc = argv[++i];
        else if (arg == "--plot-dir" && i + 1 < argc)
            plotDir = argv[++i];
        else if (arg == "--strict")
            strict = true;
        else {
            std::cerr << "unknown argument: " << arg << "\n";
            return 2;
        }
    }
    try {
        const Results results = Load(json);
        const std::vector<Line> lines = BuildLines(results);
        std::cout << "\nmox against its targets (medians of " << results.repetitions
                  << " repetitions; peers: boost.signals2, libsigc++, QUndoStack, RapidJSON, "
                     "nlohmann::json)\n\n";
        PrintTable(lines, std::cout);
        if (!doc.empty() && !UpdateDoc(doc, results, lines)) {
            std::cerr << "cannot update " << doc << " (missing BENCH-TABLE markers?)\n";
            return 1;
        }
        if (!plotDir.empty() && !WritePlotData(results, plotDir)) {
            std::cerr << "cannot write the plot data into " << plotDir << "\n";
            return 1;
        }
        bool allMet = true;
        for (const Line& line : lines)
            if (!line.target.empty() && !line.Met()) allMet = false;
        return strict && !allMet ? 1 : 0;
    } catch (const std::exception& e) {
        std::cerr << "mox_bench_report: " << e.what() << "\n";
        return 1;
    }
}
