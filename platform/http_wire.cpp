#include "platform/http_wire.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace platform {
namespace {

constexpr std::uint64_t kMaxSize = std::numeric_limits<std::uint64_t>::max();

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsTokenChar(char c) {
  static constexpr std::string_view kSymbols = "!#$%&'*+-.^_`|~";
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         kSymbols.find(c) != std::string_view::npos;
}

char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return ToLowerAscii(x) == ToLowerAscii(y);
         });
}

bool IsWhitespace(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimWhitespace(std::string_view text) {
  while (!text.empty() && IsWhitespace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWhitespace(text.back())) text.remove_suffix(1);
  return text;
}

void Reject(ResponseReader& reader) { reader.state = ResponseState::Malformed; }
void Finish(ResponseReader& reader) { reader.state = ResponseState::Complete; }

// "HTTP/1.x SSS", then nothing or a space and a reason phrase, which is not looked at.
// The code, or nothing when the line is not a status line.
std::optional<int> ParseStatusLine(std::string_view line) {
  constexpr std::string_view kVersionPrefix = "HTTP/1.";
  if (line.size() < 12 || line.substr(0, kVersionPrefix.size()) != kVersionPrefix) return {};
  if (!IsDigit(line[7]) || line[8] != ' ') return {};
  if (line.size() > 12 && line[12] != ' ') return {};
  const std::string_view code = line.substr(9, 3);
  if (!std::all_of(code.begin(), code.end(), IsDigit) || code[0] == '0') return {};
  return (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
}

struct FieldLine {
  std::string_view name;
  std::string_view value;
};

// "name: value" with a token for a name and no space before the colon. A line that starts
// with a space, the old way of continuing a field on the next line, is refused with the rest.
std::optional<FieldLine> ParseFieldLine(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == 0 || colon == std::string_view::npos) return {};
  const std::string_view name = line.substr(0, colon);
  if (!std::all_of(name.begin(), name.end(), IsTokenChar)) return {};
  return FieldLine{name, TrimWhitespace(line.substr(colon + 1))};
}

// The last non-empty element of a comma-separated list; a list may hold empty elements.
std::string_view LastListElement(std::string_view list) {
  while (!list.empty()) {
    const std::size_t comma = list.rfind(',');
    const std::size_t start = comma == std::string_view::npos ? 0 : comma + 1;
    const std::string_view element = TrimWhitespace(list.substr(start));
    if (!element.empty()) return element;
    list = list.substr(0, comma == std::string_view::npos ? 0 : comma);
  }
  return {};
}

std::optional<std::uint64_t> ParseDecimal(std::string_view digits) {
  if (digits.empty()) return {};
  std::uint64_t value = 0;
  for (const char c : digits) {
    if (!IsDigit(c)) return {};
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (value > (kMaxSize - digit) / 10) return {};
    value = value * 10 + digit;
  }
  return value;
}

// A chunk's size in hex, then nothing or extensions after a semicolon, which are ignored.
std::optional<std::uint64_t> ParseChunkSize(std::string_view line) {
  std::size_t i = 0;
  std::uint64_t size = 0;
  for (; i < line.size() && HexDigitValue(line[i]) >= 0; ++i) {
    if (size > kMaxSize >> 4) return {};
    size = size << 4 | static_cast<unsigned>(HexDigitValue(line[i]));
  }
  const std::string_view rest = TrimWhitespace(line.substr(i));
  if (i == 0 || (!rest.empty() && rest.front() != ';')) return {};
  return size;
}

// Each Transfer-Encoding field adds codings to the list; the last one decides the framing.
void NoteTransferEncoding(BodyFraming& framing, std::string_view value) {
  framing.hasTransferEncoding = true;
  const std::string_view lastCoding = LastListElement(value);
  if (!lastCoding.empty()) framing.lastCodingIsChunked = EqualsIgnoringCase(lastCoding, "chunked");
}

// False for a length that is no plain number or differs from an earlier one: that leaves no
// safe way to find the end, even when Transfer-Encoding makes the length moot.
bool NoteContentLength(BodyFraming& framing, std::string_view value) {
  const std::optional<std::uint64_t> length = ParseDecimal(value);
  if (!length || (framing.hasContentLength && *length != framing.contentLength)) return false;
  framing.hasContentLength = true;
  framing.contentLength = *length;
  return true;
}

void StartBody(ResponseReader& reader) {
  const int status = reader.status;
  const BodyFraming& framing = reader.framing;
  if (status / 100 == 1 && status != 101) {
    // An interim response: the real one follows on the same connection.
    reader.part = ResponsePart::StatusLine;
  } else if (status / 100 == 1 || status == 204 || status == 304) {
    Finish(reader);
  } else if (framing.hasTransferEncoding) {
    reader.part =
        framing.lastCodingIsChunked ? ResponsePart::ChunkSizeLine : ResponsePart::BodyUntilClose;
  } else if (!framing.hasContentLength) {
    reader.part = ResponsePart::BodyUntilClose;
  } else if (framing.contentLength == 0) {
    Finish(reader);
  } else {
    reader.part = ResponsePart::LengthBody;
    reader.remaining = framing.contentLength;
  }
}

void ReadStatusLine(ResponseReader& reader, std::string_view line) {
  const std::optional<int> status = ParseStatusLine(line);
  if (!status) return Reject(reader);
  reader.status = *status;
  // Fields of an interim response say nothing about the final one.
  reader.framing = {};
  reader.part = ResponsePart::HeaderLines;
}

void ReadHeaderLine(ResponseReader& reader, std::string_view line) {
  if (line.empty()) return StartBody(reader);
  const std::optional<FieldLine> field = ParseFieldLine(line);
  if (!field) return Reject(reader);
  if (EqualsIgnoringCase(field->name, "Transfer-Encoding")) {
    NoteTransferEncoding(reader.framing, field->value);
  } else if (EqualsIgnoringCase(field->name, "Content-Length")) {
    if (!NoteContentLength(reader.framing, field->value)) Reject(reader);
  }
}

void ReadChunkSizeLine(ResponseReader& reader, std::string_view line) {
  const std::optional<std::uint64_t> size = ParseChunkSize(line);
  if (!size) return Reject(reader);
  reader.part = *size == 0 ? ResponsePart::TrailerLines : ResponsePart::ChunkData;
  reader.remaining = *size;
}

void ReadChunkDataEnd(ResponseReader& reader, std::string_view line) {
  if (!line.empty()) return Reject(reader);
  reader.part = ResponsePart::ChunkSizeLine;
}

void ReadTrailerLine(ResponseReader& reader, std::string_view line) {
  if (line.empty()) return Finish(reader);
  if (!ParseFieldLine(line)) Reject(reader);
}

void ReadLine(ResponseReader& reader, std::string_view line) {
  switch (reader.part) {
    case ResponsePart::StatusLine:
      return ReadStatusLine(reader, line);
    case ResponsePart::HeaderLines:
      return ReadHeaderLine(reader, line);
    case ResponsePart::ChunkSizeLine:
      return ReadChunkSizeLine(reader, line);
    case ResponsePart::ChunkDataEnd:
      return ReadChunkDataEnd(reader, line);
    case ResponsePart::TrailerLines:
      return ReadTrailerLine(reader, line);
    default:
      return;  // the body parts are skipped by count, never read as lines
  }
}

bool IsSkippedByCount(ResponsePart part) {
  return part == ResponsePart::LengthBody || part == ResponsePart::ChunkData ||
         part == ResponsePart::BodyUntilClose;
}

// Passes over body bytes; what follows them in `bytes`.
std::string_view SkipBody(ResponseReader& reader, std::string_view bytes) {
  if (reader.part == ResponsePart::BodyUntilClose) return {};
  const std::size_t skipped =
      static_cast<std::size_t>(std::min<std::uint64_t>(reader.remaining, bytes.size()));
  reader.remaining -= skipped;
  if (reader.remaining == 0) {
    if (reader.part == ResponsePart::LengthBody) {
      Finish(reader);
    } else {
      reader.part = ResponsePart::ChunkDataEnd;
    }
  }
  return bytes.substr(skipped);
}

// Adds bytes to the partial line and reads the line once its LF arrives; what follows the
// line in `bytes`. Either LF or CR LF ends a line.
std::string_view TakeLine(ResponseReader& reader, std::string_view bytes) {
  const std::size_t lineFeed = bytes.find('\n');
  const std::string_view piece = bytes.substr(0, lineFeed);
  // One byte over the limit may yet be the CR of a CR LF.
  if (reader.partialLine.size() + piece.size() > kMaxResponseLineLength + 1) {
    Reject(reader);
    return {};
  }
  reader.partialLine.append(piece);
  if (lineFeed == std::string_view::npos) return {};

  std::string_view line = reader.partialLine;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() > kMaxResponseLineLength) {
    Reject(reader);
  } else {
    ReadLine(reader, line);
  }
  reader.partialLine.clear();
  return bytes.substr(lineFeed + 1);
}

}  // namespace

ResponseState FeedResponse(ResponseReader& reader, std::string_view bytes) {
  while (!bytes.empty() && reader.state == ResponseState::Reading) {
    bytes = IsSkippedByCount(reader.part) ? SkipBody(reader, bytes) : TakeLine(reader, bytes);
  }
  return reader.state;
}

ResponseState EndOfResponse(ResponseReader& reader) {
  if (reader.state == ResponseState::Reading) {
    reader.state = reader.part == ResponsePart::BodyUntilClose ? ResponseState::Complete
                                                               : ResponseState::Malformed;
  }
  return reader.state;
}

}  // namespace platform
