// Serial line assembly: the input is a device's bytes and the polls that
// read them, with the time between. Each input byte is one step:
//   00xxxxxx  x * 50 ms pass, then a poll that finds nothing new
//   01xxxxxx  the next x+1 input bytes arrive and are read by a poll
//   10xxxxxx  the next input byte arrives (x+1) * 64 times over, one poll
//             (floods and over-long bursts from short inputs)
//   11xxxxxx  x ms pass, then a poll that finds nothing new
// What must hold whatever the bytes and their timing: every text is 1 to
// SerialLine::kLineMax bytes without CR or LF; once the device is quiet for
// two seconds everything held comes out; and when no burst was too long,
// the texts joined are exactly the bytes sent less their line ends.
#include <cstdlib>
#include <string>

#include "devices/serialline.h"
#include "fuzz/harness.h"

namespace {

struct Run {
  SerialLine line;
  int64_t nowMs = 0;
  std::string texts;    // every text, joined
  std::string sent;     // every byte sent, line ends left out
  bool tooLong = false;

  static void Require(bool holds) {
    if (!holds) std::abort();
  }
  void Poll(bool readSome) {
    std::string text;
    for (SerialLine::Got got; (got = line.Take(readSome, nowMs / 1000, &text)) != SerialLine::Got::None;) {
      if (got == SerialLine::Got::TooLong) {
        tooLong = true;
      } else {
        Require(!text.empty() && text.size() <= SerialLine::kLineMax && text.find_first_of("\r\n") == std::string::npos);
        texts += text;
      }
      readSome = false;  // later takes of the same poll read nothing more
    }
  }
  void Arrive(std::string_view bytes) {
    line.Add(bytes, nowMs / 1000);
    for (char c : bytes)
      if (c != '\r' && c != '\n') sent += c;
    Poll(true);
  }
};

}  // namespace

KX_FUZZ_TARGET(serialline) {
  std::string_view in = FuzzText(data, size);
  Run run;
  run.nowMs = 1000 * 3600 * 9;  // nine in the morning
  for (size_t i = 0; i < in.size();) {
    unsigned op = static_cast<unsigned char>(in[i++]);
    unsigned x = op & 0x3F;
    switch (op >> 6) {
      case 0:
        run.nowMs += 50 * x;
        run.Poll(false);
        break;
      case 1: {
        std::string_view chunk = in.substr(i, x + 1);
        i += chunk.size();
        run.Arrive(chunk);
        break;
      }
      case 2:
        if (i < in.size()) run.Arrive(std::string((x + 1) * 64, in[i++]));
        break;
      default:
        run.nowMs += x;
        run.Poll(false);
        break;
    }
  }
  // Quiet for two seconds: the last burst has ended and nothing is held.
  run.nowMs += 2000;
  run.Poll(false);
  Run::Require(run.line.Held() == 0);
  Run::Require(run.tooLong || run.texts == run.sent);
  return 0;
}
