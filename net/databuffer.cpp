// Data buffers: block management, clipped byte access and the two string
// encodings.
#include "net/databuffer.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/game.h"
#include "net/errors.h"
#include "net/thread.h"

namespace {

enum class Encoding { kUtf8, kAscii };

Encoding parse_encoding(const String& name) {
  if (name == String("utf8")) return Encoding::kUtf8;
  if (name == String("ascii")) return Encoding::kAscii;
  rvError(String(net_errors::kInvalidEncoding) + name);
}

String bytes_as_units(const unsigned char* bytes, int n) {
  std::vector<Char> units(bytes, bytes + n);
  return String(units.data(), n);
}

inline bool continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

namespace net_detail {

String DecodeUtf8OrBytes(const unsigned char* bytes, int n) {
  std::vector<Char> units;
  units.reserve((std::size_t)n);
  int i = 0;
  while (i < n) {
    unsigned char b = bytes[i];
    if (b < 0x80) {
      units.push_back(b);
      i += 1;
    } else if ((b & 0xE0) == 0xC0 && i + 1 < n && continuation(bytes[i + 1])) {
      units.push_back((Char)(((b & 0x1F) << 6) | (bytes[i + 1] & 0x3F)));
      i += 2;
    } else if ((b & 0xF0) == 0xE0 && i + 2 < n && continuation(bytes[i + 1]) &&
               continuation(bytes[i + 2])) {
      units.push_back(
          (Char)(((b & 0x0F) << 12) | ((bytes[i + 1] & 0x3F) << 6) | (bytes[i + 2] & 0x3F)));
      i += 3;
    } else {
      return bytes_as_units(bytes, n);
    }
  }
  return String(units.data(), (int)units.size());
}

}  // namespace net_detail

// ---- RvDataBuffer -----------------------------------------------------------

RvDataBuffer::~RvDataBuffer() { std::free(data); }

bool RvDataBuffer::_New(int size, unsigned char* bytes) {
  if (data || size < 0) return false;
  if (!bytes) {
    bytes = static_cast<unsigned char*>(std::malloc(size > 0 ? (std::size_t)size : 1));
    if (!bytes) return false;
    gc_ext_malloced(size);
  }
  data = bytes;
  length = size;
  return true;
}

bool RvDataBuffer::_Load(const String& path) {
  if (data || !RvGame::_game) return false;
  int size = 0;
  unsigned char* bytes = RvGame::_game->LoadData(path, &size);
  if (!bytes) return false;
  data = bytes;
  length = size;
  return true;
}

bool RvDataBuffer::_LoadAsync(const String& path, RvThread* thread) {
  // The caller's path is only read, to make a copy this thread alone holds;
  // an empty path (whose representation is shared) is never copied.
  if (data || path.Empty() || !RvGame::_game) return false;
  String own = RvThread::Strdup(path);
  int size = 0;
  unsigned char* bytes = RvGame::_game->LoadData(own, &size);
  if (!bytes) return false;
  data = bytes;
  length = size;
  if (thread) thread->SetResult(this);
  return true;
}

void RvDataBuffer::Discard() {
  std::free(data);
  data = nullptr;
  length = 0;
}

// ---- c_DataBuffer -----------------------------------------------------------

c_DataBuffer* c_DataBuffer::m_new(int size) {
  if (!_New(size)) rvError(String(net_errors::kAllocateDataBuffer));
  return this;
}

c_DataBuffer* c_DataBuffer::m_Load(String path) {
  c_DataBuffer* buffer = (new c_DataBuffer())->m_new();
  return buffer->_Load(path) ? buffer : nullptr;
}

int c_DataBuffer::p_PokeBytes(int address, Array<int> bytes, int offset, int count) {
  int n = net_detail::Room(address, count, length);
  n = net_detail::Room(offset, n, bytes.Length());
  for (int i = 0; i < n; ++i) data[address + i] = (unsigned char)bytes[offset + i];
  return 0;
}

int c_DataBuffer::p_PeekBytes(int address, Array<int> bytes, int offset, int count) {
  int n = net_detail::Room(address, count, length);
  n = net_detail::Room(offset, n, bytes.Length());
  for (int i = 0; i < n; ++i) bytes[offset + i] = (signed char)data[address + i];
  return 0;
}

Array<int> c_DataBuffer::p_PeekBytes2(int address, int count) {
  int n = net_detail::Room(address, count, length);
  Array<int> bytes(n);
  p_PeekBytes(address, bytes, 0, n);
  return bytes;
}

int c_DataBuffer::p_CopyBytes(int address, c_DataBuffer* dst, int dstAddress, int count) {
  if (!dst) return 0;
  int n = net_detail::Room(address, count, length);
  n = net_detail::Room(dstAddress, n, dst->length);
  // memmove copies overlapping ranges of one block correctly either way.
  if (n > 0) std::memmove(dst->data + dstAddress, data + address, (std::size_t)n);
  return 0;
}

int c_DataBuffer::p_PokeString(int address, String str, String encoding) {
  Encoding enc = parse_encoding(encoding);
  // Bytes are written as they are encoded, up to the end of the block; the
  // full size is counted on.
  long long limit = (address >= 0 && address <= length) ? length - address : 0;
  long long size = 0;
  auto put = [&](unsigned b) {
    if (size < limit) data[address + size] = (unsigned char)b;
    ++size;
  };
  for (int i = 0; i < str.Length(); ++i) {
    unsigned c = (unsigned)str[i];
    if (enc == Encoding::kAscii || c < 0x80) {
      put(c & 0xFF);
    } else if (c < 0x800) {
      put(0xC0 | (c >> 6));
      put(0x80 | (c & 0x3F));
    } else {
      put(0xE0 | (c >> 12));
      put(0x80 | ((c >> 6) & 0x3F));
      put(0x80 | (c & 0x3F));
    }
  }
  return size > 0x7fffffff ? 0x7fffffff : (int)size;
}

String c_DataBuffer::p_PeekString(int address, int count, String encoding) {
  Encoding enc = parse_encoding(encoding);
  int n = net_detail::Room(address, count, length);
  if (n == 0) return String();
  const unsigned char* bytes = data + address;
  return enc == Encoding::kAscii ? bytes_as_units(bytes, n)
                                 : net_detail::DecodeUtf8OrBytes(bytes, n);
}

String c_DataBuffer::p_PeekString2(int address, String encoding) {
  // length - address in 64 bits: a hostile address must not wrap the count.
  long long rest = (long long)length - address;
  return p_PeekString(address, rest > 0x7fffffff ? 0 : (int)rest, encoding);
}
