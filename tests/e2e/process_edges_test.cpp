// The edges of a real process: how the game and the framework end (F4, back
// on the menu, runtime errors, fatal signals, the
// debugger stop) and with which exit code; the close request left to the
// application; a save killed at each step leaving the old or the new state
// file; the data folder found beside the executable whatever its folder is
// called, and a hostile image header refused without taking its memory.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>

#include <filesystem>

#include "support/play.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// The probe (or a copy of it) run in `cwd`: its stdout.
std::string Probe(const std::vector<std::string>& args, const std::string& cwd = "",
                  const std::string& exe = ToolPath("kestro_probe")) {
  ChildProcess probe;
  std::vector<std::string> all = {exe};
  all.insert(all.end(), args.begin(), args.end());
  probe.Start(all, {}, cwd);
  return probe.Wait(60) ? probe.Stdout() : "(still running)";
}

TEST(ProcessEdges, TheGameEndsWithExitCodeZeroByF4OrBackOnTheMenu) {
  const struct {
    const char* name;
    std::function<void(Player&)> end;
  } endings[] = {
      {"F4", [](Player& p) { p.Tap("F4"); }},
      // The menu reads the key's state: held until the program is gone.
      {"Escape on the menu", [](Player& p) { p.Press({"Escape"}, [](const Shot&) { return false; }, 1); }},
  };
  for (const auto& e : endings) {
    Player p;
    ASSERT_TRUE(p.Start()) << p.Output();
    ASSERT_TRUE(p.WaitFor(MenuScreen)) << e.name;
    e.end(p);
    ASSERT_TRUE(p.Ended(Player::patience)) << e.name;
    EXPECT_EQ(p.Process().ExitCode(), 0) << e.name << p.Output();
    EXPECT_EQ(p.Process().Stdout(), "opening openal device\nHighscores Loaded\n") << e.name;
    EXPECT_FALSE(FileExists(p.StatePath())) << e.name << ": nothing was played, nothing saved";
  }
}

