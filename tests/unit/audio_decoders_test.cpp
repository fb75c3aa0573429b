// The WAV and Ogg Vorbis readers against what sox decodes from the same
// files (made by sox and oggenc, or written byte by byte where no tool makes
// the layout), hostile headers that must be refused without crashing or
// over-allocating, and the host's choice of reader by file extension.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/decoders.h"
#include "host/glfw_game.h"
#include "support/audio_capture.h"
#include "support/process.h"

namespace {

using namespace testing_support;

struct Decoded {
  bool ok = false;
  int length = -1, channels = -1, format = -1, hertz = -1;
  std::string pcm;  // length x channels x format bytes
};

Decoded FromBlock(unsigned char* data, int length, int channels, int format, int hertz) {
  Decoded d;
  if (!data) return d;
  d.ok = true;
  d.length = length, d.channels = channels, d.format = format, d.hertz = hertz;
  d.pcm.assign(reinterpret_cast<char*>(data), (std::size_t)length * channels * format);
  std::free(data);
  return d;
}

using Reader = unsigned char* (*)(FILE*, int*, int*, int*, int*);

// Decodes bytes in memory, as the fuzz targets do.
Decoded DecodeBytes(Reader reader, const std::string& bytes) {
  std::string copy = bytes.empty() ? std::string(1, '\0') : bytes;
  FILE* f = fmemopen(&copy[0], bytes.size() ? bytes.size() : 1, "rb");
  if (bytes.empty()) std::fgetc(f);  // an empty stream
  int length = -1, channels = -1, format = -1, hertz = -1;
  unsigned char* data = reader(f, &length, &channels, &format, &hertz);
  std::fclose(f);
  return FromBlock(data, length, channels, format, hertz);
}

Decoded DecodeFile(Reader reader, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  EXPECT_NE(f, nullptr) << path;
  if (!f) return {};
  int length = -1, channels = -1, format = -1, hertz = -1;
  unsigned char* data = reader(f, &length, &channels, &format, &hertz);
  // The reader leaves the file open: this close must succeed.
  EXPECT_EQ(std::fclose(f), 0);
  return FromBlock(data, length, channels, format, hertz);
}

// What sox decodes: raw little-endian samples in the file's own width.
std::string SoxRaw(const std::string& path, int bits) {
  std::string out = path + ".raw";
  RunResult r = RunCommand({"sox", path, "-t", "raw", "-e",
                            bits == 8 ? "unsigned-integer" : "signed-integer", "-b",
                            std::to_string(bits), "-L", "-D", out});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return ReadFile(out);
}

int SoxInfo(const std::string& flag, const std::string& path) {
  RunResult r = RunCommand({"soxi", flag, path});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return std::atoi(r.out.c_str());
}

bool RunTool(const std::vector<std::string>& args) {
  RunResult r = RunCommand(args, 60);
  EXPECT_EQ(r.exit_code, 0) << args[0] << ": " << r.err;
  return r.exit_code == 0;
}

// ---- Writing WAV files by hand ---------------------------------------------
std::string le16(unsigned v) { return {char(v & 255), char(v >> 8 & 255)}; }
std::string le32(std::uint32_t v) {
  return {char(v & 255), char(v >> 8 & 255), char(v >> 16 & 255), char(v >> 24 & 255)};
}
std::string chunk(const std::string& tag, const std::string& body) {
  return tag + le32((std::uint32_t)body.size()) + body;
}

struct Fmt {
  unsigned audio_format = 1, channels = 2;
  std::uint32_t rate = 44100;
  unsigned block_align = 4, bits = 16;
  std::string extra;  // bytes after the 16 standard ones
};

std::string fmt_body(const Fmt& f) {
  return le16(f.audio_format) + le16(f.channels) + le32(f.rate) +
         le32(f.rate * f.block_align) + le16(f.block_align) + le16(f.bits) + f.extra;
}

std::string riff(const std::string& chunks) { return "RIFF" + le32(4 + chunks.size()) + "WAVE" + chunks; }

std::string pcm_pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = char(i * 7 + 3);
  return s;
}

