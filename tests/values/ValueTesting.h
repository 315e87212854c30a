#pragma once
// Helpers shared by the value-cell and collection tests: a transcript of what cells return and
// report, and recorded transactions.

#include "support/MoxTest.h"
#include "support/Recorder.h"

#include <mox/mox.h>

#include <sstream>
#include <string>
#include <type_traits>

namespace valuetest {

/// A readable log of cells at work: setter results as words ("set", "same", "adj", "adj-same"),
/// std::strings in quotes, other values as text, each entry followed by the reasons a
/// state-priority listener of the watched cells was told since the entry before ("!value",
/// "!range", "!default").
class Transcript {
  public:
    Transcript() : m_listener("Listener", MOX_STATE_PRIORITY, m_log) {}
    /// Listens to `cell` from now on and starts a line headed by its name.
    Transcript& On(CmoxCell& cell) {
        m_listener.MakeDependentOn(&cell);
        return Line(cell.Name() + ":");
    }
    /// Starts a new line headed by `label`.
    Transcript& Line(const std::string& label) {
        m_text += (m_text.empty() ? "" : "\n") + label;
        return Heard();
    }
    /// Appends a setter result.
    Transcript& operator<<(MoxSetValue result) {
        static const char* const kWords[] = {"set", "same", "adj", "adj-same"};
        return *this << kWords[result];
    }
    /// Appends a value: bytes and booleans as numbers, std::strings in single quotes.
    template <class T> Transcript& operator<<(const T& value) {
        std::ostringstream text;
        if constexpr (std::is_arithmetic<T>::value)
            text << +value;
        else if constexpr (std::is_same<T, std::string>::value)
            text << '\'' << value << '\'';
        else
            text << value;
        m_text += ' ' + text.str();
        return Heard();
    }
    /// The whole log, reasons told up to now included.
    const std::string& Text() { return Heard().m_text; }

  private:
    Transcript& Heard() {
        static const char* const kReasons[] = {"?", "value", "range", "child", "default"};
        for (const moxtest::UpdateRecord& update : m_log)
            for (MoxChangeReason reason : update.reasons)
                m_text += std::string("!") + kReasons[reason];
        m_log.clear();
        return *this;
    }
    moxtest::UpdateLog m_log;
    moxtest::RecordingCell m_listener;
    std::string m_text;
};

/// Min, max, value and default of a ranged cell as "[min,max] value/default".
template <class C> std::string Domain(C& cell) {
    std::ostringstream text;
    text << '[' << +cell.Min() << ',' << +cell.Max() << "] " << +cell.Value() << '/'
         << +cell.DefaultValue();
    return text.str();
}

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

/// Number of cells with a record in the undo list being recorded.
inline int OpenRecordCount() {
    return Cmox::Current().UndoList().GetCount();
}

} // namespace valuetest
