#pragma once
/// @file
/// mox::Observer and mox::OnChange: a callable as a dependent of cells.

#include <mox/core/CmoxCell.h>
#include <mox/core/MoxConstants.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

class CmoxChangedList;

namespace mox {

/// What an observer calls with the changed list of each delivery.
using ChangeCallback = std::function<void(CmoxChangedList& changes)>;

class Observer;

/// Calls `callback` with the changed list whenever any of `cells` changes, delivered at
/// `priority` like a class dependent. Throws CInvalidArgException for a null cell or an empty
/// callback.
MOX_API Observer OnChange(std::initializer_list<CmoxCell*> cells, ChangeCallback callback,
                          unsigned char priority = MOX_STATE_PRIORITY);

/// A handle to a dependent made by OnChange: a cell of its own, queued and delivered like any
/// dependent of its priority, that calls its callable from Update. Destroying (or resetting) the
/// handle removes the dependency; a watched cell that dies first simply stops reporting. The
/// callable may reset its own handle. Move-only; used on the thread whose engine delivers it.
class Observer {
  public:
    /// An empty handle that observes nothing.
    Observer() noexcept = default;
    /// Takes over `other`'s dependent; `other` is left empty.
    Observer(Observer&& other) noexcept = default;
    /// Drops the present dependent, then takes over `other`'s.
    Observer& operator=(Observer&& other) noexcept = default;
    Observer(const Observer&) = delete;
    Observer& operator=(const Observer&) = delete;
    ~Observer() = default;

    /// Removes the dependency now; the handle is empty afterwards.
    void Reset() noexcept { m_cell.reset(); }
    /// The dependent cell (to set UndoNotify or Priority, or to depend on more cells); null
    /// when empty.
    CmoxCell* Cell() const noexcept { return m_cell.get(); }
    /// Whether the handle holds a dependent.
    explicit operator bool() const noexcept { return m_cell != nullptr; }

  private:
    friend Observer OnChange(std::initializer_list<CmoxCell*>, ChangeCallback, unsigned char);
    explicit Observer(std::unique_ptr<CmoxCell> cell) noexcept : m_cell(std::move(cell)) {}

    std::unique_ptr<CmoxCell> m_cell;
};

/// Calls `callback` with the changed list whenever `cell` changes (see the overload above).
inline Observer OnChange(CmoxCell* cell, ChangeCallback callback,
                         unsigned char priority = MOX_STATE_PRIORITY) {
    return OnChange({cell}, std::move(callback), priority);
}

} // namespace mox