// ---- Ogg pages: patching a header field means recomputing the page CRC ------
std::uint32_t ogg_crc(const std::string& page) {
  std::uint32_t crc = 0;
  for (unsigned char c : page) {
    crc ^= (std::uint32_t)c << 24;
    for (int k = 0; k < 8; ++k) crc = crc & 0x80000000u ? crc << 1 ^ 0x04c11db7u : crc << 1;
  }
  return crc;
}

// Rewrites the channel count and rate in the identification header (first
// page) of an Ogg Vorbis file.
std::string patch_ogg_id(std::string ogg, unsigned channels, std::uint32_t rate) {
  std::size_t segments = (unsigned char)ogg[26];
  std::size_t body = 27 + segments;
  std::size_t page_end = body;
  for (std::size_t i = 0; i < segments; ++i) page_end += (unsigned char)ogg[27 + i];
  EXPECT_EQ(ogg.compare(body + 1, 6, "vorbis"), 0);
  ogg[body + 11] = char(channels);
  ogg.replace(body + 12, 4, le32(rate));
  ogg.replace(22, 4, std::string(4, '\0'));
  ogg.replace(22, 4, le32(ogg_crc(ogg.substr(0, page_end))));
  return ogg;
}

class AudioDecoders : public ::testing::Test {
 protected:
  void SetUp() override { dir = MakeTempDir("audio-dec"); }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Path(const std::string& name) const { return dir + "/" + name; }
  std::string dir;
};

// ---- WAV against sox ----------------------------------------------------------

TEST_F(AudioDecoders, WavSamplesMatchSoxForEightAndSixteenBitMonoAndStereo) {
  struct Case {
    const char* name;
    int rate, channels, bits;
    const char* synth;
  } cases[] = {
      {"u8_mono.wav", 22050, 1, 8, "0.25 sine 440"},
      {"u8_stereo.wav", 11025, 2, 8, "0.2 sine 440 sine 660"},
      {"s16_mono.wav", 44100, 1, 16, "0.25 sine 440"},
      {"s16_stereo.wav", 44100, 2, 16, "0.25 sine 440 sine 660"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = Path(c.name);
    ASSERT_TRUE(MakeSound(path, c.rate, c.channels, c.bits, c.synth));
    Decoded d = DecodeFile(LoadWAV, path);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.channels, c.channels);
    EXPECT_EQ(d.format, c.bits / 8);
    EXPECT_EQ(d.hertz, c.rate);
    EXPECT_EQ(d.length, SoxInfo("-s", path));
    EXPECT_TRUE(d.pcm == SoxRaw(path, c.bits)) << "samples differ from sox's";
  }
}

TEST_F(AudioDecoders, StereoSixteenBitDataOfFourThousandBytesIsOneThousandFrames) {
  std::string path = Path("s16_1000.wav");
  ASSERT_TRUE(MakeSound(path, 44100, 2, 16, "1000s sine 440 sine 660"));
  std::string bytes = ReadFile(path);
  ASSERT_EQ(bytes.compare(36, 4, "data"), 0);
  ASSERT_EQ(bytes.substr(40, 4), le32(4000));
  Decoded d = DecodeFile(LoadWAV, path);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.length, 1000);
  EXPECT_EQ(d.pcm.size(), 4000u);
}

TEST_F(AudioDecoders, EighteenByteFmtChunkLoads) {
  // sox writes an 18-byte fmt only for float; build the PCM one by hand and
  // let sox decode the same file.
  std::string data = pcm_pattern(400);
  Fmt f;
  f.extra = le16(0);  // cbSize
  std::string path = Path("fmt18.wav");
  WriteFile(path, riff(chunk("fmt ", fmt_body(f)) + chunk("data", data)));
  Decoded d = DecodeFile(LoadWAV, path);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.length, 100);
  EXPECT_TRUE(d.pcm == data);
  EXPECT_TRUE(d.pcm == SoxRaw(path, 16));
}

