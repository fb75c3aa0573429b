// Data buffers: what a caller sees through bytes and strings, clipping at
// every edge, hostile addresses that must not touch memory outside the
// block, the encoding error, loading from files.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "host/game.h"
#include "net/databuffer.h"
#include "net/errors.h"
#include "net/thread.h"
#include "support/net_support.h"
#include "support/printers.h"

namespace {

using testing_support::Keep;

c_DataBuffer* Buffer(int length, int fill = 0) {
  c_DataBuffer* b = (new c_DataBuffer())->m_new(length);
  for (int i = 0; i < length; ++i) b->data[i] = (unsigned char)fill;
  return b;
}

std::string Bytes(c_DataBuffer* b, int from, int to) {
  return std::string(reinterpret_cast<char*>(b->data) + from, (std::size_t)(to - from));
}

c_DataBuffer* FromBytes(const std::string& bytes) {
  c_DataBuffer* b = Buffer((int)bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) b->data[i] = (unsigned char)bytes[i];
  return b;
}

// ---- Strings ----------------------------------------------------------------

TEST(NetDataBufferStrings, PokeEncodesUtf8AndAscii) {
  c_DataBuffer* b = Buffer(8, 0x55);
  EXPECT_EQ(b->p_PokeString(0, String(u"\u00e9"), String("utf8")), 2);
  EXPECT_EQ(Bytes(b, 0, 3), "\xC3\xA9\x55");
  EXPECT_EQ(b->p_PokeString(0, String(u"\u00e9"), String("ascii")), 1);
  EXPECT_EQ(Bytes(b, 0, 2), "\xE9\xA9");
  // Three-byte units, and each surrogate of a pair encoded by itself.
  EXPECT_EQ(b->p_PokeString(0, String(u"\u20ac"), String("utf8")), 3);
  EXPECT_EQ(Bytes(b, 0, 3), "\xE2\x82\xAC");
  EXPECT_EQ(b->p_PokeString(0, String(u"\U0001F600"), String("utf8")), 6);
  EXPECT_EQ(Bytes(b, 0, 6), "\xED\xA0\xBD\xED\xB8\x80");
}

TEST(NetDataBufferStrings, PokeNearTheEndWritesWhatFitsAndReportsTheFullSize) {
  c_DataBuffer* b = Buffer(100, 0x55);
  EXPECT_EQ(b->p_PokeString(95, String("0123456789"), String("ascii")), 10);
  EXPECT_EQ(Bytes(b, 94, 100), "\x55" "01234");
  // A three-byte character cut by the end keeps only its first bytes.
  EXPECT_EQ(b->p_PokeString(98, String(u"\u20ac"), String("utf8")), 3);
  EXPECT_EQ(Bytes(b, 98, 100), "\xE2\x82");
}

TEST(NetDataBufferStrings, PeekDecodesUtf8OrFallsBackToOneCharacterPerByte) {
  EXPECT_EQ(FromBytes("\xC3\xA9" "A")->p_PeekString2(0, String("utf8")), String(u"\u00e9A"));
  EXPECT_EQ(FromBytes("\xE9" "A")->p_PeekString2(0, String("utf8")), String(u"\u00e9A"));
  EXPECT_EQ(FromBytes("\xE9" "A")->p_PeekString2(0, String("ascii")), String(u"\u00e9A"));
  EXPECT_EQ(FromBytes("x\xE2\x82\xAC")->p_PeekString2(0, String("utf8")), String(u"x\u20ac"));
  // A four-byte sequence, a stray continuation, a sequence cut by the end:
  // the whole text falls back, byte by byte.
  EXPECT_EQ(FromBytes("a\xF0\x9F\x98\x80")->p_PeekString2(0, String("utf8")),
            String(u"a\u00f0\u009f\u0098\u0080"));
  EXPECT_EQ(FromBytes("\xC3\xA9\x80")->p_PeekString2(0, String("utf8")),
            String(u"\u00c3\u00a9\u0080"));
  EXPECT_EQ(FromBytes("\xC3\xA9\xE2\x82")->p_PeekString2(0, String("utf8")),
            String(u"\u00c3\u00a9\u00e2\u0082"));
  // A count is clipped to the bytes left.
  EXPECT_EQ(FromBytes("hello")->p_PeekString(3, 100, String("ascii")), String("lo"));
}

TEST(NetDataBufferStrings, RoundTripOfEveryUnitBelowTheSurrogates) {
  c_DataBuffer* b = Buffer(3);
  for (int c = 1; c < 0xD800; c += 7) {
    int n = b->p_PokeString(0, String::FromChar(c), String("utf8"));
    ASSERT_EQ(b->p_PeekString(0, n, String("utf8")), String::FromChar(c)) << c;
  }
}

TEST(NetDataBufferStringsDeathTest, UnknownEncodingIsARuntimeError) {
  c_DataBuffer* b = Keep(Buffer(4));
  EXPECT_RUNTIME_ERROR(b->p_PokeString(0, String("x"), String("UTF8")),
                       std::string(net_errors::kInvalidEncoding) + "UTF8");
  EXPECT_RUNTIME_ERROR(b->p_PeekString(0, 0, String("latin1")),
                       std::string(net_errors::kInvalidEncoding) + "latin1");
}

// ---- Bytes ------------------------------------------------------------------

TEST(NetDataBufferBytes, PeekSignExtendsAndClipsToTheBytesLeft) {
  c_DataBuffer* b = Buffer(100);
  b->data[98] = 0xE9;
  b->data[99] = 0x41;
  Array<int> got = b->p_PeekBytes2(98, 10);
  ASSERT_EQ(got.Length(), 2);
  EXPECT_EQ(got[0], -23);
  EXPECT_EQ(got[1], 0x41);
  EXPECT_EQ(b->p_PeekBytes2(100, 1).Length(), 0);
}

TEST(NetDataBufferBytes, PokeAndPeekClipToTheArrayAndTheBuffer) {
  c_DataBuffer* b = Buffer(6, 0);
  Array<int> src(4);
  for (int i = 0; i < 4; ++i) src[i] = 0x100 + 0x61 + i;  // only the low 8 bits land
  b->p_PokeBytes(1, src, 2, 10);  // two elements left in the array
  EXPECT_EQ(Bytes(b, 0, 4), std::string("\0cd\0", 4));
  b->p_PokeBytes(4, src, 0, 4);  // two bytes left in the buffer
  EXPECT_EQ(Bytes(b, 4, 6), "ab");
  Array<int> dst(3);
  b->p_PeekBytes(4, dst, 1, 5);
  EXPECT_EQ(dst[0], 0);
  EXPECT_EQ(dst[1], 'a');
  EXPECT_EQ(dst[2], 'b');
}

TEST(NetDataBufferBytes, CopyWithinOneBufferIsRightInBothDirections) {
  c_DataBuffer* up = FromBytes("abcdef");
  up->p_CopyBytes(0, up, 1, 4);
  EXPECT_EQ(Bytes(up, 0, 6), "aabcdf");
  c_DataBuffer* down = FromBytes("abcdef");
  down->p_CopyBytes(1, down, 0, 4);
  EXPECT_EQ(Bytes(down, 0, 6), "bcdeef");
  c_DataBuffer* small = FromBytes("xy");
  FromBytes("abcdef")->p_CopyBytes(2, small, 1, 10);  // clipped to the destination
  EXPECT_EQ(Bytes(small, 0, 2), "xc");
}

TEST(NetDataBufferBytes, HostileAddressesAndCountsTouchNothingOutsideTheBlock) {
  // Under AddressSanitizer any access outside the 16-byte block fails here.
  c_DataBuffer* b = Buffer(16, 0x55);
  c_DataBuffer* other = Buffer(16, 0x11);
  Array<int> arr(4);
  const int addresses[] = {-1, -1000000, INT_MIN, 17, 1 << 30, INT_MAX};
  for (int at : addresses) {
    b->p_PokeBytes(at, arr, 0, 4);
    b->p_PeekBytes(at, arr, 0, 4);
    EXPECT_EQ(b->p_PeekBytes2(at, 4).Length(), 0) << at;
    EXPECT_EQ(b->p_PeekString(at, 4, String("ascii")), String()) << at;
    EXPECT_EQ(b->p_PeekString2(at, String("utf8")), String()) << at;
    EXPECT_EQ(b->p_PokeString(at, String("abc"), String("ascii")), 3) << at;
    b->p_CopyBytes(at, other, 0, 4);
    b->p_CopyBytes(0, other, at, 4);
  }
  // Negative offsets into the array, huge counts that would wrap.
  b->p_PokeBytes(0, arr, -2, 4);
  b->p_PeekBytes(0, arr, -2, 4);
  b->p_PeekBytes(0, arr, 5, 4);
  b->p_PokeBytes(8, arr, 0, INT_MAX);  // four zeros at 8
  b->p_CopyBytes(8, b, 4, INT_MAX);    // bytes 8 to 15 move to 4 to 11
  EXPECT_EQ(b->p_PeekBytes2(15, INT_MAX).Length(), 1);
  EXPECT_EQ(b->p_PeekBytes2(0, -5).Length(), 0);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(other->data[i], 0x11) << i;
  EXPECT_EQ(Bytes(b, 0, 16), std::string("UUUU\0\0\0\0UUUUUUUU", 16));
}

// ---- Blocks, files and threads ----------------------------------------------

TEST(NetDataBufferBlocks, ABufferGetsItsBlockOnceAndCountsIt) {
  long long before = gc_ext_new_bytes.load();
  c_DataBuffer* b = Buffer(1000);
  EXPECT_EQ(gc_ext_new_bytes.load() - before, 1000);
  EXPECT_FALSE(b->_New(10));
  EXPECT_EQ(b->p_Length(), 1000);
  b->Discard();
  EXPECT_EQ(b->data, nullptr);
  EXPECT_EQ(b->p_Length(), 0);
  EXPECT_TRUE(b->_New(10));
  c_DataBuffer* empty = Buffer(0);
  EXPECT_EQ(empty->p_Length(), 0);
  EXPECT_EQ(empty->p_PeekString2(0, String("utf8")), String());
  EXPECT_FALSE((new c_DataBuffer())->_New(-1));
}

TEST(NetDataBufferBlocksDeathTest, ASecondAllocationIsARuntimeError) {
  c_DataBuffer* b = Keep(Buffer(4));
  EXPECT_RUNTIME_ERROR(b->m_new(4), net_errors::kAllocateDataBuffer);
  EXPECT_RUNTIME_ERROR((new c_DataBuffer())->m_new(-1), net_errors::kAllocateDataBuffer);
}

class LoadThread : public c_Thread {
 public:
  c_DataBuffer* buffer = nullptr;
  String path;
  void Run__UNSAFE__() override { buffer->_LoadAsync(path, this); }
  void mark() override {
    c_Thread::mark();
    gc_mark_q(buffer);
  }
};

TEST(NetDataBufferBlocks, LoadsWholeFilesOnTheMainThreadAndOnAWorker) {
  RvGame host;  // the base host maps paths to themselves
  std::string dir = testing_support::MakeTempDir("databuffer");
  std::string bytes = "head\xC3\xA9" + std::string(9000, 'z') + "tail";
  testing_support::WriteFile(dir + "/data.bin", bytes);

  c_DataBuffer* loaded = c_DataBuffer::m_Load(String((dir + "/data.bin").c_str()));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(Bytes(loaded, 0, loaded->p_Length()), bytes);
  EXPECT_EQ(c_DataBuffer::m_Load(String((dir + "/missing").c_str())), nullptr);
  EXPECT_FALSE(loaded->_Load(String((dir + "/data.bin").c_str())));  // has a block

  LoadThread* t = Keep(new LoadThread());
  gc_assign(t->buffer, (new c_DataBuffer())->m_new());
  t->path = String((dir + "/data.bin").c_str());
  t->Start();
  ASSERT_TRUE(testing_support::PumpUntil([&] { return !t->IsRunning(); }));
  EXPECT_EQ(t->Result(), t->buffer);
  EXPECT_EQ(Bytes(t->buffer, 0, t->buffer->p_Length()), bytes);

  // A file that is not there leaves the result unset.
  gc_assign(t->buffer, (new c_DataBuffer())->m_new());
  t->path = String((dir + "/missing").c_str());
  t->Start();
  ASSERT_TRUE(testing_support::PumpUntil([&] { return !t->IsRunning(); }));
  EXPECT_EQ(t->Result(), nullptr);
  EXPECT_EQ(t->buffer->data, nullptr);
}

}  // namespace
