// The HTTP client's response path, without a network: the input is what a
// server sends, delivered through the request's receive completion in pieces
// of varying size (chosen from a hash of the input, so corpus files are plain
// responses), followed by the end of the stream (or, for some inputs, a
// failed receive). The request must stay inside its buffers, ask only for
// receives that fit, tell its listener exactly once, and report a failed
// receive or an oversized header as a failure.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "net/http.h"
#include "support/fuzz_support.h"

namespace {

class Listener : public Object, public c_IOnHttpRequestComplete {
 public:
  int calls = 0;
  int p_OnHttpRequestComplete(c_HttpRequest*) override { return ++calls; }
};

// One request and listener for every input, opened afresh each time: the
// 20 KB of buffers are made once, so the heap stays small.
c_HttpRequest* request = nullptr;
Listener* listener = nullptr;
rv_module roots(1000, nullptr, [] {
  gc_mark_q(request);
  gc_mark_q(listener);
});

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = [] {
    fuzz_support::StartRuntime();
    gc_assign(listener, new Listener());
    gc_assign(request, (new c_HttpRequest())->m_new());
    return true;
  }();
  (void)ready;
  if (size > 200000) return 0;
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;

  listener->calls = 0;
  c_HttpRequest* r = request;
  r->p_Open(String("GET"), String("http://h/"), listener);
  r->m_lines->p_Clear();  // as the connect does once the header is encoded
  c_DataBuffer* b = r->m_receiveBuffer;
  size_t at = 0;
  while (at < size && listener->calls == 0) {
    int offset = r->m_receiveOffset;
    int room = b->length - offset;
    if (offset < 0 || room <= 0) __builtin_trap();
    hash = hash * 1103515245u + 12345u;
    size_t piece = 1 + (hash >> 16) % ((hash & 0x100) ? 7 : 3000);
    if (piece > size - at) piece = size - at;
    if (piece > (size_t)room) piece = (size_t)room;
    std::memcpy(b->data + offset, data + at, piece);
    at += piece;
    r->p_OnReceiveComplete(b, offset, (int)piece, nullptr);
  }
  bool reset = listener->calls == 0 && (hash & 0x200) != 0;
  if (listener->calls == 0) r->p_OnReceiveComplete(b, r->m_receiveOffset, reset ? -1 : 0, nullptr);
  if (listener->calls != 1) __builtin_trap();
  // Only an orderly close gives a parsed status, and only after a header
  // within the limit.
  if (r->p_Status() != -1 && (reset || r->m_headerBytes > c_HttpRequest::kMaxHeaderBytes)) {
    __builtin_trap();
  }
  if (r->m_received < 0 || (size_t)r->m_received > size) __builtin_trap();
  if ((size_t)r->p_ResponseText().Length() > size) __builtin_trap();
  if (r->p_Status() == -1 && r->m_responsePieces == nullptr && !r->p_ResponseText().Empty()) {
    __builtin_trap();
  }
  // A flip per input: the garbage of one input is destroyed by the next, so
  // the heap (which the leak checker scans after every input) stays small.
  gc_ext_malloced(kGcBudgetBytes + 1);
  gc_collect();
  return 0;
}