TEST_F(AudioDecoders, ListChunkBeforeDataIsSkipped) {
  std::string data = pcm_pattern(800);
  std::string info = "INFO" + chunk("ICMT", std::string("made by hand\0\0", 14));
  std::string path = Path("list_first.wav");
  WriteFile(path, riff(chunk("fmt ", fmt_body(Fmt())) + chunk("LIST", info) + chunk("data", data)));
  Decoded d = DecodeFile(LoadWAV, path);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.length, 200);
  EXPECT_TRUE(d.pcm == SoxRaw(path, 16));
}

TEST_F(AudioDecoders, ListChunkAfterDataDoesNotMatter) {
  std::string plain = Path("plain.wav"), tagged = Path("tagged.wav");
  ASSERT_TRUE(MakeSound(plain, 44100, 1, 16, "0.1 sine 440"));
  ASSERT_TRUE(RunTool({"sndfile-metadata-set", "--str-comment", "x", plain, tagged}));
  Decoded d = DecodeFile(LoadWAV, tagged);
  ASSERT_TRUE(d.ok);
  EXPECT_TRUE(d.pcm == SoxRaw(tagged, 16));
}

TEST_F(AudioDecoders, FloatAndExtensibleWavAreRefused) {
  std::string f32 = Path("f32.wav"), s24 = Path("s24.wav");
  ASSERT_TRUE(RunTool({"sox", "-r", "44100", "-c", "1", "-n", "-b", "32", "-e", "floating-point", f32,
                   "synth", "0.25", "sine", "440"}));
  ASSERT_EQ(ReadFile(f32).substr(16, 6), le32(18) + le16(3));  // fmt 18, IEEE float
  EXPECT_FALSE(DecodeFile(LoadWAV, f32).ok);
  ASSERT_TRUE(MakeSound(s24, 44100, 1, 24, "0.1 sine 440"));  // WAVE_FORMAT_EXTENSIBLE
  EXPECT_FALSE(DecodeFile(LoadWAV, s24).ok);
}

TEST_F(AudioDecoders, EmptyDataChunkGivesAnEmptySound) {
  Decoded d = DecodeBytes(LoadWAV, riff(chunk("fmt ", fmt_body(Fmt())) + chunk("data", "")));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.length, 0);
}

// ---- Hostile WAV headers --------------------------------------------------------

TEST_F(AudioDecoders, InconsistentFmtFieldsAreRefused) {
  auto with = [](Fmt f) { return riff(chunk("fmt ", fmt_body(f)) + chunk("data", pcm_pattern(64))); };
  Fmt zero_channels;
  zero_channels.channels = 0, zero_channels.block_align = 0;
  Fmt zero_bits;
  zero_bits.bits = 0, zero_bits.block_align = 0;
  Fmt twelve_bits;  // packed in 16-bit containers: the width would be wrong
  twelve_bits.bits = 12;
  Fmt bad_block;
  bad_block.block_align = 3;
  Fmt huge_frame;  // 65535 channels x 4 bytes cannot fit the 16-bit block size
  huge_frame.channels = 65535, huge_frame.bits = 32, huge_frame.block_align = 0xFFFC;
  Fmt zero_rate;
  zero_rate.rate = 0;
  Fmt negative_rate;
  negative_rate.rate = 0x80000000u;
  Fmt wide_bits;
  wide_bits.bits = 64, wide_bits.block_align = 16;
  for (const Fmt& f : {zero_channels, zero_bits, twelve_bits, bad_block, huge_frame, zero_rate,
                       negative_rate, wide_bits}) {
    SCOPED_TRACE(testing::Message() << "channels " << f.channels << " bits " << f.bits
                                    << " block " << f.block_align << " rate " << f.rate);
    EXPECT_FALSE(DecodeBytes(LoadWAV, with(f)).ok);
  }
  // The reference layout itself loads.
  EXPECT_TRUE(DecodeBytes(LoadWAV, with(Fmt())).ok);
}

