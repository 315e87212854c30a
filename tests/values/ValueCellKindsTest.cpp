// The change protocol that every value cell kind follows: one typed suite over the kinds, so a
// fault in any one kind's setter, record or report shows up under that kind's name.
#include "values/ValueTesting.h"

#include <string>
#include <type_traits>

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
    static V Initial() { return Kind<C>::values[0]; }
    static V Default() { return Kind<C>::values[1]; }
    static V Other() { return Kind<C>::values[2]; }
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

// Undo and redo of every kind are checked by the randomized undo model test.
TYPED_TEST(ValueCellKind, FollowsTheChangeProtocol) {
    TypeParam cell("Cell", this->Initial(), this->Default());
    TypeParam source("Source", this->Other(), this->Default(), MOX_UI_PRIORITY);
    CmoxCell plain("Plain", MOX_STATE_PRIORITY);
    Transcript t;
    // The same value is silent and an empty transaction is not kept; without a transaction a
    // change is told at once and recorded nowhere.
    t.On(cell);
    CmoxUndoContext* context =
        Record([&] { t << cell.Value(this->Initial()) << OpenRecordCount(); });
    t << context->UndoDescriptions().size() << cell.Value(this->Other())
      << this->Holds(cell.Value(), this->Other())
      << this->Holds(cell.DefaultValue(), this->Default()) << context->UndoDescriptions().size();
    // In a transaction a value and a default change, each told at once, merge into one
    // value-change record.
    Record([&] {
        cell.Value(this->Initial());
        cell.MakeCurrentDefault();
        const CmoxUndoInfo* record = Cmox::Current().UndoList().GetUndoInfo(&cell);
        t.Line("merged") << OpenRecordCount() << (record ? record->Reason() : 0);
    });
    // Moving the default reports; Initialize resets everything silently.
    cell.Initialize("Cell", this->Initial(), this->Default(), MOX_STATE_PRIORITY);
    cell.MakeCurrentDefault();
    t.Line("defaults") << this->Holds(cell.DefaultValue(), this->Initial());
    cell.Value(this->Other());
    cell.MakeDefaultCurrent();
    t << this->Holds(cell.Value(), this->Initial());
    cell.MakeDefaultCurrent();
    t << "again";
    Record([&] {
        cell.Initialize("Renamed", this->Other(), this->Default(), MOX_UI_PRIORITY);
        t << OpenRecordCount();
    });
    t << cell.Name() << this->Holds(cell.Value(), this->Other())
      << this->Holds(cell.DefaultValue(), this->Default()) << cell.Priority();
    // Assignment copies the value only; equality compares value and class, not names,
    // defaults or priorities. Pointer cells are equal whatever they point at.
    cell.Initialize("Cell", this->Initial(), this->Initial(), MOX_STATE_PRIORITY);
    t.Line("assign") << (cell == plain) << (cell == source);
    constexpr bool pointer = std::is_same<TypeParam, CmoxPtrCell>::value;
    if constexpr (!pointer) {
        cell = source;
        t << this->Holds(cell.Value(), this->Other())
          << this->Holds(cell.DefaultValue(), this->Initial()) << (cell == source)
          << (cell != source);
        cell = static_cast<const CmoxCell&>(source); // the same value again: silent
        t << "again";
        cell = static_cast<const CmoxCell&>(plain); // another class: nothing to copy
        t << this->Holds(cell.Value(), this->Other());
    }
    EXPECT_EQ(t.Text(), std::string(R"(Cell: same 0 0 set!value 1 1 0
merged!value!default 1 1
defaults!default 1 1!value!value again 0 'Renamed' 1 1 50
assign 0 )") + (pointer ? "1" : "0 1!value 1 1 0 again 1"));
}
