#pragma once
/// @file
/// The undo records of the value cells' protocol: mox::detail::ValueRecord, the base they share,
/// and the records of the scalar cells (CmoxLongUndoInfo, CmoxDoubleUndoInfo,
/// CmoxBooleanUndoInfo, CmoxStringUndoInfo and CmoxPtrUndoInfo).

#include <mox/undo/CmoxUndoInfo.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <typeinfo>

namespace mox::detail {

/// What every value cell's record does, written once: it holds the cell's recorded fields before
/// (m_old) and after (m_new) one transaction, each a tuple in the order the record's constructor
/// takes each half. Merging keeps the before state and takes the later record's after state.
template <class Self, class... Fields> class MOX_API ValueRecord : public CmoxUndoInfo {
  public:
    /// The recorded fields of one state.
    using State = std::tuple<Fields...>;

    /// A record of the two states.
    ValueRecord(State before, State after) : m_old(std::move(before)), m_new(std::move(after)) {}

    /// Base merge, then the after state of `later` (a record of the same kind).
    void Merge(CmoxUndoInfo* later) override {
        CmoxUndoInfo::Merge(later);
        // The undo list only merges records of one cell; another kind is ignored, not trusted.
        if (Self* newer = Cast(later)) m_new = newer->m_new;
    }

    /// Puts the state before (`undo`) or after the transaction back into a cell's `fields`, as
    /// recorded: nothing is re-checked. A record of another kind is ignored.
    template <class... Targets>
    static void PutBack(CmoxUndoInfo* record, bool undo, Targets&... fields) {
        if (Self* self = Cast(record)) std::tie(fields...) = undo ? self->m_old : self->m_new;
    }

    /// `record` as this kind of record, or null. The exact type is tried first: a full
    /// dynamic_cast walks the hierarchy and would cost more than the replay it guards.
    static Self* Cast(CmoxUndoInfo* record) {
        if (record != nullptr && typeid(*record) == typeid(Self)) return static_cast<Self*>(record);
        return dynamic_cast<Self*>(record);
    }

    State m_old; ///< The fields before the transaction.
    State m_new; ///< The fields after the transaction.
};

} // namespace mox::detail

/// Value and default of a long cell (as 32-bit two's complement); owned by its undo list.
class MOX_API CmoxLongUndoInfo
    : public mox::detail::ValueRecord<CmoxLongUndoInfo, std::int32_t, std::int32_t> {
  public:
    /// A record of the two states, each as value and default.
    CmoxLongUndoInfo(long oldValue, long oldDefault, long newValue, long newDefault);
    ~CmoxLongUndoInfo() override;
};

/// Value and default of a double cell; owned by its undo list.
class MOX_API CmoxDoubleUndoInfo
    : public mox::detail::ValueRecord<CmoxDoubleUndoInfo, double, double> {
  public:
    /// A record of the two states, each as value and default.
    CmoxDoubleUndoInfo(double oldValue, double oldDefault, double newValue, double newDefault);
    ~CmoxDoubleUndoInfo() override;
};

/// Stored bytes of a boolean cell's value and default; owned by its undo list.
class MOX_API CmoxBooleanUndoInfo
    : public mox::detail::ValueRecord<CmoxBooleanUndoInfo, unsigned char, unsigned char> {
  public:
    /// A record of the two states, each as value and default.
    CmoxBooleanUndoInfo(unsigned char oldValue, unsigned char oldDefault, unsigned char newValue,
                        unsigned char newDefault);
    ~CmoxBooleanUndoInfo() override;
};

/// Copies of a string cell's value and default; owned by its undo list.
class MOX_API CmoxStringUndoInfo
    : public mox::detail::ValueRecord<CmoxStringUndoInfo, std::string, std::string> {
  public:
    /// A record holding copies of the four texts (null reads as "").
    CmoxStringUndoInfo(const char* oldValue, const char* oldDefault, const char* newValue,
                       const char* newDefault);
    ~CmoxStringUndoInfo() override;
};

/// Pointers of a pointer cell's value and default (the pointees are not owned).
class MOX_API CmoxPtrUndoInfo : public mox::detail::ValueRecord<CmoxPtrUndoInfo, void*, void*> {
  public:
    /// A record of the two states, each as value and default.
    CmoxPtrUndoInfo(void* oldValue, void* oldDefault, void* newValue, void* newDefault);
    ~CmoxPtrUndoInfo() override;
};
