#pragma once
/// @file
/// The recursive lock and its scoped holder.

#include <mox/platform/types.h>

#include <atomic>
#include <mutex>
#include <thread>

/// A lock that its owning thread may take again (recursive).
class MOX_API CCriticalSection {
  public:
    CCriticalSection() = default;
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    /// Takes the lock, waiting for other threads.
    void Lock() {
        // Taking it again is the common case (every change locks once per step of its way
        // through the engine) and needs no atomic read-modify-write: only the owner ever stores
        // its own id, and it clears it before letting go, so seeing its own id proves it holds
        // the lock.
        const std::thread::id self = std::this_thread::get_id();
        if (m_owner.load(std::memory_order_relaxed) == self) {
            ++m_depth;
            return;
        }
        m_mutex.lock();
        m_owner.store(self, std::memory_order_relaxed);
        m_depth = 1;
    }
    /// Releases one level of the lock.
    void Unlock() {
        if (--m_depth == 0) {
            m_owner.store(std::thread::id(), std::memory_order_relaxed);
            m_mutex.unlock();
        }
    }

  private:
    std::mutex m_mutex;
    std::atomic<std::thread::id> m_owner{};
    unsigned int m_depth = 0; // levels taken by the owner; only the owner touches it
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
