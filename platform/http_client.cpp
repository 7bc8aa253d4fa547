#include "platform/http_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <wininet.h>

#include <cstdint>

#include "platform/app_error.h"
#include "platform/http_wire.h"

namespace platform {
namespace {

constexpr const char* kHttpError = "EHttpError";

struct SocketTraits {
  using Handle = SOCKET;
  static Handle Empty() noexcept { return INVALID_SOCKET; }
  static void Close(Handle socket) noexcept { closesocket(socket); }
};
using Socket = UniqueHandle<SocketTraits>;

struct AddressListTraits {
  using Handle = addrinfo*;
  static Handle Empty() noexcept { return nullptr; }
  static void Close(Handle list) noexcept { freeaddrinfo(list); }
};
using AddressList = UniqueHandle<AddressListTraits>;

// Milliseconds left until `deadline` (a GetTickCount64 value), 0 once it has passed.
unsigned Remaining(ULONGLONG deadline) {
  const ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<unsigned>(deadline - now);
}

// Waits until the socket can be read (or written), at most until `deadline`; false once the
// deadline has passed, even while data keep coming.
bool WaitFor(const Socket& socket, bool forWriting, ULONGLONG deadline) {
  const unsigned left = Remaining(deadline);
  if (left == 0) return false;
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(socket.get(), &ready);
  FD_SET(socket.get(), &failed);
  timeval timeout = {static_cast<long>(left / 1000), static_cast<long>(left % 1000 * 1000)};
  const int count =
      select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed, &timeout);
  return count > 0 && FD_ISSET(socket.get(), &ready);
}

AddressList Resolve(const std::string& host, unsigned short port) {
  addrinfo hints = {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0)
    RaiseError(kHttpError, "Host not found: " + host);
  return AddressList(list);
}

// Connects without blocking past the deadline: the connection is made in the background and
// waited for with select.
Socket Connect(const addrinfo& address, ULONGLONG deadline) {
  Socket socket(::socket(address.ai_family, address.ai_socktype, address.ai_protocol));
  if (!socket) return {};
  u_long nonBlocking = 1;
  if (ioctlsocket(socket.get(), FIONBIO, &nonBlocking) != 0) return {};
  if (connect(socket.get(), address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0)
    return socket;
  if (WSAGetLastError() != WSAEWOULDBLOCK || !WaitFor(socket, true, deadline)) return {};
  int error = 0;
  int size = sizeof error;
  if (getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0 ||
      error != 0)
    return {};
  return socket;
}

void SendAll(const Socket& socket, const std::string& bytes, ULONGLONG deadline) {
  for (std::size_t sent = 0; sent < bytes.size();) {
    if (!WaitFor(socket, true, deadline)) RaiseError(kHttpError, "Sending timed out");
    const int count =
        send(socket.get(), bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (count == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK)
      RaiseError(kHttpError, "Connection lost while sending");
    if (count > 0) sent += static_cast<std::size_t>(count);
  }
}

// Reads the response to its end, keeping nothing of it but the reader's progress.
int ReceiveResponse(const Socket& socket, ULONGLONG deadline) {
  ResponseReader reader;
  char buffer[4096];
  while (reader.state == ResponseState::Reading) {
    if (!WaitFor(socket, false, deadline)) RaiseError(kHttpError, "Reading timed out");
    const int count = recv(socket.get(), buffer, sizeof buffer, 0);
    if (count > 0) {
      FeedResponse(reader, std::string_view(buffer, static_cast<std::size_t>(count)));
    } else if (count == 0) {
      EndOfResponse(reader);
    } else if (WSAGetLastError() != WSAEWOULDBLOCK) {
      RaiseError(kHttpError, "Connection lost while reading");
    }
  }
  if (reader.state == ResponseState::Malformed) RaiseError(kHttpError, "Malformed response");
  return reader.status;
}

}  // namespace

bool IsOnline() {
  DWORD kind = 0;
  return InternetGetConnectedState(&kind, 0) != FALSE;
}

void WinsockTraits::Close(Handle) noexcept { WSACleanup(); }

HttpClient CreateHttpClient() {
  WSADATA data;
  const int error = WSAStartup(MAKEWORD(2, 2), &data);
  if (error != 0)
    RaiseError("ESocketError", "Winsock cannot start (error " + std::to_string(error) + ")");
  return HttpClient(true);
}

void HttpGet(const HttpClient&, const std::string& host, unsigned short port,
             const std::string& request, const HttpTimeLimits& limits) {
  const ULONGLONG start = GetTickCount64();
  const ULONGLONG connectDeadline = start + limits.connect;
  const ULONGLONG deadline = start + limits.exchange;
  const AddressList addresses = Resolve(host, port);
  Socket socket;
  for (const addrinfo* address = addresses.get(); address && !socket; address = address->ai_next)
    socket = Connect(*address, connectDeadline);
  if (!socket) RaiseError(kHttpError, "Cannot connect to " + host);
  SendAll(socket, request, deadline);
  const int status = ReceiveResponse(socket, deadline);
  if (status < 200 || status > 299) RaiseError(kHttpError, "HTTP status " + std::to_string(status));
}

}  // namespace platform
