// Long random runs of array operations inside recorded transactions, interleaved with undo,
// redo, unrecorded changes, deleting cells a caller took out, and dropping the undo context;
// after every step the array must match a plain model of what it should hold. Run under the
// sanitizers, this also proves that no element is leaked, destroyed twice or used after death,
// and the array's self-check runs after every step.

#include "support/MoxTest.h"

#include <deque>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using moxtest::MoxTest;

namespace {

// Which model cells are alive, by id and by address. Ids are never reused, addresses may be.
struct Registry {
    std::map<int, CmoxCell*> cellOf;
    std::map<const CmoxCell*, int> idOf;
    int destroyed = 0;
    int badDestructions = 0; // a destruction of a cell that was not alive
};

class ModelCell : public CmoxCell {
  public:
    ModelCell(int id, Registry& registry)
        : CmoxCell(("c" + std::to_string(id)).c_str(), MOX_STATE_PRIORITY), m_id(id),
          m_registry(registry) {
        registry.cellOf[id] = this;
        registry.idOf[this] = id;
    }
    ~ModelCell() override {
        auto found = m_registry.cellOf.find(m_id);
        if (found == m_registry.cellOf.end() || found->second != this) {
            ++m_registry.badDestructions;
        } else {
            m_registry.cellOf.erase(found);
            m_registry.idOf.erase(this);
        }
        ++m_registry.destroyed;
    }

  private:
    int m_id;
    Registry& m_registry;
};

// One recorded transaction as the model sees it: the sequence before its first recorded change
// and after its last one.
struct ModelList {
    std::vector<int> before;
    std::vector<int> after;
};

class RandomRun {
  public:
    explicit RandomRun(unsigned seed) : m_random(seed) {
        m_context = Engine().GetUndoContext(kContext);
    }

    ~RandomRun() { Finish(); }

    // Frees whatever the run left: the history first (records release what they own), then the
    // array with its elements, then what callers still hold.
    void Finish() {
        if (m_array == nullptr) return;
        Engine().RemoveUndoContext(kContext);
        delete m_array;
        m_array = nullptr;
        for (int id : m_taken)
            if (Alive(id)) delete CellOf(id);
        // Cells that RemoveAll detached from the sequence belong to nobody in particular.
        while (!m_registry.cellOf.empty())
            delete m_registry.cellOf.begin()->second;
    }

    int badDestructions() const { return m_registry.badDestructions; }
    int created() const { return m_nextId - 1; }
    int destroyed() const { return m_registry.destroyed; }
    int replayedLists() const { return m_replayed; }

    void Step(int number) {
        m_step = number;
        const int choice = Pick(0, 99);
        if (choice < 45) {
            RecordedTransaction();
        } else if (choice < 62) {
            const int count = Pick(1, 3);
            Note("undo " + std::to_string(count));
            Engine().Undo(m_context, count);
            ModelUndoRedo(count, true);
        } else if (choice < 76) {
            const int count = Pick(1, 3);
            Note("redo " + std::to_string(count));
            Engine().Redo(m_context, count);
            ModelUndoRedo(count, false);
        } else if (choice < 84) {
            Note("unrecorded");
            for (int n = Pick(1, 2); n > 0; --n)
                Operation();
        } else if (choice < 91) {
            DeleteTakenCell();
        } else if (choice < 96) {
            Find();
        } else {
            DropContext();
        }
        Check();
    }

  private:
    static constexpr const char* kContext = "Random";

    static Cmox& Engine() { return Cmox::Current(); }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    void Note(const std::string& what) {
        m_trace.push_back(std::to_string(m_step) + ": " + what);
        if (m_trace.size() > 12) m_trace.erase(m_trace.begin());
    }
    std::string Trace() const {
        std::ostringstream out;
        for (const std::string& line : m_trace)
            out << line << '\n';
        return out.str();
    }
    bool Alive(int id) const { return m_registry.cellOf.count(id) != 0; }
    static std::string NameOf(int id) { return "c" + std::to_string(id); }
    CmoxCell* CellOf(int id) const { return m_registry.cellOf.at(id); }
    bool Recording() const { return Engine().UndoContext() != nullptr; }
    std::vector<int> Living(const std::vector<int>& ids) const {
        std::vector<int> out;
        for (int id : ids)
            if (Alive(id)) out.push_back(id);
        return out;
    }

