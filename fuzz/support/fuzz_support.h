// What several fuzz targets need around the code they feed.
#pragma once

namespace fuzz_support {

// A target's own default libFuzzer flag, added in LLVMFuzzerInitialize:
//   extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
//     return fuzz_support::AddDefaultFlag(argc, argv, "-malloc_limit_mb=64");
//   }
// Flags given on the command line come later and so still win.
int AddDefaultFlag(int* argc, char*** argv, const char* flag);

// The runtime's start-up as the program does it; once per process.
void StartRuntime();

// Makes a private directory the current one (memory-backed when the
// machine has /dev/shm: every input is written to a file there) and removes
// it with the state file in it at exit. `tag` names it.
void EnterScratchDir(const char* tag);

// Writes the input as the state file of the current directory.
void WriteStateFile(const unsigned char* data, unsigned long size);

}  // namespace fuzz_support
