// Console output and the quiet exit.
#include <gtest/gtest.h>

#include "runtime/kestro.h"

namespace {

TEST(Console, PrintWritesUtf8AndANewline) {
  testing::internal::CaptureStdout();
  rvPrint(String(u"caf\u00e9 \u20ac"));
  rvPrint(String());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "caf\xC3\xA9 \xE2\x82\xAC\n\n");
}

TEST(ConsoleDeathTest, EmptyErrorExitsQuietlyWithZero) {
  EXPECT_EXIT(rvError(String()), ::testing::ExitedWithCode(0), "^$");
}

TEST(ConsoleDeathTest, OutOfMemoryIsARuntimeErrorNotACrash) {
  EXPECT_EXIT((void)String::Rep::alloc(-1), ::testing::ExitedWithCode(255), "");
  EXPECT_EXIT((void)Array<double>(0x7fffffff), ::testing::ExitedWithCode(255), "");
}

}  // namespace
