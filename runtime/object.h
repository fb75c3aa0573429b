// Collected objects: the header every collected block carries, the root class
// of the framework's classes, and the base of interfaces.
//
// A gc_object's header (succ, pred, flags) is filled by gc_object's own
// constructor from the allocation that operator new recorded, so `new T` and
// `new T()` (which zero-fills first) both work. Objects are only ever created
// with `new` (which goes through the collector) and are never deleted by hand;
// a collected class constructed anywhere else stops the program.
#pragma once

#include <cstddef>

class String;

class gc_object {
 public:
  gc_object* succ;
  gc_object* pred;
  unsigned flags;  // block size above the low 3 bits; low 2 bits = colour

  gc_object();
  virtual ~gc_object() {}
  // A copy would carry the original's list links and colour into a block the
  // collector never adopted, and relinking either would corrupt its lists.
  gc_object(const gc_object&) = delete;
  gc_object& operator=(const gc_object&) = delete;
  virtual void mark() {}

  static void* operator new(std::size_t size);
  static void operator delete(void* p);
  // Placement form, used for the static empty arrays and list heads.
  static void* operator new(std::size_t, void* where) { return where; }
  static void operator delete(void*, void*) {}

  // Statics that are not part of the heap (list heads, empty arrays).
  struct static_tag {};
  explicit gc_object(static_tag) : succ(this), pred(this), flags(3) {}
};

class gc_interface {
 public:
  virtual ~gc_interface() {}
};

class Object : public gc_object {
 public:
  virtual bool Equals(Object* other) { return this == other; }
  virtual int Compare(Object* other);
  virtual String debug();
};

// Framework exceptions are thrown as ThrowableObject* and end the process
// through RvGame::Die when they reach the host.
class ThrowableObject : public Object {};