TEST(ProcessEdges, RuntimeErrorsSignalsAndTheDebuggerStopGiveTheirExitCodes) {
  StartXvfb();
  const struct {
    std::vector<std::string> args;
    const char* input;
    int code;
    const char *out, *err;  // null: not checked
  } cases[] = {
      {{"error", "Boom happened"}, "", 255, "started\nKestro Runtime Error : Boom happened\n\n",
       "{{~~(null)~~}}\n\n"},
      {{"error", "E"}, "?\nq\n", 0, nullptr, nullptr},  // '?' ignored, 'q' quits
      {{"error", "E"}, "r\n", 255, "started\nKestro Runtime Error : E\n\nKestro Runtime Error : E\n\n", nullptr},
      {{"error", "E"}, "zap\n", 255, "started\nKestro Runtime Error : E\n\n????? zap ?????", nullptr},
      // An address the collector does not know is never dereferenced.
      {{"error", "E"}, "@0x1234\nq\n", 0, nullptr, "{{~~(null)~~}}\n\n\n"},
      {{"signal", "11"}, "", 255, "started\nKestro Runtime Error : Memory access violation\n\n", nullptr},
      {{"signal", "8"}, "", 255, "started\nKestro Runtime Error : Floating point exception\n\n", nullptr},
      {{"signal", "4"}, "", 255, "started\nKestro Runtime Error : Illegal instruction\n\n", nullptr},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {ToolPath("kestro_probe")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult r = RunCommand(args, 60, {}, c.input);
    SCOPED_TRACE(c.args[0] + " / " + c.input);
    EXPECT_EQ(r.exit_code, c.code);
    EXPECT_EQ(r.out, c.out ? c.out : r.out);
    EXPECT_EQ(r.err, c.err ? c.err : r.err);
  }
}

// The saver writes two large texts in turn; it is killed right after the
// test sees each step of a save happen: the temporary file created, its
// bytes written, closed, renamed into place.
TEST(ProcessEdges, ASaveKilledAtAnyStepLeavesTheOldOrTheNewFileWhole) {
  const std::string work = MakeTempDir("save-kill"), expected = MakeTempDir("save-expected");
  const std::string first = "the first state";
  WriteFile(work + "/.kestrostate", first);
  const struct {
    std::uint32_t mask;
    const char* step;
  } steps[] = {{IN_CREATE, "created"}, {IN_MODIFY, "written"}, {IN_CLOSE_WRITE, "closed"}, {IN_MOVED_TO, "renamed"}};
  for (const auto& step : steps) {
    for (int nth : {1, 4}) {
      FileWatch watch(work, IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO);
      ChildProcess saver;
      saver.Start({ToolPath("kestro_probe"), "saveloop", expected}, {}, work);
      FileWatch::Event e;
      int seen = 0;
      for (int n = 0; seen < nth && n < 1000 && watch.Next(&e, 60); ++n) seen += (e.mask & step.mask) != 0;
      saver.Kill(SIGKILL);
      EXPECT_EQ(seen, nth) << "no save step '" << step.step << "' seen " << saver.Stderr();
      const std::string state = ReadFile(work + "/.kestrostate");
      EXPECT_TRUE(state == first || state == ReadFile(expected + "/a.expected") ||
                  state == ReadFile(expected + "/b.expected"))
          << "killed after save step '" << step.step << "' #" << nth << ": " << state.size()
          << " bytes that are neither the old nor the new state";
    }
  }
  // The next save clears the temporaries killed savers left behind.
  EXPECT_EQ(Probe({"save", "done"}, work), "0\n");
  std::vector<std::string> left;
  for (const auto& f : fs::directory_iterator(work)) left.push_back(f.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{".kestrostate"});
  EXPECT_EQ(ReadFile(work + "/.kestrostate"), "done");
}

// Install folders named with spaces and accents, an emoji, or a byte that is
// no UTF-8 at all: the data beside the executable loads. A hostile image
// header is refused without taking its memory.
TEST(ProcessEdges, FilesAreFoundBesideTheExecutableWhateverItsFolderIsCalled) {
  const std::string root = MakeTempDir("install"), work = MakeTempDir("files-cwd");
  const std::string accented = root + "/Games dir/\xC3\xA9t\xC3\xA9";
  for (const std::string& base : {accented, root + "/Tazmelo \xF0\x9F\x8E\xAE", root + "/Spiele \xFC" "ber"}) {
    fs::create_directories(base + "/cache");
    fs::copy_file(ToolPath("kestro_probe"), base + "/probe");
    fs::create_directory_symlink(KESTRO_BIN_DIR "/data", base + "/data");
    WriteFile(base + "/cache/note.txt", "x");
    EXPECT_EQ(Probe({"image", "kestro://data/common/dpad.png"}, work, base + "/probe").rfind("null", 0), std::string::npos)
        << base;
  }
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"path", "kestro://data/gfx/menu.png"}, accented + "/data/gfx/menu.png\n"},
      {{"path", "kestro://internal/save.txt"}, accented + "/internal/save.txt\n"},
      {{"path", "kestro://cache/x.txt"}, "\n"},
      {{"open", "kestro://cache/note.txt"}, "null\n"},  // no such area, whatever lies there
      {{"open", "kestro://data/common"}, "null\n"},     // a folder is not a file
  };
  for (const auto& [args, out] : cases) EXPECT_EQ(Probe(args, work, accented + "/probe"), out) << args[1];

  std::string huge = ReadFile(KESTRO_BIN_DIR "/data/common/dpad.png"), long_chunk = huge;
  for (int i = 0; i < 4; ++i) huge[16 + i] = huge[20 + i] = "\0\0\x40\0"[i];  // 16384 x 16384
  const std::size_t idat = long_chunk.find("IDAT") - 4;
  for (int i = 0; i < 4; ++i) long_chunk[idat + i] = "\x3f\xff\xff\xff"[i];  // far past the end
  for (const std::string& bytes : {huge, long_chunk}) {
    WriteFile(work + "/bad.png", bytes);
    const std::string out = Probe({"image", work + "/bad.png"});
    ASSERT_EQ(out.substr(0, 20), "null largest-malloc ") << out;
    EXPECT_LT(std::stoll(out.substr(20)), 1 << 20);  // -1 when sanitized
  }
  RunCommand({"rm", "-rf", root, work});
}

}  // namespace
