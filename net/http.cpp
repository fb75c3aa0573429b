// The HTTP/1.0 client: request building, header parsing and body assembly.
//
// [SECTION] Request        p_Open, p_Send, p_Send2, connect and send callbacks
// [SECTION] Response       the receive callback: header phase, body phase
// [SECTION] Finish         orderly end, failures, timeouts, release
#include "net/http.h"

#include <cstring>

#include "host/platform.h"

namespace {

const String& ascii() {
  static const String name("ascii");
  return name;
}

// Bytes at the end of [from, to) that start a UTF-8 character the range does
// not finish (a two- or three-byte lead, or a three-byte lead and one
// continuation): they are kept for the next piece.
int incomplete_tail(const unsigned char* b, int from, int to) {
  if (to - from >= 1) {
    unsigned char last = b[to - 1];
    if ((last & 0xE0) == 0xC0 || (last & 0xF0) == 0xE0) return 1;
  }
  if (to - from >= 2) {
    if ((b[to - 2] & 0xF0) == 0xE0 && (b[to - 1] & 0xC0) == 0x80) return 2;
  }
  return 0;
}

}  // namespace

// ---- [SECTION] Request ------------------------------------------------------

c_HttpRequest* c_HttpRequest::m_new() {
  gc_assign(m_headerBuffer, (new c_DataBuffer())->m_new(kHeaderBufferBytes));
  gc_assign(m_receiveBuffer, (new c_DataBuffer())->m_new(kReceiveBufferBytes));
  return this;
}

c_HttpRequest* c_HttpRequest::m_new2(String method, String url,
                                     c_IOnHttpRequestComplete* listener) {
  m_new();
  p_Open(method, url, listener);
  return this;
}

int c_HttpRequest::p_Open(String method, String url, c_IOnHttpRequestComplete* listener) {
  Release();  // a pending request is abandoned
  m_method = method;
  gc_assign(m_url, (new c_Url())->m_new(url, String("http"), 80));
  gc_assign(m_listener, listener);
  m_bodyBuffer = nullptr;
  m_bodyLength = 0;
  m_status = -1;
  m_responsePieces = nullptr;
  m_responseText = String();
  m_received = 0;
  gc_assign(m_lines, (new c_StringStack())->m_new());
  m_receiveOffset = 0;
  m_finished = false;
  m_headerBytes = 0;
  m_lines->p_Push4(method + String(" ") + m_url->p_FullPath() + String(" HTTP/1.0"));
  m_lines->p_Push4(String("Host: ") + m_url->p_Domain());
  return 0;
}

int c_HttpRequest::p_Send2(String data, String mimeType, String encoding) {
  if (m_pending) return 0;  // its lines are the response's now
  long long room = 3ll * data.Length();
  gc_assign(m_bodyBuffer, (new c_DataBuffer())->m_new(room > 0x7fffffff ? -1 : (int)room));
  m_bodyLength = m_bodyBuffer->p_PokeString(0, data, encoding);
  if (!mimeType.Empty()) m_lines->p_Push4(String("Content-Type: ") + mimeType);
  m_lines->p_Push4(String("Content-Length: ") + String(m_bodyLength));
  return p_Send();
}

int c_HttpRequest::p_Send() {
  if (!m_url || m_pending) return 0;  // never opened, or already under way
  m_finished = false;
  gc_assign(m_socket, (new c_Socket())->m_new(String("stream")));
  // After the socket: its completions come first in each pass.
  rv_asyncevent_AddAsyncEventSource(this);
  m_pending = true;
  m_sentAt = m_activeAt = platform::Seconds();
  m_socket->p_ConnectAsync(m_url->p_Domain(), m_url->p_Port(), this);
  return 0;
}

bool c_HttpRequest::Connected() { return m_socket && m_socket->p_IsConnected(); }

int c_HttpRequest::p_OnConnectComplete(bool connected, c_Socket*) {
  if (m_finished) return 0;
  if (!connected || !Connected()) {
    Fail();
    return 0;
  }
  m_activeAt = platform::Seconds();
  m_lines->p_Push4(String());
  m_lines->p_Push4(String());
  String header = m_lines->p_Join(String("\r\n"));
  // Grown to fit: a long request is sent whole, never read past the block.
  if (header.Length() > m_headerBuffer->length) {
    gc_assign(m_headerBuffer, (new c_DataBuffer())->m_new(header.Length()));
  }
  int n = m_headerBuffer->p_PokeString(0, header, ascii());
  m_lines->p_Clear();
  if (Connected()) m_socket->p_SendAsync(m_headerBuffer, 0, n, this);
  if (Connected()) ReceiveMore(0);
  return 0;
}

int c_HttpRequest::p_OnSendComplete(c_DataBuffer*, int, int, c_Socket*) {
  if (m_finished) return 0;
  // The header's own count is not checked: a failed send shows up as a
  // failed or closed receive (or the idle timeout).
  m_activeAt = platform::Seconds();
  if (m_bodyLength != 0 && Connected()) {
    m_socket->p_SendAsync(m_bodyBuffer, 0, m_bodyLength, this);
  }
  m_bodyLength = 0;
  return 0;
}

// ---- [SECTION] Response -----------------------------------------------------

