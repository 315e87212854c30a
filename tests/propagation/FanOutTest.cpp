#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <memory>
#include <sstream>

using namespace moxtest;

namespace {

std::string Transcript(const UpdateLog& log) {
    std::ostringstream out;
    for (const UpdateRecord& update : log) {
        out << update.cell << '[';
        for (const std::string& name : update.changed)
            out << name << (&name != &update.changed.back() ? "," : "");
        out << "] ";
    }
    return out.str();
}

} // namespace

// A change into an empty queue whose dependents share a priority is delivered without queue
// entries until an Update touches the queue. Whatever that Update does, the rest must be
// delivered exactly as if each dependent had been queued on its own.
TEST(FanOut, AnUpdateThatTouchesTheQueueMeetsTheRestWhereQueueingOneByOneLeftThem) {
    UpdateLog log;
    IntCell source("S"), x("X"), y("Y");
    RecordingCell a("A", 150, log), b("B", 150, log), d("D", 150, log), e("E", 160, log);
    auto c = std::make_unique<RecordingCell>("C", 150, log);
    for (RecordingCell* dependent : {&a, &b, c.get(), &d})
        source.AddDependent(dependent);
    x.AddDependent(&d);
    y.AddDependent(&e);
    a.onUpdate = [&](CmoxChangedList&) {
        b.Priority(170); // raised while still waiting: later placements must read it
        c.reset();       // a dying dependent is never told
        x.Set(1);        // D's one entry collects this change too
        y.Set(1);        // E (160) goes behind B (now 170), before D (150)
    };
    source.Set(1);
    EXPECT_EQ(Transcript(log), "A[S] B[S] E[Y] D[S,X] ");
    EXPECT_TRUE(Cmox::Current().NotifyList().GetList().IsEmpty());
}
