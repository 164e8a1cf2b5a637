#include "platform/core/CStringArray.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

CString Join(const CStringArray& a) {
  CString out;
  for (int i = 0; i < a.GetSize(); ++i) out += (i ? "," : "") + a[i];
  return out;
}

TEST(CStringArrayTest, GrowsShrinksAndKeepsOrder) {
  CStringArray a;
  EXPECT_EQ(a.Add("a"), 0);
  EXPECT_EQ(a.Add("c"), 1);
  a.InsertAt(1, "b");
  a.InsertAt(0, "z", 2);
  EXPECT_EQ(Join(a), "z,z,a,b,c");
  a.RemoveAt(0, 2);
  EXPECT_EQ(Join(a), "a,b,c");
  a.InsertAt(5, "f");  // past the end: grows with empty strings
  EXPECT_EQ(Join(a), "a,b,c,,,f");
  a.SetSize(2);
  EXPECT_EQ(Join(a), "a,b");
  a.SetAt(1, "B");
  a[0] = "A";
  a.SetAtGrow(3, "D");
  EXPECT_EQ(Join(a), "A,B,,D");
  EXPECT_EQ(a.GetUpperBound(), 3);
  a.RemoveAll();
  EXPECT_TRUE(a.IsEmpty());
  a.SetSize(10);
  EXPECT_EQ(a.GetSize(), 10);
  EXPECT_TRUE(a[9].IsEmpty());
}

TEST(CStringArrayTest, IndexOutsideTheArrayThrows) {
  CStringArray a;
  a.Add("x");
  EXPECT_THROW(a.GetAt(1), std::out_of_range);
  EXPECT_THROW(a.GetAt(-1), std::out_of_range);
  EXPECT_THROW(a.SetAt(1, "y"), std::out_of_range);
  EXPECT_THROW(a.RemoveAt(0, 2), std::out_of_range);
  EXPECT_THROW(a.InsertAt(-1, "y"), std::out_of_range);
  EXPECT_EQ(a.GetSize(), 1);
  EXPECT_EQ(a[0], "x");
}

}  // namespace
