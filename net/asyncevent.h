// The async event module: the event sources (sockets' queues and anything
// else that finishes work in the background) polled once per update.
//
// rv_asyncevent_UpdateAsyncEvents is the only place where results of worker
// threads come back to the main thread. It is not re-entrant: called from
// inside a source's update (a listener pumping events itself), it returns at
// once. Sources added during a pass are updated in the same pass, because
// the list length is re-read for each source. A source that has nothing
// more to deliver may remove itself (a finished request and its socket do),
// also from inside a pass: the pass goes on with the source that followed it.
#pragma once

#include "runtime/kestro.h"

class c_IAsyncEventSource : public gc_interface {
 public:
  virtual int p_UpdateAsyncEvents() = 0;
};

// A growable stack of event sources.
class c_Stack3 : public Object {
 public:
  Array<c_IAsyncEventSource*> m_data;
  int m_length = 0;
  // The value a cleared slot holds.
  static c_IAsyncEventSource* m_NIL;

  c_Stack3* m_new() { return this; }
  int p_Push(c_IAsyncEventSource* value);  // grows to 2 x length + 10 when full
  bool p_Contains(c_IAsyncEventSource* value);
  int IndexOf(c_IAsyncEventSource* value);  // -1 when absent
  void RemoveAt(int index);                 // later sources move down by one
  int p_Length() { return m_length; }
  c_IAsyncEventSource* p_Get(int index);  // m_NIL outside the stack
  void mark() override;
};

extern c_Stack3* rv_asyncevent__sources;
extern c_IAsyncEventSource* rv_asyncevent__current;

// Raises "Async event source is already active" for a source added twice.
int rv_asyncevent_AddAsyncEventSource(c_IAsyncEventSource* source);
// Does nothing for a source that is not in the list.
int rv_asyncevent_RemoveAsyncEventSource(c_IAsyncEventSource* source);
int rv_asyncevent_UpdateAsyncEvents();
