// Long random runs of recorded transactions over cells of every value kind and an owning array,
// interleaved with undo and redo to random depths, unrecorded array changes, deleting cells a
// caller took out, depth changes, clean marks, resets and dropping the context. After every step
// the cells, the array, both description lists and the clean state must match a model that keeps
// snapshots before and after each transaction. Run under the sanitizers, this also proves that no
// element is leaked, destroyed twice or used after death, and the array's self-check runs after
// every step.

#include "support/MoxTest.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

// The living array elements by id (ids are never reused, addresses may be).
struct Registry {
    std::map<int, CmoxCell*> cellOf;
    int destroyed = 0;
    int badDestructions = 0; // a destruction of a cell that was not alive
};

class ModelCell : public CmoxCell {
  public:
    ModelCell(int id, Registry& registry)
        : CmoxCell(("c" + std::to_string(id)).c_str(), MOX_STATE_PRIORITY), m_id(id),
          m_registry(registry) {
        registry.cellOf[id] = this;
    }
    ~ModelCell() override {
        ++m_registry.destroyed;
        const bool alive = m_registry.cellOf.count(m_id) != 0 && m_registry.cellOf[m_id] == this;
        alive ? void(m_registry.cellOf.erase(m_id)) : void(++m_registry.badDestructions);
    }

  private:
    int m_id;
    Registry& m_registry;
};

using Values = std::vector<std::string>;

// One recorded transaction as the model sees it: the values before and after it, and the array
// before its first recorded change and after its last one.
struct ModelStep {
    int id; // names the history's state after the step
    std::string description;
    Values valuesBefore, valuesAfter;
    bool arrayRecorded;
    std::vector<int> before, after;
};

class RandomRun {
  public:
    explicit RandomRun(unsigned seed) : m_random(seed) { m_values = Snapshot(); }

    // Frees whatever the run left: the history first (records release what they own), then the
    // array with its elements, then what callers still hold. Only a cell some caller once took
    // out may still be alive then: whatever the history alone held went with it.
    void Finish() {
        Engine().RemoveUndoContext(kContext);
        delete m_array;
        for (int id : m_taken)
            if (Alive(id)) delete CellOf(id);
        while (!m_registry.cellOf.empty()) {
            const int id = m_registry.cellOf.begin()->first;
            EXPECT_EQ(m_handedOut.count(id), 1u) << "cell " << id << " leaked";
            delete m_registry.cellOf.begin()->second;
        }
        EXPECT_EQ(m_registry.badDestructions, 0);
        EXPECT_EQ(m_registry.destroyed, m_nextId - 1);
        // A guard on the driver itself: the run must have gone back and forth in its history.
        EXPECT_GT(m_replayed, 100);
    }

    void Step(int number) {
        const int choice = Pick(0, 99);
        if (choice < 45) {
            Transaction(number);
        } else if (choice < 76) {
            Replay(choice < 62, Pick(1, 4));
        } else if (choice < 82) {
            for (int n = Pick(1, 2); n > 0; --n)
                ArrayOperation(); // unrecorded
        } else if (choice < 87 && !m_taken.empty()) {
            // A cell taken out by a caller may also have been destroyed by a record meanwhile
            // (after a redo of a destruction it was put back from); it is the caller's if alive.
            const int id = TakeOneTaken();
            if (Alive(id)) delete CellOf(id);
        } else if (choice < 90) {
            const int id = Pick(1, m_nextId);
            const bool held = std::find(m_seq.begin(), m_seq.end(), id) != m_seq.end();
            EXPECT_EQ(m_array->FindChild(NameOf(id).c_str()), held ? CellOf(id) : nullptr);
        } else if (choice < 94) {
            m_context->MarkClean();
            m_mark = CurrentId();
        } else if (choice < 97) {
            // A lower depth trims nothing until the next recorded transaction.
            m_depth = Pick(0, 2) == 0 ? 25 : Pick(1, 6);
            m_context->MaximumUndoDepth(m_depth);
        } else {
            // Either way the history is gone and the new start is clean.
            if (choice < 98) {
                m_context->ResetUndo();
            } else {
                Engine().RemoveUndoContext(kContext);
                m_context = Engine().GetUndoContext(kContext);
                m_context->MaximumUndoDepth(m_depth);
            }
            m_undo.clear();
            m_redo.clear();
            m_mark = m_baseId = ++m_lastId;
        }
        Check();
    }

