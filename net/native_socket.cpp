// RvSocketAddress and RvSocket over the platform's socket calls.
#include "net/native_socket.h"

#include "net/databuffer.h"

namespace {

constexpr int kMaxHostLength = 1024;  // longer names are not looked up

}  // namespace

namespace net_detail {

bool SetSockAddr(platform::IPv4Endpoint* out, const String& host, int port) {
  *out = platform::IPv4Endpoint();
  if (port < 0 || port > 65535) return false;
  out->port = port;
  if (host.Empty()) return true;
  if (host.Length() >= kMaxHostLength) return false;
  char name[kMaxHostLength];
  for (int i = 0; i < host.Length(); ++i) {
    int c = host[i];
    if (c == 0 || c > 0xFF) return false;
    name[i] = (char)c;
  }
  name[host.Length()] = 0;
  uint32_t address = 0;
  if (!platform::ResolveIPv4(name, &address)) return false;
  out->address = address;
  return true;
}

}  // namespace net_detail

// ---- RvSocketAddress --------------------------------------------------------

RvSocketAddress::RvSocketAddress() { platform::SocketStartup(); }

bool RvSocketAddress::Set(const String& name, int number) {
  valid = false;
  if (net_detail::SetSockAddr(&endpoint, name, number)) return true;
  endpoint = platform::IPv4Endpoint();
  return false;
}

void RvSocketAddress::Set(RvSocketAddress* other) {
  valid = false;
  endpoint = other ? other->endpoint : platform::IPv4Endpoint();
}

void RvSocketAddress::Set(const platform::IPv4Endpoint& raw) {
  valid = false;
  endpoint = raw;
}

void RvSocketAddress::Validate() {
  if (valid) return;
  // The address is in network order: its bytes in memory are the quad.
  const unsigned char* b = reinterpret_cast<const unsigned char*>(&endpoint.address);
  host = String((int)b[0]) + String(".") + String((int)b[1]) + String(".") + String((int)b[2]) +
         String(".") + String((int)b[3]);
  port = endpoint.port;
  valid = true;
}

// ---- RvSocket ---------------------------------------------------------------

// The handle for one call, counted as in use while the call runs.
class RvSocket::Use {
 public:
  explicit Use(RvSocket* s) : socket_(s) {
    std::lock_guard<std::mutex> lock(s->guard_);
    handle = s->handle_;
    if (handle != platform::kNoSocket) ++s->users_;
  }
  ~Use() {
    if (handle == platform::kNoSocket) return;
    std::lock_guard<std::mutex> lock(socket_->guard_);
    if (--socket_->users_ == 0) {
      for (platform::SocketHandle h : socket_->closing_) platform::CloseSocket(h);
      socket_->closing_.clear();
    }
  }
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;
  platform::SocketHandle handle;

 private:
  RvSocket* socket_;
};

RvSocket::RvSocket() { platform::SocketStartup(); }

RvSocket::RvSocket(platform::SocketHandle handle, int protocol)
    : handle_(handle), protocol_(protocol) {
  platform::SocketStartup();
}

RvSocket::~RvSocket() {
  // Nothing can be using the socket: operations keep it reachable.
  platform::CloseSocket(handle_);
  for (platform::SocketHandle h : closing_) platform::CloseSocket(h);
  platform::CloseSocket(accepted_);
}

bool RvSocket::Open(int protocol) {
  std::lock_guard<std::mutex> lock(guard_);
  if (handle_ != platform::kNoSocket || protocol < 1) return false;
  platform::SocketHandle s = platform::kNoSocket;
  if (protocol == kStream || protocol == kServer) {
    s = platform::OpenSocket(platform::SocketKind::kTcp);
  } else if (protocol == kDatagram) {
    s = platform::OpenSocket(platform::SocketKind::kUdp);
  }
  if (s == platform::kNoSocket) return false;
  handle_ = s;
  protocol_ = protocol;
  return true;
}

void RvSocket::Close() {
  std::lock_guard<std::mutex> lock(guard_);
  if (handle_ == platform::kNoSocket) return;
  if (users_ > 0) {
    // A worker is inside a call on it: wake it, let the last user close.
    platform::ShutdownSocket(handle_);
    closing_.push_back(handle_);
  } else {
    platform::CloseSocket(handle_);
  }
  handle_ = platform::kNoSocket;
}

