// The application layer's two small containers: an int-keyed red-black tree
// map and a growable stack, both of display modes (what the display-mode
// enumeration needs, nothing more).
//
// Decisions:
// - Keys are ordered by the sign of their true difference; computing a - b
//   in int would overflow for keys far apart and break the order.
// - The insert fix-up is the textbook one (recolour, or rotate once or twice);
//   there is no removal.
#pragma once

#include "app/display_mode.h"

class c_Node : public Object {
 public:
  int m_key = 0;
  c_Node* m_right = nullptr;
  c_Node* m_left = nullptr;
  c_DisplayMode* m_value = nullptr;
  int m_color = 0;  // kRed or kBlack
  c_Node* m_parent = nullptr;

  static constexpr int kRed = -1;
  static constexpr int kBlack = 1;

  c_Node* m_new(int key, c_DisplayMode* value, int color, c_Node* parent);
  void mark() override;
};

class c_Map : public Object {
 public:
  c_Node* m_root = nullptr;

  c_Map* m_new() { return this; }
  void mark() override;

  // Negative, zero or positive as a orders before, with or after b.
  virtual int p_Compare(int a, int b) = 0;

  c_Node* p_FindNode(int key);
  bool p_Contains(int key);
  c_DisplayMode* p_Get(int key);  // null when absent
  // Inserts or replaces; true when the key is new.
  bool p_Set(int key, c_DisplayMode* value);

 private:
  void RotateLeft(c_Node* node);
  void RotateRight(c_Node* node);
  void InsertFixup(c_Node* node);
};

class c_IntMap : public c_Map {
 public:
  c_IntMap* m_new() {
    c_Map::m_new();
    return this;
  }
  int p_Compare(int a, int b) override { return (a > b) - (a < b); }
};

class c_Stack : public Object {
 public:
  Array<c_DisplayMode*> data;
  int length = 0;

  c_Stack* m_new() { return this; }
  void mark() override;

  void p_Push(c_DisplayMode* value);
  // A new array of exactly `length` elements (the empty array when empty).
  Array<c_DisplayMode*> p_ToArray();
};
