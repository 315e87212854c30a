#include "support/MoxTest.h"

#include <mox/core/internal/PointerMap.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <unordered_map>
#include <vector>

using moxtest::MoxTest;

namespace {

class CellList : public MoxTest {
  protected:
    // Cells are only compared by address here; plain ones will do.
    std::vector<std::unique_ptr<CmoxCell>> pool;
    void MakePool(int count) {
        for (int i = 0; i < count; ++i)
            pool.push_back(std::make_unique<CmoxCell>("C", MOX_STATE_PRIORITY));
    }
    static std::vector<CmoxCell*> Walk(const CmoxCellList& list) {
        std::vector<CmoxCell*> cells;
        for (CmoxCell* cell : list)
            cells.push_back(cell);
        return cells;
    }
};

// Addresses as the allocator hands them out: a fixed stride, the worst case for a weak hash.
const void* Key(std::size_t i) {
    return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(0x10000 + i * 128));
}

} // namespace

TEST_F(CellList, FollowsAPlainVectorThroughMixedEdits) {
    // Short and long stretches, removals at the head, in the middle and at the tail: the list
    // must agree with a plain vector at every step, whether it searches by walking or through
    // its index, and across the compactions that squeeze out the holes.
    MakePool(300);
    std::mt19937 random(12345);
    CmoxCellList list;
    std::vector<CmoxCell*> model;
    for (int step = 0; step < 20000; ++step) {
        CmoxCell* cell = pool[random() % pool.size()].get();
        const auto at = std::find(model.begin(), model.end(), cell);
        const bool present = at != model.end();
        const unsigned op = random() % 7;
        if (op < 3 && !present) {
            list.AddTail(cell);
            model.push_back(cell);
        } else if (op == 3 || op == 4) {
            ASSERT_EQ(list.Remove(cell), present) << "step " << step;
            if (present) model.erase(at);
        } else if (op == 5) {
            ASSERT_EQ(list.RemoveHead(), model.empty() ? nullptr : model.front())
                << "step " << step;
            if (!model.empty()) model.erase(model.begin());
        } else if (op == 6) {
            ASSERT_EQ(list.Contains(cell), present) << "step " << step;
        }
        ASSERT_EQ(list.GetCount(), static_cast<int>(model.size())) << "step " << step;
        ASSERT_EQ(list.IsEmpty(), model.empty());
        ASSERT_EQ(list.GetHead(), model.empty() ? nullptr : model.front());
        if (step % 97 == 0 || step == 19999) {
            ASSERT_EQ(list.ToVector(), model) << "step " << step;
            ASSERT_EQ(Walk(list), model) << "step " << step;
        }
    }
}

// An inner hole reads as empty; nothing past the last slot.
TEST_F(CellList, AheadSeesLaterSlotsAndNothingPastTheEnd) {
    MakePool(4);
    CmoxCellList list;
    for (auto& cell : pool)
        list.AddTail(cell.get());
    list.Remove(pool[2].get());
    auto at = list.begin();
    EXPECT_EQ(
        (std::vector<CmoxCell*>{at.Ahead(1), at.Ahead(2), at.Ahead(3), at.Ahead(4), at.Ahead(100)}),
        (std::vector<CmoxCell*>{pool[1].get(), nullptr, pool[3].get(), nullptr, nullptr}));
    EXPECT_EQ(CmoxCellList().begin(), CmoxCellList().end());
}

// The flat pointer map behind the lists' indexes (an internal helper, tested on its own because
// the lists only reach its collision handling with many entries).
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