bool RvSocket::Bind(const String& host, int port) {
  platform::IPv4Endpoint at;
  if (!net_detail::SetSockAddr(&at, host, port)) return false;
  Use use(this);
  return use.handle != platform::kNoSocket && platform::BindSocket(use.handle, at);
}

bool RvSocket::Connect(const String& host, int port) {
  if (host.Empty()) return false;  // "any" is no place to connect to
  platform::IPv4Endpoint to;
  if (!net_detail::SetSockAddr(&to, host, port)) return false;
  Use use(this);
  return use.handle != platform::kNoSocket && platform::ConnectSocket(use.handle, to);
}

bool RvSocket::Listen(int backlog) {
  Use use(this);
  return use.handle != platform::kNoSocket && platform::ListenSocket(use.handle, backlog);
}

bool RvSocket::Accept() {
  platform::SocketHandle a = platform::kNoSocket;
  {
    Use use(this);
    if (use.handle == platform::kNoSocket) return false;
    a = platform::AcceptSocket(use.handle);
  }
  std::lock_guard<std::mutex> lock(guard_);
  platform::CloseSocket(accepted_);  // one that was never taken
  accepted_ = a;
  return a != platform::kNoSocket;
}

RvSocket* RvSocket::Accepted() {
  platform::SocketHandle a;
  int protocol;
  {
    std::lock_guard<std::mutex> lock(guard_);
    a = accepted_;
    accepted_ = platform::kNoSocket;
    protocol = protocol_ == kServer ? kStream : protocol_;
  }
  if (a == platform::kNoSocket) return nullptr;
  return new RvSocket(a, protocol);
}

namespace {

// The bytes [offset, offset + count) of the buffer that exist; false when the
// offset lies outside it or the count is negative.
bool clip(RvDataBuffer* buffer, int offset, int* count) {
  if (!buffer || !buffer->data || *count < 0 || offset < 0 || offset > buffer->length) {
    return false;
  }
  *count = net_detail::Room(offset, *count, buffer->length);
  return true;
}

}  // namespace

int RvSocket::Send(RvDataBuffer* buffer, int offset, int count) {
  if (!clip(buffer, offset, &count)) return -1;
  Use use(this);
  if (use.handle == platform::kNoSocket) return -1;
  return platform::SocketSend(use.handle, buffer->data + offset, count);
}

int RvSocket::Receive(RvDataBuffer* buffer, int offset, int count) {
  if (!clip(buffer, offset, &count)) return -1;
  Use use(this);
  if (use.handle == platform::kNoSocket) return -1;
  return platform::SocketReceive(use.handle, buffer->data + offset, count);
}

int RvSocket::SendTo(RvDataBuffer* buffer, int offset, int count, RvSocketAddress* address) {
  if (!address || !clip(buffer, offset, &count)) return -1;
  Use use(this);
  if (use.handle == platform::kNoSocket) return -1;
  return platform::SocketSendTo(use.handle, buffer->data + offset, count, address->endpoint);
}

int RvSocket::ReceiveFrom(RvDataBuffer* buffer, int offset, int count, RvSocketAddress* address) {
  if (!clip(buffer, offset, &count)) return -1;
  Use use(this);
  if (use.handle == platform::kNoSocket) return -1;
  platform::IPv4Endpoint from;
  int n = platform::SocketReceiveFrom(use.handle, buffer->data + offset, count, &from);
  if (n >= 0 && address) address->Set(from);
  return n;
}

bool RvSocket::GetLocalAddress(RvSocketAddress* address) {
  Use use(this);
  platform::IPv4Endpoint at;
  if (!address || use.handle == platform::kNoSocket ||
      !platform::SocketLocalEndpoint(use.handle, &at)) {
    return false;
  }
  address->Set(at);
  return true;
}

bool RvSocket::GetRemoteAddress(RvSocketAddress* address) {
  Use use(this);
  platform::IPv4Endpoint at;
  if (!address || use.handle == platform::kNoSocket ||
      !platform::SocketRemoteEndpoint(use.handle, &at)) {
    return false;
  }
  address->Set(at);
  return true;
}

int RvSocket::Protocol() {
  std::lock_guard<std::mutex> lock(guard_);
  return protocol_;
}

bool RvSocket::IsOpen() {
  std::lock_guard<std::mutex> lock(guard_);
  return handle_ != platform::kNoSocket;
}