  private:
    static constexpr const char* kContext = "Random";

    static Cmox& Engine() { return Cmox::Current(); }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    bool Alive(int id) const { return m_registry.cellOf.count(id) != 0; }
    static std::string NameOf(int id) { return "c" + std::to_string(id); }
    CmoxCell* CellOf(int id) const { return m_registry.cellOf.at(id); }
    bool Recording() const { return Engine().UndoContext() != nullptr; }
    int PickIndex() { return Pick(0, static_cast<int>(m_seq.size()) - 1); }
    int TakeOneTaken() {
        auto it = std::next(m_taken.begin(), Pick(0, static_cast<int>(m_taken.size()) - 1));
        const int id = *it;
        m_taken.erase(it);
        return id;
    }
    int CurrentId() const { return m_undo.empty() ? m_baseId : m_undo.front().id; }

    // ---- value cells ---------------------------------------------------------------------------

    Values Snapshot() const {
        auto text = [](auto... parts) {
            std::string out;
            ((out += std::to_string(parts) + ' '), ...);
            return out;
        };
        return {
            text(count.Value(), count.DefaultValue()),
            text(level.Value(), level.DefaultValue()),
            title.Value() + '|' + title.DefaultValue(),
            text(on.Value(), on.DefaultValue()),
            text(channel.Value(), channel.DefaultValue(), channel.Min(), channel.Max()),
            text(freq.Value(), freq.DefaultValue(), freq.Min(), freq.Max(), freq.IncrementSize()),
            text(static_cast<const int*>(pointer.Value()) - m_targets,
                 static_cast<const int*>(pointer.DefaultValue()) - m_targets)};
    }

    // One change to a random value cell; the values are few so that changes often repeat or
    // undo one another within a transaction.
    void Change() {
        const int v = Pick(0, 5);
        const auto byte = [](int b) { return static_cast<unsigned char>(b); };
        const std::function<void()> changes[] = {
            [&] { count.Value(static_cast<long>(v)); },
            [&] { level.Value(v * 0.5); },
            [&] { title.Value(std::string(static_cast<std::size_t>(v), 'x').c_str()); },
            [&] { on.Value(v % 3); },
            [&] { channel.Value(byte(v * 60)); },
            [&] { channel.SetRange(byte(v * 10), byte(200 - v)); },
            [&] { freq.Value(static_cast<__int64>(v * 7)); },
            // Bounds on every step grid: unquantized bounds that round to the current domain
            // still file a record, which a state comparison cannot see.
            [&] { freq.SetRangeAndSize(-6 * (v % 2), 6 * (5 + v), 1 + v % 3); },
            [&] { CellAt(Pick(0, 6)).MakeDefaultCurrent(); },
            [&] { pointer.Value(static_cast<void*>(&m_targets[v])); },
            // The byte cell reports a default change even when nothing changed: left out, so
            // that a change of state is what files a record.
            [&] {
                const int i = Pick(0, 5);
                CellAt(i == 4 ? 6 : i).MakeCurrentDefault();
            },
        };
        changes[Pick(0, 10)]();
    }

    CmoxCell& CellAt(int i) {
        CmoxCell* cells[] = {&count, &level, &title, &on, &channel, &freq, &pointer};
        return *cells[i];
    }

    // ---- transactions and history --------------------------------------------------------------

