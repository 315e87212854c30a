#pragma once
// Shared fixture: every test starts and must end with a clean engine on its thread.

#include <mox/mox.h>

#include <gtest/gtest.h>

namespace moxtest {

/// Fails a test that leaves this thread's engine with an open transaction or sub-transaction,
/// queued notifications, stopped recording, suppression, or registered undo contexts.
class MoxTest : public ::testing::Test {
  protected:
    void TearDown() override;
    /// The engine of the test's thread.
    static Cmox& Engine() { return Cmox::Current(); }
};

/// Checks the engine state that MoxTest checks; usable on other threads too.
void ExpectCleanEngine(Cmox& engine);

} // namespace moxtest
