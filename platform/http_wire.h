// The framing of one HTTP/1.x response, read as it arrives and thrown away. Portable: no
// Windows calls.
//
// The caller feeds every received piece of bytes in order until the state leaves Reading.
// Nothing of the body is kept and header fields are judged line by line, so the reader holds
// at most one partial line whatever the peer sends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The longest status, header, chunk-size or trailer line accepted, not counting its line end.
inline constexpr std::size_t kMaxResponseLineLength = 8192;

enum class ResponseState { Reading, Complete, Malformed };

// Where the reader stands inside the response.
enum class ResponsePart {
  StatusLine,
  HeaderLines,
  LengthBody,  // `remaining` bytes of a Content-Length body still to come
  ChunkSizeLine,
  ChunkData,     // `remaining` bytes of the current chunk still to come
  ChunkDataEnd,  // the line end that follows a chunk's data
  TrailerLines,
  BodyUntilClose,
};

// What the header fields of the current response say about its body.
struct BodyFraming {
  bool hasTransferEncoding = false;
  bool lastCodingIsChunked = false;
  bool hasContentLength = false;
  std::uint64_t contentLength = 0;
};

struct ResponseReader {
  ResponseState state = ResponseState::Reading;
  ResponsePart part = ResponsePart::StatusLine;
  // The code of the latest status line: once Complete, that of the final response, interim
  // 1xx responses having been passed over.
  int status = 0;
  // The unfinished line, at most kMaxResponseLineLength bytes plus the CR of its line end.
  std::string partialLine;
  BodyFraming framing;
  std::uint64_t remaining = 0;  // body or chunk bytes still to come
};

// Reads the next received bytes and tells how the response stands. Once it is Complete or
// Malformed, further bytes are ignored and the state stays as it is.
ResponseState FeedResponse(ResponseReader& reader, std::string_view bytes);

// Tells the reader the peer closed the connection: a body that runs until the close is then
// complete, and any other unfinished response malformed.
ResponseState EndOfResponse(ResponseReader& reader);

}  // namespace platform
