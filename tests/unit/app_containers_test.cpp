// The display-mode map and stack: the red-black map agrees with std::map and
// keeps its colour and black-height rules under random insertions, and both
// containers keep their contents through collections.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <random>

#include "app/containers.h"

namespace {

c_IntMap* root_map = nullptr;
c_Stack* root_stack = nullptr;
rv_module test_roots(1000, nullptr, [] {
  gc_mark_q(root_map);
  gc_mark_q(root_stack);
});

void Flip() {
  gc_ext_malloced(kGcBudgetBytes + 1);
  gc_collect();
  while (gc_free_bytes > 0) (void)Array<char>(4096);
}

c_DisplayMode* Mode(int w, int h) { return (new c_DisplayMode())->m_new(w, h); }

// Checks order, parent links and the red-black rules below `node`; returns
// the subtree's black height (nulls count as one black).
int CheckSubtree(c_Node* node, c_Node* parent, long long low, long long high, int* count) {
  if (!node) return 1;
  ++*count;
  EXPECT_EQ(node->m_parent, parent);
  EXPECT_GT((long long)node->m_key, low);
  EXPECT_LT((long long)node->m_key, high);
  EXPECT_TRUE(node->m_color == c_Node::kRed || node->m_color == c_Node::kBlack);
  if (node->m_color == c_Node::kRed) {
    EXPECT_TRUE(!node->m_left || node->m_left->m_color == c_Node::kBlack) << node->m_key;
    EXPECT_TRUE(!node->m_right || node->m_right->m_color == c_Node::kBlack) << node->m_key;
  }
  int left = CheckSubtree(node->m_left, node, low, node->m_key, count);
  int right = CheckSubtree(node->m_right, node, node->m_key, high, count);
  EXPECT_EQ(left, right) << "black heights differ under " << node->m_key;
  return left + (node->m_color == c_Node::kBlack ? 1 : 0);
}

int CheckTree(c_Map* map) {
  int count = 0;
  if (map->m_root) {
    EXPECT_EQ(map->m_root->m_color, c_Node::kBlack);
  }
  CheckSubtree(map->m_root, nullptr, (long long)INT_MIN - 1, (long long)INT_MAX + 1, &count);
  return count;
}

TEST(IntMap, AgreesWithStdMapAndKeepsItsInvariants) {
  std::mt19937 rng(20240611);
  struct Range {
    int low, high;
  };
  // Dense small keys (many repeats), the display-mode key range, and the
  // whole int range (differences that overflow an int).
  for (Range range : {Range{0, 200}, Range{0, 0x7fffffff}, Range{INT_MIN, INT_MAX}}) {
    gc_assign(root_map, (new c_IntMap())->m_new());
    std::map<int, c_DisplayMode*> reference;
    std::uniform_int_distribution<int> keys(range.low, range.high);
    for (int i = 0; i < 3000; ++i) {
      int key = keys(rng);
      c_DisplayMode* value = Mode(i, key);
      bool fresh = reference.find(key) == reference.end();
      reference[key] = value;
      ASSERT_EQ(root_map->p_Set(key, value), fresh) << key;
      if (i % 500 == 0) {
        Flip();
        ASSERT_EQ(CheckTree(root_map), (int)reference.size());
      }
    }
    ASSERT_EQ(CheckTree(root_map), (int)reference.size());
    for (auto& [key, value] : reference) {
      ASSERT_TRUE(root_map->p_Contains(key));
      ASSERT_EQ(root_map->p_Get(key), value);
    }
    for (int i = 0; i < 1000; ++i) {
      int key = keys(rng);
      EXPECT_EQ(root_map->p_Contains(key), reference.count(key) == 1) << key;
    }
  }
  root_map = nullptr;
}

TEST(IntMap, AscendingAndDescendingInsertsStayBalanced) {
  for (int direction : {1, -1}) {
    c_IntMap* map = (new c_IntMap())->m_new();
    for (int i = 0; i < 1024; ++i) map->p_Set(direction * i, Mode(i, i));
    EXPECT_EQ(CheckTree(map), 1024);
    int depth = 0;
    for (c_Node* n = map->m_root; n; n = n->m_left) ++depth;
    EXPECT_LE(depth, 20);  // 2 log2(n + 1) bounds a red-black tree's height
  }
}

TEST(IntMap, SettingAnExistingKeyReplacesItsValue) {
  c_IntMap* map = (new c_IntMap())->m_new();
  c_DisplayMode* first = Mode(640, 480);
  c_DisplayMode* second = Mode(640, 480);
  EXPECT_TRUE(map->p_Set(7, first));
  EXPECT_FALSE(map->p_Set(7, second));
  EXPECT_EQ(map->p_Get(7), second);
  EXPECT_EQ(map->p_Get(8), nullptr);
  EXPECT_EQ(CheckTree(map), 1);
}

TEST(Stack, GrowsAndGivesAnExactArray) {
  gc_assign(root_stack, (new c_Stack())->m_new());
  EXPECT_EQ(root_stack->p_ToArray().Length(), 0);
  EXPECT_TRUE(root_stack->p_ToArray().IsNull());
  std::vector<c_DisplayMode*> pushed;
  for (int i = 0; i < 75; ++i) {
    pushed.push_back(Mode(i, 2 * i));
    root_stack->p_Push(pushed.back());
    if (i == 10) {
      EXPECT_EQ(root_stack->data.Length(), 30);  // 10, then 2 * 10 + 10
    }
    if (i % 20 == 0) Flip();
  }
  Flip();
  Array<c_DisplayMode*> out = root_stack->p_ToArray();
  ASSERT_EQ(out.Length(), 75);
  for (int i = 0; i < 75; ++i) {
    EXPECT_EQ(out[i], pushed[i]);
    EXPECT_TRUE(gc_is_live(out[i]));
    EXPECT_EQ(out[i]->height, 2 * i);
  }
  root_stack = nullptr;
}

}  // namespace
