#include "platform/http_wire.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using platform::EndOfResponse;
using platform::FeedResponse;
using platform::kMaxResponseLineLength;
using platform::ResponseReader;
using platform::ResponseState;

constexpr bool kPeerCloses = true;
constexpr bool kStaysOpen = false;

struct ResponseCase {
  const char* name;
  // The bytes up to and including the one that decides the response; when the peer closes,
  // the close decides it and these are all the bytes it sends.
  std::string response;
  // Bytes the peer sends after the deciding one, to be ignored.
  std::string after;
  bool peerCloses;
  ResponseState expected;
  int status;
};

void PrintTo(const ResponseCase& c, std::ostream* os) { *os << c.name; }

std::string CaseName(const testing::TestParamInfo<ResponseCase>& info) { return info.param.name; }

// A header line of `length` bytes, not counting its line end.
std::string HeaderLineOfLength(std::size_t length) {
  const std::string name = "X-Padding: ";
  return name + std::string(length - name.size(), 'a');
}

// Closes the connection when the case says so, then checks the verdict.
void ExpectVerdict(const ResponseCase& c, ResponseReader& reader) {
  if (c.peerCloses) EndOfResponse(reader);
  EXPECT_EQ(reader.state, c.expected);
  EXPECT_EQ(reader.status, c.status);
}

class ResponseReaderTest : public testing::TestWithParam<ResponseCase> {};

TEST_P(ResponseReaderTest, ReadsAllAtOnce) {
  const ResponseCase& c = GetParam();
  ResponseReader reader;
  FeedResponse(reader, c.response + c.after);
  ExpectVerdict(c, reader);
}

// Catches a reader that decides too early or too late, and one that hoards bytes.
TEST_P(ResponseReaderTest, DecidesOnTheDecidingByteWhenFedOneAtATime) {
  const ResponseCase& c = GetParam();
  const bool decidedBeforeClose = !c.peerCloses && c.expected != ResponseState::Reading;
  const std::string bytes = c.response + c.after;
  ResponseReader reader;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const ResponseState state = FeedResponse(reader, std::string_view(bytes).substr(i, 1));
    const bool decided = decidedBeforeClose && i + 1 >= c.response.size();
    ASSERT_EQ(state, decided ? c.expected : ResponseState::Reading) << "after byte " << i;
    ASSERT_LE(reader.partialLine.size(), kMaxResponseLineLength + 1) << "after byte " << i;
  }
  ExpectVerdict(c, reader);
}