    // ---- transactions and history --------------------------------------------------------------

    void RecordedTransaction() {
        Note("transaction");
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
        for (int i = 0; i < count && !source.empty(); ++i) {
            ModelList list = source.front();
            source.pop_front();
            // Cells destroyed since the snapshot were taken out of it when they died.
            m_seq = Living(undo ? list.before : list.after);
            target.push_front(list);
            ++m_replayed;
        }
    }

    void DropContext() {
        Note("drop context");
        Engine().RemoveUndoContext(kContext);
        m_context = Engine().GetUndoContext(kContext);
        m_depth = Pick(0, 2) == 0 ? Pick(1, 4) : 25;
        m_context->MaximumUndoDepth(m_depth);
        m_undo.clear();
        m_redo.clear();
    }

    // ---- single operations ---------------------------------------------------------------------

    // Called around every operation that files a record while a context is attached.
    void BeforeRecorded() {
        if (Recording() && !m_recorded) {
            m_recorded = true;
            m_before = m_seq;
        }
    }
    void AfterRecorded() {
        if (Recording()) m_after = m_seq;
    }

    void Operation() {
        const int choice = Pick(0, 99);
        if (choice < 30 || m_seq.empty()) {
            if (!m_taken.empty() && Pick(0, 2) == 0)
                PutBack();
            else
                Insert();
        } else if (choice < 52) {
            Remove();
        } else if (choice < 80) {
            Destroy();
        } else if (choice < 88) {
            Note("  remove all");
            BeforeRecorded();
            m_array->RemoveAll();
            m_seq.clear();
            AfterRecorded();
        } else if (choice < 96) {
            Note("  remove and destroy all");
            const std::vector<int> ids = m_seq;
            BeforeRecorded();
            m_array->RemoveAndDestroyAll();
            m_seq.clear();
            AfterRecorded();
            for (int id : ids)
                EXPECT_EQ(Alive(id), Recording()) << "cell " << id << '\n' << Trace();
        } else {
            Note("  remove dynamic elements");
            const std::vector<int> ids = m_seq;
            m_array->RemoveDynamicElements(); // records nothing, destroys at once
            m_seq.clear();
            for (int id : ids)
                EXPECT_FALSE(Alive(id)) << "cell " << id << '\n' << Trace();
        }
    }

    void Insert() {
        const int id = m_nextId++;
        const int index = Pick(0, static_cast<int>(m_seq.size()));
        Note("  insert " + std::to_string(id) + " at " + std::to_string(index));
        BeforeRecorded();
        m_array->InsertAt(index, new ModelCell(id, m_registry));
        m_seq.insert(m_seq.begin() + index, id);
        m_detached.erase(id);
        AfterRecorded();
    }

    void PutBack() {
        auto it = m_taken.begin();
        std::advance(it, Pick(0, static_cast<int>(m_taken.size()) - 1));
        const int id = *it;
        m_taken.erase(it);
        if (!Alive(id)) return Insert(); // a record it was also filed in destroyed it
        const int index = Pick(0, static_cast<int>(m_seq.size()));
        Note("  put back " + std::to_string(id) + " at " + std::to_string(index));
        BeforeRecorded();
        m_array->InsertAt(index, CellOf(id));
        m_seq.insert(m_seq.begin() + index, id);
        m_detached.erase(id);
        AfterRecorded();
    }

    void Remove() {
        const int index = Pick(0, static_cast<int>(m_seq.size()) - 1);
        const int id = m_seq[static_cast<std::size_t>(index)];
        Note("  remove " + std::to_string(id));
        BeforeRecorded();
        const int how = Pick(0, 2); // by index, by name or by address
        CmoxCell* removed = how == 0   ? m_array->Remove(index, 0)
                            : how == 1 ? m_array->Remove(NameOf(id).c_str())
                                       : m_array->Remove(CellOf(id));
        m_seq.erase(m_seq.begin() + index);
        AfterRecorded();
        EXPECT_EQ(removed, CellOf(id)) << Trace();
        EXPECT_EQ(removed->Parent(), nullptr) << Trace();
        m_detached.insert(id);
        m_taken.insert(id);
    }

