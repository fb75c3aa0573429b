// The WAV and Ogg readers against sox on the same files (or bytes written by
// hand), hostile files refused without crashing, and the host's choice of reader.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/decoders.h"
#include "host/glfw_game.h"
#include "support/process.h"

namespace {

using namespace testing_support;

struct Decoded {
  bool ok = false;
  int length = -1, channels = -1, format = -1, hertz = -1;
  std::string pcm;
};

using Reader = unsigned char* (*)(FILE*, int*, int*, int*, int*);

Decoded Take(unsigned char* data, int length, int channels, int format, int hertz) {
  Decoded d;
  if (!data) return d;
  std::size_t bytes = (std::size_t)length * channels * format;
  d = {true, length, channels, format, hertz, std::string(reinterpret_cast<char*>(data), bytes)};
  std::free(data);
  return d;
}

// Decodes bytes in memory, as the fuzz targets do.
Decoded Decode(Reader reader, std::string bytes) {
  bool empty = bytes.empty();
  if (empty) bytes.push_back(0);
  FILE* f = fmemopen(&bytes[0], bytes.size(), "rb");
  if (empty) std::fgetc(f);
  int l = -1, c = -1, fm = -1, h = -1;
  unsigned char* data = reader(f, &l, &c, &fm, &h);
  EXPECT_EQ(std::fclose(f), 0);  // the reader leaves the file to its caller
  return Take(data, l, c, fm, h);
}

bool Tool(const std::vector<std::string>& args) {
  RunResult r = RunCommand(args, 60);
  EXPECT_EQ(r.exit_code, 0) << args.back() << ": " << r.err;
  return r.exit_code == 0;
}

// A file sox synthesises ("-r 22050 -c 1 -b 8", "0.25 sine 440"); its bytes.
std::string Sox(const std::string& path, const std::string& format, const std::string& synth) {
  Tool({"sh", "-c", "sox -n " + format + " '" + path + "' synth " + synth});
  return ReadFile(path);
}
// What sox reads: a property (soxi), or the samples, raw little-endian.
int Soxi(const char* flag, const std::string& path) {
  return std::atoi(RunCommand({"soxi", flag, path}).out.c_str());
}
std::string SoxRaw(const std::string& path) {
  int bits = Soxi("-b", path);
  Tool({"sox", path, "-t", "raw", "-e", bits == 8 ? "unsigned-integer" : "signed-integer", "-L",
        path + ".raw"});
  return ReadFile(path + ".raw");
}

std::string le16(unsigned v) { return {char(v & 255), char(v >> 8 & 255)}; }
std::string le32(std::uint32_t v) { return le16(v & 0xffff) + le16(v >> 16); }
std::string chunk(const std::string& tag, const std::string& body) {
  return tag + le32((std::uint32_t)body.size()) + body;
}
std::string riff(const std::string& chunks) {
  return "RIFF" + le32(4 + chunks.size()) + "WAVE" + chunks;
}
std::string fmt(unsigned format = 1, unsigned channels = 2, std::uint32_t rate = 44100,
                unsigned align = 4, unsigned bits = 16, const std::string& extra = "") {
  return chunk("fmt ", le16(format) + le16(channels) + le32(rate) + le32(rate * align) +
                           le16(align) + le16(bits) + extra);
}
std::string pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = char(i * 7 + 3);
  return s;
}

class Audio : public ::testing::Test {
 protected:
  void SetUp() override { dir = MakeTempDir("audio"); }
  std::string Path(const std::string& name) const { return dir + "/" + name; }
  std::string dir;
};

