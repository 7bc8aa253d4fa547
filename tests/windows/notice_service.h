// A stand-in for the removal-notice service: serves HTTP on 127.0.0.1:80 in a thread of its
// own, behaves as it is told, and records what each connection sent.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

namespace bench {

enum class ServiceBehaviour {
  Answer200,
  Answer404,
  Answer500,
  Redirect302,
  CloseWithoutAnswer,
  Reset,             // closes with a TCP reset
  SlowDrip,          // a status line and headers, then one body byte every 100 ms, forever
  EndlessBody,       // a chunked body sent as fast as it is taken, forever
  AcceptNeverAnswer  // reads the request and waits for ever
};

struct NoticeConnection {
  unsigned long long acceptedAt;  // system time, 100 ns units
  std::string request;            // the bytes received, up to the end of the request head
};

class NoticeService {
 public:
  // Listens at once; the test fails loudly when port 80 cannot be bound.
  explicit NoticeService(ServiceBehaviour behaviour);
  ~NoticeService();
  NoticeService(const NoticeService&) = delete;
  NoticeService& operator=(const NoticeService&) = delete;

  // What the service has received so far.
  std::vector<NoticeConnection> Connections();

 private:
  static DWORD WINAPI Serve(void* self);
  void Answer(SOCKET client);
  bool Stopping() const { return stop_.load(); }

  ServiceBehaviour behaviour_;
  SOCKET listener_ = INVALID_SOCKET;
  HANDLE thread_ = nullptr;
  std::atomic<bool> stop_{false};
  CRITICAL_SECTION lock_;
  std::vector<NoticeConnection> connections_;
};

}  // namespace bench
