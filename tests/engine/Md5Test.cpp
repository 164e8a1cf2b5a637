#include "engine/Md5.h"

#include <gtest/gtest.h>

namespace {

TEST(Md5Test, Rfc1321Vectors) {
  EXPECT_EQ(MD5HexString(CString("")), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(MD5HexString(CString("abc")), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(MD5HexString(CString("message digest")), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(MD5HexString("a\0b", 3), MD5HexString("a\0b", 3));
  EXPECT_NE(MD5HexString("a\0b", 3), MD5HexString(CString("a")));
}

}  // namespace
