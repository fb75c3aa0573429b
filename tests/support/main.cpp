// Entry point of every test program: GoogleTest with the collector's lists
// ready, as start-up would leave them.
#include <gtest/gtest.h>

#include "runtime/kestro.h"

int main(int argc_, char** argv_) {
  testing::InitGoogleTest(&argc_, argv_);
  gc_init_lists();
  rvInit();
  gc_mark();
  return RUN_ALL_TESTS();
}
