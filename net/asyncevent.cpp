// The async event module: its source list and the per-update pass.
#include "net/asyncevent.h"

#include "net/errors.h"

c_Stack3* rv_asyncevent__sources;
c_IAsyncEventSource* rv_asyncevent__current;
c_IAsyncEventSource* c_Stack3::m_NIL = nullptr;

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

bool c_Stack3::p_Contains(c_IAsyncEventSource* value) {
  for (int i = 0; i < m_length; ++i) {
    if (m_data[i] == value) return true;
  }
  return false;
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

int rv_asyncevent_UpdateAsyncEvents() {
  if (rv_asyncevent__current) return 0;
  for (int i = 0; i < rv_asyncevent__sources->p_Length(); ++i) {
    c_IAsyncEventSource* source = rv_asyncevent__sources->p_Get(i);
    gc_assign(rv_asyncevent__current, source);
    source->p_UpdateAsyncEvents();
  }
  rv_asyncevent__current = nullptr;
  return 0;
}
