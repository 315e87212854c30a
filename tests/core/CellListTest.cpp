#include "support/MoxTest.h"

#include <algorithm>
#include <memory>
#include <random>
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
        const bool present = std::find(model.begin(), model.end(), cell) != model.end();
        switch (random() % 7) {
        case 0:
        case 1:
        case 2:
            if (!present) {
                list.AddTail(cell);
                model.push_back(cell);
            }
            break;
        case 3:
        case 4:
            ASSERT_EQ(list.Remove(cell), present) << "step " << step;
            if (present) model.erase(std::find(model.begin(), model.end(), cell));
            break;
        case 5: {
            CmoxCell* head = list.RemoveHead();
            ASSERT_EQ(head, model.empty() ? nullptr : model.front()) << "step " << step;
            if (!model.empty()) model.erase(model.begin());
            break;
        }
        default:
            ASSERT_EQ(list.Contains(cell), present) << "step " << step;
        }
        ASSERT_EQ(list.GetCount(), static_cast<int>(model.size())) << "step " << step;
        ASSERT_EQ(list.IsEmpty(), model.empty());
        ASSERT_EQ(list.GetHead(), model.empty() ? nullptr : model.front());
        if (step % 97 == 0) {
            ASSERT_EQ(list.ToVector(), model) << "step " << step;
            ASSERT_EQ(Walk(list), model) << "step " << step;
        }
    }
    EXPECT_EQ(Walk(list), model);
}

TEST_F(CellList, AheadSeesLaterSlotsAndNothingPastTheEnd) {
    MakePool(4);
    CmoxCellList list;
    for (auto& cell : pool)
        list.AddTail(cell.get());
    list.Remove(pool[2].get()); // an inner hole
    auto at = list.begin();
    EXPECT_EQ(at.Ahead(1), pool[1].get());
    EXPECT_EQ(at.Ahead(2), nullptr) << "a removed slot reads as empty";
    EXPECT_EQ(at.Ahead(3), pool[3].get());
    EXPECT_EQ(at.Ahead(4), nullptr) << "past the last slot";
    EXPECT_EQ(at.Ahead(100), nullptr);
    EXPECT_EQ(CmoxCellList().begin(), CmoxCellList().end());
}
