// Feeds arbitrary bytes to the response reader in pieces and checks that how the bytes are cut
// never changes the verdict: the state and status equal those of one piece holding them all.
//
// The piece sizes come from the input itself, read backwards from its last byte, so the fuzzer
// steers the cuts by changing bytes that often lie past the end of a response.
#include "platform/http_wire.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

using platform::ResponseReader;

void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "http_response_fuzz: %s\n", what);
  std::abort();
}

void RequireSameVerdict(const ResponseReader& whole, const ResponseReader& pieces) {
  Require(whole.state == pieces.state, "the state depends on how the bytes are cut");
  Require(whole.status == pieces.status, "the status depends on how the bytes are cut");
}

void FeedInPieces(ResponseReader& reader, std::string_view bytes) {
  for (std::size_t offset = 0, k = 0; offset < bytes.size(); ++k) {
    const auto sizeByte = static_cast<unsigned char>(bytes[bytes.size() - 1 - k % bytes.size()]);
    const std::size_t size = 1 + sizeByte;
    platform::FeedResponse(reader, bytes.substr(offset, size));
    Require(reader.partialLine.size() <= platform::kMaxResponseLineLength + 1,
            "the partial line outgrew its limit");
    offset += size;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  ResponseReader whole;
  platform::FeedResponse(whole, bytes);
  ResponseReader pieces;
  FeedInPieces(pieces, bytes);
  RequireSameVerdict(whole, pieces);

  platform::EndOfResponse(whole);
  platform::EndOfResponse(pieces);
  RequireSameVerdict(whole, pieces);
  Require(whole.state != platform::ResponseState::Reading, "still reading after the close");
  return 0;
}
