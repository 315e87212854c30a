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

/// Untyped part of CThreadLocal: one slot per holder in every thread's table.
class MOX_API CThreadLocalObject {
  public:
    CThreadLocalObject();
    CThreadLocalObject(const CThreadLocalObject&) = delete;
    CThreadLocalObject& operator=(const CThreadLocalObject&) = delete;

  protected:
    /// This thread's object of the slot, or null when none was made yet or the thread's
    /// local data has already been released (at thread exit).
    CNoTrackObject* Find() const;
    /// Stores `object` (owned from now on) as this thread's object of the slot. Returns false,
    /// and destroys nothing, when the thread's local data has already been released.
    bool Store(CNoTrackObject* object) const;

  private:
    std::size_t m_slot;
};

/// Holder of one `T` per thread (`T` derives from CNoTrackObject).
/// Each thread's object is made with `T`'s default constructor on its first GetData() and
/// destroyed when the thread exits; it stays reachable through GetData() while it is destroyed.
template <class T> class CThreadLocal : public CThreadLocalObject {
  public:
    /// The calling thread's object, created on first use; null only after the thread's
    /// local data has been released.
    T* GetData() const {
        if (CNoTrackObject* existing = Find()) return static_cast<T*>(existing);
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
