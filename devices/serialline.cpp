#include "devices/serialline.h"

void SerialLine::End() {
  if (!current_.empty() || tooLong_) ended_.push_back(Ended{std::move(current_), tooLong_});
  current_.clear();
  tooLong_ = false;
}

void SerialLine::Add(std::string_view bytes, int64_t second) {
  if (bytes.empty()) return;
  last_ = second;
  for (char c : bytes) {
    if (c == '\r' || c == '\n') {
      // Each line end ends what came before it; a second one (the LF of
      // CR LF, a blank line) finds nothing to end.
      End();
      continue;
    }
    if (current_.size() < kLineMax) current_.push_back(c);
    else tooLong_ = true;
  }
}

SerialLine::Got SerialLine::Take(bool readSome, int64_t second, std::string* text) {
  if (ended_.empty() && !readSome && second != last_) End();
  if (ended_.empty()) return Got::None;
  Ended first = std::move(ended_.front());
  ended_.pop_front();
  if (first.tooLong) return Got::TooLong;
  *text = std::move(first.text);
  return Got::Text;
}

size_t SerialLine::Held() const {
  size_t n = current_.size() + (tooLong_ ? 1 : 0);
  for (const Ended& e : ended_) n += e.tooLong ? 1 : e.text.size();
  return n;
}

void SerialLine::Clear() { *this = SerialLine{}; }