TEST_F(AudioDecoders, SizesBeyondTheFileAreRefused) {
  std::string fmt = chunk("fmt ", fmt_body(Fmt()));
  std::string body = pcm_pattern(100);
  // Data size far beyond the file, within and beyond the size cap.
  for (std::uint32_t size : {101u, 1u << 20, 0x7FFFFFF0u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(size);
    EXPECT_FALSE(DecodeBytes(LoadWAV, riff(fmt) + "data" + le32(size) + body).ok);
  }
  // A chunk before "data" that claims more than the file holds.
  EXPECT_FALSE(
      DecodeBytes(LoadWAV, riff(fmt) + "junk" + le32(0xFFFFFFF0u) + chunk("data", body)).ok);
  // A fmt chunk that claims more than the file holds, or less than its fields.
  EXPECT_FALSE(DecodeBytes(LoadWAV, riff("fmt " + le32(0xFFFFFFFFu) + fmt_body(Fmt()) +
                                         chunk("data", body)))
                   .ok);
  EXPECT_FALSE(DecodeBytes(LoadWAV, riff("fmt " + le32(14) + fmt_body(Fmt()) + chunk("data", body)))
                   .ok);
}

TEST_F(AudioDecoders, EveryTruncationOfAValidFileIsRefused) {
  std::string full = riff(chunk("fmt ", fmt_body(Fmt())) + chunk("LIST", "INFOabcd") +
                          chunk("data", pcm_pattern(40)));
  ASSERT_TRUE(DecodeBytes(LoadWAV, full).ok);
  for (std::size_t n = 0; n < full.size(); ++n) {
    EXPECT_FALSE(DecodeBytes(LoadWAV, full.substr(0, n)).ok) << "prefix of " << n << " bytes";
  }
}

TEST_F(AudioDecoders, ChunkSearchIsBounded) {
  std::string fmt = chunk("fmt ", fmt_body(Fmt()));
  std::string data = chunk("data", pcm_pattern(40));
  std::string few, endless;
  for (int i = 0; i < 10; ++i) few += chunk("junk", "");
  for (int i = 0; i < 100000; ++i) endless += chunk("junk", "");
  EXPECT_TRUE(DecodeBytes(LoadWAV, riff(fmt + few + data)).ok);
  EXPECT_FALSE(DecodeBytes(LoadWAV, riff(fmt + endless + data)).ok);
}

TEST_F(AudioDecoders, NotAWaveFileIsRefused) {
  std::string good = riff(chunk("fmt ", fmt_body(Fmt())) + chunk("data", pcm_pattern(8)));
  std::string rifx = good, wavx = good, fmt_late = riff(chunk("junk", "") + chunk("fmt ", fmt_body(Fmt())) + chunk("data", pcm_pattern(8)));
  rifx[3] = 'X';
  wavx[11] = 'X';
  EXPECT_FALSE(DecodeBytes(LoadWAV, "").ok);
  EXPECT_FALSE(DecodeBytes(LoadWAV, rifx).ok);
  EXPECT_FALSE(DecodeBytes(LoadWAV, wavx).ok);
  EXPECT_FALSE(DecodeBytes(LoadWAV, fmt_late).ok);
}

// ---- Ogg Vorbis -------------------------------------------------------------------

TEST_F(AudioDecoders, OggFromOggencMatchesSox) {
  struct Case {
    const char* name;
    int rate, channels;
    const char* synth;
  } cases[] = {
      {"mono", 22050, 1, "0.5 sine 440"},
      {"stereo", 44100, 2, "0.7 sine 440 sine 660"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string wav = Path(std::string(c.name) + ".wav"), ogg = Path(std::string(c.name) + ".ogg");
    ASSERT_TRUE(MakeSound(wav, c.rate, c.channels, 16, c.synth));
    ASSERT_TRUE(RunTool({"oggenc", "-Q", "-q", "3", "-o", ogg, wav}));
    Decoded d = DecodeFile(LoadOGG, ogg);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.channels, c.channels);
    EXPECT_EQ(d.hertz, c.rate);
    EXPECT_EQ(d.format, 2);
    EXPECT_EQ(d.length, SoxInfo("-s", ogg));
    EXPECT_EQ(d.length, SoxInfo("-s", wav));  // Vorbis keeps the exact length
    EXPECT_TRUE(d.pcm == SoxRaw(ogg, 16)) << "samples differ from sox's";
  }
}

TEST_F(AudioDecoders, OggMadeBySoxDecodes) {
  std::string ogg = Path("b.ogg");
  ASSERT_TRUE(RunTool({"sox", "-r", "22050", "-c", "1", "-n", "-C", "3", ogg, "synth", "0.5", "sine",
                   "440"}));
  Decoded d = DecodeFile(LoadOGG, ogg);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.channels, 1);
  EXPECT_EQ(d.hertz, 22050);
  EXPECT_EQ(d.length, 11025);
  EXPECT_TRUE(d.pcm == SoxRaw(ogg, 16));
}

