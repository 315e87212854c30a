#include "support/MoxTest.h"

namespace moxtest {

void ExpectCleanEngine(Cmox& engine) {
    EXPECT_EQ(engine.TransactionLevel(), 0) << "a transaction was left open";
    EXPECT_EQ(engine.SubTransactionLevel(), 0) << "a sub-transaction was left open";
    EXPECT_EQ(engine.NotifyList().GetList().GetCount(), 0) << "notifications were left queued";
    EXPECT_EQ(engine.NotifyList().NotifyPolicy(), MOX_NOTIFY_IMMEDIATE) << "policy left changed";
    EXPECT_EQ(engine.SuppressionCount(), 0) << "notification left suppressed";
    EXPECT_TRUE(engine.RecordChanges()) << "recording left stopped";
    EXPECT_EQ(engine.UndoContext(), nullptr) << "an undo context was left attached";
}

void MoxTest::TearDown() {
    Cmox& engine = Engine();
    ExpectCleanEngine(engine);
    // Leave the next test a clean thread even when this one failed.
    while (engine.SubTransactionLevel() > 0)
        engine.EndSubTransaction();
    while (engine.TransactionLevel() > 0)
        engine.EndTransaction();
    while (engine.SuppressionCount() > 0)
        engine.ResumeNotification(0);
    while (!engine.RecordChanges())
        engine.StartRecordingChanges();
    engine.RemoveAllUndoContexts();
}

} // namespace moxtest
