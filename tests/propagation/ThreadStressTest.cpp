// Several threads, each with its own engine, undo context and tree, run random transactions,
// undo and redo at once, while the workers hand changes to user-interface cells of the main
// thread that also depend on the main thread's own cells. At the end every tree must match a
// single-threaded replay of its script, and every handed-over change must have been delivered
// exactly once. Run under ThreadSanitizer, this is also the judge of the engines' shared
// bookkeeping of a cell that two engines queue.
#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace moxtest;

namespace {

constexpr int kWorkers = 3;
constexpr int kWorkerSteps = 300;
constexpr int kTickers = 3; // worker cells that a main-thread cell depends on, per worker

// The main thread's user-interface cell: logs every ticker change it is handed, by worker and
// sequence number (a change delivered twice, merged into another or lost shows in the log).
// A ticker is a worker's cell "T<worker>_<index>" whose change carries the sequence number as
// its user data.
class Display : public CmoxCell {
  public:
    Display() : CmoxCell("Display", MOX_UI_PRIORITY) {}
    void Update(CmoxChangedList& changes) override {
        for (const ChangeInfo& change : changes.GetList()) {
            if (dynamic_cast<IntCell*>(change.Cell()) != nullptr) {
                const int worker = change.Cell()->Name()[1] - '0';
                ++seen[worker][change.UserData()];
                delivered[worker].fetch_add(1, std::memory_order_release);
            }
        }
    }
    std::vector<std::vector<int>> seen =
        std::vector<std::vector<int>>(kWorkers, std::vector<int>(kWorkerSteps + 2, 0));
    std::atomic<int> delivered[kWorkers] = {};
};

// One thread's tree and history, changed by a seeded script.
struct Script {
    explicit Script(unsigned seed, const char* context) : random(seed), contextName(context) {
        for (int i = 0; i < 6; ++i) {
            cells.push_back(new CmoxLongCell(("V" + std::to_string(i)).c_str(), 0));
            root.AddChild(cells.back());
            counter.MakeDependentOn(cells.back());
        }
    }
    ~Script() { Cmox::Current().RemoveUndoContext(contextName); }

    // One step; true when the step is a hand-over (which the caller performs).
    bool Step() {
        Cmox& engine = Cmox::Current();
        CmoxUndoContext* context = engine.GetUndoContext(contextName);
        const int kind = Pick(10); // the last kind is a hand-over
        if (kind < 6) {
            engine.BeginTransaction(context, "edit");
            const bool sub = Pick(3) == 0;
            if (sub) engine.BeginSubTransaction();
            for (int n = 1 + Pick(3); n > 0; --n)
                cells[static_cast<std::size_t>(Pick(6))]->Value(static_cast<long>(Pick(100)));
            if (sub) engine.EndSubTransaction();
            engine.EndTransaction();
        } else if (kind < 8) {
            engine.Undo(context, 1 + Pick(2));
        } else if (kind < 9) {
            engine.Redo(context, 1 + Pick(2));
        }
        return kind == 9;
    }
    std::string Text() {
        std::ostringstream text;
        for (CmoxLongCell* cell : cells)
            text << cell->Value() << ' ';
        return text.str() + "| " + std::to_string(updates.size());
    }
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    std::mt19937 random;
    const char* contextName;
    CmoxCompositeCell root{"Root"};
    std::vector<CmoxLongCell*> cells;
    UpdateLog updates; // of the dependent inside the tree
    RecordingCell counter{"Counter", MOX_STATE_PRIORITY, updates};
};

std::string Replay(unsigned seed, int steps) {
    Script script(seed, "Replay");
    for (int i = 0; i < steps; ++i)
        script.Step();
    return script.Text();
}

class ThreadStress : public MoxTest {};

TEST_F(ThreadStress, EngineThreadsMatchTheirReplayAndEveryHandOverIsDeliveredOnce) {
    Display display;
    std::vector<std::unique_ptr<IntCell>> tickers[kWorkers];
    for (int w = 0; w < kWorkers; ++w)
        for (int i = 0; i < kTickers; ++i) {
            const std::string name = "T" + std::to_string(w) + "_" + std::to_string(i);
            tickers[w].push_back(std::make_unique<IntCell>(name.c_str()));
            display.MakeDependentOn(tickers[w].back().get());
        }
    Script mainScript(1000, "Main");
    for (CmoxLongCell* cell : mainScript.cells)
        display.MakeDependentOn(cell);
    std::string workerText[kWorkers];
    int handOvers[kWorkers] = {};
    std::atomic<int> running{kWorkers};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w)
        workers.emplace_back([&, w] {
            {
                Script script(static_cast<unsigned>(w + 1), "Worker");
                const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
                for (int step = 0; step < kWorkerSteps; ++step) {
                    if (!script.Step()) continue;
                    const unsigned long sequence = static_cast<unsigned long>(++handOvers[w]);
                    Cmox::Current().BeginTransaction();
                    for (auto& ticker : tickers[w])
                        ticker->Set(static_cast<int>(sequence), sequence);
                    Cmox::Current().EndWorkerThreadTransaction(Cmox::MainInst);
                    // One hand-over in flight per worker: its changes must arrive unmerged.
                    while (display.delivered[w].load(std::memory_order_acquire) <
                               handOvers[w] * kTickers &&
                           std::chrono::steady_clock::now() < giveUp)
                        std::this_thread::yield();
                }
                workerText[w] = script.Text();
            }
            ExpectCleanEngine(Cmox::Current());
            running.fetch_sub(1);
        });
    // The main thread's own work goes on meanwhile; each outermost end delivers what the
    // workers handed over so far.
    int mainSteps = 0;
    for (; running.load() > 0; ++mainSteps)
        mainScript.Step();
    for (std::thread& worker : workers)
        worker.join();
    Engine().BeginTransaction();
    Engine().EndTransaction();

    EXPECT_EQ(mainScript.Text(), Replay(1000, mainSteps));
    for (int w = 0; w < kWorkers; ++w) {
        EXPECT_EQ(workerText[w], Replay(static_cast<unsigned>(w + 1), kWorkerSteps)) << w;
        EXPECT_GT(handOvers[w], 0);
        std::vector<int> expected(kWorkerSteps + 2, 0);
        std::fill_n(expected.begin() + 1, handOvers[w], kTickers);
        EXPECT_EQ(display.seen[w], expected) << "worker " << w << ": deliveries per hand-over";
    }
}

} // namespace
