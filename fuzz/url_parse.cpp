// URL parsing: any text (one unit per input byte) gives parts that are
// pieces of the text, a path that starts with "/" and holds no "?" or "#",
// and a full path that begins with the path.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/url.h"
#include "support/fuzz_support.h"

namespace {

bool piece_of(const String& part, const String& text) {
  return part.Empty() || text.Find(part) != -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = [] {
    fuzz_support::StartRuntime();
    return true;
  }();
  (void)ready;
  if (size > 4096) return 0;
  std::vector<Char> units(data, data + size);
  String text(units.data(), (int)size);
  c_Url* url = (new c_Url())->m_new(text, String("http"), 80);
  if (url->m_path.Empty() || url->m_path[0] != '/') __builtin_trap();
  if (!piece_of(url->m_scheme, text) && url->m_scheme != String("http")) __builtin_trap();
  if (!piece_of(url->m_username, text) || !piece_of(url->m_password, text) ||
      !piece_of(url->m_domain, text) || !piece_of(url->m_query, text) ||
      !piece_of(url->m_fragment, text)) {
    __builtin_trap();
  }
  // The path never holds the query's or the fragment's mark; the full path
  // is the path followed by them.
  if (url->m_path.Find(String("?")) != -1 || url->m_path.Find(String("#")) != -1) __builtin_trap();
  String full = url->p_FullPath();
  if (!full.StartsWith(url->m_path) || full.Length() < url->m_path.Length() +
                                            url->m_query.Length() + url->m_fragment.Length()) {
    __builtin_trap();
  }
  // A flip per input: the garbage of one input is destroyed by the next, so
  // the heap (which the leak checker scans after every input) stays small.
  gc_ext_malloced(kGcBudgetBytes + 1);
  gc_collect();
  return 0;
}
