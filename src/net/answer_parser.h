// The reader of HTTP answers as a resumable machine: the caller feeds it the
// bytes it receives, in buffers of any size, and it says what they are. It
// does no I/O of its own, so it runs the same over a socket, over TLS, or
// over a fuzzer's bytes.
//
// Two machines, one after the other:
//
//   THeadParser   status line -> header lines -> empty line        (Done)
//   TBodyParser   one framing of the body, picked from the head:
//     Length      exactly n bytes                                  (Done)
//     Chunked     size line -> data -> line after the data -> ...
//                 size 0 -> trailer lines -> empty line            (Done)
//     Multipart   bytes up to and including the line start
//                 "--boundary--" -> rest of that line              (Done)
//     UntilClose  everything until Finish()
//
// Lines end at LF; a CR right before it is removed. A line is refused once
// it holds more than maxLineLength characters (its line end not counted),
// and a head (or a trailer) once it holds more than kMaxHeadLines lines or
// kMaxHeadBytes bytes, so that a server cannot make the reader take memory
// without end. A state that has refused its input takes all further input
// and keeps saying so.
// Every state waits for input; Finish() tells a machine that the
// connection has closed and gives the verdict for what was received.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/answer.h"

namespace net {

inline constexpr std::size_t kMaxHeadLines = 1000;
inline constexpr std::size_t kMaxHeadBytes = 1u << 20;

// Gathers one line across buffers.
class TLineReader {
 public:
  explicit TLineReader(std::size_t maxLength) : maxLength_(maxLength) {}

  enum class Status {
    NeedMore,  // all of the input was taken; the line goes on
    Line,      // a line is complete: Bytes() and RawSize()
    TooLong,   // more than maxLength characters without a line end
  };
  // Takes bytes up to and including the next LF; consumed tells how many.
  Status Feed(const char* data, std::size_t size, std::size_t& consumed);

  // The complete line without its line end.
  const std::string& Bytes() const { return line_; }
  // Bytes the line took from the input, its line end included.
  std::size_t RawSize() const { return raw_; }
  // Bytes of an unfinished line taken so far (0 after a complete one).
  std::size_t Unfinished() const { return complete_ ? 0 : raw_; }
  void Reset() {
    line_.clear();
    raw_ = 0;
    complete_ = false;
  }

 private:
  std::size_t maxLength_;
  std::string line_;
  std::size_t raw_ = 0;
  bool complete_ = false;
};

class THeadParser {
 public:
  explicit THeadParser(std::size_t maxLineLength) : line_(maxLineLength) {}

  enum class Status {
    NeedMore,  // all input taken, the head goes on
    Done,      // the empty line after the headers was taken
    TooLong,   // a status or header line is too long
    TooLarge,  // more header lines or bytes than a head may have
    NotStatus, // (after an interim answer) a line that is no status line
  };
  // Takes bytes of the head; stops right after its empty line, so that the
  // rest of the input is the body (or the next answer).
  Status Feed(const char* data, std::size_t size, std::size_t& consumed);
  // The connection closed. True when the status line had arrived: the head
  // ends with the header lines complete so far (an unfinished one is
  // dropped). False when it had not.
  bool Finish();

  THttpAnswer& Answer() { return answer_; }
  // For the next answer on the same connection.
  void Reset();
  // For the answer after an interim (1xx) one: its first line must be a
  // status line, and is judged as soon as it is complete.
  void ResetAfterInterim();

 private:
  Status Refuse(Status status, std::size_t size, std::size_t& consumed);

  TLineReader line_;
  THttpAnswer answer_;
  bool haveStatus_ = false;
  bool strictStatus_ = false;
  std::size_t lines_ = 0;
  std::size_t bytes_ = 0;
  Status refused_ = Status::NeedMore;
};

// "HTTP/" followed by a version, a blank and a three-digit status code.
bool IsStatusLine(const std::string& line);

enum class TBodyFraming { Length, Chunked, Multipart, UntilClose };

struct TBodyStep {
  enum class Kind {
    NeedMore,  // all input taken; feed more
    Data,      // data/size are body bytes for the destination
    Line,      // a framing line was taken; size is its byte count
    Done,      // the body is complete; the rest of the input is not its
    TooLong,   // a chunk-size or trailer line is too long
    CutShort,  // (Finish only) the connection closed inside the body
    BadChunkSize,  // a chunk-size line that is no size: the framing is lost
    TooLarge,      // more trailer lines or bytes than a head may have
  };
  Kind kind = Kind::NeedMore;
  std::size_t consumed = 0;     // bytes of the input taken by this step
  const char* data = nullptr;   // Data: into the input or the parser
  std::size_t size = 0;         // Data: byte count; Line: bytes counted
};

class TBodyParser {
 public:
  // length: for Length, above 0. boundary: for Multipart, not empty.
  TBodyParser(TBodyFraming framing, std::int64_t length, std::string boundary, std::size_t maxLineLength);

  // One step over data; call again with the input after step.consumed
  // until it is used up (a step may take nothing, as when it hands out
  // bytes it had held back).
  TBodyStep Next(const char* data, std::size_t size);
  // The connection closed: Data with bytes held back (then call again),
  // Done when what arrived is a whole body, CutShort when it is not.
  TBodyStep Finish();

  bool IsDone() const { return state_ == State::Done; }
  // Lines after the last chunk, in order; they join the answer's headers.
  const std::vector<std::u16string>& TrailerLines() const { return trailer_; }

 private:
  enum class State {
    Length,         // waits for the rest of the announced bytes
    ChunkSize,      // waits for a chunk-size line
    ChunkData,      // waits for the rest of a chunk
    ChunkEnd,       // waits for the line after a chunk
    Trailer,        // waits for trailer lines up to an empty one
    Multipart,      // waits for the closing boundary
    MultipartRest,  // waits for the end of the closing boundary line
    UntilClose,     // waits for the connection to close
    Done,
  };
  TBodyStep LineStep(const char* data, std::size_t size);

  State state_;
  std::uint64_t remaining_ = 0;
  std::string marker_;  // "--boundary--"
  std::size_t matched_ = 0;  // bytes of marker_ matched at a line start, held back
  bool lineStart_ = true;
  TLineReader line_;
  std::vector<std::u16string> trailer_;
  std::size_t trailerBytes_ = 0;
  TBodyStep::Kind refused_ = TBodyStep::Kind::NeedMore;
};

// Reads a chunk-size line: hexadecimal up to an optional ";", trimmed.
// Nothing for a line that is not hexadecimal or whose size does not fit
// 63 bits.
std::optional<std::uint64_t> ParseChunkSize(const std::string& line);

}  // namespace net