TEST_F(AudioDecoders, ChainedOggPlaysOnUntilTheFormatChanges) {
  std::string mono = Path("m.wav"), stereo = Path("s.wav");
  ASSERT_TRUE(MakeSound(mono, 8000, 1, 16, "0.25 sine 440"));
  ASSERT_TRUE(MakeSound(stereo, 8000, 2, 16, "0.25 sine 440 sine 660"));
  // Links need serial numbers of their own; oggenc picks one from the clock,
  // so encodes within one second could share it.
  int serial = 0;
  for (const char* name : {"m1", "m2", "s"}) {
    ASSERT_TRUE(RunTool({"oggenc", "-Q", "--serial", std::to_string(++serial), "-o",
                         Path(std::string(name) + ".ogg"), name[0] == 'm' ? mono : stereo}));
  }
  std::string m1 = ReadFile(Path("m1.ogg")), m2 = ReadFile(Path("m2.ogg")), st = ReadFile(Path("s.ogg"));
  Decoded same = DecodeBytes(LoadOGG, m1 + m2);
  ASSERT_TRUE(same.ok);
  EXPECT_EQ(same.length, 4000) << "two links of one format make one sound";
  Decoded mixed = DecodeBytes(LoadOGG, m1 + st);
  ASSERT_TRUE(mixed.ok);
  EXPECT_EQ(mixed.channels, 1);
  EXPECT_EQ(mixed.length, 2000) << "a link with other channels ends the sound";
}

class AudioOggHostile : public AudioDecoders {
 protected:
  void SetUp() override {
    AudioDecoders::SetUp();
    std::string wav = Path("tone.wav"), ogg = Path("tone.ogg");
    ASSERT_TRUE(MakeSound(wav, 44100, 2, 16, "1 sine 440 sine 660"));
    ASSERT_TRUE(RunTool({"oggenc", "-Q", "-q", "3", "-o", ogg, wav}));
    bytes = ReadFile(ogg);
  }
  std::string bytes;
};

TEST_F(AudioOggHostile, GarbageIsRefused) {
  std::string garbage(20000, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 2654435761u) >> 13);
  EXPECT_FALSE(DecodeBytes(LoadOGG, garbage).ok);
  EXPECT_FALSE(DecodeBytes(LoadOGG, "").ok);
  EXPECT_FALSE(DecodeBytes(LoadOGG, "OggS").ok);
  // A WAV file is no Ogg stream.
  EXPECT_FALSE(DecodeBytes(LoadOGG, riff(chunk("fmt ", fmt_body(Fmt())) + chunk("data", "")))
                   .ok);
}

TEST_F(AudioOggHostile, ImpossibleStreamHeadersAreRefused) {
  ASSERT_TRUE(DecodeBytes(LoadOGG, patch_ogg_id(bytes, 2, 44100)).ok);  // the patch itself is sound
  EXPECT_FALSE(DecodeBytes(LoadOGG, patch_ogg_id(bytes, 0, 44100)).ok);
  EXPECT_FALSE(DecodeBytes(LoadOGG, patch_ogg_id(bytes, 2, 0)).ok);
}

