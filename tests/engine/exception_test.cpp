#include "engine/exception.h"

#include <gtest/gtest.h>

#include <string>

namespace tarrowin {
namespace {

bool AllZeroFrom(const IException& e, int from) {
  for (int i = from; i < IException::kMessageCapacity; ++i) {
    if (e.Message()[i] != 0) return false;
  }
  return true;
}

TEST(IExceptionTest, CodeOnlyHasEmptyMessage) {
  IException e(5, 6);
  EXPECT_EQ(e.Code(), 5);
  EXPECT_EQ(e.Detail(), 6);
  EXPECT_TRUE(AllZeroFrom(e, 0));
}

TEST(IExceptionTest, LongMessageKeepsFirst127UnitsAndZeroes) {
  const std::u16string text(200, u'\u8A2D');
  IException e(text.c_str(), 2, 0);
  EXPECT_EQ(std::u16string(e.Message()), text.substr(0, 127));
  EXPECT_TRUE(AllZeroFrom(e, 127));
}

TEST(IExceptionTest, ShortMessageIsZeroFilledAfterIt) {
  IException e(u"abc", 1, 0);
  EXPECT_EQ(std::u16string(e.Message()), u"abc");
  EXPECT_TRUE(AllZeroFrom(e, 3));
}

TEST(IExceptionTest, CopyKeepsEverything) {
  IException original(u"text", 3, 4);
  IException copy(original);
  EXPECT_EQ(std::u16string(copy.Message()), u"text");
  EXPECT_EQ(copy.Code(), 3);
  EXPECT_EQ(copy.Detail(), 4);
}

TEST(CMemoryBufferExceptionTest, IsCodeMinusOneAndCaughtAsIException) {
  try {
    throw CMemoryBufferException();
  } catch (const IException& e) {
    EXPECT_EQ(e.Code(), -1);
    EXPECT_EQ(e.Detail(), 0);
    EXPECT_TRUE(AllZeroFrom(e, 0));
  }
}

}  // namespace
}  // namespace tarrowin
