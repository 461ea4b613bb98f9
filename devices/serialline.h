// The bursts of a serial line put together into texts, one poll at a time.
//
// A scanner sends a code as a burst of bytes, usually ended by CR or LF,
// sometimes by nothing but silence, and a slow one a few bytes at a time.
// The window reads its port at each poll without waiting, so a burst is
// assembled across polls and the window never stops for the device:
//   - a line end (CR, LF or CR LF) ends the burst; line ends in front of a
//     text are skipped, so a lone CR, an LF or a blank line is no text;
//   - a burst without a line end ends at the first poll that finds nothing
//     new once the clock's second has changed since its last bytes came
//     (bytes 300 ms apart within one second are one text; a pause that
//     crosses the second and finds nothing ends it);
//   - a burst is never cut at a byte count: one longer than kLineMax is
//     taken whole to its end and reported as too long, and only its first
//     kLineMax bytes are ever held, so a device that floods cannot grow
//     the memory.
// Pure: the caller reads the port and passes the clock's second.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

class SerialLine {
 public:
  static constexpr size_t kLineMax = 1024;  // the longest text held

  enum class Got : uint8_t {
    None,     // no burst has ended
    Text,     // *text holds a burst, without its line end (1..kLineMax bytes)
    TooLong,  // a burst longer than kLineMax ended; it is dropped
  };

  // Bytes read from the port during the clock's second `second`.
  void Add(std::string_view bytes, int64_t second);
  // The first burst that has ended. `readSome` tells whether this poll read
  // any bytes; a burst without a line end ends only on a poll that read
  // none, at a later second than its last bytes.
  Got Take(bool readSome, int64_t second, std::string* text);
  // Bytes held: ended bursts not yet taken and the burst in progress (an
  // over-long one counts at least 1). Not 0 while a burst is pending, so
  // the poll goes on asking for it.
  size_t Held() const;
  void Clear();

 private:
  struct Ended {
    std::string text;
    bool tooLong = false;
  };
  void End();

  std::deque<Ended> ended_;
  std::string current_;
  bool tooLong_ = false;
  int64_t last_ = 0;      // the second of the burst's last bytes
};
