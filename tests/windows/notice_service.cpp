#include "notice_service.h"

#include <stdexcept>

#include "bench.h"

namespace bench {
namespace {

// Waits up to `milliseconds` for the socket to become readable (or closed).
bool Readable(SOCKET socket, unsigned milliseconds) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  timeval timeout = {0, static_cast<long>(milliseconds) * 1000};
  return select(0, &set, nullptr, nullptr, &timeout) > 0;
}

bool SendAll(SOCKET socket, const std::string& bytes) {
  return send(socket, bytes.data(), static_cast<int>(bytes.size()), 0) ==
         static_cast<int>(bytes.size());
}

std::string Response(const char* status, const std::string& extraHeaders = "") {
  const std::string body = "<html>notice taken</html>";
  return std::string("HTTP/1.1 ") + status + "\r\nContent-Type: text/html\r\n" + extraHeaders +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace

NoticeService::NoticeService(ServiceBehaviour behaviour) : behaviour_(behaviour) {
  InitializeCriticalSection(&lock_);
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  BOOL reuse = TRUE;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
             sizeof reuse);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(80);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 8) != 0) {
    const int error = WSAGetLastError();
    closesocket(listener_);
    throw std::runtime_error("the notice service cannot listen on 127.0.0.1:80 (error " +
                             std::to_string(error) + "); the tests need root for port 80");
  }
  thread_ = CreateThread(nullptr, 0, Serve, this, 0, nullptr);
}

NoticeService::~NoticeService() {
  stop_ = true;
  WaitForSingleObject(thread_, 10000);
  CloseHandle(thread_);
  closesocket(listener_);
  WSACleanup();
  DeleteCriticalSection(&lock_);
}

std::vector<NoticeConnection> NoticeService::Connections() {
  EnterCriticalSection(&lock_);
  std::vector<NoticeConnection> copy = connections_;
  LeaveCriticalSection(&lock_);
  return copy;
}

DWORD WINAPI NoticeService::Serve(void* context) {
  auto* self = static_cast<NoticeService*>(context);
  while (!self->Stopping()) {
    if (!Readable(self->listener_, 50)) continue;
    const SOCKET client = accept(self->listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    self->Answer(client);
  }
  return 0;
}

void NoticeService::Answer(SOCKET client) {
  NoticeConnection connection{SystemTimeNow(), {}};
  // The request head, up to its empty line (or until the client gives up).
  char buffer[4096];
  const ULONGLONG deadline = GetTickCount64() + 5000;
  while (connection.request.find("\r\n\r\n") == std::string::npos && GetTickCount64() < deadline &&
         !Stopping()) {
    if (!Readable(client, 50)) continue;
    const int count = recv(client, buffer, sizeof buffer, 0);
    if (count <= 0) break;
    connection.request.append(buffer, count);
  }
  EnterCriticalSection(&lock_);
  connections_.push_back(connection);
  LeaveCriticalSection(&lock_);

  switch (behaviour_) {
    case ServiceBehaviour::Answer200:
      SendAll(client, Response("200 OK"));
      break;
    case ServiceBehaviour::Answer404:
      SendAll(client, Response("404 Not Found"));
      break;
    case ServiceBehaviour::Answer500:
      SendAll(client, Response("500 Internal Server Error"));
      break;
    case ServiceBehaviour::Redirect302:
      SendAll(client, Response("302 Found", "Location: http://127.0.0.1/elsewhere\r\n"));
      break;
    case ServiceBehaviour::CloseWithoutAnswer:
      break;
    case ServiceBehaviour::Reset: {
      const linger abort = {1, 0};
      setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                 sizeof abort);
      break;
    }
    case ServiceBehaviour::SlowDrip:
      if (!SendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n")) break;
      while (!Stopping() && !Readable(client, 100) && SendAll(client, "x")) {
      }
      break;
    case ServiceBehaviour::EndlessBody: {
      if (!SendAll(client, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")) break;
      const std::string chunk = "1000\r\n" + std::string(0x1000, 'x') + "\r\n";
      while (!Stopping() && SendAll(client, chunk)) {
      }
      break;
    }
    case ServiceBehaviour::AcceptNeverAnswer:
      while (!Stopping() && !Readable(client, 50)) {
      }
      break;
  }
  closesocket(client);
}

}  // namespace bench