    void Transaction(int number) {
        const std::string description = std::to_string(number);
        const Values before = m_values;
        bool valuesChanged = false;
        m_arrayRecorded = false;
        Engine().BeginTransaction(m_context, description.c_str());
        const bool nested = Pick(0, 3) == 0;
        if (nested) Engine().BeginTransaction(nullptr, nullptr);
        for (int n = Pick(0, 4); n > 0; --n) {
            if (Pick(0, 1) == 0) {
                ArrayOperation();
                continue;
            }
            Change();
            const Values now = Snapshot();
            valuesChanged = valuesChanged || now != m_values;
            m_values = now;
        }
        if (nested) Engine().EndTransaction();
        Engine().EndTransaction();
        if (!valuesChanged && !m_arrayRecorded) return; // both stacks are left alone
        m_undo.push_front({++m_lastId, description, before, m_values, m_arrayRecorded,
                           m_arrayBefore, m_arrayAfter});
        while (static_cast<int>(m_undo.size()) > m_depth) {
            // Trimming the marked step loses the mark, though its state is the new start.
            if (m_mark == m_baseId || m_mark == m_undo.back().id) m_mark = -1;
            m_baseId = m_undo.back().id;
            m_undo.pop_back();
        }
        for (const auto& undone : m_redo)
            if (undone.id == m_mark) m_mark = -1; // recorded below the mark: lost for good
        m_redo.clear();
    }

    void Replay(bool undo, int steps) {
        undo ? Engine().Undo(m_context, steps) : Engine().Redo(m_context, steps);
        std::deque<ModelStep>& from = undo ? m_undo : m_redo;
        std::deque<ModelStep>& to = undo ? m_redo : m_undo;
        for (; steps > 0 && !from.empty(); --steps, ++m_replayed) {
            const ModelStep& step = from.front();
            m_values = undo ? step.valuesBefore : step.valuesAfter;
            if (step.arrayRecorded) {
                // Cells destroyed since the snapshot were taken out of it when they died.
                m_seq.clear();
                for (int id : undo ? step.before : step.after)
                    if (Alive(id)) m_seq.push_back(id);
            }
            to.push_front(step);
            from.pop_front();
        }
    }

    // ---- array operations ----------------------------------------------------------------------

    // Runs one change of the array, keeping the model's snapshots of a recorded transaction.
    template <class Change> void Recorded(Change change) {
        if (Recording() && !m_arrayRecorded) {
            m_arrayRecorded = true;
            m_arrayBefore = m_seq;
        }
        change();
        if (Recording()) m_arrayAfter = m_seq;
    }

    void ArrayOperation() {
        const int choice = Pick(0, 99);
        const std::vector<int> ids = m_seq;
        if (choice < 30 || m_seq.empty()) {
            Insert();
        } else if (choice < 80) {
            TakeOut(choice >= 52);
        } else if (choice < 88) {
            m_handedOut.insert(m_seq.begin(), m_seq.end());
            Recorded([&] {
                m_array->RemoveAll();
                m_seq.clear();
            });
        } else if (choice < 96) {
            Recorded([&] {
                m_array->RemoveAndDestroyAll();
                m_seq.clear();
            });
            for (int id : ids)
                EXPECT_EQ(Alive(id), Recording()) << "cell " << id;
        } else {
            m_array->RemoveDynamicElements(); // records nothing, destroys at once
            m_seq.clear();
            for (int id : ids)
                EXPECT_FALSE(Alive(id)) << "cell " << id;
        }
    }

    // Inserts a new cell, or puts back one a caller took out (unless a record destroyed it).
    void Insert() {
        int id = !m_taken.empty() && Pick(0, 2) == 0 ? TakeOneTaken() : 0;
        if (id == 0 || !Alive(id)) {
            id = m_nextId++;
            new ModelCell(id, m_registry);
            // An undo that takes out a cell no record knows of leaves it to nobody: not checked.
            if (!Recording()) m_handedOut.insert(id);
        }
        const int index = Pick(0, static_cast<int>(m_seq.size()));
        Recorded([&] {
            m_array->InsertAt(index, CellOf(id));
            m_seq.insert(m_seq.begin() + index, id);
        });
        m_detached.erase(id);
    }

