// String stacks.
#include "net/stringstack.h"

int c_Stack2::p_Push4(String value) {
  if (m_length == m_data.Length()) m_data = m_data.Resize((m_length + 5) * 2);
  m_data[m_length] = value;
  ++m_length;
  return 0;
}

int c_Stack2::p_Push5(Array<String> values, int offset, int count) {
  if (offset < 0 || offset > values.Length() || count <= 0) return 0;
  if (count > values.Length() - offset) count = values.Length() - offset;
  for (int i = 0; i < count; ++i) p_Push4(values[offset + i]);
  return 0;
}

int c_Stack2::p_Push6(Array<String> values, int offset) {
  return p_Push5(values, offset, values.Length() - offset);
}

Array<String> c_Stack2::p_ToArray() {
  Array<String> out(m_length);
  for (int i = 0; i < m_length; ++i) out[i] = m_data[i];
  return out;
}

int c_Stack2::p_Clear() { return p_Length(0); }

String c_Stack2::p_Get(int index) {
  return index >= 0 && index < m_length ? m_data[index] : String();
}

int c_Stack2::p_Length(int length) {
  if (length < 0) length = 0;
  if (length > m_data.Length()) m_data = m_data.Resize(length);
  for (int i = length; i < m_length; ++i) m_data[i] = String();
  m_length = length;
  return 0;
}

void c_Stack2::mark() {
  Object::mark();
  gc_mark_q(m_data);
}

String c_StringStack::p_Join(String separator) {
  if (m_length == 0) return String();
  if (m_length == 1) return m_data[0];
  return separator.Join(p_ToArray());
}
