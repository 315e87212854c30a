#pragma once
// Test helpers: a cell that records its updates into a shared log, and a lifetime counter.

#include <mox/mox.h>

#include <functional>
#include <string>
#include <vector>

namespace moxtest {

/// One delivered Update: who was updated and what its changed list held, in order.
struct UpdateRecord {
    std::string cell;
    std::vector<std::string> changed;     // names of the changed cells, in list order
    std::vector<MoxChangeReason> reasons; // their reasons
    std::vector<unsigned long> userData;  // their user data
};

/// Shared log of updates, in delivery order.
using UpdateLog = std::vector<UpdateRecord>;
using Names = std::vector<std::string>;
using Reasons = std::vector<MoxChangeReason>;

/// Names of the updated cells, in order ("A", "B", ...).
std::vector<std::string> Order(const UpdateLog& log);

/// A cell that appends each Update to a log and can run an action inside it.
class RecordingCell : public CmoxCell {
  public:
    RecordingCell(const char* name, unsigned char priority, UpdateLog& log)
        : CmoxCell(name, priority), m_log(log) {}
    void Update(CmoxChangedList& changes) override;
    /// Runs during each Update, after the update was logged.
    std::function<void(CmoxChangedList&)> onUpdate;

  private:
    UpdateLog& m_log;
};

/// Counts constructions and destructions, to prove owned objects die exactly once.
struct LifetimeCounter {
    int constructed = 0;
    int destroyed = 0;
    int Alive() const { return constructed - destroyed; }
};

/// A plain cell that reports its construction and destruction to a counter, and its name to an
/// optional log of deaths.
class CountedCell : public CmoxCell {
  public:
    CountedCell(const char* name, LifetimeCounter& counter, Names* deaths = nullptr)
        : CmoxCell(name, MOX_STATE_PRIORITY), m_counter(counter), m_deaths(deaths) {
        ++m_counter.constructed;
    }
    ~CountedCell() override {
        ++m_counter.destroyed;
        if (m_deaths != nullptr) m_deaths->push_back(Name());
    }

  private:
    LifetimeCounter& m_counter;
    Names* m_deaths;
};

/// An undo record that counts its destruction.
class CountingRecord : public CmoxUndoInfo {
  public:
    explicit CountingRecord(int& deaths) : m_deaths(deaths) {}
    ~CountingRecord() override { ++m_deaths; }

  private:
    int& m_deaths;
};

} // namespace moxtest