TEST_F(Audio, WavMatchesSox) {
  const char* u8 = "-b 8 -e unsigned-integer";
  std::vector<std::pair<std::string, std::string>> files = {
      {"u8_mono.wav",
       Sox(Path("u8_mono.wav"), std::string("-r 22050 -c 1 ") + u8, "0.25 sine 440")},
      {"s16_mono.wav", Sox(Path("s16_mono.wav"), "-r 44100 -c 1 -b 16", "0.25 sine 440")},
      {"s16_1000.wav", Sox(Path("s16_1000.wav"), "-r 44100 -c 2 -b 16", "1000s sine 440 sine 660")},
      {"fmt18.wav", riff(fmt(1, 2, 44100, 4, 16, le16(0)) + chunk("data", pattern(400)))},
      {"list_first.wav",
       riff(fmt() + chunk("LIST", "INFO" + chunk("ICMT", std::string("by hand\0", 8))) +
            chunk("data", pattern(800)))}};
  Tool({"sndfile-metadata-set", "--str-comment", "x", Path("s16_mono.wav"), Path("tagged.wav")});
  files.push_back({"tagged.wav", ReadFile(Path("tagged.wav"))});  // a LIST chunk after the data
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    std::string path = Path(name);
    WriteFile(path, bytes);
    Decoded d = Decode(LoadWAV, bytes);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.channels * 1000000 + d.hertz, Soxi("-c", path) * 1000000 + Soxi("-r", path));
    EXPECT_EQ(d.format * 8, Soxi("-b", path));
    EXPECT_EQ(d.length, Soxi("-s", path));
    EXPECT_TRUE(d.pcm == SoxRaw(path)) << "samples differ from sox's";
  }
  EXPECT_EQ(Decode(LoadWAV, riff(fmt() + chunk("data", ""))).length, 0);
}

TEST_F(Audio, HostileOrUnsupportedWavIsRefused) {
  const std::string data = chunk("data", pattern(64));
  std::string endless;
  for (int i = 0; i < 100000; ++i) endless += chunk("junk", "");
  std::vector<std::string> refused = {
      "",
      riff(fmt(1, 0, 44100, 0) + data),
      riff(fmt(1, 2, 44100, 0, 0) + data),
      riff(fmt(1, 2, 44100, 4, 12) + data),
      riff(fmt(1, 2, 44100, 3) + data),
      riff(fmt(1, 2, 44100, 8) + data),
      riff(fmt(1, 65535, 44100, 0xFFFC, 32) + data),
      riff(fmt(1, 2, 0) + data),
      riff(fmt(1, 2, 0x80000000u) + data),
      riff(fmt(1, 2, 44100, 16, 64) + data),
      riff(fmt(3, 1, 44100, 4, 32, le16(0)) + data),                  // float
      riff(fmt(0xFFFE, 1, 44100, 3, 24, std::string(24, 0)) + data),  // extensible
      riff(fmt() + "junk" + le32(0xFFFFFFF0u) + data),
      riff("fmt " + le32(0xFFFFFFFFu) + fmt().substr(8) + data),
      riff("fmt " + le32(14) + fmt().substr(8) + data),
      riff(chunk("junk", "") + fmt() + data),  // fmt must come first
      riff(fmt() + endless + data),            // the chunk search is bounded
  };
  for (std::uint32_t size : {65u, 1u << 20, 0x7FFFFFF0u, 0xFFFFFFFFu}) {
    refused.push_back(riff(fmt()) + "data" + le32(size) + pattern(64));  // beyond the file
  }
  std::string rifx = riff(fmt() + data), wavx = rifx;
  rifx[3] = 'X';
  wavx[11] = 'X';
  refused.insert(refused.end(), {rifx, wavx});
  const std::string full = riff(fmt() + chunk("LIST", "INFOabcd") + chunk("data", pattern(40)));
  for (std::size_t n = 0; n < full.size(); ++n) refused.push_back(full.substr(0, n));
  for (std::size_t i = 0; i < refused.size(); ++i)
    EXPECT_FALSE(Decode(LoadWAV, refused[i]).ok) << "case " << i;
  EXPECT_TRUE(Decode(LoadWAV, full).ok);
  std::string few;
  for (int i = 0; i < 10; ++i) few += chunk("junk", "");
  EXPECT_TRUE(Decode(LoadWAV, riff(fmt() + few + data)).ok);
}

