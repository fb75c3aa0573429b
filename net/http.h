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
// Failures end the request with status -1 and an empty text, and only the
// server's orderly close ends it with the parsed status: a failed connect, a
// header that is empty, malformed, longer than kMaxHeaderBytes or never
// ends, a failed receive (a reset, even in the middle of the body), a body
// longer than the body limit, and the two timeouts below.
//
// Decisions:
// - The header buffer grows to fit the encoded request (it starts at 4096
//   bytes), so a long request is sent whole and nothing is read or written
//   past a buffer.
// - Body pieces are decoded as UTF-8 one receive at a time; a multi-byte
//   character cut by a receive boundary is held back and joined to the next
//   piece, so the text does not depend on how the network split it.
// - Every response header byte up to and including the blank line counts
//   against kMaxHeaderBytes; a header line that fills the whole receive
//   buffer ends the request too. The body is limited (kMaxBodyBytes unless
//   SetBodyLimit says otherwise), and its byte count is 64-bit.
// - Timeouts: the idle timeout runs from the send and from every completion
//   (connect, send, receive), so it covers a server that never accepts, and
//   one that accepts and goes silent; the deadline runs from the send, so a
//   server that trickles bytes cannot hold the request open. While pending,
//   the request is an async event source of its own and checks both against
//   platform::Seconds() in its update, after its socket's completions of
//   the same pass. We chose this over socket receive timeouts because one
//   check on the main thread covers every phase (name lookup, connect, send,
//   receive) and the whole-request deadline alike, needs no option that
//   differs between systems, and a frame never waits: a worker blocked in
//   connect or receive is woken by closing the socket, which shuts it down
//   (a name lookup cannot be woken; it ends on its own and its connect then
//   fails on the closed socket). Accuracy is one frame. The defaults are
//   kIdleTimeoutSeconds and kDeadlineSeconds; SetTimeouts changes them for
//   one request (tests use fractions of a second).
// - The listener is called exactly once per Send. Before it is called the
//   socket is closed and released and the request leaves the event sources:
//   a finished request keeps nothing registered, and completions still under
//   way are dropped with the socket.
// - A Send or Send2 while the request is pending does nothing; an Open while
//   it is pending abandons the pending request without calling the listener.
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
                      public c_IOnReceiveComplete,
                      public c_IAsyncEventSource {
 public:
  static constexpr int kHeaderBufferBytes = 4096;
  static constexpr int kReceiveBufferBytes = 16384;
  static constexpr int kMaxHeaderBytes = 65536;  // response header, blank line included
  static constexpr long long kMaxBodyBytes = 16ll << 20;  // far above any page the game asks for
  static constexpr double kIdleTimeoutSeconds = 30;  // connect, or silence between bytes
  static constexpr double kDeadlineSeconds = 60;     // the whole request, from Send

  String m_method;
  c_Url* m_url = nullptr;
  c_IOnHttpRequestComplete* m_listener = nullptr;
  c_DataBuffer* m_bodyBuffer = nullptr;
  int m_bodyLength = 0;  // body bytes still to send; 0 once handed over
  int m_status = -1;
  c_StringStack* m_responsePieces = nullptr;  // null until the header ended
  String m_responseText;
  long long m_received = 0;  // body bytes received
  c_StringStack* m_lines = nullptr;
  c_Socket* m_socket = nullptr;
  c_DataBuffer* m_headerBuffer = nullptr;
  c_DataBuffer* m_receiveBuffer = nullptr;
  // Where the next receive goes in the receive buffer: after an unfinished
  // header line, or after a held-back partial character of the body.
  int m_receiveOffset = 0;
  bool m_finished = false;
  int m_headerBytes = 0;  // response header bytes seen
  bool m_pending = false;  // sent and not finished: registered as an event source
  double m_idleTimeout = kIdleTimeoutSeconds;
  double m_deadline = kDeadlineSeconds;
  long long m_bodyLimit = kMaxBodyBytes;
  double m_sentAt = 0;    // platform::Seconds() at Send
  double m_activeAt = 0;  // ... at Send or the last completion

  c_HttpRequest* m_new();
  c_HttpRequest* m_new2(String method, String url, c_IOnHttpRequestComplete* listener);
  int p_Open(String method, String url, c_IOnHttpRequestComplete* listener);
  int p_Send();
  int p_Send2(String data, String mimeType, String encoding);
  // For tests and callers with other needs; they apply to a pending
  // request from its next update on.
  void SetTimeouts(double idleSeconds, double deadlineSeconds) {
    m_idleTimeout = idleSeconds;
    m_deadline = deadlineSeconds;
  }
  void SetBodyLimit(long long bytes) { m_bodyLimit = bytes; }
  int p_Status() { return m_status; }
  String p_ResponseText() { return m_responseText; }

  // Socket callbacks (internal).
  int p_OnConnectComplete(bool connected, c_Socket* socket) override;
  int p_OnSendComplete(c_DataBuffer* data, int offset, int count, c_Socket* socket) override;
  int p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket* socket) override;
  int p_Finish();
  // Checks the timeouts while pending (main thread, once per update).
  int p_UpdateAsyncEvents() override;

  void mark() override;

 private:
  bool Connected();
  void Fail();     // finishes with status -1 and no text
  void Release();  // releases the socket and leaves the event sources
  void ReceiveMore(int offset);
  void EndHeader(int bodyStart, int end);
  void PushBody(int end);
};
