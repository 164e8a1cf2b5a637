// Run-time class information: names and ancestry through the layer's own classes, and
// objects made by their class's record.
#include <gtest/gtest.h>

#include "platform/win/Document.h"
#include "platform/win/PropertySheet.h"
#include "platform/win/RuntimeClass.h"

namespace {

class CMadeDoc : public CDocument {
  DECLARE_DYNCREATE(CMadeDoc)

 public:
  int m_value = 7;
};
IMPLEMENT_DYNCREATE(CMadeDoc, CDocument)

class CNamedSheet : public CPropertySheet {
  DECLARE_DYNAMIC(CNamedSheet)

 public:
  CNamedSheet() : CPropertySheet("named") {}
};
IMPLEMENT_DYNAMIC(CNamedSheet, CPropertySheet)

// Declares nothing: it answers with its base's record.
class CQuietSheet : public CNamedSheet {};

}  // namespace

TEST(RuntimeClass, NamesAndAncestryFollowTheDeclaredClasses) {
  CNamedSheet named;
  CQuietSheet quiet;
  const CWnd& asWindow = named;
  EXPECT_STREQ(asWindow.GetRuntimeClass()->m_lpszClassName, "CNamedSheet");
  EXPECT_EQ(quiet.GetRuntimeClass(), RUNTIME_CLASS(CNamedSheet));
  const char* chain[] = {"CNamedSheet", "CPropertySheet", "CDialog", "CWnd", "CObject"};
  const CRuntimeClass* c = named.GetRuntimeClass();
  for (const char* name : chain) {
    ASSERT_NE(c, nullptr) << name;
    EXPECT_STREQ(c->m_lpszClassName, name);
    EXPECT_TRUE(asWindow.IsKindOf(c)) << name;
    EXPECT_EQ(c->CreateObject(), nullptr) << name << " is not made by its record";
    c = c->m_pBaseClass;
  }
  EXPECT_EQ(c, nullptr);
  EXPECT_FALSE(asWindow.IsKindOf(RUNTIME_CLASS(CDocument)));
  EXPECT_FALSE(asWindow.IsKindOf(nullptr));
  EXPECT_FALSE(RUNTIME_CLASS(CDialog)->IsDerivedFrom(RUNTIME_CLASS(CNamedSheet)));
  CDialog plain;
  EXPECT_EQ(plain.GetRuntimeClass(), RUNTIME_CLASS(CDialog));
}

TEST(RuntimeClass, ADynamicallyCreatableClassMakesFreshObjects) {
  const CRuntimeClass* c = RUNTIME_CLASS(CMadeDoc);
  EXPECT_STREQ(c->m_lpszClassName, "CMadeDoc");
  EXPECT_EQ(c->m_nObjectSize, static_cast<int>(sizeof(CMadeDoc)));
  EXPECT_EQ(c->m_pBaseClass, RUNTIME_CLASS(CDocument));
  std::unique_ptr<CObject> first = c->CreateObject();
  std::unique_ptr<CObject> second = c->CreateObject();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->GetRuntimeClass(), c);
  EXPECT_TRUE(first->IsKindOf(RUNTIME_CLASS(CDocument)));
  EXPECT_FALSE(first->IsKindOf(RUNTIME_CLASS(CWnd)));
  auto* doc = dynamic_cast<CMadeDoc*>(first.get());
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->m_value, 7);
}