TEST_F(Audio, OggMatchesSox) {
  Sox(Path("mono.wav"), "-r 22050 -c 1 -b 16", "0.5 sine 440");
  Sox(Path("stereo.wav"), "-r 44100 -c 2 -b 16", "0.7 sine 440 sine 660");
  Tool({"oggenc", "-Q", "-q", "3", "-o", Path("mono.ogg"), Path("mono.wav")});
  Tool({"oggenc", "-Q", "-q", "3", "-o", Path("stereo.ogg"), Path("stereo.wav")});
  Sox(Path("sox.ogg"), "-r 22050 -c 1 -C 3", "0.5 sine 440");
  for (const char* name : {"mono.ogg", "stereo.ogg", "sox.ogg"}) {
    SCOPED_TRACE(name);
    Decoded d = Decode(LoadOGG, ReadFile(Path(name)));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.channels * 1000000 + d.hertz,
              Soxi("-c", Path(name)) * 1000000 + Soxi("-r", Path(name)));
    EXPECT_EQ(d.length, Soxi("-s", Path(name)));
    EXPECT_TRUE(d.pcm == SoxRaw(Path(name))) << "samples differ from sox's";
  }
  EXPECT_EQ(Decode(LoadOGG, ReadFile(Path("stereo.ogg"))).length, Soxi("-s", Path("stereo.wav")));
}

TEST_F(Audio, DamagedOggNeverGivesMoreThanTheStreamHolds) {
  Sox(Path("tone.wav"), "-r 44100 -c 2 -b 16", "1 sine 440 sine 660");
  Tool({"oggenc", "-Q", "-q", "3", "-o", Path("tone.ogg"), Path("tone.wav")});
  const std::string bytes = ReadFile(Path("tone.ogg"));
  ASSERT_EQ(Decode(LoadOGG, bytes).length, 44100);
  std::string garbage(20000, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 2654435761u) >> 13);
  for (const std::string& bad :
       {garbage, std::string(), std::string("OggS"), riff(fmt() + chunk("data", ""))}) {
    EXPECT_FALSE(Decode(LoadOGG, bad).ok);
  }
  for (std::size_t cut = 0; cut < bytes.size(); cut += 97) {
    Decoded d = Decode(LoadOGG, bytes.substr(0, cut));
    EXPECT_TRUE(!d.ok || d.length <= 44100) << d.length;
  }
  for (std::size_t at = 4000; at + 64 < bytes.size(); at += 331) {
    std::string damaged = bytes;
    for (int k = 0; k < 64; ++k) damaged[at + k] = char(damaged[at + k] ^ (0x5A + k));
    Decoded d = Decode(LoadOGG, damaged);
    EXPECT_TRUE(!d.ok || d.length <= 44100) << d.length;
  }
  // A decoded size above the cap is refused whole (one second is 176400 bytes).
  for (std::size_t cap : {176399u, 176400u}) {
    std::string copy = bytes;
    FILE* f = fmemopen(&copy[0], copy.size(), "rb");
    int l, c, fm, h;
    unsigned char* data = audio_detail::LoadOGGLimited(f, &l, &c, &fm, &h, cap);
    Decoded d = Take(data, l, c, fm, h);
    std::fclose(f);
    EXPECT_EQ(d.ok, cap == 176400u) << cap;
  }
}

TEST_F(Audio, TheHostPicksTheReaderByExtensionIgnoringCase) {
  RvGlfwGame host;
  std::string wav = Sox(Path("tone.wav"), "-r 22050 -c 1 -b 16", "0.2 sine 440");
  Tool({"oggenc", "-Q", "-o", Path("TONE.OGG"), Path("tone.wav")});
  WriteFile(Path("TONE.WAV"), wav);
  WriteFile(Path("tone.mp3"), wav);
  WriteFile(Path("wav_inside.ogg"), wav);
  auto load = [&](const char* name) {
    int l = -1, c = -1, f = -1, h = -1;
    unsigned char* data = host.LoadAudioData(String(Path(name).c_str()), &l, &c, &f, &h);
    return Take(data, l, c, f, h);
  };
  long long before = gc_ext_new_bytes.load();
  Decoded ogg = load("TONE.OGG");
  ASSERT_TRUE(ogg.ok);
  EXPECT_EQ(ogg.length, 4410);
  EXPECT_EQ(gc_ext_new_bytes.load() - before, 4410 * 2);  // counted as external memory
  EXPECT_TRUE(load("TONE.WAV").ok);
  EXPECT_TRUE(load("tone.wav").ok);
  for (const char* name : {"tone.mp3", "missing.wav", "wav_inside.ogg"})
    EXPECT_FALSE(load(name).ok) << name;
}

}  // namespace
