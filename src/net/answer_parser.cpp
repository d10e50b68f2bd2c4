// The reader of HTTP answers as a resumable machine.
#include "net/answer_parser.h"

#include <cstdint>
#include <cstring>

namespace net {

TLineReader::Status TLineReader::Feed(const char* data, std::size_t size, std::size_t& consumed) {
  if (complete_) Reset();
  const void* found = std::memchr(data, '\n', size);
  if (found == nullptr) {
    line_.append(data, size);
    raw_ += size;
    consumed = size;
    // One more byte is allowed while it may be the CR of the line end.
    if (line_.size() > maxLength_ + 1 || (line_.size() == maxLength_ + 1 && line_.back() != '\r')) {
      return Status::TooLong;
    }
    return Status::NeedMore;
  }
  const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(found) - data);
  line_.append(data, end);
  raw_ += end + 1;
  consumed = end + 1;
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  if (line_.size() > maxLength_) return Status::TooLong;
  complete_ = true;
  return Status::Line;
}

bool IsStatusLine(const std::string& line) {
  if (line.compare(0, 5, "HTTP/") != 0) return false;
  std::size_t at = 5;
  const auto digits = [&line, &at] {
    const std::size_t from = at;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9') ++at;
    return at > from;
  };
  if (!digits() || at >= line.size() || line[at] != '.') return false;
  ++at;
  if (!digits() || at >= line.size() || line[at] != ' ') return false;
  ++at;
  const std::size_t code = at;
  digits();
  return at - code == 3 && (at == line.size() || line[at] == ' ');
}

THeadParser::Status THeadParser::Refuse(Status status, std::size_t size, std::size_t& consumed) {
  refused_ = status;
  consumed = size;
  return status;
}

THeadParser::Status THeadParser::Feed(const char* data, std::size_t size, std::size_t& consumed) {
  consumed = 0;
  if (refused_ != Status::NeedMore) return Refuse(refused_, size, consumed);
  while (consumed < size) {
    std::size_t used = 0;
    const TLineReader::Status status = line_.Feed(data + consumed, size - consumed, used);
    consumed += used;
    bytes_ += used;
    if (status == TLineReader::Status::TooLong) return Refuse(Status::TooLong, size, consumed);
    if (bytes_ > kMaxHeadBytes) return Refuse(Status::TooLarge, size, consumed);
    if (status == TLineReader::Status::NeedMore) return Status::NeedMore;
    if (!haveStatus_) {
      // Stray line ends before an answer (left over from a previous body)
      // are not its status line.
      if (line_.Bytes().empty()) continue;
      // After an interim answer nothing but an answer may follow; waiting
      // for a blank line to judge it would wait on a server that never
      // sends one.
      if (strictStatus_ && !IsStatusLine(line_.Bytes())) return Refuse(Status::NotStatus, size, consumed);
      answer_.SetStatusLine(LineText(line_.Bytes()));
      haveStatus_ = true;
      continue;
    }
    if (line_.Bytes().empty()) return Status::Done;
    if (++lines_ > kMaxHeadLines) return Refuse(Status::TooLarge, size, consumed);
    answer_.AddHeaderLine(LineText(line_.Bytes()));
  }
  return Status::NeedMore;
}

bool THeadParser::Finish() { return haveStatus_; }

void THeadParser::Reset() {
  line_.Reset();
  answer_ = THttpAnswer();
  haveStatus_ = false;
  strictStatus_ = false;
  lines_ = 0;
  bytes_ = 0;
  refused_ = Status::NeedMore;
}

void THeadParser::ResetAfterInterim() {
  Reset();
  strictStatus_ = true;
}

