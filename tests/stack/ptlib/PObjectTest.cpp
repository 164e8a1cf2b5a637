#include "stack/ptlib/PObject.h"

#include <gtest/gtest.h>

#include "stack/ptlib/PString.h"

namespace {

class Base : public PObject {
  PCLASSINFO(Base, PObject)
};

class Derived : public Base {
  PCLASSINFO(Derived, Base)
};

TEST(PObject, ClassInformationWalksTheHierarchy) {
  const Derived d;
  const PObject& o = d;
  EXPECT_STREQ(o.GetClass(), "Derived");
  EXPECT_STREQ(o.GetClass(1), "Base");
  EXPECT_STREQ(o.GetClass(2), "PObject");
  EXPECT_STREQ(o.GetClass(9), "PObject");
  EXPECT_TRUE(o.IsClass("Derived"));
  EXPECT_FALSE(o.IsClass("Base"));
  EXPECT_TRUE(o.IsDescendant("Base"));
  EXPECT_TRUE(o.IsDescendant("PObject"));
  EXPECT_FALSE(o.IsDescendant("PString"));
  EXPECT_FALSE(o.IsClass(nullptr));
}

TEST(PObject, StringsCompareByValueAndClone) {
  const PString a("a"), b("b");
  EXPECT_EQ(a.Compare(b), PObject::LessThan);
  EXPECT_EQ(b.Compare(a), PObject::GreaterThan);
  EXPECT_EQ(a.Compare(PString("a")), PObject::EqualTo);
  std::unique_ptr<PObject> c(a.Clone());
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->IsClass("PString"));
  EXPECT_EQ(c->Compare(a), PObject::EqualTo);
}

TEST(PObject, FailedAssertionIsCountedAndReturnsFalse) {
  const unsigned long before = PAssertCount();
  EXPECT_TRUE(PAssert(1 + 1 == 2, "fine"));
  EXPECT_FALSE(PAssert(false, "expected by the test"));
  EXPECT_EQ(PAssertCount(), before + 1);
}

}  // namespace

#include "stack/ptlib/PProcess.h"

namespace {

class QuietProcess : public PProcess {
 public:
  QuietProcess() : PProcess("", "", 1, 0, ReleaseCode, 1) {}
  void Main() override {}
};

TEST(PProcess, OnePerProgramReachableWhileItLives) {
  EXPECT_FALSE(PProcess::IsInitialised());
  {
    QuietProcess process;
    EXPECT_TRUE(PProcess::IsInitialised());
    EXPECT_EQ(&PProcess::Current(), &process);
    EXPECT_EQ(process.GetVersion(), "1.0.1");
    EXPECT_EQ(process.GetVersion(false), "1.0");
    const unsigned long before = PAssertCount();
    QuietProcess second;  // refused: the first stays current
    EXPECT_EQ(PAssertCount(), before + 1);
    EXPECT_EQ(&PProcess::Current(), &process);
  }
  EXPECT_FALSE(PProcess::IsInitialised());
}

}  // namespace
