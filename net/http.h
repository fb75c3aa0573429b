// c_HttpRequest: a minimal HTTP/1.0 client on the asynchronous c_Socket.
// One request per object and per Send: connect, send the header (and the
// body), read the response until the server closes, then tell the listener
// once, on the main thread, from inside rv_asyncevent_UpdateAsyncEvents.
//
// Request: the request line (method, full path, "HTTP/1.0"), "Host:" with the
// domain, for a body "Content-Type:" (when given) and "Content-Length:", a
// blank line, the body. The scheme is not looked at: always plain TCP.
// Response: header lines up to the blank line (the status line upper-cased,
// split on single spaces: at least three parts, the first starting with
// "HTTP/"); the rest is the body, read until the server closes whatever
// Content-Length says. Other header lines are collected, not interpreted.
//
// Failures end the request with status -1 and an empty text: a failed
// connect, a header that is empty, malformed or never ends, a failed receive.
//
// Decisions:
// - The header buffer grows to fit the encoded request (it starts at 4096
//   bytes), so a long request is sent whole and nothing is read or written
//   past a buffer.
// - A failed receive (-1) ends the request as the end of the stream does;
//   the listener is called exactly once per Send whatever happens.
// - Body pieces are decoded as UTF-8 one receive at a time; a multi-byte
//   character cut by a receive boundary is held back and joined to the next
//   piece, so the text does not depend on how the network split it.
// - A header line that fills the whole receive buffer ends the request
//   (status -1) instead of issuing a receive of zero bytes, and so does a
//   header of more than kMaxHeaderBytes in all: a server cannot make the
//   client collect header lines without end. The body is not limited.
// - No timeout: a server that never answers and never closes leaves the
//   request pending.
#pragma once

#include "net/socket.h"
#include "net/stringstack.h"
#include "net/url.h"

class c_HttpRequest;

class c_IOnHttpRequestComplete : public gc_interface {
 public:
  virtual int p_OnHttpRequestComplete(c_HttpRequest* request) = 0;
};

class c_HttpRequest : public Object,
                      public c_IOnConnectComplete,
                      public c_IOnSendComplete,
                      public c_IOnReceiveComplete {
 public:
  static constexpr int kHeaderBufferBytes = 4096;
  static constexpr int kReceiveBufferBytes = 16384;
  static constexpr int kMaxHeaderBytes = 65536;  // response header lines in all

  String m_method;
  c_Url* m_url = nullptr;
  c_IOnHttpRequestComplete* m_listener = nullptr;
  c_DataBuffer* m_bodyBuffer = nullptr;
  int m_bodyLength = 0;  // body bytes still to send; 0 once handed over
  int m_status = -1;
  c_StringStack* m_responsePieces = nullptr;  // null until the header ended
  String m_responseText;
  int m_received = 0;  // body bytes received
  c_StringStack* m_lines = nullptr;
  c_Socket* m_socket = nullptr;
  c_DataBuffer* m_headerBuffer = nullptr;
  c_DataBuffer* m_receiveBuffer = nullptr;
  // Where the next receive goes in the receive buffer: after an unfinished
  // header line, or after a held-back partial character of the body.
  int m_receiveOffset = 0;
  bool m_finished = false;
  int m_headerBytes = 0;  // response header bytes seen

  c_HttpRequest* m_new();
  c_HttpRequest* m_new2(String method, String url, c_IOnHttpRequestComplete* listener);
  int p_Open(String method, String url, c_IOnHttpRequestComplete* listener);
  int p_Send();
  int p_Send2(String data, String mimeType, String encoding);
  int p_Status() { return m_status; }
  String p_ResponseText() { return m_responseText; }

  // Socket callbacks (internal).
  int p_OnConnectComplete(bool connected, c_Socket* socket) override;
  int p_OnSendComplete(c_DataBuffer* data, int offset, int count, c_Socket* socket) override;
  int p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket* socket) override;
  int p_Finish();

  void mark() override;

 private:
  bool Connected();
  void ReceiveMore(int offset);
  void EndHeader(int bodyStart, int end);
  void PushBody(int end);
};
