#pragma once
/// @file
/// The recursive lock and its scoped holder.

#include <mox/platform/types.h>

#include <mutex>

/// A lock that its owning thread may take again (recursive).
class MOX_API CCriticalSection {
  public:
    CCriticalSection() = default;
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    /// Takes the lock, waiting for other threads.
    void Lock() { m_mutex.lock(); }
    /// Releases one level of the lock.
    void Unlock() { m_mutex.unlock(); }

  private:
    std::recursive_mutex m_mutex;
};

/// Holds a CCriticalSection for a scope and releases it on every exit.
class MOX_API CSingleLock {
  public:
    /// Binds to `cs` and locks it at once when `initialLock` is true.
    explicit CSingleLock(CCriticalSection* cs, bool initialLock = false) : m_cs(cs) {
        if (initialLock) Lock();
    }
    ~CSingleLock() { Unlock(); }
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

    /// Takes the lock unless this holder already has it.
    void Lock() {
        if (!m_locked) {
            m_cs->Lock();
            m_locked = true;
        }
    }
    /// Releases the lock if this holder has it.
    void Unlock() {
        if (m_locked) {
            m_locked = false;
            m_cs->Unlock();
        }
    }
    /// Whether this holder has the lock.
    bool IsLocked() const { return m_locked; }

  private:
    CCriticalSection* m_cs;
    bool m_locked = false;
};
