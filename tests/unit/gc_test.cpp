// The collector: objects survive through the write barrier, die lazily,
// external bytes force a flip, empty arrays are never collected, and the
// verifier catches a store that bypassed the barrier.
#include <gtest/gtest.h>

#include "runtime/kestro.h"

namespace {

int destroyed = 0;

class Node : public Object {
 public:
  Node* next = nullptr;
  Array<int> numbers;
  ~Node() override { ++destroyed; }
  void mark() override {
    gc_mark_q(next);
    gc_mark_q(numbers);
  }
};

Node* test_root = nullptr;
rv_module test_roots(1000, nullptr, [] { gc_mark_q(test_root); });

void force_flip() {
  long long flips = gc_stats.flips;
  gc_ext_malloced(kGcBudgetBytes + 1);
  gc_collect();
  ASSERT_EQ(gc_stats.flips, flips + 1);
}

// Makes later allocations pay for every dead object.
void destroy_dead() {
  while (gc_free_bytes > 0) (void)Array<char>(4096);
}

bool on_list(gc_object& head, gc_object* p) {
  for (gc_object* o = head.succ; o != &head; o = o->succ) {
    if (o == p) return true;
  }
  return false;
}

TEST(Collector, BarrierKeepsNewObjectsAliveAcrossFlips) {
  test_root = nullptr;
  gc_assign(test_root, new Node());
  force_flip();
  force_flip();  // root is now an old, black object of the new cycle
  gc_collect();

  Node* child = new Node();
  gc_assign(test_root->next, child);
  child->numbers = Array<int>(10);
  child->numbers[3] = 7;

  int before = destroyed;
  force_flip();
  force_flip();
  destroy_dead();
  EXPECT_EQ(destroyed, before);
  EXPECT_TRUE(gc_is_live(child));
  EXPECT_EQ(test_root->next->numbers[3], 7);
  test_root = nullptr;
}

class Orphan : public Node {
 public:
  bool* gone;
  explicit Orphan(bool* g) : gone(g) {}
  ~Orphan() override { *gone = true; }
};

TEST(Collector, UnreachableObjectsDieLazilyOnLaterAllocation) {
  force_flip();
  bool gone = false;
  Node* orphan = new Orphan(&gone);  // never stored anywhere reachable
  force_flip();
  EXPECT_TRUE(on_list(gc_free_list, orphan));
  EXPECT_FALSE(gone);  // not destroyed at the flip
  destroy_dead();
  EXPECT_TRUE(gone);
}

TEST(Collector, IdleStepMarksNothingNew) {
  test_root = nullptr;
  gc_assign(test_root, new Node());
  for (int i = 0; i < 100; ++i) gc_assign(test_root->next, new Node());
  gc_collect();
  long long marked = gc_marked_bytes;
  gc_collect();
  gc_collect();
  EXPECT_EQ(gc_marked_bytes, marked);
  test_root = nullptr;
}

TEST(Collector, ExternalBytesForceAFlip) {
  gc_collect();
  long long flips = gc_stats.flips;
  gc_ext_malloced(9ll << 20);
  gc_collect();
  EXPECT_EQ(gc_stats.flips, flips + 1);
  EXPECT_LE(gc_ext_new_bytes.load(), 0);
  gc_collect();
  EXPECT_EQ(gc_stats.flips, flips + 1);
}

TEST(Collector, PacingMarksInProportionToAllocation) {
  // A big reachable graph is marked gradually, not all at one step.
  test_root = nullptr;
  force_flip();
  gc_assign(test_root, new Node());
  Node* tail = test_root;
  for (int i = 0; i < 20000; ++i) {
    gc_assign(tail->next, new Node());
    tail = tail->next;
  }
  force_flip();
  long long marked0 = gc_marked_bytes;
  gc_collect();  // no allocation yet: little or nothing to do
  EXPECT_EQ(gc_marked_bytes, marked0);
  for (int i = 0; i < 100; ++i) (void)Array<char>(1000);
  gc_collect();
  EXPECT_GT(gc_marked_bytes, marked0);
  EXPECT_LT(gc_marked_bytes, gc_alloced_bytes);
  test_root = nullptr;
}

TEST(Arrays, EmptyArraysAreSharedAndNeverCollected) {
  Array<int> a, b(0);
  EXPECT_EQ(a.GetRep(), b.GetRep());
  EXPECT_EQ(a.GetRep()->flags & 3, 3u);
  Array<String> s;
  force_flip();
  force_flip();
  destroy_dead();
  EXPECT_EQ(Array<int>().GetRep(), a.GetRep());
  EXPECT_EQ(s.Length(), 0);
  EXPECT_EQ(Array<Node*>(-5).Length(), 0);
}

TEST(Arrays, ElementsStartClearedAndStringsAreReleased) {
  Array<float> f(4);
  Array<bool> b(4);
  Array<Node*> p(4);
  Array<String> s(3);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(f[i], 0.0f);
    EXPECT_FALSE(b[i]);
    EXPECT_EQ(p[i], nullptr);
  }
  String text("kept");
  s[1] = text;
  EXPECT_EQ(text.GetRep()->refs, 2);
  force_flip();  // s is garbage now
  destroy_dead();
  EXPECT_EQ(text.GetRep()->refs, 1);
}

TEST(Arrays, ObjectArraysMarkTheirElements) {
  test_root = nullptr;
  gc_assign(test_root, new Node());
  Array<Node*> nodes(50);
  for (int i = 0; i < 50; ++i) gc_assign(nodes[i], new Node());
  // Keep the array through a field that is not an Array<int>: a tiny holder.
  struct Holder : Object {
    Array<Node*> items;
    void mark() override { gc_mark_q(items); }
  };
  Holder* h = new Holder();
  h->items = nodes;
  // Link the holder from the root through an untyped slot.
  static Holder* holder_root = nullptr;
  static rv_module holder_roots(1001, nullptr, [] { gc_mark_q(holder_root); });
  gc_assign(holder_root, h);
  int before = destroyed;
  force_flip();
  force_flip();
  destroy_dead();
  EXPECT_EQ(destroyed, before);
  for (int i = 0; i < 50; ++i) EXPECT_TRUE(gc_is_live(nodes[i]));
  holder_root = nullptr;
  test_root = nullptr;
}

TEST(Collector, SmallBlocksAreRecycledThroughTheCache) {
  force_flip();
  gc_object* p = new Node();
  void* address = p;
  force_flip();
  destroy_dead();
  bool reused = false;
  for (int i = 0; i < 1000 && !reused; ++i) reused = (void*)new Node() == address;
  EXPECT_TRUE(reused);
}

TEST(CollectorDeathTest, VerifierCatchesAStoreWithoutBarrier) {
  EXPECT_DEATH(
      {
        gc_verify_enabled = true;
        test_root = nullptr;
        gc_assign(test_root, new Node());
        force_flip();
        gc_mark_queued(1ll << 40);  // root is black now
        test_root->next = new Node();  // no barrier
        force_flip();
      },
      "was not marked");
}

}  // namespace
