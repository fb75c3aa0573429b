// The collector. See gc.h for the model; the steps below follow it closely.
#include "runtime/gc.h"

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <typeinfo>
#include <unordered_set>
#include <vector>

#include "runtime/array.h"

int gc_markbit = 1;
gc_object gc_queued_list{gc_object::static_tag{}};
gc_object gc_unmarked_list{gc_object::static_tag{}};
gc_object gc_marked_list{gc_object::static_tag{}};
gc_object gc_free_list{gc_object::static_tag{}};
gc_object* gc_cache[8];
long long gc_new_bytes;
std::atomic<long long> gc_ext_new_bytes{0};
long long gc_alloced_bytes;
long long gc_marked_bytes;
long long gc_free_bytes;
gc_stats_t gc_stats;
gc_object* (*gc_verify_extra_root)() = nullptr;
bool gc_verify_enabled = [] {
  const char* v = std::getenv("KESTRO_GC_VERIFY");
  return v && v[0] == '1';
}();

namespace {

inline unsigned block_size(const gc_object* p) { return p->flags & ~7u; }

// Freed blocks are raw storage: their size and the cache links are read and
// written as bytes, never through the destroyed object.
std::size_t flags_offset() {
  static const std::size_t offset = [] {
    alignas(gc_object) unsigned char buf[sizeof(gc_object)];
    gc_object* g = ::new (static_cast<void*>(buf)) gc_object(gc_object::static_tag{});
    std::size_t o = (std::size_t)(reinterpret_cast<char*>(&g->flags) - reinterpret_cast<char*>(g));
    g->~gc_object();
    return o;
  }();
  return offset;
}

unsigned raw_block_size(const void* p) {
  unsigned f;
  std::memcpy(&f, static_cast<const char*>(p) + flags_offset(), sizeof f);
  return f & ~7u;
}

void cache_push(void* p, unsigned size) {
  void* next = gc_cache[size / 8];
  std::memcpy(p, &next, sizeof next);
  gc_cache[size / 8] = static_cast<gc_object*>(p);
}

void* cache_pop(std::size_t size) {
  void* p = gc_cache[size / 8];
  if (p) {
    void* next;
    std::memcpy(&next, p, sizeof next);
    gc_cache[size / 8] = static_cast<gc_object*>(next);
  }
  return p;
}

inline void list_clear(gc_object& head) { head.succ = head.pred = &head; }

inline void list_remove(gc_object* p) {
  p->pred->succ = p->succ;
  p->succ->pred = p->pred;
}

inline void list_append(gc_object& head, gc_object* p) {
  p->succ = &head;
  p->pred = head.pred;
  head.pred->succ = p;
  head.pred = p;
}

// Moves every object of `from` to the tail of `to`; `from` becomes empty.
void list_splice(gc_object& from, gc_object& to) {
  if (from.succ == &from) return;
  gc_object* first = from.succ;
  gc_object* last = from.pred;
  first->pred = to.pred;
  to.pred->succ = first;
  last->succ = &to;
  to.pred = last;
  list_clear(from);
}

// Blocks handed out by gc_object_alloc whose gc_object constructor has not
// run yet. Usually one; more when a constructor argument allocates too.
struct pending_block {
  gc_object* p;
  unsigned size;
};
constexpr int kMaxPending = 16;
pending_block pending[kMaxPending];
int pending_count = 0;

bool verifying = false;
std::unordered_set<gc_object*>* verify_seen = nullptr;
std::vector<gc_object*>* verify_stack = nullptr;

void verify_visit(gc_object* p) {
  if (!p || (p->flags & 3) == 3) return;
  if (!verify_seen->insert(p).second) return;
  if ((p->flags & 3) == (unsigned)gc_markbit) {
    std::fprintf(stderr, "gc_verify: reachable object %p of class %s was not marked\n",
                 static_cast<void*>(p), typeid(*p).name());
    std::abort();
  }
  verify_stack->push_back(p);
}

struct root_entry {
  int order;
  void (*init)();
  void (*mark)();
};
std::vector<root_entry>& modules() {
  static std::vector<root_entry> list;
  return list;
}

}  // namespace

void gc_init_lists() {
  list_clear(gc_queued_list);
  list_clear(gc_unmarked_list);
  list_clear(gc_marked_list);
  list_clear(gc_free_list);
}

void* gc_object::operator new(std::size_t size) { return gc_object_alloc(size); }
void gc_object::operator delete(void* p) { gc_object_free(static_cast<gc_object*>(p)); }

