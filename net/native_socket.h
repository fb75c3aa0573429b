// Thin IPv4 sockets over the platform layer: RvSocketAddress (an endpoint and
// its readable form) and RvSocket (a TCP stream, a TCP server or a UDP
// socket). Everything that depends on the operating system lives in
// host/platform_*.cpp.
//
// Decisions:
// - Name lookup is reentrant (getaddrinfo in the platform layer), so any
//   thread may connect. A host that does not resolve, is 1024 characters or
//   longer, or holds characters that do not fit 8 bits (or a NUL) fails:
//   Connect and Bind give false instead of using the "any" address (which
//   would reach this machine). An empty host is the "any" address for Bind
//   and Set, and fails for Connect. A port outside 0 to 65535 fails.
// - Send and Receive refuse an offset outside the buffer and clip the count
//   to it, so a worker never writes outside the block.
// - Worker threads run Connect, Send and Receive while the main thread may
//   Close the socket. The handle is taken under a small lock and counted as
//   in use for the length of the call; Close of a handle in use shuts it down
//   (waking a blocked receive) and the last user closes it. A handle number
//   is therefore never reused by the system under a worker still calling it.
//   The lock is held only for bookkeeping, never across a blocking call.
// - Accepted() hands the accepted handle over once; an accepted handle that
//   is never taken is closed with the socket.
#pragma once

#include <mutex>
#include <vector>

#include "host/platform.h"
#include "runtime/kestro.h"

class RvDataBuffer;

namespace net_detail {

// Builds an endpoint from a host name and port (see the decisions above).
// Safe on any thread: it makes no String.
bool SetSockAddr(platform::IPv4Endpoint* out, const String& host, int port);

}  // namespace net_detail

class RvSocketAddress : public Object {
 public:
  platform::IPv4Endpoint endpoint;
  bool valid = false;  // host and port below match the endpoint
  String host;         // dotted quad, after Validate()
  int port = 0;

  RvSocketAddress();
  // Each Set clears valid. Set(host, port) gives false when the host does not
  // resolve or the port is out of range (the endpoint is then "any", 0).
  bool Set(const String& host, int port);
  void Set(RvSocketAddress* other);
  void Set(const platform::IPv4Endpoint& raw);
  void Validate();
};

class RvSocket : public Object {
 public:
  static constexpr int kStream = 1;
  static constexpr int kServer = 2;
  static constexpr int kDatagram = 3;

  RvSocket();
  RvSocket(platform::SocketHandle handle, int protocol);
  ~RvSocket() override;

  bool Open(int protocol);
  void Close();
  bool Bind(const String& host, int port);
  bool Connect(const String& host, int port);
  bool Listen(int backlog);
  bool Accept();
  RvSocket* Accepted();
  int Send(RvDataBuffer* buffer, int offset, int count);
  int Receive(RvDataBuffer* buffer, int offset, int count);
  int SendTo(RvDataBuffer* buffer, int offset, int count, RvSocketAddress* address);
  int ReceiveFrom(RvDataBuffer* buffer, int offset, int count, RvSocketAddress* address);
  bool GetLocalAddress(RvSocketAddress* address);
  bool GetRemoteAddress(RvSocketAddress* address);

  int Protocol();
  bool IsOpen();

 private:
  class Use;
  std::mutex guard_;
  platform::SocketHandle handle_ = platform::kNoSocket;
  int protocol_ = 0;
  platform::SocketHandle accepted_ = platform::kNoSocket;
  int users_ = 0;                                          // calls in progress
  std::vector<platform::SocketHandle> closing_;  // closed by the last user
};
