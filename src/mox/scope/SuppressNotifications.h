#pragma once
/// @file
/// mox::SuppressNotifications and mox::PauseRecording: scoped suppression and recording stop.

#include <mox/platform/types.h>

class Cmox;

namespace mox {

/// Holds back delivery on the calling thread's engine for the lifetime of the guard; changes
/// are still queued, and the resume at the end delivers them (the outermost resume only).
///
/// The engine's suppression count is back where it was on every exit. The destructor never
/// throws: when an Update delivered at the resume throws, the entries behind it are still
/// delivered and the exception is dropped; call End() to have it reported. Move-only; used on
/// the thread that made it.
class MOX_API SuppressNotifications {
  public:
    /// Suppresses notification (nests).
    SuppressNotifications();
    /// Takes over `other`'s suppression; `other` is left ended.
    SuppressNotifications(SuppressNotifications&& other) noexcept;
    SuppressNotifications(const SuppressNotifications&) = delete;
    SuppressNotifications& operator=(const SuppressNotifications&) = delete;
    SuppressNotifications& operator=(SuppressNotifications&&) = delete;
    /// Resumes with delivery if not resumed yet.
    ~SuppressNotifications();

    /// Resumes now with delivery; rethrows the first exception of a delivered Update.
    void End();
    /// Whether the guard still suppresses.
    bool Active() const { return m_engine != nullptr; }

  private:
    Cmox* m_engine;
};

/// Stops the calling thread's engine from recording changes for the lifetime of the guard:
/// values still change, but nothing is recorded for undo, queued or reported to parents.
/// Nests; the engine's recording-stop count is back where it was on every exit. Move-only.
class MOX_API PauseRecording {
  public:
    /// Stops recording.
    PauseRecording();
    /// Takes over `other`'s pause; `other` is left ended.
    PauseRecording(PauseRecording&& other) noexcept;
    PauseRecording(const PauseRecording&) = delete;
    PauseRecording& operator=(const PauseRecording&) = delete;
    PauseRecording& operator=(PauseRecording&&) = delete;
    /// Starts recording again if not done yet.
    ~PauseRecording() { End(); }

    /// Starts recording again now.
    void End() noexcept;
    /// Whether the guard still holds recording stopped.
    bool Active() const { return m_engine != nullptr; }

  private:
    Cmox* m_engine;
};

} // namespace mox
