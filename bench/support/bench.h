// What every benchmark program shares: the --quick flag, the runtime readied
// as start-up would leave it, a private X server and the build's data
// folder. (The CPU clock is profile::ThreadCpuSeconds.)
#pragma once

#include <string>

namespace bench {

// Readies the collector and the module globals; true when --quick was given.
bool Start(int argc, char** argv);
// Starts a private Xvfb for this process (stopped at exit); false if it fails.
bool StartXvfb();
// The game's generated data folder ("build/bin/data/"), beside build/bench.
std::string DataDir();

}  // namespace bench
