#pragma once
/// @file
/// The undo records of the scalar value cells: CmoxLongUndoInfo, CmoxDoubleUndoInfo,
/// CmoxBooleanUndoInfo, CmoxStringUndoInfo and CmoxPtrUndoInfo.

#include <mox/undo/CmoxUndoInfo.h>

#include <cstdint>
#include <string>

/// Value and default of a long cell before and after one transaction. Made by the cell, owned by
/// the undo list that files it; merging keeps the oldest before state and the newest after state.
class MOX_API CmoxLongUndoInfo : public CmoxUndoInfo {
  public:
    /// A record of the two states (the values are taken as 32-bit two's complement).
    CmoxLongUndoInfo(long oldValue, long oldDefault, long newValue, long newDefault);
    ~CmoxLongUndoInfo() override;
    /// Base merge, then the after state of `later` (a CmoxLongUndoInfo).
    void Merge(CmoxUndoInfo* later) override;

    std::int32_t m_oldValue;   ///< Value before the transaction.
    std::int32_t m_oldDefault; ///< Default before the transaction.
    std::int32_t m_newValue;   ///< Value after the transaction.
    std::int32_t m_newDefault; ///< Default after the transaction.
};

/// Value and default of a double cell before and after one transaction; owned by its undo list.
class MOX_API CmoxDoubleUndoInfo : public CmoxUndoInfo {
  public:
    /// A record of the two states.
    CmoxDoubleUndoInfo(double oldValue, double oldDefault, double newValue, double newDefault);
    ~CmoxDoubleUndoInfo() override;
    /// Base merge, then the after state of `later` (a CmoxDoubleUndoInfo).
    void Merge(CmoxUndoInfo* later) override;

    double m_oldValue;   ///< Value before the transaction.
    double m_oldDefault; ///< Default before the transaction.
    double m_newValue;   ///< Value after the transaction.
    double m_newDefault; ///< Default after the transaction.
};

/// Stored bytes of a boolean cell before and after one transaction; owned by its undo list.
class MOX_API CmoxBooleanUndoInfo : public CmoxUndoInfo {
  public:
    /// A record of the two states.
    CmoxBooleanUndoInfo(unsigned char oldValue, unsigned char oldDefault, unsigned char newValue,
                        unsigned char newDefault);
    ~CmoxBooleanUndoInfo() override;
    /// Base merge, then the after state of `later` (a CmoxBooleanUndoInfo).
    void Merge(CmoxUndoInfo* later) override;

    unsigned char m_oldValue;   ///< Value before the transaction.
    unsigned char m_oldDefault; ///< Default before the transaction.
    unsigned char m_newValue;   ///< Value after the transaction.
    unsigned char m_newDefault; ///< Default after the transaction.
};

/// Copies of a string cell's value and default before and after one transaction; owned by its
/// undo list, which releases the copies with the record.
class MOX_API CmoxStringUndoInfo : public CmoxUndoInfo {
  public:
    /// A record holding copies of the four texts (null reads as "").
    CmoxStringUndoInfo(const char* oldValue, const char* oldDefault, const char* newValue,
                       const char* newDefault);
    ~CmoxStringUndoInfo() override;
    /// Base merge, then the after state of `later` (a CmoxStringUndoInfo).
    void Merge(CmoxUndoInfo* later) override;

    std::string m_oldValue;   ///< Value before the transaction.
    std::string m_oldDefault; ///< Default before the transaction.
    std::string m_newValue;   ///< Value after the transaction.
    std::string m_newDefault; ///< Default after the transaction.
};

/// Pointers of a pointer cell before and after one transaction (the pointees are not owned).
class MOX_API CmoxPtrUndoInfo : public CmoxUndoInfo {
  public:
    /// A record of the two states.
    CmoxPtrUndoInfo(void* oldValue, void* oldDefault, void* newValue, void* newDefault);
    ~CmoxPtrUndoInfo() override;
    /// Base merge, then the after state of `later` (a CmoxPtrUndoInfo).
    void Merge(CmoxUndoInfo* later) override;

    void* m_oldValue;   ///< Value before the transaction.
    void* m_oldDefault; ///< Default before the transaction.
    void* m_newValue;   ///< Value after the transaction.
    void* m_newDefault; ///< Default after the transaction.
};
