// Long random runs of array operations inside recorded transactions, interleaved with undo,
// redo, unrecorded changes, deleting cells a caller took out, and dropping the undo context;
// after every step the array must match a plain model of what it should hold. Run under the
// sanitizers, this also proves that no element is leaked, destroyed twice or used after death,
// and the array's self-check runs after every step.

#include "support/MoxTest.h"

#include <algorithm>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

using moxtest::MoxTest;

namespace {

// The living model cells by id (ids are never reused, addresses may be).
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
        auto found = m_registry.cellOf.find(m_id);
        if (found == m_registry.cellOf.end() || found->second != this)
            ++m_registry.badDestructions;
        else
            m_registry.cellOf.erase(found);
    }

  private:
    int m_id;
    Registry& m_registry;
};

// One recorded transaction as the model sees it: the sequence before its first recorded change
// and after its last one.
struct ModelList {
    std::vector<int> before, after;
};

class RandomRun {
  public:
    explicit RandomRun(unsigned seed) : m_random(seed) {}

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

    void Step() {
        const int choice = Pick(0, 99);
        if (choice < 45) {
            RecordedTransaction();
        } else if (choice < 76) {
            const bool undo = choice < 62;
            const int count = Pick(1, 3);
            undo ? Engine().Undo(m_context, count) : Engine().Redo(m_context, count);
            ModelUndoRedo(count, undo);
        } else if (choice < 84) {
            for (int n = Pick(1, 2); n > 0; --n)
                Operation();
        } else if (choice < 91 && !m_taken.empty()) {
            // A cell taken out by a caller may also have been destroyed by a record meanwhile
            // (after a redo of a destruction it was put back from); it is the caller's if alive.
            const int id = TakeOneTaken();
            if (Alive(id)) delete CellOf(id);
        } else if (choice < 96) {
            const int id = Pick(1, m_nextId);
            const bool held = std::find(m_seq.begin(), m_seq.end(), id) != m_seq.end();
            EXPECT_EQ(m_array->FindChild(NameOf(id).c_str()), held ? CellOf(id) : nullptr);
        } else {
            Engine().RemoveUndoContext(kContext);
            m_context = Engine().GetUndoContext(kContext);
            m_depth = Pick(0, 2) == 0 ? Pick(1, 4) : 25;
            m_context->MaximumUndoDepth(m_depth);
            m_undo.clear();
            m_redo.clear();
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

    // ---- transactions and history --------------------------------------------------------------

    void RecordedTransaction() {
        m_recorded = false;
        Engine().BeginTransaction(m_context, "step");
        const bool nested = Pick(0, 3) == 0;
        if (nested) Engine().BeginTransaction(nullptr, nullptr);
        for (int n = Pick(1, 4); n > 0; --n)
            Operation();
        if (nested) Engine().EndTransaction();
        Engine().EndTransaction();
        if (!m_recorded) return; // nothing recorded: the history is untouched
        while (static_cast<int>(m_undo.size()) >= m_depth)
            m_undo.pop_back();
        m_undo.push_front(ModelList{m_before, m_after});
        m_redo.clear();
    }

    void ModelUndoRedo(int count, bool undo) {
        std::deque<ModelList>& source = undo ? m_undo : m_redo;
        std::deque<ModelList>& target = undo ? m_redo : m_undo;
        for (int i = 0; i < count && !source.empty(); ++i, ++m_replayed) {
            // Cells destroyed since the snapshot were taken out of it when they died.
            m_seq.clear();
            for (int id : undo ? source.front().before : source.front().after)
                if (Alive(id)) m_seq.push_back(id);
            target.push_front(source.front());
            source.pop_front();
        }
    }

    // ---- single operations ---------------------------------------------------------------------

    // Runs one change of the array, keeping the model's snapshots of a recorded transaction.
    template <class Change> void Recorded(Change change) {
        if (Recording() && !m_recorded) {
            m_recorded = true;
            m_before = m_seq;
        }
        change();
        if (Recording()) m_after = m_seq;
    }

    void Operation() {
        const int choice = Pick(0, 99);
        const std::vector<int> ids = m_seq;
        if (choice < 30 || m_seq.empty()) {
            Insert();
        } else if (choice < 52) {
            Remove();
        } else if (choice < 80) {
            Destroy();
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

    void Remove() {
        const int index = PickIndex();
        const int id = m_seq[static_cast<std::size_t>(index)];
        CmoxCell* removed = nullptr;
        Recorded([&] {
            const int how = Pick(0, 2); // by index, by name or by address
            removed = how == 0   ? m_array->Remove(index, 0)
                      : how == 1 ? m_array->Remove(NameOf(id).c_str())
                                 : m_array->Remove(CellOf(id));
            m_seq.erase(m_seq.begin() + index);
        });
        EXPECT_EQ(removed, CellOf(id));
        EXPECT_EQ(removed->Parent(), nullptr);
        m_detached.insert(id);
        m_taken.insert(id);
        m_handedOut.insert(id);
    }

    void Destroy() {
        const int index = PickIndex();
        const int id = m_seq[static_cast<std::size_t>(index)];
        Recorded([&] {
            const int how = Pick(0, 2); // by index, by name or by address
            if (how == 0)
                m_array->DestroyElement(index);
            else if (how == 1)
                m_array->DestroyElement(NameOf(id).c_str());
            else
                m_array->DestroyElement(CellOf(id));
            m_seq.erase(m_seq.begin() + index);
        });
        // While recording, the record keeps it until the removal is certain.
        EXPECT_EQ(Alive(id), Recording()) << "cell " << id;
    }

    // ---- the comparison ------------------------------------------------------------------------

    void Check() {
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

    std::mt19937 m_random;
    Registry m_registry; // before the array: the cells report to it while the array dies
    CmoxArrayCell* m_array = new CmoxArrayCell("List");
    CmoxUndoContext* m_context = Engine().GetUndoContext(kContext);
    int m_depth = 25;
    int m_nextId = 1;
    int m_replayed = 0; // lists undone or redone

    std::vector<int> m_seq;       // the array as it should be
    std::deque<ModelList> m_undo; // newest first
    std::deque<ModelList> m_redo; // most recently undone first
    std::set<int> m_detached;     // cells whose parent a Remove cleared
    std::set<int> m_taken;        // cells a caller took out and holds (if still alive)
    std::set<int> m_handedOut;    // cells a caller was given, or added unrecorded

    bool m_recorded = false; // the open transaction recorded something
    std::vector<int> m_before, m_after;
};

class ArrayRandom : public MoxTest {};

} // namespace

TEST_F(ArrayRandom, LongOperationSequencesMatchTheModelAndFreeEveryCellOnce) {
    for (unsigned seed = 1; seed <= 24 && !HasFailure(); ++seed) {
        RandomRun run(seed);
        for (int step = 0; step < 600 && !HasFailure(); ++step) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
            run.Step();
        }
        SCOPED_TRACE("seed " + std::to_string(seed));
        run.Finish();
    }
}
