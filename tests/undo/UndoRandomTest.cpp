// Random recorded transactions over cells of every value kind, interleaved with undo and redo of
// random depth, depth changes, clean marks and resets; after every step the cells, both
// description lists and the clean state must match a model that keeps whole-state snapshots
// before and after each transaction.

#include "support/MoxTest.h"

#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

using moxtest::MoxTest;

namespace {

using State = std::vector<std::string>;

struct Step {
    int id; // names the state after the step
    std::string description;
    State before, after;
};

class UndoRandom : public MoxTest {
  protected:
    State Snapshot() const {
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
            text(static_cast<int*>(pointer.Value()) - m_targets,
                 static_cast<int*>(pointer.DefaultValue()) - m_targets)};
    }

    // One change to a random cell; the values are few so that changes often repeat or undo
    // one another within a transaction.
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

    void Transaction(int number) {
        const State before = Snapshot();
        bool recorded = false;
        Engine().BeginTransaction(m_context, std::to_string(number).c_str());
        const bool nested = Pick(0, 3) == 0;
        if (nested) Engine().BeginTransaction(nullptr, nullptr);
        for (int n = Pick(0, 4); n > 0; --n) {
            const State beforeChange = Snapshot();
            Change();
            recorded = recorded || Snapshot() != beforeChange;
        }
        if (nested) Engine().EndTransaction();
        Engine().EndTransaction();
        if (!recorded) return; // an empty transaction leaves both stacks alone
        m_undo.push_front({++m_lastId, std::to_string(number), before, Snapshot()});
        while (static_cast<int>(m_undo.size()) > m_depth) {
            // Trimming the marked step loses the mark, though its state is the new start.
            if (m_mark == m_baseId || m_mark == m_undo.back().id) m_mark = -1;
            m_baseId = m_undo.back().id;
            m_undo.pop_back();
        }
        for (const Step& undone : m_redo)
            if (undone.id == m_mark) m_mark = -1; // recorded below the mark: lost for good
        m_redo.clear();
    }

    void Replay(bool undo, int steps) {
        undo ? Engine().Undo(m_context, steps) : Engine().Redo(m_context, steps);
        std::deque<Step>& from = undo ? m_undo : m_redo;
        std::deque<Step>& to = undo ? m_redo : m_undo;
        for (; steps > 0 && !from.empty(); --steps) {
            m_state = undo ? from.front().before : from.front().after;
            to.push_front(from.front());
            from.pop_front();
        }
    }

    void Check(int step) {
        ASSERT_EQ(Snapshot(), m_state) << "step " << step;
        std::vector<std::string> undo, redo;
        for (const Step& s : m_undo)
            undo.push_back(s.description);
        for (const Step& s : m_redo)
            redo.push_back(s.description);
        ASSERT_EQ(m_context->UndoDescriptions(), undo) << "step " << step;
        ASSERT_EQ(m_context->RedoDescriptions(), redo) << "step " << step;
        ASSERT_EQ(m_context->IsClean(), m_mark == CurrentId()) << "step " << step;
    }

    int CurrentId() const { return m_undo.empty() ? m_baseId : m_undo.front().id; }
    void Reset() {
        m_context->ResetUndo();
        m_undo.clear();
        m_redo.clear();
        m_mark = m_baseId = ++m_lastId;
    }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    CmoxLongCell count{"Count", 0, 0};
    CmoxDoubleCell level{"Level", 0.0, 0.0};
    CmoxStringCell title{"Title", "", ""};
    CmoxBooleanCell on{"On", 0, 0};
    CmoxByteCell channel{"Channel", 0, 0};
    CmoxLongLongCell freq{"Freq", 0, 0};
    int m_targets[6] = {};
    CmoxPtrCell pointer{"Pointer", m_targets, m_targets};
    std::mt19937 m_random;
    CmoxUndoContext* m_context = Engine().GetUndoContext("Random");
    int m_depth = 25;
    int m_lastId = 0, m_baseId = 0, m_mark = 0; // a new context is clean at its start
    std::deque<Step> m_undo, m_redo;            // newest first; most recently undone first
    State m_state;
};

} // namespace

TEST_F(UndoRandom, UndoAndRedoToAnyDepthGiveBackTheRecordedStates) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        m_random.seed(seed);
        Reset();
        m_context->MaximumUndoDepth(m_depth = 25);
        m_state = Snapshot();
        for (int step = 0; step < 400 && !HasFatalFailure(); ++step) {
            const int choice = Pick(0, 99);
            if (choice < 50) {
                Transaction(step);
                m_state = Snapshot();
            } else if (choice < 70) {
                Replay(true, Pick(1, 4));
            } else if (choice < 88) {
                Replay(false, Pick(1, 3));
            } else if (choice < 93) {
                m_context->MarkClean();
                m_mark = CurrentId();
            } else if (choice < 98) {
                // A lower depth trims nothing until the next recorded transaction.
                m_depth = Pick(1, 6);
                m_context->MaximumUndoDepth(m_depth);
            } else {
                Reset();
            }
            Check(step);
        }
    }
    Engine().RemoveUndoContext("Random");
}
