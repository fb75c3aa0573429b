// Checks every test program shares: a statement that must end the process
// with a runtime error, and a collection forced to its end.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

// Inside a death test: debugger input from /dev/null (so the stop ends the
// process with -1) and standard output onto standard error (so the message
// can be matched).
void PrepareForRuntimeError();
std::string RuntimeErrorPattern(const std::string& message);

// Flips the collector `flips` times (the verifier checks every flip when
// KESTRO_GC_VERIFY=1); with `free_dead`, then allocates until every dead
// object has been destroyed.
void ForceCollection(int flips = 2, bool free_dead = true);

}  // namespace testing_support

// The statement raises the runtime error `message` (exit code -1).
#define EXPECT_RUNTIME_ERROR(statement, message)                                        \
  do {                                                                                  \
    GTEST_FLAG_SET(death_test_style, "threadsafe");                                     \
    EXPECT_EXIT(                                                                        \
        {                                                                               \
          testing_support::PrepareForRuntimeError();                                    \
          statement;                                                                    \
        },                                                                              \
        ::testing::ExitedWithCode(255), testing_support::RuntimeErrorPattern(message)); \
  } while (0)
