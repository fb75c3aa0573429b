// A growable stack of strings (c_Stack2) and its joining form
// (c_StringStack), used for request and response lines and body pieces.
// Reads outside the stack give the empty string; pushes of array ranges are
// clipped to the array.
#pragma once

#include "runtime/kestro.h"

class c_Stack2 : public Object {
 public:
  Array<String> m_data;
  int m_length = 0;

  c_Stack2* m_new() { return this; }
  int p_Push4(String value);  // grows the array to (length + 5) x 2 when full
  int p_Push5(Array<String> values, int offset, int count);
  int p_Push6(Array<String> values, int offset);
  Array<String> p_ToArray();
  int p_Clear();
  String p_Get(int index);
  int p_Length() { return m_length; }
  // Shorter drops the strings beyond; longer adds empty strings.
  int p_Length(int length);
  void mark() override;
};

class c_StringStack : public c_Stack2 {
 public:
  c_StringStack* m_new() {
    c_Stack2::m_new();
    return this;
  }
  String p_Join(String separator);
};