namespace {
void* object_alloc(std::size_t size, bool zeroed) {
  size = (size + 7) & ~std::size_t(7);
  gc_new_bytes += size;

  // Pay for dead objects in proportion to what we take.
  long long target = std::max(gc_free_bytes - (long long)size, 0LL);
  while (gc_free_bytes > target && gc_free_list.succ != &gc_free_list) {
    gc_object* dead = gc_free_list.succ;
    list_remove(dead);
    ++gc_stats.objects_destroyed;
    delete dead;  // class destructor, then gc_object_free
  }

  gc_object* p = nullptr;
  if (size < (std::size_t)kGcSmallLimit && gc_cache[size / 8]) {
    p = static_cast<gc_object*>(cache_pop(size));
    if (zeroed) std::memset(static_cast<void*>(p), 0, size);
  } else {
    if (size > 0xfffffff0u) rv_out_of_memory();
    // calloc leaves fresh pages of a large block untouched, so a big array
    // costs resident memory only where it is written.
    p = static_cast<gc_object*>(zeroed ? std::calloc(size, 1) : std::malloc(size));
    if (!p) rv_out_of_memory();
  }
  if (pending_count == kMaxPending) {
    std::fputs("gc: too many objects under construction at once\n", stderr);
    std::abort();
  }
  pending[pending_count++] = {p, (unsigned)size};
  return p;
}
}  // namespace

void* gc_object_alloc(std::size_t size) { return object_alloc(size, false); }
void* gc_object_alloc_zeroed(std::size_t size) { return object_alloc(size, true); }

gc_object::gc_object() {
  // Adopt the block operator new made for us: new, white, unmarked.
  for (int i = pending_count - 1; i >= 0; --i) {
    if (pending[i].p == this) {
      unsigned size = pending[i].size;
      pending[i] = pending[--pending_count];
      flags = size | (unsigned)gc_markbit;
      list_append(gc_unmarked_list, this);
      gc_alloced_bytes += size;
      return;
    }
  }
  std::fputs("gc: a collected object was constructed without new\n", stderr);
  std::abort();
}

void gc_object_free(gc_object* p) {
  if (!p) return;
  unsigned size = raw_block_size(p);
  gc_free_bytes -= size;
  if (size < (unsigned)kGcSmallLimit) {
    cache_push(p, size);
  } else {
    std::free(p);
  }
}

void gc_mark_object(gc_object* p) {
  if (!p) return;
  if (verifying) return verify_visit(p);
  if ((p->flags & 3) != (unsigned)gc_markbit) return;
  p->flags ^= 1;
  list_remove(p);
  list_append(gc_marked_list, p);
  gc_marked_bytes += block_size(p);
  p->mark();
}

void gc_mark_q_object(gc_object* p) {
  if (!p) return;
  if (verifying) return verify_visit(p);
  if ((p->flags & 3) != (unsigned)gc_markbit) return;
  p->flags ^= 1;
  list_remove(p);
  list_append(gc_queued_list, p);
}

void gc_mark_queued(long long limit) {
  while (gc_marked_bytes < limit && gc_queued_list.succ != &gc_queued_list) {
    gc_object* p = gc_queued_list.succ;
    list_remove(p);
    list_append(gc_marked_list, p);
    gc_marked_bytes += block_size(p);
    p->mark();
  }
}

rv_module::rv_module(int order, void (*init)(), void (*mark)()) {
  auto& list = modules();
  list.push_back({order, init, mark});
  std::stable_sort(list.begin(), list.end(),
                   [](const root_entry& a, const root_entry& b) { return a.order < b.order; });
}

void rv_run_module_inits() {
  for (auto& m : modules()) {
    if (m.init) m.init();
  }
}

void gc_mark() {
  for (auto& m : modules()) {
    if (m.mark) m.mark();
  }
}

void gc_verify() {
  std::unordered_set<gc_object*> seen;
  std::vector<gc_object*> stack;
  verify_seen = &seen;
  verify_stack = &stack;
  verifying = true;
  gc_mark();
  if (gc_verify_extra_root) verify_visit(gc_verify_extra_root());
  while (!stack.empty()) {
    gc_object* p = stack.back();
    stack.pop_back();
    p->mark();
  }
  verifying = false;
  verify_seen = nullptr;
  verify_stack = nullptr;
}

void gc_collect() {
  if (gc_new_bytes + gc_ext_new_bytes.load(std::memory_order_relaxed) > kGcBudgetBytes) {
    // Finish this cycle and start the next.
    gc_ext_new_bytes.fetch_sub(gc_ext_new_bytes.load(std::memory_order_relaxed),
                               std::memory_order_relaxed);
    gc_mark_queued(0x7fffffffffffffffLL);  // everything still queued
    if (gc_verify_enabled) gc_verify();
    if (gc_alloced_bytes != gc_marked_bytes) {
      list_splice(gc_unmarked_list, gc_free_list);
      gc_free_bytes += gc_alloced_bytes - gc_marked_bytes;
    }
    list_clear(gc_unmarked_list);
    list_splice(gc_marked_list, gc_unmarked_list);
    gc_alloced_bytes = gc_marked_bytes;
    gc_marked_bytes = 0;
    gc_markbit ^= 1;
    gc_mark();
    gc_new_bytes = 0;
    ++gc_stats.flips;
  } else {
    long long target =
        gc_new_bytes + (gc_alloced_bytes - gc_new_bytes) * gc_new_bytes / kGcBudgetBytes;
    gc_mark_queued(target);
  }
}

bool gc_is_live(const void* p) {
  for (gc_object* head : {&gc_unmarked_list, &gc_queued_list, &gc_marked_list}) {
    for (gc_object* o = head->succ; o != head; o = o->succ) {
      if (o == p) return true;
    }
  }
  return false;
}

void rvInit() { rv_run_module_inits(); }
