#pragma once
/// @file
/// The object base with run-time class records, used for kind tests and class names.

#include <mox/platform/types.h>

#include <iosfwd>

class CObject;
class CArchive; // Serialization hook parameter only; the library saves through CmoxArchive.

/// Run-time class record: class name, object size and base record (no factory).
struct MOX_API CRuntimeClass {
    const char* m_lpszClassName;       ///< The class name, as written in archive records.
    int m_nObjectSize;                 ///< sizeof the class.
    const CRuntimeClass* m_pBaseClass; ///< Record of the base class, null for CObject.

    /// True when this record is `base` or derives from it.
    bool IsDerivedFrom(const CRuntimeClass* base) const;
};

/// Where the diagnostic `Dump` hooks write to.
class MOX_API CDumpContext {
  public:
    /// A context writing to `out`, or discarding everything when null.
    explicit CDumpContext(std::ostream* out = nullptr) : m_out(out) {}
    /// The stream written to, or null.
    std::ostream* Stream() const { return m_out; }

  private:
    std::ostream* m_out;
};

/// Base of the library's polymorphic classes. Owns nothing; copying is the derived class's call.
class MOX_API CObject {
  public:
    /// The record of CObject itself.
    static const CRuntimeClass classCObject;

    // Inline and empty, so that destroying a derived object held by value (the change entries
    // of a changed list, cleared for every delivered update) costs nothing.
    virtual ~CObject() = default;
    /// The object's run-time class record.
    virtual const CRuntimeClass* GetRuntimeClass() const;
    /// Serialization hook of the framework; unused by the library.
    virtual void Serialize(CArchive& ar);
    /// Diagnostic hook: checks internal consistency. Empty by default.
    virtual void AssertValid() const;
    /// Diagnostic hook: writes a description. Empty by default.
    virtual void Dump(CDumpContext& dc) const;

    /// True when the object's class is `cls` or derives from it.
    bool IsKindOf(const CRuntimeClass* cls) const;

  protected:
    /// Only derived classes make objects.
    CObject() = default;
    /// Derived classes copy as they choose.
    CObject(const CObject& other) = default;
    /// Derived classes assign as they choose.
    CObject& operator=(const CObject& other) = default;
};

/// The record of class `cls`.
#define RUNTIME_CLASS(cls) (&cls::class##cls)

/// Declares the run-time class record of `cls` inside its class body.
#define DECLARE_DYNAMIC(cls)                                                                       \
  public:                                                                                          \
    static const CRuntimeClass class##cls;                                                         \
    const CRuntimeClass* GetRuntimeClass() const override;

/// Defines the run-time class record of `cls`, derived from `base`, in one source file.
#define IMPLEMENT_DYNAMIC(cls, base)                                                               \
    const CRuntimeClass cls::class##cls = {#cls, static_cast<int>(sizeof(cls)),                    \
                                           RUNTIME_CLASS(base)};                                   \
    const CRuntimeClass* cls::GetRuntimeClass() const {                                            \
        return &cls::class##cls;                                                                   \
    }
