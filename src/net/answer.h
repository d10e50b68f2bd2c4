// The head of an HTTP answer: its status line and header lines, and the
// values the client acts on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace net {

struct THttpAnswer {
  std::u16string statusLine;
  // The whole number after the first space of the status line, up to the
  // next space or "."; -1 when there is none.
  int statusCode = -1;
  std::vector<std::u16string> headerLines;  // in the order received

  // Taken from the first occurrence of each header (names without regard
  // to case). contentLength is -1 when absent or not a whole number.
  std::int64_t contentLength = -1;
  // A Content-Length that cannot frame a body: a value that is not a whole
  // number of 0 or more, or values (repeated headers, comma lists) that
  // disagree. Such an answer cannot be read safely at all.
  bool contentLengthInvalid = false;
  std::u16string transferEncoding;
  std::u16string contentType;
  std::u16string connection;
  std::u16string location;
  std::vector<std::u16string> wwwAuthenticate;  // every such line, in order
  std::vector<std::u16string> setCookies;       // every such line, in order

  bool HasLength() const { return contentLength >= 0; }
  // Sets the status line and its code.
  void SetStatusLine(std::u16string line);
  // Adds a header line ("Name: value") and takes its value where it is one
  // of the above and the first of its name.
  void AddHeaderLine(std::u16string line);
  // The value of the first header of that name; empty when there is none.
  std::u16string Header(std::u16string_view name) const;

  bool IsChunked() const;
  // "close" among the Connection tokens.
  bool WantsClose() const;
  // The boundary parameter of a "multipart/..." Content-Type, without
  // quotes; empty for other types.
  std::string MultipartBoundary() const;
};

// A received line as text: bytes from 0x80 up become U+FFFD.
std::u16string LineText(std::string_view bytes);

}  // namespace net