void c_HttpRequest::ReceiveMore(int offset) {
  m_receiveOffset = offset;
  if (Connected()) {
    m_socket->p_ReceiveAsync(m_receiveBuffer, offset, m_receiveBuffer->length - offset, this);
  }
}

int c_HttpRequest::p_OnReceiveComplete(c_DataBuffer*, int offset, int count, c_Socket*) {
  if (m_finished) return 0;
  // 0 is the server's orderly close; -1 is a failed receive (a reset), after
  // which the text may be cut anywhere.
  if (count == 0) {
    p_Finish();
    return 0;
  }
  if (count < 0) {
    Fail();
    return 0;
  }
  m_activeAt = platform::Seconds();
  const int size = m_receiveBuffer->length;
  if (offset < 0 || offset > size) offset = size;
  int end = offset + net_detail::Room(offset, count, size);
  unsigned char* b = m_receiveBuffer->data;

  if (m_responsePieces) {  // body phase: [0, offset) is a held-back partial character
    m_received += end - offset;
    if (m_received > m_bodyLimit) {
      Fail();
      return 0;
    }
    PushBody(end);
    return 0;
  }

  // Header phase: [0, offset) is an unfinished line from before, without a
  // line feed; the new bytes are scanned for the ends of lines.
  int start = 0;
  for (int i = offset; i < end; ++i) {
    if (b[i] != '\n') continue;
    String line = m_receiveBuffer->p_PeekString(start, i - start, ascii()).Trim();
    start = i + 1;
    if (line.Empty()) {
      m_headerBytes += start - offset;  // the receive that ends the header counts too
      if (m_headerBytes > kMaxHeaderBytes) {
        Fail();
      } else {
        EndHeader(start, end);
      }
      return 0;
    }
    m_lines->p_Push4(line);
  }
  // The header goes on. It ends here when one line fills the whole buffer
  // (there is no room to go on) or when it has grown too long in all.
  m_headerBytes += end - offset;
  int tail = end - start;
  if (start != 0 && tail > 0) std::memmove(b, b + start, (std::size_t)tail);
  if (tail >= size || m_headerBytes > kMaxHeaderBytes) {
    Fail();
    return 0;
  }
  ReceiveMore(tail);
  return 0;
}

void c_HttpRequest::EndHeader(int bodyStart, int end) {
  if (m_lines->p_Length() == 0) {
    Fail();
    return;
  }
  Array<String> parts = m_lines->p_Get(0).ToUpper().Split(String(" "));
  if (parts.Length() < 3 || !parts[0].StartsWith(String("HTTP/"))) {
    Fail();
    return;
  }
  m_status = parts[1].ToInt();
  gc_assign(m_responsePieces, (new c_StringStack())->m_new());
  // The body's first bytes came with the header: move them to the front.
  int n = end - bodyStart;
  m_received += n;
  if (m_received > m_bodyLimit) {
    Fail();
    return;
  }
  if (n > 0) std::memmove(m_receiveBuffer->data, m_receiveBuffer->data + bodyStart, (std::size_t)n);
  PushBody(n);
}

// Decodes the body bytes [0, end) of the receive buffer as the next piece,
// keeping back a character the piece does not finish, then receives more.
void c_HttpRequest::PushBody(int end) {
  unsigned char* b = m_receiveBuffer->data;
  int hold = incomplete_tail(b, 0, end);
  int n = end - hold;
  if (n > 0) m_responsePieces->p_Push4(net_detail::DecodeUtf8OrBytes(b, n));
  if (hold > 0) std::memmove(b, b + n, (std::size_t)hold);
  ReceiveMore(hold);
}

// ---- [SECTION] Finish -------------------------------------------------------

int c_HttpRequest::p_Finish() {
  if (m_finished) return 0;
  m_finished = true;
  Release();
  if (m_socket) m_socket->p_Close();  // also when fed without Send
  if (m_responsePieces) {
    // A character the stream never finished is decoded as it stands.
    if (m_receiveOffset > 0) {
      m_responsePieces->p_Push4(
          net_detail::DecodeUtf8OrBytes(m_receiveBuffer->data, m_receiveOffset));
      m_receiveOffset = 0;
    }
    m_responseText = m_responsePieces->p_Join(String());
  }
  if (m_listener) m_listener->p_OnHttpRequestComplete(this);
  return 0;
}

void c_HttpRequest::Fail() {
  m_status = -1;
  m_responsePieces = nullptr;
  m_receiveOffset = 0;
  p_Finish();
}

void c_HttpRequest::Release() {
  if (!m_pending) return;
  m_pending = false;
  if (m_socket) m_socket->Release();
  rv_asyncevent_RemoveAsyncEventSource(this);
}

int c_HttpRequest::p_UpdateAsyncEvents() {
  if (!m_pending || m_finished) return 0;
  double now = platform::Seconds();
  if (now - m_activeAt > m_idleTimeout || now - m_sentAt > m_deadline) Fail();
  return 0;
}

void c_HttpRequest::mark() {
  Object::mark();
  gc_mark_q(m_url);
  gc_mark_q(m_listener);
  gc_mark_q(m_bodyBuffer);
  gc_mark_q(m_responsePieces);
  gc_mark_q(m_lines);
  gc_mark_q(m_socket);
  gc_mark_q(m_headerBuffer);
  gc_mark_q(m_receiveBuffer);
}