    void Destroy() {
        const int index = Pick(0, static_cast<int>(m_seq.size()) - 1);
        const int id = m_seq[static_cast<std::size_t>(index)];
        Note("  destroy " + std::to_string(id));
        BeforeRecorded();
        const int how = Pick(0, 2); // by index, by name or by address
        if (how == 0)
            m_array->DestroyElement(index);
        else if (how == 1)
            m_array->DestroyElement(NameOf(id).c_str());
        else
            m_array->DestroyElement(CellOf(id));
        m_seq.erase(m_seq.begin() + index);
        AfterRecorded();
        // While recording, the record keeps it until the removal is certain.
        EXPECT_EQ(Alive(id), Recording()) << "cell " << id << '\n' << Trace();
    }

    void DeleteTakenCell() {
        if (m_taken.empty()) return Find();
        auto it = m_taken.begin();
        std::advance(it, Pick(0, static_cast<int>(m_taken.size()) - 1));
        const int id = *it;
        m_taken.erase(it);
        Note("delete taken " + std::to_string(id));
        // A cell taken out by a caller may also have been destroyed by a record meanwhile
        // (after a redo of a destruction it was put back from); it is the caller's only if alive.
        if (Alive(id)) delete CellOf(id);
    }

    void Find() {
        const int id = Pick(1, m_nextId);
        const std::string name = NameOf(id);
        Note("find " + name);
        CmoxCell* found = m_array->FindChild(name.c_str());
        const bool expected = std::find(m_seq.begin(), m_seq.end(), id) != m_seq.end();
        EXPECT_EQ(found, expected ? CellOf(id) : nullptr) << Trace();
    }

    // ---- the comparison ------------------------------------------------------------------------

    void Check() {
        ASSERT_EQ(m_registry.badDestructions, 0) << Trace();
        ASSERT_EQ(m_array->GetSize(), static_cast<int>(m_seq.size())) << Trace();
        for (int i = 0; i < m_array->GetSize(); ++i) {
            CmoxCell* element = m_array->GetAt(i);
            auto found = m_registry.idOf.find(element);
            ASSERT_NE(found, m_registry.idOf.end()) << "dead element at " << i << '\n' << Trace();
            ASSERT_EQ(found->second, m_seq[static_cast<std::size_t>(i)]) << Trace();
            const bool detached = m_detached.count(found->second) != 0;
            EXPECT_EQ(element->Parent(), detached ? nullptr : m_array) << Trace();
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
    CmoxUndoContext* m_context = nullptr;
    int m_depth = 25;
    int m_nextId = 1;
    int m_step = 0;
    int m_replayed = 0; // lists undone or redone

    std::vector<int> m_seq;       // the array as it should be
    std::deque<ModelList> m_undo; // newest first
    std::deque<ModelList> m_redo; // most recently undone first
    std::set<int> m_detached;     // cells whose parent a Remove cleared
    std::set<int> m_taken;        // cells a caller took out and holds (if still alive)

    bool m_recorded = false; // the open transaction recorded something
    std::vector<int> m_before;
    std::vector<int> m_after;
    std::vector<std::string> m_trace;
};

class ArrayRandom : public MoxTest {};

} // namespace

TEST_F(ArrayRandom, LongOperationSequencesMatchTheModelAndFreeEveryCellOnce) {
    for (unsigned seed = 1; seed <= 24; ++seed) {
        RandomRun run(seed);
        for (int step = 0; step < 600 && !HasFatalFailure(); ++step)
            run.Step(step);
        run.Finish();
        EXPECT_EQ(run.badDestructions(), 0) << "seed " << seed;
        EXPECT_EQ(run.destroyed(), run.created()) << "seed " << seed;
        // A guard on the driver itself: the run must have gone back and forth in its history.
        EXPECT_GT(run.replayedLists(), 100) << "seed " << seed;
        if (HasFailure()) {
            ADD_FAILURE() << "seed " << seed;
            return;
        }
    }
}
