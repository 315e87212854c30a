// The change protocol that every value cell kind follows: one typed suite over the kinds, so a
// fault in any one kind's setter, record or report shows up under that kind's name.
#include "values/ValueTesting.h"

#include <mox/values/CmoxBooleanCell.h>
#include <mox/values/CmoxByteCell.h>
#include <mox/values/CmoxDoubleCell.h>
#include <mox/values/CmoxIntermediateEnumCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxLongLongCell.h>
#include <mox/values/CmoxPtrCell.h>
#include <mox/values/CmoxStringCell.h>

#include <string>
#include <type_traits>

using moxtest::Reasons;
using namespace valuetest;

namespace {

int g_targets[3];

// Per kind: the value type and three distinct values (initial, default, other).
template <class C> struct Kind;
#define MOX_TEST_KIND(Cell, Type, ...)                                                             \
    template <> struct Kind<Cell> {                                                                \
        using V = Type;                                                                            \
        static constexpr V values[3] = {__VA_ARGS__};                                              \
    };
MOX_TEST_KIND(CmoxLongCell, long, 5, 9, -7)
MOX_TEST_KIND(CmoxIntermediateEnumCell, long, 2, 1, 4)
MOX_TEST_KIND(CmoxByteCell, unsigned char, 5, 9, 200)
MOX_TEST_KIND(CmoxLongLongCell, __int64, 5, 9, -(1LL << 40))
MOX_TEST_KIND(CmoxDoubleCell, double, 1.5, -0.25, 8e10)
MOX_TEST_KIND(CmoxBooleanCell, int, 1, 0, 2) // two true values: the stored bytes compare
MOX_TEST_KIND(CmoxStringCell, const char*, "first", "default", "other")
MOX_TEST_KIND(CmoxPtrCell, void*, &g_targets[0], &g_targets[1], &g_targets[2])
#undef MOX_TEST_KIND

template <class C> class ValueCellKind : public moxtest::MoxTest {
  protected:
    using V = typename Kind<C>::V;
    static V At(int i) { return Kind<C>::values[i]; }
    static V Initial() { return At(0); }
    static V Default() { return At(1); }
    static V Other() { return At(2); }
    // Compares a stored value with a table value (strings by text).
    template <class S> static bool Holds(const S& stored, V value) {
        if constexpr (std::is_same<V, const char*>::value)
            return stored == std::string(value);
        else
            return stored == static_cast<S>(value);
    }
};

using Kinds =
    ::testing::Types<CmoxLongCell, CmoxIntermediateEnumCell, CmoxByteCell, CmoxLongLongCell,
                     CmoxDoubleCell, CmoxBooleanCell, CmoxStringCell, CmoxPtrCell>;
TYPED_TEST_SUITE(ValueCellKind, Kinds);

} // namespace

TYPED_TEST(ValueCellKind, SameValueIsSilentAndAChangeReportsOnceAndRecordsInATransaction) {
    TypeParam cell("Cell", this->Initial(), this->Default());
    Watch watch(cell);
    CmoxUndoContext* context = Record([&] {
        EXPECT_EQ(cell.Value(this->Initial()), MOX_VALUE_SAME);
        EXPECT_EQ(OpenRecordCount(), 0);
    });
    EXPECT_TRUE(watch.log.empty());
    EXPECT_TRUE(context->UndoDescriptions().empty()) << "an empty transaction is not kept";
    EXPECT_EQ(cell.Value(this->Other()), MOX_VALUE_SET);
    EXPECT_TRUE(this->Holds(cell.Value(), this->Other()));
    EXPECT_TRUE(this->Holds(cell.DefaultValue(), this->Default()));
    ASSERT_EQ(watch.log.size(), 1u);
    EXPECT_EQ(watch.log[0].changed, std::vector<std::string>{"Cell"});
    EXPECT_EQ(watch.Reasons(), Reasons{MOX_VALUE_CHANGED});
    EXPECT_TRUE(context->UndoDescriptions().empty()) << "no transaction: nothing recorded";
    // In a transaction a value and a default change merge into one value-change record; what
    // undo and redo give back is checked by the randomized undo model test.
    Record([&] {
        cell.Value(this->Initial());
        cell.MakeCurrentDefault();
        ASSERT_NE(OpenRecord<CmoxUndoInfo>(cell), nullptr);
        EXPECT_EQ(OpenRecord<CmoxUndoInfo>(cell)->Reason(), MOX_VALUE_CHANGED);
    });
}

TYPED_TEST(ValueCellKind, DefaultMovesReportAndInitializeIsSilent) {
    TypeParam cell("Cell", this->Initial(), this->Default());
    Watch watch(cell);
    cell.MakeCurrentDefault();
    EXPECT_TRUE(this->Holds(cell.DefaultValue(), this->Initial()));
    cell.Value(this->Other());
    cell.MakeDefaultCurrent();
    EXPECT_TRUE(this->Holds(cell.Value(), this->Initial()));
    EXPECT_EQ(watch.Reasons(),
              (Reasons{MOX_DEFAULT_CHANGED, MOX_VALUE_CHANGED, MOX_VALUE_CHANGED}));
    cell.MakeDefaultCurrent(); // already equal: nothing to do
    EXPECT_EQ(watch.log.size(), 3u);
    // Initialize resets everything silently.
    Record([&] {
        cell.Initialize("Renamed", this->Other(), this->Default(), MOX_UI_PRIORITY);
        EXPECT_EQ(OpenRecordCount(), 0);
    });
    EXPECT_EQ(cell.Name(), "Renamed");
    EXPECT_TRUE(this->Holds(cell.Value(), this->Other()));
    EXPECT_TRUE(this->Holds(cell.DefaultValue(), this->Default()));
    EXPECT_EQ(cell.Priority(), MOX_UI_PRIORITY);
    EXPECT_EQ(watch.log.size(), 3u);
}

TYPED_TEST(ValueCellKind, AssignmentCopiesTheValueOnlyAndEqualityComparesValueAndClass) {
    TypeParam cell("Cell", this->Initial(), this->Initial());
    TypeParam source("Source", this->Other(), this->Default(), MOX_UI_PRIORITY);
    CmoxCell plain("Plain", MOX_STATE_PRIORITY);
    EXPECT_FALSE(cell == plain) << "a cell of another class differs";
    if constexpr (std::is_same<TypeParam, CmoxPtrCell>::value) {
        EXPECT_TRUE(cell == source) << "pointer cells are equal whatever they point at";
    } else {
        Watch watch(cell);
        EXPECT_FALSE(cell == source);
        cell = source;
        EXPECT_TRUE(this->Holds(cell.Value(), this->Other()));
        EXPECT_TRUE(this->Holds(cell.DefaultValue(), this->Initial()));
        EXPECT_EQ(watch.Reasons(), Reasons{MOX_VALUE_CHANGED});
        EXPECT_TRUE(cell == source) << "names, defaults and priorities do not take part";
        EXPECT_FALSE(cell != source);
        cell = static_cast<const CmoxCell&>(source); // the same value again: silent
        EXPECT_EQ(watch.log.size(), 1u);
        cell = static_cast<const CmoxCell&>(plain); // another class: nothing to copy
        EXPECT_TRUE(this->Holds(cell.Value(), this->Other()));
    }
}
