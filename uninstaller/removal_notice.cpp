#include "platform/http_client.h"
#include "uninstaller/notice_request.h"
#include "uninstaller/uninstall_steps.h"

namespace {

// The notice service, fixed when the program is built (see VPT_NOTICE_HOST).
constexpr const char kNoticeHost[] = VPT_NOTICE_HOST;

// An uninstall must never wait long on a service that does not answer: the whole exchange
// ends within these limits, whatever the service does.
constexpr platform::HttpTimeLimits kNoticeTimeLimits = {5000, 10000};

}  // namespace

void SendRemovalNotice() {
  if (!platform::IsOnline()) return;
  const platform::HttpClient client = platform::CreateHttpClient();
  try {
    platform::HttpGet(client, kNoticeHost, kNoticePort, FormatNoticeRequest(kNoticeHost),
                      kNoticeTimeLimits);
  } catch (...) {
    // Nothing the service answers, or fails to answer, stops the uninstall.
  }
}
