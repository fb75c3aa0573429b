// The incremental collector: one heap of gc_objects, four circular lists
// (queued, unmarked, marked, free), two colours that swap meaning at each
// flip, an insertion write barrier (gc_assign), marking paced by allocation,
// and lazy destruction: dead objects are destroyed only when later allocations
// need their bytes.
//
// Collection runs only between host events (gc_collect after each dispatch),
// when no application code is active, so locals are never roots. Every store
// of an object reference into a field, array element or module global must go
// through gc_assign. Only gc_ext_new_bytes may be touched off the main thread.
//
// Verification: with KESTRO_GC_VERIFY=1 in the environment (the tests set it),
// every flip walks the whole graph from the roots and aborts with the class
// name of any reachable object the incremental marking missed, which is how a
// forgotten write barrier shows up.
#pragma once

#include <atomic>
#include <cstddef>
#include <type_traits>

#include "runtime/object.h"

// Tunables.
constexpr long long kGcBudgetBytes = 8 << 20;  // allocation per cycle (8 MiB)
constexpr int kGcSmallLimit = 64;              // blocks below this are cached

extern int gc_markbit;
extern gc_object gc_queued_list;
extern gc_object gc_unmarked_list;
extern gc_object gc_marked_list;
extern gc_object gc_free_list;
extern gc_object* gc_cache[8];
extern long long gc_new_bytes;
extern std::atomic<long long> gc_ext_new_bytes;
extern long long gc_alloced_bytes;
extern long long gc_marked_bytes;
extern long long gc_free_bytes;

// Returns a block of at least `size` bytes; the gc_object constructor that
// runs in it next adopts it into the heap.
void* gc_object_alloc(std::size_t size);
// The same, with every byte 0.
void* gc_object_alloc_zeroed(std::size_t size);
void gc_object_free(gc_object* p);

// Makes the four lists empty (start-up).
void gc_init_lists();

void gc_mark_object(gc_object* p);    // mark now and recurse into mark()
void gc_mark_q_object(gc_object* p);  // queue (write barrier, roots)

template <class T>
inline gc_object* gc_as_object(T* p) {
  if constexpr (std::is_base_of_v<gc_object, T>) {
    return static_cast<gc_object*>(p);
  } else {
    return p ? dynamic_cast<gc_object*>(p) : nullptr;
  }
}
inline gc_object* gc_as_object(std::nullptr_t) { return nullptr; }

template <class T>
inline void gc_mark(T* p) {
  gc_mark_object(gc_as_object(p));
}
template <class T>
inline void gc_mark_q(T* p) {
  gc_mark_q_object(gc_as_object(p));
}

// The write barrier: queue the new value, then store it.
template <class T, class U>
inline void gc_assign(T*& target, U* value) {
  gc_mark_q(value);
  target = value;
}
template <class T>
inline void gc_assign(T*& target, std::nullptr_t) {
  target = nullptr;
}

void gc_mark();  // queue every registered root
void gc_mark_queued(long long limit);
void gc_collect();

// External memory (decoded images, audio, file data) counts toward the
// budget; safe from any thread.
inline void gc_ext_malloced(long long bytes) {
  gc_ext_new_bytes.fetch_add(bytes, std::memory_order_relaxed);
}

// Modules register their globals: `init` gives them their start values (run
// by rvInit in ascending `order`), `mark` queues those that hold objects or
// arrays (run by gc_mark()). Either may be null.
struct rv_module {
  rv_module(int order, void (*init)(), void (*mark)());
};
void rv_run_module_inits();

// Extra root for verification only (the host's delegate, which the host marks
// itself before each step).
extern gc_object* (*gc_verify_extra_root)();
extern bool gc_verify_enabled;
void gc_verify();  // walks the graph from the roots; aborts on a missed object

// Statistics for benchmarks and tests.
struct gc_stats_t {
  long long flips;
  long long objects_destroyed;
};
extern gc_stats_t gc_stats;
bool gc_is_live(const void* p);  // p is a collected object in a live list

// Gives every registered module global its start value.
void rvInit();
