// The HTTP client: one GET exchange over Winsock, bounded in time and memory.
#pragma once

#include <string>

#include "platform/unique_handle.h"

namespace platform {

// Whether the system reports a connection to the Internet; its kind is not looked at.
bool IsOnline();

// Winsock, started for the life of the object (WSACleanup when it goes).
struct WinsockTraits {
  using Handle = bool;
  static Handle Empty() noexcept { return false; }
  static void Close(Handle) noexcept;
};
using HttpClient = UniqueHandle<WinsockTraits>;

// Brings the client into being; raises ESocketError when Winsock cannot start.
HttpClient CreateHttpClient();

// How long an exchange may take, in milliseconds.
struct HttpTimeLimits {
  unsigned connect;   // to have the connection, from the start
  unsigned exchange;  // to have the whole response, from the start
};

// Sends `request` to port `port` of `host` and reads the response to its end without keeping
// it; redirects are not followed. Raises EHttpError on any failure of the exchange: a failed
// name lookup, a refused or reset connection, a time limit passed, a malformed reply or a
// status outside 2xx.
void HttpGet(const HttpClient& client, const std::string& host, unsigned short port,
             const std::string& request, const HttpTimeLimits& limits);

}  // namespace platform
