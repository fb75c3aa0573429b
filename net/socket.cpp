// c_Socket: protocol names, state bits and the three asynchronous operations.
#include "net/socket.h"

#include "net/errors.h"

c_Socket* c_Socket::m_new(String protocol) {
  int proto = 0;
  if (protocol == String("stream")) {
    proto = RvSocket::kStream;
  } else if (protocol == String("server")) {
    proto = RvSocket::kServer;
  } else if (protocol == String("datagram")) {
    proto = RvSocket::kDatagram;
  } else {
    rvError(String(net_errors::kIllegalProtocol));
  }
  gc_assign(m_native, new RvSocket());
  if (!m_native->Open(proto)) rvError(String(net_errors::kSocketOpen));
  m_protocol = proto;
  m_state = kOpen;
  p_Start();
  return this;
}

c_Socket* c_Socket::m_new2(RvSocket* native, int protocol, int state) {
  gc_assign(m_native, native);
  m_protocol = protocol;
  m_state = state;
  p_Start();
  return this;
}

int c_Socket::p_Start() {
  gc_assign(m_readQueue, (new c_AsyncQueue())->m_new(this));
  gc_assign(m_writeQueue, (new c_AsyncQueue())->m_new(this));
  rv_asyncevent_AddAsyncEventSource(this);
  return 0;
}

int c_Socket::p_Close() {
  if (m_native) m_native->Close();
  m_state = 0;
  return 0;
}

void c_Socket::Release() {
  p_Close();
  rv_asyncevent_RemoveAsyncEventSource(this);
}

int c_Socket::p_ConnectAsync(String host, int port, c_IOnConnectComplete* listener) {
  if (!p_IsOpen() || (m_state & (kConnected | kListening)) != 0) return 0;
  m_readQueue->p_Enqueue((new c_AsyncConnectOp())->m_new(m_native, host, port, listener));
  return 0;
}

int c_Socket::p_SendAsync(c_DataBuffer* data, int offset, int count,
                          c_IOnSendComplete* listener) {
  if (!p_IsConnected()) return 0;
  m_writeQueue->p_Enqueue((new c_AsyncSendOp())->m_new(m_native, data, offset, count, listener));
  return 0;
}

int c_Socket::p_ReceiveAsync(c_DataBuffer* data, int offset, int count,
                             c_IOnReceiveComplete* listener) {
  if (!p_IsConnected()) return 0;
  m_readQueue->p_Enqueue(
      (new c_AsyncReceiveOp())->m_new(m_native, data, offset, count, listener));
  return 0;
}

int c_Socket::p_UpdateAsyncEvents() {
  m_readQueue->p_UpdateAsyncEvents();
  m_writeQueue->p_UpdateAsyncEvents();
  return 0;
}

void c_Socket::mark() {
  Object::mark();
  gc_mark_q(m_native);
  gc_mark_q(m_readQueue);
  gc_mark_q(m_writeQueue);
}
