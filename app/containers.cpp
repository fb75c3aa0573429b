// The red-black map and the stack of display modes.
#include "app/containers.h"

c_DisplayMode* c_DisplayMode::m_new(int width_, int height_) {
  width = width_;
  height = height_;
  return this;
}

// ---- c_Node -----------------------------------------------------------------

c_Node* c_Node::m_new(int key, c_DisplayMode* value, int color, c_Node* parent) {
  m_key = key;
  gc_assign(m_value, value);
  m_color = color;
  gc_assign(m_parent, parent);
  return this;
}

void c_Node::mark() {
  Object::mark();
  gc_mark_q(m_right);
  gc_mark_q(m_left);
  gc_mark_q(m_value);
  gc_mark_q(m_parent);
}

// ---- c_Map ------------------------------------------------------------------

void c_Map::mark() {
  Object::mark();
  gc_mark_q(m_root);
}

c_Node* c_Map::p_FindNode(int key) {
  c_Node* node = m_root;
  while (node) {
    int cmp = p_Compare(key, node->m_key);
    if (cmp > 0) {
      node = node->m_right;
    } else if (cmp < 0) {
      node = node->m_left;
    } else {
      return node;
    }
  }
  return nullptr;
}

bool c_Map::p_Contains(int key) { return p_FindNode(key) != nullptr; }

c_DisplayMode* c_Map::p_Get(int key) {
  c_Node* node = p_FindNode(key);
  return node ? node->m_value : nullptr;
}

bool c_Map::p_Set(int key, c_DisplayMode* value) {
  c_Node* node = m_root;
  c_Node* parent = nullptr;
  int cmp = 0;
  while (node) {
    parent = node;
    cmp = p_Compare(key, node->m_key);
    if (cmp > 0) {
      node = node->m_right;
    } else if (cmp < 0) {
      node = node->m_left;
    } else {
      gc_assign(node->m_value, value);
      return false;
    }
  }
  node = (new c_Node())->m_new(key, value, c_Node::kRed, parent);
  if (!parent) {
    gc_assign(m_root, node);
  } else if (cmp > 0) {
    gc_assign(parent->m_right, node);
  } else {
    gc_assign(parent->m_left, node);
  }
  InsertFixup(node);
  return true;
}

void c_Map::RotateLeft(c_Node* node) {
  c_Node* child = node->m_right;
  gc_assign(node->m_right, child->m_left);
  if (child->m_left) gc_assign(child->m_left->m_parent, node);
  gc_assign(child->m_parent, node->m_parent);
  if (!node->m_parent) {
    gc_assign(m_root, child);
  } else if (node == node->m_parent->m_left) {
    gc_assign(node->m_parent->m_left, child);
  } else {
    gc_assign(node->m_parent->m_right, child);
  }
  gc_assign(child->m_left, node);
  gc_assign(node->m_parent, child);
}

void c_Map::RotateRight(c_Node* node) {
  c_Node* child = node->m_left;
  gc_assign(node->m_left, child->m_right);
  if (child->m_right) gc_assign(child->m_right->m_parent, node);
  gc_assign(child->m_parent, node->m_parent);
  if (!node->m_parent) {
    gc_assign(m_root, child);
  } else if (node == node->m_parent->m_right) {
    gc_assign(node->m_parent->m_right, child);
  } else {
    gc_assign(node->m_parent->m_left, child);
  }
  gc_assign(child->m_right, node);
  gc_assign(node->m_parent, child);
}

// A red node under a red parent is the only fault an insert can cause; its
// grandparent exists because the root is black.
void c_Map::InsertFixup(c_Node* node) {
  while (node->m_parent && node->m_parent->m_color == c_Node::kRed) {
    c_Node* parent = node->m_parent;
    c_Node* grand = parent->m_parent;
    if (parent == grand->m_left) {
      c_Node* uncle = grand->m_right;
      if (uncle && uncle->m_color == c_Node::kRed) {
        parent->m_color = c_Node::kBlack;
        uncle->m_color = c_Node::kBlack;
        grand->m_color = c_Node::kRed;
        node = grand;
        continue;
      }
      if (node == parent->m_right) {
        node = parent;
        RotateLeft(node);
      }
      node->m_parent->m_color = c_Node::kBlack;
      node->m_parent->m_parent->m_color = c_Node::kRed;
      RotateRight(node->m_parent->m_parent);
    } else {
      c_Node* uncle = grand->m_left;
      if (uncle && uncle->m_color == c_Node::kRed) {
        parent->m_color = c_Node::kBlack;
        uncle->m_color = c_Node::kBlack;
        grand->m_color = c_Node::kRed;
        node = grand;
        continue;
      }
      if (node == parent->m_left) {
        node = parent;
        RotateRight(node);
      }
      node->m_parent->m_color = c_Node::kBlack;
      node->m_parent->m_parent->m_color = c_Node::kRed;
      RotateLeft(node->m_parent->m_parent);
    }
  }
  m_root->m_color = c_Node::kBlack;
}

// ---- c_Stack ------------------------------------------------------------------

void c_Stack::mark() {
  Object::mark();
  gc_mark_q(data);
}

void c_Stack::p_Push(c_DisplayMode* value) {
  if (length == data.Length()) {
    Array<c_DisplayMode*> grown(length * 2 + 10);
    for (int i = 0; i < length; ++i) gc_assign(grown[i], data[i]);
    data = grown;
  }
  gc_assign(data[length], value);
  ++length;
}

Array<c_DisplayMode*> c_Stack::p_ToArray() {
  Array<c_DisplayMode*> out(length);
  for (int i = 0; i < length; ++i) gc_assign(out[i], data[i]);
  return out;
}
