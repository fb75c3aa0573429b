// The root class's default operations.
#include "runtime/object.h"

#include "runtime/string.h"

int Object::Compare(Object* other) {
  return (int)(reinterpret_cast<char*>(this) - reinterpret_cast<char*>(other));
}

String Object::debug() { return String("+Object\n"); }
