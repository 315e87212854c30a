#include <mox/platform/CCriticalSection.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Several threads bump a plain counter, each step under two nested levels of the lock, and
// look at the lock's holder between them. Lost increments or a second holder show a lock that
// lets two threads in; a hang shows one that does not let its owner in again.
TEST(CriticalSection, OwnerReentersWhileOtherThreadsAreKeptOut) {
    CCriticalSection cs;
    long counter = 0;
    int holders = 0;
    std::atomic<bool> overlap{false};
    constexpr int kThreads = 4;
    constexpr int kSteps = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kSteps; ++i) {
                CSingleLock outer(&cs, true);
                if (++holders != 1) overlap = true;
                {
                    CSingleLock inner(&cs, true);
                    ++counter;
                }
                std::this_thread::yield(); // still held: the lock counts levels
                --holders;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(counter, static_cast<long>(kThreads) * kSteps);
    EXPECT_FALSE(overlap.load());
}

} // namespace