    // Takes out a random element by index, by name or by address: removed, so that the caller
    // holds it, or destroyed.
    void TakeOut(bool destroy) {
        const int index = PickIndex(), how = Pick(0, 2);
        const int id = m_seq[static_cast<std::size_t>(index)];
        CmoxCell* const cell = CellOf(id);
        CmoxCell* removed = nullptr;
        Recorded([&] {
            if (destroy && how == 0) m_array->DestroyElement(index);
            if (destroy && how == 1) m_array->DestroyElement(NameOf(id).c_str());
            if (destroy && how == 2) m_array->DestroyElement(cell);
            if (!destroy)
                removed = how == 0   ? m_array->Remove(index, 0)
                          : how == 1 ? m_array->Remove(NameOf(id).c_str())
                                     : m_array->Remove(cell);
            m_seq.erase(m_seq.begin() + index);
        });
        if (destroy) {
            // While recording, the record keeps it until the removal is certain.
            EXPECT_EQ(Alive(id), Recording()) << "cell " << id;
            return;
        }
        EXPECT_EQ(removed, cell);
        EXPECT_EQ(cell->Parent(), nullptr);
        m_detached.insert(id);
        m_taken.insert(id);
        m_handedOut.insert(id);
    }

    // ---- the comparison ------------------------------------------------------------------------

    void Check() {
        ASSERT_EQ(Snapshot(), m_values);
        Values undo, redo;
        for (const auto& s : m_undo)
            undo.push_back(s.description);
        for (const auto& s : m_redo)
            redo.push_back(s.description);
        ASSERT_EQ(m_context->UndoDescriptions(), undo);
        ASSERT_EQ(m_context->RedoDescriptions(), redo);
        ASSERT_EQ(m_context->IsClean(), m_mark == CurrentId());
        ASSERT_EQ(m_registry.badDestructions, 0);
        ASSERT_EQ(m_array->GetSize(), static_cast<int>(m_seq.size()));
        for (int i = 0; i < m_array->GetSize(); ++i) {
            const int id = m_seq[static_cast<std::size_t>(i)];
            ASSERT_TRUE(Alive(id)) << "dead element at " << i;
            ASSERT_EQ(m_array->GetAt(i), CellOf(id)) << "at " << i;
            EXPECT_EQ(CellOf(id)->Parent(), m_detached.count(id) != 0 ? nullptr : m_array);
        }
        mox::detail::CheckInvariants(*m_array); // on in the sanitizer builds
        // A taken cell that some undo or redo put back is the array's again.
        for (auto it = m_taken.begin(); it != m_taken.end();)
            it = std::find(m_seq.begin(), m_seq.end(), *it) != m_seq.end() ? m_taken.erase(it)
                                                                           : std::next(it);
    }

    CmoxLongCell count{"Count", 0, 0};
    CmoxDoubleCell level{"Level", 0.0, 0.0};
    CmoxStringCell title{"Title", "", ""};
    CmoxBooleanCell on{"On", 0, 0};
    CmoxByteCell channel{"Channel", 0, 0};
    CmoxLongLongCell freq{"Freq", 0, 0};
    int m_targets[6] = {};
    CmoxPtrCell pointer{"Pointer", m_targets, m_targets};

    std::mt19937 m_random;
    Registry m_registry; // before the array: the cells report to it while the array dies
    CmoxArrayCell* m_array = new CmoxArrayCell("List");
    CmoxUndoContext* m_context = Engine().GetUndoContext(kContext);
    int m_depth = 25;
    int m_nextId = 1;
    int m_replayed = 0;                         // steps undone or redone
    int m_lastId = 0, m_baseId = 0, m_mark = 0; // a new context is clean at its start

    Values m_values;              // the value cells as they should be
    std::vector<int> m_seq;       // the array as it should be
    std::deque<ModelStep> m_undo; // newest first
    std::deque<ModelStep> m_redo; // most recently undone first
    std::set<int> m_detached;     // cells whose parent a Remove cleared
    std::set<int> m_taken;        // cells a caller took out and holds (if still alive)
    std::set<int> m_handedOut;    // cells a caller was given, or added unrecorded
    bool m_arrayRecorded = false; // the open transaction recorded an array change
    std::vector<int> m_arrayBefore, m_arrayAfter;
};

using UndoRandom = moxtest::MoxTest;

} // namespace

TEST_F(UndoRandom, LongRunsMatchTheModelAndFreeEveryCellOnce) {
    for (unsigned seed = 1; seed <= 24 && !HasFailure(); ++seed) {
        RandomRun run(seed);
        for (int step = 0; step < 600 && !HasFailure(); ++step) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
            run.Step(step);
        }
        SCOPED_TRACE("seed " + std::to_string(seed));
        run.Finish();
    }
}