TEST_F(AudioOggHostile, DamagedPagesNeverGiveMoreThanTheStreamHolds) {
  Decoded whole = DecodeBytes(LoadOGG, bytes);
  ASSERT_TRUE(whole.ok);
  ASSERT_EQ(whole.length, 44100);
  // Cut anywhere, or with bytes overwritten in the audio pages: either
  // refused or a sound no longer than the original.
  for (std::size_t cut = 0; cut < bytes.size(); cut += 97) {
    Decoded d = DecodeBytes(LoadOGG, bytes.substr(0, cut));
    if (d.ok) {
      EXPECT_LE(d.length, whole.length);
      EXPECT_EQ(d.channels, 2);
    }
  }
  for (std::size_t at = 4000; at + 64 < bytes.size(); at += 331) {
    std::string damaged = bytes;
    for (int k = 0; k < 64; ++k) damaged[at + k] = char(damaged[at + k] ^ (0x5A + k));
    Decoded d = DecodeBytes(LoadOGG, damaged);
    if (d.ok) {
      EXPECT_LE(d.length, whole.length);
    }
  }
}

TEST_F(AudioOggHostile, DecodedSizeAboveTheCapIsRefusedWhole) {
  // One second of 44.1 kHz stereo is 176400 bytes decoded.
  auto decode = [&](std::size_t cap) {
    std::string copy = bytes;
    FILE* f = fmemopen(&copy[0], copy.size(), "rb");
    int length = 0, channels = 0, format = 0, hertz = 0;
    unsigned char* data =
        audio_detail::LoadOGGLimited(f, &length, &channels, &format, &hertz, cap);
    std::fclose(f);
    return FromBlock(data, length, channels, format, hertz);
  };
  EXPECT_FALSE(decode(100000).ok);
  EXPECT_FALSE(decode(176399).ok);
  Decoded d = decode(176400);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.length, 44100);
  EXPECT_GE(kMaxDecodedBytes, std::size_t(64) << 20);  // real tunes fit
}

// ---- The host's choice of reader ------------------------------------------------

TEST_F(AudioDecoders, HostPicksTheReaderByExtensionIgnoringCase) {
  RvGlfwGame host;
  std::string wav = Path("tone.wav"), ogg = Path("TONE.OGG"), mp3 = Path("tone.mp3"),
              upper_wav = Path("TONE.WAV");
  ASSERT_TRUE(MakeSound(wav, 22050, 1, 16, "0.2 sine 440"));
  ASSERT_TRUE(RunTool({"oggenc", "-Q", "-o", ogg, wav}));
  std::filesystem::copy_file(wav, mp3);
  std::filesystem::copy_file(wav, upper_wav);

  auto load = [&](const std::string& path) {
    int length = -1, channels = -1, format = -1, hertz = -1;
    unsigned char* data =
        host.LoadAudioData(String(path.c_str()), &length, &channels, &format, &hertz);
    return FromBlock(data, length, channels, format, hertz);
  };

  long long before = gc_ext_new_bytes.load();
  Decoded o = load(ogg);
  ASSERT_TRUE(o.ok) << "upper-case .OGG is read as Ogg Vorbis";
  EXPECT_EQ(o.format, 2);
  EXPECT_EQ(o.length, 4410);
  EXPECT_EQ(gc_ext_new_bytes.load() - before, 4410 * 2);  // counted as external memory
  EXPECT_TRUE(load(upper_wav).ok);
  EXPECT_TRUE(load(wav).ok);
  EXPECT_FALSE(load(mp3).ok) << ".mp3 loads nothing, whatever it holds";
  EXPECT_FALSE(load(Path("missing.wav")).ok);
  // A WAV file named .ogg goes to the Ogg reader, which refuses it.
  std::filesystem::copy_file(wav, Path("wav_inside.ogg"));
  EXPECT_FALSE(load(Path("wav_inside.ogg")).ok);
}

}  // namespace
