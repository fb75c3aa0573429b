// A target's own default libFuzzer flag, added in LLVMFuzzerInitialize:
//   extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
//     return fuzz_support::AddDefaultFlag(argc, argv, "-malloc_limit_mb=64");
//   }
// Flags given on the command line come later and so still win.
#pragma once

namespace fuzz_support {

int AddDefaultFlag(int* argc, char*** argv, const char* flag);

}  // namespace fuzz_support
