// The flat pointer map behind the lists' indexes (an internal helper, tested on its own because
// the lists only reach its collision handling with many entries).

#include <mox/core/internal/PointerMap.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_map>

namespace {

// Addresses as the allocator hands them out: a fixed stride, the worst case for a weak hash.
const void* Key(std::size_t i) {
    return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(0x10000 + i * 128));
}

} // namespace

// A map without a table yet, null keys (never stored), and a clear halfway that keeps the table.
TEST(PointerMap, FollowsAStandardMapThroughInsertsErasesAndAClear) {
    mox::detail::PointerMap<std::size_t> map;
    std::unordered_map<const void*, std::size_t> model;
    std::mt19937 random(7);
    for (int step = 0; step < 200000; ++step) {
        const void* key = step % 1000 == 999 ? nullptr : Key(random() % 5000);
        const unsigned op = step < 2 ? 2 + step : random() % 4;
        if (step == 100000) {
            map.clear();
            model.clear();
        } else if (op < 2 && key != nullptr) {
            map.insert_or_assign(key, static_cast<std::size_t>(step));
            model[key] = static_cast<std::size_t>(step);
        } else if (op == 2) {
            ASSERT_EQ(map.erase(key), model.erase(key) == 1) << "step " << step;
        } else if (op == 3) {
            const std::size_t* found = map.find(key);
            const auto expected = model.find(key);
            ASSERT_EQ(found != nullptr ? *found : ~0u,
                      expected != model.end() ? expected->second : ~0u)
                << "step " << step;
        }
        ASSERT_EQ(map.size(), model.size());
        ASSERT_EQ(map.empty(), model.empty());
    }
    // Every entry is still reachable after all the backward shifts.
    for (const auto& [key, value] : model) {
        const std::size_t* found = map.find(key);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(*found, value);
    }
}
