#include "uninstaller/notice_request.h"

namespace {

// The notice as the server has always received it: keep these bytes as they are, even the
// Content-Type on a request that carries no body. Only the host varies.
constexpr std::string_view kNoticeTarget = "/rpc/senduninstall?partner=VintorraPaltrun&build=3.1";
constexpr std::string_view kContentType = "text/html";
constexpr std::string_view kAccept = "text/html, */*";
constexpr std::string_view kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";

void AppendHeader(std::string& request, std::string_view name, std::string_view value) {
  request.append(name).append(": ").append(value).append("\r\n");
}

}  // namespace

std::string FormatNoticeRequest(std::string_view host) {
  std::string request;
  request.append("GET ").append(kNoticeTarget).append(" HTTP/1.1\r\n");
  AppendHeader(request, "Content-Type", kContentType);
  AppendHeader(request, "Host", host);
  AppendHeader(request, "Accept", kAccept);
  AppendHeader(request, "User-Agent", kUserAgent);
  request.append("\r\n");
  return request;
}
