#pragma once
// Helpers shared by the value-cell tests: a watching listener and recorded transactions.

#include "support/MoxTest.h"
#include "support/Recorder.h"

#include <mox/mox.h>

#include <vector>

namespace valuetest {

/// A state-priority listener that depends on one cell and logs every Update it receives.
struct Watch {
    explicit Watch(CmoxCell& cell) : listener("Listener", MOX_STATE_PRIORITY, log) {
        listener.MakeDependentOn(&cell);
    }
    /// The reason of each delivered change, in delivery order (one per Update).
    std::vector<MoxChangeReason> Reasons() const {
        std::vector<MoxChangeReason> reasons;
        for (const moxtest::UpdateRecord& update : log)
            reasons.insert(reasons.end(), update.reasons.begin(), update.reasons.end());
        return reasons;
    }

    moxtest::UpdateLog log;
    moxtest::RecordingCell listener;
};

/// Opens a transaction recorded on the "Edit" context, runs `changes`, ends it; returns the
/// context so the test can undo and redo it.
template <class F> CmoxUndoContext* Record(F changes) {
    Cmox& engine = Cmox::Current();
    CmoxUndoContext* context = engine.GetUndoContext("Edit");
    engine.BeginTransaction(context, "Edit");
    changes();
    engine.EndTransaction();
    return context;
}

/// The record of `cell` in the undo list being recorded, as type R (null when none).
template <class R> R* OpenRecord(CmoxCell& cell) {
    return dynamic_cast<R*>(Cmox::Current().UndoList().GetUndoInfo(&cell));
}

/// Number of cells with a record in the undo list being recorded.
inline int OpenRecordCount() {
    return Cmox::Current().UndoList().GetCount();
}

/// Min, max, value and default of a ranged cell, to compare in one go.
using RangeState = std::vector<long long>;
template <class C> RangeState StateOf(C& cell) {
    return {cell.Min(), cell.Max(), cell.Value(), cell.DefaultValue()};
}

} // namespace valuetest
