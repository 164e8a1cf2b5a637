// Run-time class information: every class that declares it has one constant record with
// its name, its size and its base class's record, so that an object can tell its class
// (GetRuntimeClass) and whether it is a kind of another (IsKindOf).  A class declared for
// dynamic creation also makes new objects of itself through its record (CreateObject).
//
//   class CMine : public CDocument { DECLARE_DYNCREATE(CMine) ... };   // in the header
//   IMPLEMENT_DYNCREATE(CMine, CDocument)                              // in the source
//
// DECLARE_DYNAMIC / IMPLEMENT_DYNAMIC give the name and the ancestry without creation.  A
// class that declares nothing answers with the record of its nearest ancestor that does.
#pragma once
#include <memory>

#include "platform/win/BaseTypes.h"

class CObject;

struct CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  // Null for CObject, the root.
  const CRuntimeClass* m_pBaseClass;
  // Null for a class that is not made by its record.
  std::unique_ptr<CObject> (*m_pfnCreateObject)();

  // A new object of the class, or null when the class is not dynamically creatable.
  std::unique_ptr<CObject> CreateObject() const;
  // TRUE for the class itself and for each of its ancestors.
  BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
 public:
  static const CRuntimeClass classCObject;
  virtual ~CObject() = default;
  virtual const CRuntimeClass* GetRuntimeClass() const;
  BOOL IsKindOf(const CRuntimeClass* c) const;

 protected:
  CObject() = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                     \
 public:                                                \
  static const CRuntimeClass class##class_name;         \
  const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static std::unique_ptr<CObject> CreateObject();

#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, create)                                         \
  const CRuntimeClass class_name::class##class_name{#class_name, static_cast<int>(sizeof(class_name)),      \
                                                    RUNTIME_CLASS(base_class_name), create};                \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                         \
  std::unique_ptr<CObject> class_name::CreateObject() { return std::make_unique<class_name>(); } \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, &class_name::CreateObject)
