#include "support/MoxTest.h"
#include "support/Recorder.h"

using namespace moxtest;

namespace {

class Ranges : public MoxTest {};

} // namespace

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
