// Fuzzes sequences of operations on a settings tree: the input bytes decode into recorded
// transactions (value changes of every kind, array inserts and removals, nested transactions and
// sub-transactions) and into undo and redo of several steps. The array's self-check runs after
// every change and every step. After every step that leaves no transaction open it checks that
// undoing and then redoing one step gives back the same tree, and that saving the tree to a
// string stream and restoring the text into a fresh tree reproduces it byte for byte.
#include <mox/mox.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// The input, read a byte or a few at a time; 0 once it is used up.
class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : m_at(data), m_end(data + size) {}
    bool Empty() const { return m_at == m_end; }
    unsigned Byte() { return m_at != m_end ? *m_at++ : 0u; }
    std::uint64_t Word(int bytes) {
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | Byte();
        return value;
    }
    std::string Text() {
        std::string text;
        for (unsigned length = Byte() % 12; length > 0; --length)
            if (const unsigned c = Byte()) text += static_cast<char>(c); // no NUL in a C string
        return text;
    }

  private:
    const std::uint8_t* m_at;
    const std::uint8_t* m_end;
};

// An array of long cells that makes its own elements, also when restoring.
class LongArray : public CmoxArrayCell {
  public:
    LongArray() : CmoxArrayCell("Array") {}
    CmoxCell* CreateAndAdd() override {
        std::string name;
        CmoxCell* element = new CmoxLongCell(NewChildName(name).c_str(), 0);
        Add(element);
        return element;
    }
    void CreateAddRestoreElement(CmoxArchive& archive, std::string& className,
                                 const char* name) override {
        if (className != "CmoxLongCell") throw MOX_RESTORE_DECLINED;
        CmoxCell* element = new CmoxLongCell(name, 0);
        Add(element);
        element->RestoreUserName(archive);
        element->Restore(archive);
    }
};

struct Tree {
    CmoxCompositeCell root{"Root"};
    CmoxLongCell* longCell = new CmoxLongCell("Long", 0);
    CmoxLongLongCell* longLong = new CmoxLongLongCell("LongLong", 0, 0);
    CmoxByteCell* byteCell = new CmoxByteCell("Byte", 0);
    CmoxDoubleCell* doubleCell = new CmoxDoubleCell("Double", 0.0);
    CmoxBooleanCell* boolean = new CmoxBooleanCell("Flag", 0);
    CmoxStringCell* text = new CmoxStringCell("Text", "");
    CmoxCompositeCell* inner = new CmoxCompositeCell("Inner");
    CmoxLongCell* innerLong = new CmoxLongCell("Count", 0);
    LongArray* array = new LongArray;

    Tree() {
        for (CmoxCell* cell : {static_cast<CmoxCell*>(longCell), static_cast<CmoxCell*>(longLong),
                               static_cast<CmoxCell*>(byteCell), static_cast<CmoxCell*>(doubleCell),
                               static_cast<CmoxCell*>(boolean), static_cast<CmoxCell*>(text),
                               static_cast<CmoxCell*>(inner), static_cast<CmoxCell*>(array)})
            root.AddChild(cell);
        inner->AddChild(innerLong);
    }
};

std::time_t FixedClock() {
    return 0;
}

std::string Saved(CmoxCell& cell) {
    std::stringstream out;
    CmoxArchive archive;
    archive.SetTimeSource(FixedClock);
    Require(archive.Open(&out, MOX_ARCHIVE_WRITE, 0) == 1);
    Require(archive.Save(cell) == 1);
    archive.Close();
    return out.str();
}

void CheckRestoreReproduces(const std::string& text) {
    Tree fresh;
    std::stringstream in(text);
    CmoxArchive archive;
    Require(archive.Open(&in, MOX_ARCHIVE_READ, 0) == 1);
    Require(archive.ReadToken() == "CmoxCompositeCell");
    Require(archive.ReadToken() == "Root");
    fresh.root.RestoreUserName(archive);
    Require(archive.Restore(&fresh.root) == 1);
    Require(archive.CheckRestoreStatus() == 1);
    const std::string again = Saved(fresh.root);
    if (again != text)
        std::fprintf(stderr, "saved:\n%s\nrestored and saved:\n%s\n", text.c_str(), again.c_str());
    Require(again == text);
}

// One change of the tree, chosen by the input.
void Change(Tree& tree, Bytes& in) {
    switch (in.Byte() % 9) {
    case 0:
        tree.longCell->Value(static_cast<long>(static_cast<std::int32_t>(in.Word(4))));
        break;
    case 1:
        tree.longLong->Value(static_cast<__int64>(in.Word(8)));
        break;
    case 2:
        tree.byteCell->Value(static_cast<unsigned char>(in.Byte()));
        break;
    case 3: {
        const std::uint64_t bits = in.Word(8);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        tree.doubleCell->Value(value);
        break;
    }
    case 4:
        tree.boolean->Value(static_cast<int>(in.Byte() % 3));
        break;
    case 5:
        tree.text->Value(in.Text().c_str());
        break;
    case 6:
        tree.innerLong->Value(static_cast<long>(in.Byte()));
        break;
    case 7:
        if (tree.array->GetSize() < 16) {
            CmoxCell* element = tree.array->CreateAndAdd();
            static_cast<CmoxLongCell*>(element)->Value(static_cast<long>(in.Byte()));
        }
        break;
    default:
        if (tree.array->GetSize() > 0)
            tree.array->DestroyElement(static_cast<int>(in.Byte()) % tree.array->GetSize());
        break;
    }
    mox::detail::CheckInvariants(*tree.array);
}

// A recorded transaction of a few changes, with nested transactions and sub-transactions.
void Transaction(Tree& tree, CmoxUndoContext* context, Bytes& in, int depth) {
    Cmox& engine = Cmox::Current();
    engine.BeginTransaction(context, "step");
    for (unsigned n = in.Byte() % 5; n > 0 && !in.Empty(); --n) {
        const unsigned kind = in.Byte() % 8;
        if (kind == 0 && depth < 3) {
            Transaction(tree, context, in, depth + 1);
        } else if (kind == 1 && depth < 3) {
            engine.BeginSubTransaction();
            Change(tree, in);
            engine.EndSubTransaction();
        } else {
            Change(tree, in);
        }
    }
    engine.EndTransaction();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Cmox& engine = Cmox::Current();
    CmoxUndoContext* context = engine.GetUndoContext("Fuzz");
    {
        Tree tree;
        Bytes in(data, size);
        for (int step = 0; step < 64 && !in.Empty(); ++step) {
            const unsigned op = in.Byte() % 8;
            if (op < 5)
                Transaction(tree, context, in, 0);
            else if (op < 7)
                engine.Undo(context, 1 + static_cast<int>(in.Byte() % 3));
            else
                engine.Redo(context, 1 + static_cast<int>(in.Byte() % 3));
            Require(engine.TransactionLevel() == 0 && engine.SubTransactionLevel() == 0);
            mox::detail::CheckInvariants(*tree.array);

            const std::string before = Saved(tree.root);
            if (!context->UndoDescriptions().empty()) {
                engine.Undo(context, 1);
                engine.Redo(context, 1);
                Require(Saved(tree.root) == before);
            }
            CheckRestoreReproduces(before);
        }
        // The history goes before the tree whose cells it refers to.
        engine.RemoveUndoContext("Fuzz");
    }
    return 0;
}
