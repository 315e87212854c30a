#pragma once
/// @file
/// The change protocol of the value cells' setters, written once for every kind of cell.

#include <mox/core/CmoxCell.h>
#include <mox/propagation/Cmox.h>

#include <string>
#include <tuple>

namespace mox::detail {

/// True while the calling thread's engine has an undo context attached, that is while a change
/// should carry an undo record. Throws CInvalidArgException when the thread has no engine.
inline bool UndoContextOpen() {
    return Cmox::Current().UndoContext() != nullptr;
}

/// A null text is a caller error; it is read as the empty text rather than dereferenced.
inline const char* OrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

/// Which Changed a setter reports through: the cell's own (called virtually) or the cell base's.
enum class ReportTo { Cell, Base };

/// A state field as a record's constructor takes it (texts as C strings).
template <class T> const T& RecordArg(const T& field) {
    return field;
}
inline const char* RecordArg(const std::string& field) {
    return field.c_str();
}

/// The setter sequence of every value cell: when `same`, nothing happens and the result is
/// MOX_VALUE_SAME. Otherwise `store()` puts the new state in place and the change is reported
/// with `reason` (user data 0, delivered at once), carrying a `Record` of the `state` fields
/// before and after the store while an undo context is attached; the result is MOX_VALUE_SET.
/// `state` ties the fields in the order the record's constructor takes each half.
template <class Record, class... Fields, class Store>
MoxSetValue SetRecorded(CmoxCell& cell, bool same, MoxChangeReason reason,
                        std::tuple<Fields&...> state, Store store,
                        ReportTo reportTo = ReportTo::Cell) {
    if (same) return MOX_VALUE_SAME;
    CmoxUndoInfo* record = nullptr;
    // Asked before the store: a thread without an engine leaves the cell as it was.
    if (UndoContextOpen()) {
        const std::tuple<Fields...> before(state); // copied only when a record needs them
        store();
        record = std::apply([](const auto&... fields) { return new Record(RecordArg(fields)...); },
                            std::tuple_cat(before, std::tuple<const Fields&...>(state)));
    } else {
        store();
    }
    if (reportTo == ReportTo::Cell)
        cell.Changed(0, reason, 1, record);
    else
        cell.CmoxCell::Changed(0, reason, 1, record);
    return MOX_VALUE_SET;
}

/// The result of a ranged setter whose value was adjusted (clamped or quantized) on the way.
inline MoxSetValue Adjusted(MoxSetValue set, bool adjusted) {
    if (!adjusted) return set;
    return set == MOX_VALUE_SET ? MOX_VALUE_ADJUSTED : MOX_VALUE_ADJUSTED_SAME;
}

} // namespace mox::detail
