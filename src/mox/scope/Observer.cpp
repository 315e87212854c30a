#include <mox/scope/Observer.h>

#include <mox/platform/CException.h>
#include <mox/propagation/CmoxChangedList.h>

namespace mox {

namespace {

class ObserverCell : public CmoxCell {
  public:
    ObserverCell(ChangeCallback callback, unsigned char priority)
        : CmoxCell(MOX_NO_NAME, priority),
          m_callback(std::make_shared<const ChangeCallback>(std::move(callback))) {}

    void Update(CmoxChangedList& changes) override {
        // Held for the call: the callable may destroy this cell by resetting its handle.
        const std::shared_ptr<const ChangeCallback> callback = m_callback;
        (*callback)(changes);
    }

  private:
    std::shared_ptr<const ChangeCallback> m_callback;
};

} // namespace

Observer OnChange(std::initializer_list<CmoxCell*> cells, ChangeCallback callback,
                  unsigned char priority) {
    if (!callback) AfxThrowInvalidArgException();
    for (CmoxCell* cell : cells)
        if (cell == nullptr) AfxThrowInvalidArgException();
    auto observer = std::make_unique<ObserverCell>(std::move(callback), priority);
    for (CmoxCell* cell : cells)
        observer->MakeDependentOn(cell);
    return Observer(std::move(observer));
}

} // namespace mox
