#pragma once
/// @file
/// Per-thread objects: a holder whose GetData() gives the calling thread's own object,
/// created on first use and destroyed when the thread exits.

#include <mox/platform/types.h>

#include <cstddef>

/// Base of objects kept per thread; only its destructor is virtual.
class MOX_API CNoTrackObject {
  public:
    virtual ~CNoTrackObject();

  protected:
    CNoTrackObject() = default;
};

/// Untyped part of CThreadLocal: one slot per holder in every thread's table, or, for a shared
/// holder, one function that yields the same object on every thread.
class MOX_API CThreadLocalObject {
  public:
    /// Yields the object of a shared holder, whichever thread asks (null when there is none).
    typedef CNoTrackObject* (*SharedSource)();

    CThreadLocalObject();
    /// A shared holder: Find() asks `source` instead of the thread's table.
    explicit CThreadLocalObject(SharedSource source);
    CThreadLocalObject(const CThreadLocalObject&) = delete;
    CThreadLocalObject& operator=(const CThreadLocalObject&) = delete;

  protected:
    /// True for a shared holder, which never makes objects of its own.
    bool IsShared() const { return m_shared != nullptr; }
    /// This thread's object of the slot, or null when none was made yet or the thread's
    /// local data has already been released (at thread exit).
    CNoTrackObject* Find() const;
    /// Stores `object` (owned from now on) as this thread's object of the slot. Returns false,
    /// and destroys nothing, when the thread's local data has already been released.
    bool Store(CNoTrackObject* object) const;

  private:
    std::size_t m_slot;
    SharedSource m_shared = nullptr;
};

/// Holder of one `T` per thread (`T` derives from CNoTrackObject).
/// Each thread's object is made with `T`'s default constructor on its first GetData() and
/// destroyed when the thread exits; it stays reachable through GetData() while it is destroyed.
/// A shared holder (made with a source) instead yields whatever its source gives, on every
/// thread, and makes nothing.
template <class T> class CThreadLocal : public CThreadLocalObject {
  public:
    /// A per-thread holder.
    CThreadLocal() = default;
    /// A shared holder: `source` must yield a `T` (or null).
    explicit CThreadLocal(SharedSource source) : CThreadLocalObject(source) {}

    /// The calling thread's object, created on first use; null only after the thread's
    /// local data has been released. For a shared holder: its source's object.
    T* GetData() const {
        if (CNoTrackObject* existing = Find()) return static_cast<T*>(existing);
        if (IsShared()) return nullptr;
        T* made = new T;
        if (!Store(made)) {
            delete made;
            return nullptr;
        }
        return made;
    }
    /// Shorthand for GetData().
    T* operator->() const { return GetData(); }
};
