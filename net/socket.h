// c_Socket: the framework's socket. It owns a native socket and two async
// queues (connect and receive on the read queue, send on the write queue)
// and registers itself as an async event source, so its completions arrive
// on the main thread during rv_asyncevent_UpdateAsyncEvents.
//
// Operations asked in the wrong state are dropped silently (no callback):
// connect unless open and neither connected nor listening; send and receive
// unless connected. Each operation is one system call; a partial transfer is
// reported with its actual count and the listener decides what to do next.
// A connect that completes after the socket was closed leaves it closed.
// A socket stays registered until Release(): then it is closed (a worker
// blocked in connect or receive on it is woken, see native_socket.h) and
// polled no more, so completions still under way are never delivered.
#pragma once

#include "net/asyncqueue.h"

class c_Socket : public Object, public c_IAsyncEventSource {
 public:
  // State bits.
  static constexpr int kOpen = 1;
  static constexpr int kConnectedPair = 6;  // bits 2 and 4, set together on connect
  static constexpr int kConnected = 4;
  static constexpr int kListening = 8;

  RvSocket* m_native = nullptr;
  int m_protocol = 0;
  int m_state = 0;
  c_AsyncQueue* m_readQueue = nullptr;
  c_AsyncQueue* m_writeQueue = nullptr;

  // "stream", "server" or "datagram"; anything else raises
  // "Illegal socket protocol", a socket the system will not give "Socket
  // open failed".
  c_Socket* m_new(String protocol);
  c_Socket* m_new2(RvSocket* native, int protocol, int state);
  int p_Start();

  bool p_IsOpen() { return (m_state & kOpen) != 0; }
  bool p_IsConnected() { return (m_state & kConnected) != 0; }
  bool p_IsListening() { return (m_state & kListening) != 0; }
  int p_Close();
  // Closes the socket and removes it from the event sources (see above).
  void Release();
  int p_ConnectAsync(String host, int port, c_IOnConnectComplete* listener);
  int p_SendAsync(c_DataBuffer* data, int offset, int count, c_IOnSendComplete* listener);
  int p_ReceiveAsync(c_DataBuffer* data, int offset, int count, c_IOnReceiveComplete* listener);
  int p_UpdateAsyncEvents() override;
  void mark() override;
};
