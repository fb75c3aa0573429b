// The async event module: its source list and the per-update pass.
#include "net/asyncevent.h"

#include "net/errors.h"

c_Stack3* rv_asyncevent__sources;
c_IAsyncEventSource* rv_asyncevent__current;
c_IAsyncEventSource* c_Stack3::m_NIL = nullptr;

namespace {

// The index of the source being updated, -1 outside a pass: a removal
// during the pass moves it back so the pass skips no source.
int pass_index = -1;

}  // namespace

namespace {

rv_module asyncevent_module(
    50,
    [] {
      gc_assign(rv_asyncevent__sources, (new c_Stack3())->m_new());
      rv_asyncevent__current = nullptr;
    },
    [] {
      gc_mark_q(rv_asyncevent__sources);
      gc_mark_q(rv_asyncevent__current);
      gc_mark_q(c_Stack3::m_NIL);
    });

}  // namespace

int c_Stack3::p_Push(c_IAsyncEventSource* value) {
  if (m_length == m_data.Length()) m_data = m_data.Resize(m_length * 2 + 10);
  gc_assign(m_data[m_length], value);
  ++m_length;
  return 0;
}

bool c_Stack3::p_Contains(c_IAsyncEventSource* value) { return IndexOf(value) >= 0; }

int c_Stack3::IndexOf(c_IAsyncEventSource* value) {
  for (int i = 0; i < m_length; ++i) {
    if (m_data[i] == value) return i;
  }
  return -1;
}

void c_Stack3::RemoveAt(int index) {
  if (index < 0 || index >= m_length) return;
  for (int i = index + 1; i < m_length; ++i) gc_assign(m_data[i - 1], m_data[i]);
  m_data[--m_length] = m_NIL;
}

c_IAsyncEventSource* c_Stack3::p_Get(int index) {
  return index >= 0 && index < m_length ? m_data[index] : m_NIL;
}

void c_Stack3::mark() {
  Object::mark();
  gc_mark_q(m_data);
}

int rv_asyncevent_AddAsyncEventSource(c_IAsyncEventSource* source) {
  if (rv_asyncevent__sources->p_Contains(source)) {
    rvError(String(net_errors::kSourceActive));
  }
  rv_asyncevent__sources->p_Push(source);
  return 0;
}

int rv_asyncevent_RemoveAsyncEventSource(c_IAsyncEventSource* source) {
  int at = rv_asyncevent__sources->IndexOf(source);
  if (at < 0) return 0;
  rv_asyncevent__sources->RemoveAt(at);
  if (at <= pass_index) --pass_index;
  return 0;
}

int rv_asyncevent_UpdateAsyncEvents() {
  if (rv_asyncevent__current) return 0;
  // rv_asyncevent__current is a root: a source that removes itself stays
  // alive until its update returns.
  for (pass_index = 0; pass_index < rv_asyncevent__sources->p_Length(); ++pass_index) {
    c_IAsyncEventSource* source = rv_asyncevent__sources->p_Get(pass_index);
    gc_assign(rv_asyncevent__current, source);
    source->p_UpdateAsyncEvents();
  }
  pass_index = -1;
  rv_asyncevent__current = nullptr;
  return 0;
}
