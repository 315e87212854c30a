// The flat pointer map behind the lists' indexes (an internal helper, tested on its own because
// the lists only reach its collision handling with many entries).

#include <mox/core/internal/PointerMap.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_map>
#include <vector>

namespace {

// Addresses as the allocator hands them out: a fixed stride, the worst case for a weak hash.
const void* Key(std::size_t i) {
    return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(0x10000 + i * 128));
}

} // namespace

TEST(PointerMap, FollowsAStandardMapThroughInsertsAndErases) {
    mox::detail::PointerMap<std::size_t> map;
    std::unordered_map<const void*, std::size_t> model;
    std::mt19937 random(7);
    for (int step = 0; step < 200000; ++step) {
        const void* key = Key(random() % 5000);
        switch (random() % 4) {
        case 0:
        case 1:
            map.insert_or_assign(key, static_cast<std::size_t>(step));
            model[key] = static_cast<std::size_t>(step);
            break;
        case 2:
            ASSERT_EQ(map.erase(key), model.erase(key) == 1) << "step " << step;
            break;
        default: {
            const std::size_t* found = map.find(key);
            auto expected = model.find(key);
            ASSERT_EQ(found != nullptr, expected != model.end()) << "step " << step;
            if (found != nullptr) {
                ASSERT_EQ(*found, expected->second);
            }
        }
        }
        ASSERT_EQ(map.size(), model.size());
    }
    // Every entry is still reachable after all the backward shifts.
    for (const auto& [key, value] : model) {
        const std::size_t* found = map.find(key);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(*found, value);
    }
}

TEST(PointerMap, ClearEmptiesAndNullIsNeverAKey) {
    mox::detail::PointerMap<int> map;
    EXPECT_EQ(map.find(Key(1)), nullptr) << "an empty map has no table yet";
    EXPECT_FALSE(map.erase(Key(1)));
    for (std::size_t i = 0; i < 100; ++i)
        map.insert_or_assign(Key(i), static_cast<int>(i));
    EXPECT_EQ(map.find(nullptr), nullptr);
    EXPECT_FALSE(map.erase(nullptr));
    map.clear();
    EXPECT_TRUE(map.empty());
    EXPECT_EQ(map.find(Key(5)), nullptr);
    map.insert_or_assign(Key(5), 9);
    ASSERT_NE(map.find(Key(5)), nullptr);
    EXPECT_EQ(*map.find(Key(5)), 9);
}
