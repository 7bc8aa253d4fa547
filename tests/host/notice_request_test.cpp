#include "uninstaller/notice_request.h"

#include <gtest/gtest.h>

namespace {

struct NoticeCase {
  const char* host;
  const char* expected;
};

void PrintTo(const NoticeCase& c, std::ostream* os) { *os << '"' << c.host << '"'; }

class NoticeRequestTest : public testing::TestWithParam<NoticeCase> {};

TEST_P(NoticeRequestTest, FormsTheExactBytes) {
  EXPECT_EQ(FormatNoticeRequest(GetParam().host), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, NoticeRequestTest,
    testing::Values(
        NoticeCase{"notice.vintorra.example",
                   "GET /rpc/senduninstall?partner=VintorraPaltrun&build=3.1 HTTP/1.1\r\n"
                   "Content-Type: text/html\r\n"
                   "Host: notice.vintorra.example\r\n"
                   "Accept: text/html, */*\r\n"
                   "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
                   "\r\n"},
        NoticeCase{"127.0.0.1",
                   "GET /rpc/senduninstall?partner=VintorraPaltrun&build=3.1 HTTP/1.1\r\n"
                   "Content-Type: text/html\r\n"
                   "Host: 127.0.0.1\r\n"
                   "Accept: text/html, */*\r\n"
                   "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
                   "\r\n"}));

}  // namespace