TEST_P(ResponseReaderTest, ReadsTheSameWhereverTheBytesSplit) {
  const ResponseCase& c = GetParam();
  const std::string bytes = c.response + c.after;
  for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
    SCOPED_TRACE(testing::Message() << "split at " << cut);
    ResponseReader reader;
    FeedResponse(reader, std::string_view(bytes).substr(0, cut));
    FeedResponse(reader, std::string_view(bytes).substr(cut));
    ExpectVerdict(c, reader);
    if (HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(
    ContentLength, ResponseReaderTest,
    testing::Values(
        ResponseCase{"Body", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello",
                     "HTTP/1.1 400 Bad Request\r\n\r\n", kStaysOpen, ResponseState::Complete, 200},
        ResponseCase{"LineEndsInBody", "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n\r\n\r\n", "",
                     kStaysOpen, ResponseState::Complete, 200},
        ResponseCase{"Zero", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", "hello", kStaysOpen,
                     ResponseState::Complete, 200},
        ResponseCase{"NameInAnyCaseValueAmidSpaces",
                     "HTTP/1.1 201 Created\r\ncontent-LENGTH: \t3 \r\n\r\nabc", "", kStaysOpen,
                     ResponseState::Complete, 201},
        ResponseCase{"RepeatedEqualLengths",
                     "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 3\r\n\r\nabc", "",
                     kStaysOpen, ResponseState::Complete, 200},
        ResponseCase{"BareLineFeeds", "HTTP/1.1 200 OK\nServer: test\nContent-Length: 2\n\nok", "",
                     kStaysOpen, ResponseState::Complete, 200},
        ResponseCase{"StatusWithoutReason", "HTTP/1.0 404\r\nContent-Length: 0\r\n\r\n", "",
                     kStaysOpen, ResponseState::Complete, 404},
        ResponseCase{"EmptyReason", "HTTP/1.1 500 \r\nContent-Length: 1\r\n\r\nx", "", kStaysOpen,
                     ResponseState::Complete, 500},
        ResponseCase{"LongestLine",
                     "HTTP/1.1 200 OK\r\n" + HeaderLineOfLength(kMaxResponseLineLength) +
                         "\r\nContent-Length: 0\r\n\r\n",
                     "", kStaysOpen, ResponseState::Complete, 200},
        ResponseCase{"LongestLineEndedByLineFeed",
                     "HTTP/1.1 200 OK\r\n" + HeaderLineOfLength(kMaxResponseLineLength) +
                         "\nContent-Length: 0\r\n\r\n",
                     "", kStaysOpen, ResponseState::Complete, 200},
        ResponseCase{"LargestLength",
                     "HTTP/1.1 200 OK\r\nContent-Length: 18446744073709551615\r\n\r\nsome", "",
                     kStaysOpen, ResponseState::Reading, 200},
        ResponseCase{"BodyCutShort", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhell", "",
                     kPeerCloses, ResponseState::Malformed, 200}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Chunked, ResponseReaderTest,
    testing::Values(
        ResponseCase{"Chunks",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                     "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n",
                     "garbage", kStaysOpen, ResponseState::Complete, 200},
        ResponseCase{"ExtensionsAndTrailers",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                     "1a;name=value\r\nabcdefghijklmnopqrstuvwxyz\r\n"
                     "A ; q=\"x;y\"\r\n0123456789\r\n"
                     "0;last\r\nExpires: never\r\nX-Checksum: 1\r\n\r\n",
                     "", kStaysOpen, ResponseState::Complete, 200},
        ResponseCase{"LineEndsInChunkData",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                     "4\r\n\r\n\r\n\r\n0\r\n\r\n",
                     "", kStaysOpen, ResponseState::Complete, 200},
        ResponseCase{"BareLineFeeds",
                     "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n3\nabc\n0\n\n", "", kStaysOpen,
                     ResponseState::Complete, 200},
        // Codings from every field count, in order, and empty list elements do not.
        ResponseCase{"LastOfSeveralCodings",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n"
                     "transfer-encoding: x,  Chunked ,\r\n\r\n0\r\n\r\n",
                     "", kStaysOpen, ResponseState::Complete, 200},
        ResponseCase{"OverContentLength",
                     "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nTransfer-Encoding: chunked\r\n\r\n"
                     "2\r\nok\r\n0\r\n\r\n",
                     "", kStaysOpen, ResponseState::Complete, 200},
        ResponseCase{"LargestChunk",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                     "ffffffffffffffff\r\nsome",
                     "", kStaysOpen, ResponseState::Reading, 200},
        ResponseCase{"ChunkCutShort",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel", "",
                     kPeerCloses, ResponseState::Malformed, 200}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    UntilClose, ResponseReaderTest,
    testing::Values(
        ResponseCase{"Body", "HTTP/1.1 200 OK\r\nServer: test\r\n\r\nanything\r\n0\r\n\r\n", "",
                     kPeerCloses, ResponseState::Complete, 200},
        ResponseCase{"BodyWhileOpen", "HTTP/1.1 200 OK\r\nServer: test\r\n\r\nanything\r\n\r\n", "",
                     kStaysOpen, ResponseState::Reading, 200},
        // A coding other than chunked last: neither chunks nor Content-Length tell the end.
        ResponseCase{"OtherCodingLast",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked, gzip\r\nContent-Length: 5\r\n"
                     "\r\nhello world",
                     "", kPeerCloses, ResponseState::Complete, 200},
        ResponseCase{"HeadersCutShort", "HTTP/1.1 200 OK\r\nContent-", "", kPeerCloses,
                     ResponseState::Malformed, 200},
        ResponseCase{"StatusLineCutShort", "HTTP/1.1 200", "", kPeerCloses,
                     ResponseState::Malformed, 0},
        ResponseCase{"NothingReceived", "", "", kPeerCloses, ResponseState::Malformed, 0}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    NoBody, ResponseReaderTest,
    testing::Values(
        ResponseCase{"NoContent", "HTTP/1.1 204 No Content\r\nContent-Length: 10\r\n\r\n",
                     "0123456789", kStaysOpen, ResponseState::Complete, 204},
        ResponseCase{"NotModified",
                     "HTTP/1.1 304 Not Modified\r\nTransfer-Encoding: chunked\r\n\r\n",
                     "5\r\nhello\r\n0\r\n\r\n", kStaysOpen, ResponseState::Complete, 304},
        // Nothing asked to switch protocols, so there is no final response to wait for.
        ResponseCase{"SwitchingProtocols",
                     "HTTP/1.1 101 Switching Protocols\r\nUpgrade: other\r\n\r\n",
                     "HTTP/1.1 200 OK\r\n\r\n", kStaysOpen, ResponseState::Complete, 101}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Interim, ResponseReaderTest,
    testing::Values(
        ResponseCase{"Continue",
                     "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
                     "", kStaysOpen, ResponseState::Complete, 200},
        // The framing fields of interim responses must not leak into the final one.
        ResponseCase{"SeveralWithFields",
                     "HTTP/1.1 103 Early Hints\r\nLink: </style.css>\r\n"
                     "Transfer-Encoding: chunked\r\nContent-Length: 7\r\n\r\n"
                     "HTTP/1.1 102 Processing\r\n\r\n"
                     "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n",
                     "", kStaysOpen, ResponseState::Complete, 404},
        ResponseCase{"ClosedAfterInterim", "HTTP/1.1 100 Continue\r\n\r\n", "", kPeerCloses,
                     ResponseState::Malformed, 100}),
    CaseName);

// Bytes that would complete the response had the line before them been accepted.
const char kRest[] = "Content-Length: 0\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    BadStatusLine, ResponseReaderTest,
    testing::Values(ResponseCase{"TwoDigitCode", "HTTP/1.1 20 OK\r\n", kRest, kStaysOpen,
                                 ResponseState::Malformed, 0},
                    ResponseCase{"FourDigitCode", "HTTP/1.1 2000 OK\r\n", kRest, kStaysOpen,
                                 ResponseState::Malformed, 0},
                    ResponseCase{"LetterInCode", "HTTP/1.1 2x0 OK\r\n", kRest, kStaysOpen,
                                 ResponseState::Malformed, 0},
                    ResponseCase{"CodeBelow100", "HTTP/1.1 099 OK\r\n", kRest, kStaysOpen,
                                 ResponseState::Malformed, 0},
                    ResponseCase{"TwoSpaces", "HTTP/1.1  200 OK\r\n", kRest, kStaysOpen,
                                 ResponseState::Malformed, 0},
                    ResponseCase{"NoSpaceBeforeReason", "HTTP/1.1 200-OK\r\n", kRest, kStaysOpen,
                                 ResponseState::Malformed, 0},
                    ResponseCase{"LowerCaseProtocol", "http/1.1 200 OK\r\n", kRest, kStaysOpen,
                                 ResponseState::Malformed, 0},
                    ResponseCase{"OtherMajorVersion", "HTTP/2.0 200 OK\r\n", kRest, kStaysOpen,
                                 ResponseState::Malformed, 0},
                    ResponseCase{"NoMinorVersion", "HTTP/1 200 OK\r\n", kRest, kStaysOpen,
                                 ResponseState::Malformed, 0},
                    ResponseCase{"OtherProtocol", "ICY 200 OK\r\n", kRest, kStaysOpen,
                                 ResponseState::Malformed, 0},
                    ResponseCase{"EmptyLineFirst", "\r\n",
                                 std::string("HTTP/1.1 200 OK\r\n") + kRest, kStaysOpen,
                                 ResponseState::Malformed, 0}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    BadHeaderLine, ResponseReaderTest,
    testing::Values(
        ResponseCase{"NoColon", "HTTP/1.1 200 OK\r\nNoColon\r\n", kRest, kStaysOpen,
                     ResponseState::Malformed, 200},
        ResponseCase{"EmptyName", "HTTP/1.1 200 OK\r\n: value\r\n", kRest, kStaysOpen,
                     ResponseState::Malformed, 200},
        ResponseCase{"SpaceBeforeColon", "HTTP/1.1 200 OK\r\nContent-Length : 0\r\n", kRest,
                     kStaysOpen, ResponseState::Malformed, 200},
        ResponseCase{"FoldedLine", "HTTP/1.1 200 OK\r\nX-Note: one\r\n two\r\n", kRest, kStaysOpen,
                     ResponseState::Malformed, 200},
        ResponseCase{"LengthWithLetter", "HTTP/1.1 200 OK\r\nContent-Length: 5a\r\n", "\r\nhello",
                     kStaysOpen, ResponseState::Malformed, 200},
        ResponseCase{"LengthWithSign", "HTTP/1.1 200 OK\r\nContent-Length: +5\r\n", "\r\nhello",
                     kStaysOpen, ResponseState::Malformed, 200},
        ResponseCase{"EmptyLength", "HTTP/1.1 200 OK\r\nContent-Length: \r\n", "\r\n", kStaysOpen,
                     ResponseState::Malformed, 200},
        ResponseCase{"LengthList", "HTTP/1.1 200 OK\r\nContent-Length: 5, 5\r\n", "\r\nhello",
                     kStaysOpen, ResponseState::Malformed, 200},
        ResponseCase{"LengthOverflows",
                     "HTTP/1.1 200 OK\r\nContent-Length: 18446744073709551616\r\n", "\r\n",
                     kStaysOpen, ResponseState::Malformed, 200},
        ResponseCase{"ConflictingLengths",
                     "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n", "\r\nhello!",
                     kStaysOpen, ResponseState::Malformed, 200},
        ResponseCase{"ConflictingLengthsUnderChunked",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 5\r\n"
                     "Content-Length: 6\r\n",
                     "\r\n0\r\n\r\n", kStaysOpen, ResponseState::Malformed, 200},
        ResponseCase{"OneOverLongest",
                     "HTTP/1.1 200 OK\r\n" + HeaderLineOfLength(kMaxResponseLineLength + 1) + "\n",
                     kRest, kStaysOpen, ResponseState::Malformed, 200},
        // Refused as soon as it cannot end in time, however much more the peer sends.
        ResponseCase{"Endless",
                     "HTTP/1.1 200 OK\r\n" + HeaderLineOfLength(kMaxResponseLineLength + 2),
                     std::string(3 * kMaxResponseLineLength, 'a') + "\r\n" + kRest, kStaysOpen,
                     ResponseState::Malformed, 200}),
    CaseName);

const char kChunkedHead[] = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    BadChunk, ResponseReaderTest,
    testing::Values(
        ResponseCase{"SizeNotHex", std::string(kChunkedHead) + "zz\r\n", "", kStaysOpen,
                     ResponseState::Malformed, 200},
        ResponseCase{"SizeMissing", std::string(kChunkedHead) + "\r\n", "0\r\n\r\n", kStaysOpen,
                     ResponseState::Malformed, 200},
        ResponseCase{"OnlyExtension", std::string(kChunkedHead) + ";a=b\r\n", "0\r\n\r\n",
                     kStaysOpen, ResponseState::Malformed, 200},
        ResponseCase{"JunkAfterSize", std::string(kChunkedHead) + "5x\r\n", "hello\r\n0\r\n\r\n",
                     kStaysOpen, ResponseState::Malformed, 200},
        ResponseCase{"SizeOverflows", std::string(kChunkedHead) + "10000000000000000\r\n", "",
                     kStaysOpen, ResponseState::Malformed, 200},
        ResponseCase{"DataLongerThanSize", std::string(kChunkedHead) + "5\r\nhelloX\r\n",
                     "0\r\n\r\n", kStaysOpen, ResponseState::Malformed, 200},
        ResponseCase{"TrailerNotAField", std::string(kChunkedHead) + "0\r\nNot a field\r\n", "\r\n",
                     kStaysOpen, ResponseState::Malformed, 200}),
    CaseName);

}  // namespace
