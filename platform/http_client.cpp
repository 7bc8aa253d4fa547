#include "platform/http_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

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

struct EventTraits {
  using Handle = HANDLE;
  static Handle Empty() noexcept { return nullptr; }
  static void Close(Handle event) noexcept { CloseHandle(event); }
};
using Event = UniqueHandle<EventTraits>;

// One address of the host, as connect takes it.
struct Address {
  int family;
  int length;
  sockaddr_storage bytes;
};

// Milliseconds left until `deadline` (a GetTickCount64 value), 0 once it has passed.
unsigned Remaining(ULONGLONG deadline) {
  const ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<unsigned>(deadline - now);
}

timeval ToTimeval(unsigned milliseconds) {
  return {static_cast<long>(milliseconds / 1000), static_cast<long>(milliseconds % 1000 * 1000)};
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
  timeval timeout = ToTimeval(left);
  const int count =
      select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed, &timeout);
  return count > 0 && FD_ISSET(socket.get(), &ready);
}

template <typename List>
std::vector<Address> CopyAddresses(const List* list) {
  std::vector<Address> addresses;
  // (mingw declares the next entry of ADDRINFOEXW with a differently spelt tag.)
  for (; list; list = reinterpret_cast<const List*>(list->ai_next)) {
    if (list->ai_addrlen > sizeof(sockaddr_storage)) continue;
    Address address = {list->ai_family, static_cast<int>(list->ai_addrlen), {}};
    std::memcpy(&address.bytes, list->ai_addr, list->ai_addrlen);
    addresses.push_back(address);
  }
  return addresses;
}

// The plain lookup: with AI_NUMERICHOST it only reads an address written out, at once; without,
// on Windows Vista and 7, nothing bounds it but the system's own resolver. Empty on failure.
AddressList PlainLookup(const std::string& host, const std::string& service, int flags) {
  addrinfo hints = {};
  hints.ai_flags = flags;
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &list) != 0) return {};
  return AddressList(list);
}

// The overlapped lookup of Windows 8 and later, found at run time so that the programs still
// start on Vista and 7.
struct BoundedLookup {
  INT(WSAAPI* start)(PCWSTR name, PCWSTR service, DWORD nameSpace, GUID* provider,
                     const ADDRINFOEXW* hints, ADDRINFOEXW** result, timeval* timeout,
                     OVERLAPPED* overlapped, void* completion, HANDLE* cancel);
  INT(WSAAPI* cancel)(HANDLE* cancel);
  INT(WSAAPI* result)(OVERLAPPED* overlapped);
  void(WSAAPI* release)(ADDRINFOEXW* list);
};

template <typename Function>
bool Find(HMODULE winsock, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(winsock, name)));
  return function != nullptr;
}

std::optional<BoundedLookup> FindBoundedLookup() {
  const HMODULE winsock = GetModuleHandleA("ws2_32.dll");  // loaded since Winsock started
  BoundedLookup lookup = {};
  if (!winsock || !Find(winsock, "GetAddrInfoExW", lookup.start) ||
      !Find(winsock, "GetAddrInfoExCancel", lookup.cancel) ||
      !Find(winsock, "GetAddrInfoExOverlappedResult", lookup.result) ||
      !Find(winsock, "FreeAddrInfoExW", lookup.release))
    return std::nullopt;
  return lookup;
}

// What an overlapped lookup writes to once started. A lookup abandoned at the deadline may
// still finish later (Wine, for one, cannot cancel it), so an abandoned one is left to live
// as long as the program, with its event.
struct PendingLookup {
  OVERLAPPED overlapped = {};
  ADDRINFOEXW* result = nullptr;
  HANDLE cancel = nullptr;
  wchar_t name[256];  // a host name has at most 253 characters
  wchar_t service[6];
};

// Host names and port numbers are ASCII; a longer text than fits is cut, and then not found.
template <std::size_t size>
void Widen(const std::string& text, wchar_t (&wide)[size]) {
  std::size_t i = 0;
  for (; i < text.size() && i + 1 < size; ++i) wide[i] = static_cast<unsigned char>(text[i]);
  wide[i] = L'\0';
}

// Waits for the lookup at most until `deadline`, passing the same limit to the system, which
// honours it from Windows 8 on; the wait bounds it wherever the system does not.
std::vector<Address> ResolveBounded(const BoundedLookup& lookup, const std::string& host,
                                    const std::string& service, ULONGLONG deadline) {
  Event done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!done) RaiseError(kHttpError, "Host lookup cannot start: " + host);
  auto pending = std::make_unique<PendingLookup>();
  pending->overlapped.hEvent = done.get();
  Widen(host, pending->name);
  Widen(service, pending->service);
  ADDRINFOEXW hints = {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  timeval timeout = ToTimeval(Remaining(deadline));
  int error = lookup.start(pending->name, pending->service, NS_ALL, nullptr,
                           &hints, &pending->result, &timeout, &pending->overlapped, nullptr,
                           &pending->cancel);
  if (error == WSA_IO_PENDING) {
    if (WaitForSingleObject(done.get(), Remaining(deadline)) != WAIT_OBJECT_0) {
      lookup.cancel(&pending->cancel);
      pending.release();
      done.release();
      RaiseError(kHttpError, "Host lookup timed out: " + host);
    }
    error = lookup.result(&pending->overlapped);
  }
  if (error != 0) RaiseError(kHttpError, "Host not found: " + host);
  std::vector<Address> addresses = CopyAddresses(pending->result);
  lookup.release(pending->result);
  return addresses;
}

// The host's addresses, looked up within the deadline where the system allows it. An address
// written out needs no lookup.
std::vector<Address> Resolve(const std::string& host, unsigned short port, ULONGLONG deadline) {
  const std::string service = std::to_string(port);
  if (const AddressList numeric = PlainLookup(host, service, AI_NUMERICHOST))
    return CopyAddresses(numeric.get());
  if (const std::optional<BoundedLookup> bounded = FindBoundedLookup())
    return ResolveBounded(*bounded, host, service, deadline);
  const AddressList list = PlainLookup(host, service, 0);
  if (!list) RaiseError(kHttpError, "Host not found: " + host);
  return CopyAddresses(list.get());
}

// Connects without blocking past the deadline: the connection is made in the background and
// waited for with select.
Socket Connect(const Address& address, ULONGLONG deadline) {
  Socket socket(::socket(address.family, SOCK_STREAM, IPPROTO_TCP));
  if (!socket) return {};
  u_long nonBlocking = 1;
  if (ioctlsocket(socket.get(), FIONBIO, &nonBlocking) != 0) return {};
  if (connect(socket.get(), reinterpret_cast<const sockaddr*>(&address.bytes), address.length) == 0)
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
  // The name lookup counts against the time to connect.
  const std::vector<Address> addresses = Resolve(host, port, connectDeadline);
  // Each address gets an equal share of the connect time still left, so that one that never
  // answers (a dead IPv6 route, say) leaves the next its chance.
  Socket socket;
  for (std::size_t i = 0; i < addresses.size() && !socket; ++i) {
    const ULONGLONG share = Remaining(connectDeadline) / (addresses.size() - i);
    socket = Connect(addresses[i], GetTickCount64() + share);
  }
  if (!socket) RaiseError(kHttpError, "Cannot connect to " + host);
  SendAll(socket, request, deadline);
  const int status = ReceiveResponse(socket, deadline);
  if (status < 200 || status > 299) RaiseError(kHttpError, "HTTP status " + std::to_string(status));
}

}  // namespace platform
