#include "platform/win/RuntimeClass.h"

#include "platform/win/Dialog.h"
#include "platform/win/Document.h"
#include "platform/win/PropertySheet.h"
#include "platform/win/Wnd.h"

const CRuntimeClass CObject::classCObject{"CObject", static_cast<int>(sizeof(CObject)), nullptr, nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

BOOL CObject::IsKindOf(const CRuntimeClass* c) const { return GetRuntimeClass()->IsDerivedFrom(c); }

std::unique_ptr<CObject> CRuntimeClass::CreateObject() const {
  return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  if (base == nullptr) return FALSE;
  for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass)
    if (c == base) return TRUE;
  return FALSE;
}

// The layer's own classes that other classes name as their bases.
IMPLEMENT_DYNAMIC(CWnd, CObject)
IMPLEMENT_DYNAMIC(CDialog, CWnd)
IMPLEMENT_DYNAMIC(CPropertySheet, CDialog)
IMPLEMENT_DYNAMIC(CDocument, CObject)
