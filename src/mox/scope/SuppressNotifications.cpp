#include <mox/scope/SuppressNotifications.h>

#include <mox/propagation/Cmox.h>
#include <mox/scope/internal/EndAll.h>

#include <utility>

namespace mox {

SuppressNotifications::SuppressNotifications() : m_engine(&Cmox::Current()) {
    m_engine->SuppressNotification();
}

SuppressNotifications::SuppressNotifications(SuppressNotifications&& other) noexcept
    : m_engine(std::exchange(other.m_engine, nullptr)) {}

SuppressNotifications::~SuppressNotifications() {
    try {
        End();
    } catch (...) {
        // Only the report is lost: the count is restored and the queue delivered.
    }
}

void SuppressNotifications::End() {
    Cmox* engine = std::exchange(m_engine, nullptr);
    if (engine == nullptr) return;
    try {
        engine->ResumeNotification(1);
    } catch (...) {
        // The count is restored before delivery; what queued behind the entry that threw is
        // delivered as at the end of a transaction, then the first exception is reported.
        const std::exception_ptr failure = std::current_exception();
        bool delivered = false;
        detail::EndAll(
            [engine, &delivered] {
                engine->Notify();
                delivered = true;
            },
            [&delivered] { return delivered; });
        std::rethrow_exception(failure);
    }
}

PauseRecording::PauseRecording() : m_engine(&Cmox::Current()) {
    m_engine->StopRecordingChanges();
}

PauseRecording::PauseRecording(PauseRecording&& other) noexcept
    : m_engine(std::exchange(other.m_engine, nullptr)) {}

void PauseRecording::End() noexcept {
    if (Cmox* engine = std::exchange(m_engine, nullptr)) engine->StartRecordingChanges();
}

} // namespace mox