std::optional<std::uint64_t> ParseChunkSize(const std::string& line) {
  std::size_t end = line.find(';');
  if (end == std::string::npos) end = line.size();
  std::size_t begin = 0;
  while (begin < end && (line[begin] == ' ' || line[begin] == '\t')) ++begin;
  while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
  if (begin == end) return std::nullopt;
  std::uint64_t value = 0;
  for (std::size_t i = begin; i < end; ++i) {
    const char c = line[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    if (value > (std::uint64_t{INT64_MAX} - static_cast<std::uint64_t>(digit)) / 16) return std::nullopt;
    value = value * 16 + static_cast<std::uint64_t>(digit);
  }
  return value;
}

TBodyParser::TBodyParser(TBodyFraming framing, std::int64_t length, std::string boundary, std::size_t maxLineLength)
    : line_(maxLineLength) {
  switch (framing) {
    case TBodyFraming::Length:
      state_ = length > 0 ? State::Length : State::Done;
      remaining_ = length > 0 ? static_cast<std::uint64_t>(length) : 0;
      break;
    case TBodyFraming::Chunked:
      state_ = State::ChunkSize;
      break;
    case TBodyFraming::Multipart:
      state_ = boundary.empty() ? State::UntilClose : State::Multipart;
      marker_ = "--" + boundary + "--";
      break;
    case TBodyFraming::UntilClose:
      state_ = State::UntilClose;
      break;
  }
}

TBodyStep TBodyParser::LineStep(const char* data, std::size_t size) {
  TBodyStep step;
  const TLineReader::Status status = line_.Feed(data, size, step.consumed);
  if (status == TLineReader::Status::TooLong) {
    step.kind = TBodyStep::Kind::TooLong;
  } else if (status == TLineReader::Status::NeedMore) {
    step.kind = TBodyStep::Kind::NeedMore;
  } else {
    step.kind = TBodyStep::Kind::Line;
    step.size = line_.RawSize();
  }
  return step;
}

TBodyStep TBodyParser::Next(const char* data, std::size_t size) {
  using Kind = TBodyStep::Kind;
  TBodyStep step;
  if (refused_ != Kind::NeedMore) return {refused_, size, nullptr, 0};
  if (state_ == State::Done) {
    step.kind = Kind::Done;
    return step;
  }
  if (size == 0) return step;
  switch (state_) {
    case State::Length:
    case State::ChunkData: {
      const std::size_t n = remaining_ < size ? static_cast<std::size_t>(remaining_) : size;
      remaining_ -= n;
      if (remaining_ == 0) state_ = state_ == State::Length ? State::Done : State::ChunkEnd;
      return {Kind::Data, n, data, n};
    }
    case State::ChunkSize:
      step = LineStep(data, size);
      if (step.kind == Kind::Line) {
        const std::optional<std::uint64_t> chunk = ParseChunkSize(line_.Bytes());
        if (!chunk) {
          // Not a size: whatever follows cannot be told apart from data.
          refused_ = Kind::BadChunkSize;
          return {refused_, size, nullptr, 0};
        }
        remaining_ = *chunk;
        state_ = remaining_ == 0 ? State::Trailer : State::ChunkData;
      }
      return step;
    case State::ChunkEnd:
      step = LineStep(data, size);
      if (step.kind == Kind::Line) state_ = State::ChunkSize;
      return step;
    case State::Trailer:
      step = LineStep(data, size);
      if (step.kind == Kind::Line) {
        if (line_.Bytes().empty()) {
          state_ = State::Done;
        } else {
          trailerBytes_ += step.size;
          if (trailer_.size() >= kMaxHeadLines || trailerBytes_ > kMaxHeadBytes) {
            refused_ = Kind::TooLarge;
            return {refused_, size, nullptr, 0};
          }
          trailer_.push_back(LineText(line_.Bytes()));
        }
      }
      return step;
    case State::MultipartRest:
      step = LineStep(data, size);
      if (step.kind == Kind::Line) state_ = State::Done;
      return step;
    case State::UntilClose:
      return {Kind::Data, size, data, size};
    case State::Multipart: {
      const std::size_t total = marker_.size();
      if (matched_ > 0) {
        // A marker began in an earlier buffer: go on matching it.
        std::size_t k = 0;
        std::size_t m = matched_;
        while (k < size && m < total && data[k] == marker_[m]) {
          ++k;
          ++m;
        }
        if (m == total) {
          matched_ = 0;
          state_ = State::MultipartRest;
          return {Kind::Data, k, marker_.data(), total};
        }
        if (k == size) {
          matched_ = m;
          return {Kind::NeedMore, size, nullptr, 0};
        }
        // Not the marker after all: the held bytes are body bytes.
        const std::size_t held = matched_;
        matched_ = 0;
        lineStart_ = false;
        return {Kind::Data, 0, marker_.data(), held};
      }
      for (std::size_t i = 0; i < size; ++i) {
        if (lineStart_ && data[i] == marker_[0]) {
          std::size_t m = 0;
          while (i + m < size && m < total && data[i + m] == marker_[m]) ++m;
          if (m == total) {
            state_ = State::MultipartRest;
            return {Kind::Data, i + total, data, i + total};
          }
          if (i + m == size) {
            matched_ = m;
            if (i == 0) return {Kind::NeedMore, size, nullptr, 0};
            return {Kind::Data, size, data, i};
          }
        }
        lineStart_ = data[i] == '\n';
      }
      return {Kind::Data, size, data, size};
    }
    case State::Done:
      break;
  }
  step.kind = Kind::Done;
  return step;
}

TBodyStep TBodyParser::Finish() {
  using Kind = TBodyStep::Kind;
  TBodyStep step;
  if (refused_ != Kind::NeedMore) return {refused_, 0, nullptr, 0};
  switch (state_) {
    case State::Multipart:
      if (matched_ > 0) {
        const std::size_t held = matched_;
        matched_ = 0;
        return {Kind::Data, 0, marker_.data(), held};
      }
      step.kind = Kind::Done;
      break;
    // The data of a chunked body is complete once its last chunk has come;
    // a server that closes instead of ending its trailer loses nothing. The
    // unfinished line still counts as taken.
    case State::Trailer:
    case State::MultipartRest:
      if (const std::size_t unfinished = line_.Unfinished()) {
        line_.Reset();
        return {Kind::Line, 0, nullptr, unfinished};
      }
      step.kind = Kind::Done;
      break;
    case State::UntilClose:
    case State::Done:
      step.kind = Kind::Done;
      break;
    default:
      step.kind = Kind::CutShort;
      break;
  }
  state_ = step.kind == Kind::Done ? State::Done : state_;
  return step;
}

}  // namespace net
