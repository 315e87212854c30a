#include <mox/scope/SuppressNotifications.h>

#include <mox/propagation/Cmox.h>

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
        // The count is restored before delivery, so only the Update's report is lost here.
    }
}

void SuppressNotifications::End() {
    if (Cmox* engine = std::exchange(m_engine, nullptr)) engine->ResumeNotification(1);
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
