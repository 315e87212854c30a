#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <memory>

using namespace moxtest;

namespace {

class Observers : public MoxTest {};
class Ranges : public MoxTest {};

} // namespace

TEST_F(Observers, AreOrderedAndDeferredByPriorityLikeClassDependents) {
    UpdateLog log;
    IntCell a("A"), b("B");
    RecordingCell model("Model", MOX_STATE_PRIORITY, log);
    model.MakeDependentOn(&a);
    auto note = [&log](const char* who) {
        return [&log, who](const CmoxChangedList& changes) {
            UpdateRecord record{who, {}, {}, {}};
            for (const ChangeInfo& change : changes.GetList())
                record.changed.push_back(change.Cell()->Name());
            log.push_back(record);
        };
    };
    mox::Observer high = mox::OnChange(&a, note("High"), 200);
    mox::Observer ui = mox::OnChange({&a, &b}, note("UI"), MOX_UI_PRIORITY);
    {
        mox::Transaction t;
        a.Set(1);
        EXPECT_EQ(Order(log), (Names{"High", "Model"}));
        b.Set(1);
    }
    EXPECT_EQ(Order(log), (Names{"High", "Model", "UI"}));
    EXPECT_EQ(log.back().changed, (Names{"A", "B"}));
    EXPECT_THROW(mox::OnChange(nullptr, note("x")), CInvalidArgException);
    EXPECT_THROW(mox::OnChange(&a, nullptr), CInvalidArgException);
}

TEST_F(Observers, SurviveEitherSideDyingFirstMovesAndSelfReset) {
    int calls = 0;
    auto count = [&calls](CmoxChangedList&) { ++calls; };
    auto cell = std::make_unique<IntCell>("Cell");

    mox::Observer dropped = mox::OnChange(cell.get(), count);
    dropped.Reset();
    cell->Set(1);
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(dropped);

    mox::Observer first = mox::OnChange(cell.get(), count);
    mox::Observer moved(std::move(first));
    mox::Observer assigned;
    assigned = std::move(moved);
    EXPECT_FALSE(first);
    cell->Set(2);
    EXPECT_EQ(calls, 1);

    mox::Observer once;
    once = mox::OnChange(cell.get(), [&once, &calls](CmoxChangedList&) {
        ++calls;
        once.Reset(); // the handle dies inside its own delivery
    });
    cell->Set(3);
    cell->Set(4);
    EXPECT_EQ(calls, 1 + 2 + 1);

    cell.reset(); // the watched cell dies first: the handle is left observing nothing
    EXPECT_EQ(assigned.Cell()->FindDependee("Cell"), nullptr);
}

TEST_F(Ranges, VisitChildrenAndElementsInOrderAndStopWhenTheBodyShrinksThem) {
    CmoxCompositeCell root("Root");
    CmoxArrayCell array("Array");
    for (const char* name : {"A", "B", "C"}) {
        root.AddChild(new CmoxLongCell(name, 0));
        array.Add(new CmoxLongCell(name, 0));
    }
    Names children, elements;
    for (CmoxCell* child : mox::Children(root))
        children.push_back(child->Name());
    for (CmoxCell* element : mox::Elements(array)) {
        elements.push_back(element->Name());
        array.DestroyElement(array.GetSize() - 1); // shrinks from the back as it goes
    }
    EXPECT_EQ(children, (Names{"A", "B", "C"}));
    EXPECT_EQ(elements, (Names{"A", "B"}));
    EXPECT_EQ(array.GetSize(), 1);
}
