// Data buffers: a fixed-size block of raw bytes that sockets read into and
// write from, with byte-array and string access.
//
// RvDataBuffer is the native part (the block and its length); c_DataBuffer
// adds the framework operations. Both are collected objects; the block is
// malloc'ed, counted as external memory, and freed by Discard or the
// destructor.
//
// Decisions:
// - Every byte operation clips its count to the block and to the array or
//   second buffer involved. An address or offset outside its block or array
//   (negative, or past the end) moves nothing: it never touches memory
//   outside the block. Arithmetic is done in 64 bits so huge counts cannot
//   wrap.
// - Encodings are "utf8" and "ascii", exactly; anything else is the runtime
//   error "Invalid string encoding:" followed by the name. UTF-8 encodes each
//   16-bit unit alone (1 to 3 bytes); decoding falls back to one character
//   per byte when the bytes are not valid UTF-8 of that kind.
// - A zero-length buffer still owns a (one-byte) block, so "has a block" and
//   "length" stay independent.
//
// Threads: _LoadAsync may run on a worker; it touches only its own buffer, a
// private copy of the path, the host's loader and the thread's result. All
// other operations belong to the main thread (strings and arrays are made).
#pragma once

#include "runtime/kestro.h"

class RvThread;

class RvDataBuffer : public Object {
 public:
  unsigned char* data = nullptr;  // owned (malloc/free); null when none
  int length = 0;

  ~RvDataBuffer() override;

  // False when the buffer already has a block. Takes ownership of `bytes`
  // when given, otherwise allocates `length` bytes (contents undefined).
  bool _New(int length, unsigned char* bytes = nullptr);
  // The host's LoadData; false when the buffer has a block or nothing loaded.
  bool _Load(const String& path);
  // _Load written for a worker thread: works on a private copy of the path
  // and, on success, sets the thread's result to this buffer.
  bool _LoadAsync(const String& path, RvThread* thread);
  void Discard();
};

class c_DataBuffer : public RvDataBuffer {
 public:
  c_DataBuffer* m_new(int length);
  c_DataBuffer* m_new() { return this; }
  // A new buffer filled from a file, or null.
  static c_DataBuffer* m_Load(String path);

  int p_Length() { return length; }
  int p_PokeBytes(int address, Array<int> bytes, int offset, int count);
  int p_PeekBytes(int address, Array<int> bytes, int offset, int count);
  Array<int> p_PeekBytes2(int address, int count);
  int p_CopyBytes(int address, c_DataBuffer* dst, int dstAddress, int count);
  // Gives the full encoded size, also when fewer bytes fitted.
  int p_PokeString(int address, String str, String encoding);
  String p_PeekString(int address, int count, String encoding);
  String p_PeekString2(int address, String encoding);
};

namespace net_detail {

// Bytes that may move at `at` in a block of `size` when `count` are asked:
// 0 when `at` lies outside [0, size] or count is not positive.
inline int Room(long long at, long long count, long long size) {
  if (at < 0 || at > size || count <= 0) return 0;
  return (int)(count < size - at ? count : size - at);
}

// Decodes bytes as the buffers do: UTF-8 of 1 to 3 bytes per unit, or, when
// that fails anywhere, one unit per byte.
String DecodeUtf8OrBytes(const unsigned char* bytes, int n);

}  // namespace net_detail
