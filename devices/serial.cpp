#include "devices/serial.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

#include "platform/host/clock.h"
#include "platform/serial/port.h"
#include "platform/ui/ui.h"
#include "runtime/errors.h"

namespace {

struct ComPort {
  int fd = -1;         // -1: the slot is free
  ui::Hwnd owner = 0;  // the window of its poll timer
  std::string kept;    // read by ComRead but not yet handed out
  SerialLine line;     // the bursts ComReadLine puts together
};

ComPort g_ports[kComSlots];

// DCB parity of each letter of kComParityLetters.
constexpr serial::Parity kParityOf[] = {serial::Parity::Even, serial::Parity::Mark, serial::Parity::None,
                                        serial::Parity::Odd, serial::Parity::Space};

ComPort* PortOf(uint16_t slot) { return slot < kComSlots && g_ports[slot].fd >= 0 ? &g_ports[slot] : nullptr; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Item n (1-based) of a comma list, trimmed; empty past the end.
std::string_view Item(std::string_view list, int n) {
  for (int i = 1; i < n; ++i) {
    size_t comma = list.find(',');
    if (comma == std::string_view::npos) return {};
    list.remove_prefix(comma + 1);
  }
  return Trim(list.substr(0, list.find(',')));
}

bool ReadNumber(std::string_view s, uint32_t* out) {
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
  return !s.empty() && ec == std::errc() && end == s.data() + s.size();
}

Status OpenFailed(StrValue name, const std::string& path) {
  std::string detail = name.Str() + " (" + (path.empty() ? "no such port" : path) + ")";
  ErrDetailSet(st::DEVICETIMEOUT, StrFromView(detail), false);
  return ErrSet(1, MOD_DEVICES, st::DEVICETIMEOUT, st::DEVICETIMEOUT);
}

// Moves what waits on the port behind the kept bytes, until the kept bytes
// hold `want`: false on a read error or a hang-up.
bool Fill(ComPort& p, size_t want) {
  char buf[kComReadMax];
  while (p.kept.size() < want) {
    int n = serial::ReadNow(p.fd, buf, std::min(sizeof buf, want - p.kept.size()));
    if (n < 0) return false;
    if (n == 0) return true;
    p.kept.append(buf, static_cast<size_t>(n));
  }
  return true;
}

// Hands out the first n kept bytes as a string value.
StrValue Take(ComPort& p, size_t n) {
  StrValue out = StrFromView(std::string_view(p.kept).substr(0, n));
  p.kept.erase(0, n);
  return out;
}

}  // namespace

uint16_t ComOpen(StrValue name, uint32_t baud, uint8_t dataBits, uint8_t parity, uint8_t stopBits, bool) {
  uint16_t slot = 0;
  while (slot < kComSlots && g_ports[slot].fd >= 0) ++slot;
  if (slot == kComSlots || parity >= std::size(kParityOf) || dataBits < 5 || dataBits > 8 ||
      !serial::SpeedKnown(baud))
    return 0xFFFF;
  serial::LineSettings settings{baud, dataBits, kParityOf[parity], stopBits == 2};
  std::string path = serial::PortPath(name.View());
  if (path.empty()) return OpenFailed(name, path);
  Status status = 0;
  int fd = serial::Open(path, settings, &status);
  if (fd < 0) return status == st::DEVICETIMEOUT ? OpenFailed(name, path) : 0xFFFF;
  g_ports[slot] = ComPort{};
  g_ports[slot].fd = fd;
  return slot;
}

uint16_t ComOpenSpec(StrValue spec, bool overlapped) {
  std::string_view s = spec.View();
  size_t colon = s.find(':');
  if (spec.IsError() || colon == std::string_view::npos || colon + 1 == s.size()) return 0xFFFF;
  std::string_view params = s.substr(colon + 1);
  std::string_view parity = Item(params, 2), data = Item(params, 3), stop = Item(params, 4);
  uint32_t baud = 0;
  if (!ReadNumber(Item(params, 1), &baud) || parity.size() != 1 || data.empty() || stop.empty()) return 0xFFFF;
  const char* letter = std::char_traits<char>::find(kComParityLetters, 5, static_cast<char>(parity[0] & ~0x20));
  if (!letter || data[0] < '0' || data[0] > '9' || stop[0] < '0' || stop[0] > '9') return 0xFFFF;
  StrValue name{spec.ptr, static_cast<uint16_t>(colon + 1)};
  return ComOpen(name, baud, static_cast<uint8_t>(data[0] - '0'), static_cast<uint8_t>(letter - kComParityLetters),
                 static_cast<uint8_t>(stop[0] - '0'), overlapped);
}

Status ComClose(uint16_t slot) {
  ComPort* p = PortOf(slot);
  if (!p) return 0;
  if (ui::is_window(p->owner)) ui::kill_timer(p->owner, slot);  // a destroyed window took its timers along
  serial::Close(p->fd);
  *p = ComPort{};
  return 0;
}

void ComCloseAll() {
  for (uint16_t slot = 0; slot < kComSlots; ++slot) ComClose(slot);
}

StrValue ComRead(uint16_t slot, uint16_t count) {
  ComPort* p = PortOf(slot);
  if (!p || count == 0) return StrErr(0xFFFF);
  size_t want = count == kComAnyCount ? kComReadMax : count;
  Fill(*p, want);
  if (p->kept.empty() || (count != kComAnyCount && p->kept.size() < want)) return StrErr(0xFFFF);
  return Take(*p, std::min(want, p->kept.size()));
}

StrValue ComReadLine(uint16_t slot) {
  ComPort* p = PortOf(slot);
  if (!p) return StrErr(0xFFFF);
  int64_t second = ClockNowMs() / 1000;
  bool readSome = !p->kept.empty();
  p->line.Add(p->kept, second);
  p->kept.clear();
  // What waits now, and no more: a device that never stops sending is
  // read on at the next poll, so this call never waits.
  char buf[kComReadMax];
  for (size_t taken = 0; taken < kComLineReadMax;) {
    int n = serial::ReadNow(p->fd, buf, sizeof buf);
    if (n <= 0) break;
    p->line.Add(std::string_view(buf, static_cast<size_t>(n)), second);
    readSome = true;
    taken += static_cast<size_t>(n);
  }
  std::string text;
  switch (p->line.Take(readSome, second, &text)) {
    case SerialLine::Got::Text: return StrFromView(text);
    case SerialLine::Got::TooLong: return StrErr(st::STRINGTOOLONG);
    case SerialLine::Got::None: break;
  }
  return StrFromC("");
}

uint16_t ComWrite(uint16_t slot, const char* bytes, uint32_t length) {
  ComPort* p = PortOf(slot);
  if (!p || !serial::WriteAll(p->fd, bytes, length, kComWriteStallMs)) return 0xFFFF;
  return 0;
}

uint16_t ComQueued(uint16_t slot) {
  ComPort* p = PortOf(slot);
  if (!p) return 0xFFFF;
  int waiting = serial::Queued(p->fd);
  if (waiting < 0) return 0xFFFF;
  return static_cast<uint16_t>(std::min<size_t>(static_cast<size_t>(waiting) + p->kept.size() + p->line.Held(), 0xFFFE));
}

uint16_t ComTimerStart(ui::Hwnd window, uint16_t slot) {
  ComPort* p = PortOf(slot);
  if (!p || !ui::is_window(window) || !ui::set_timer(window, slot, kComPollMs, ComTimerProc)) return 0xFFFF;
  if (p->owner != window && ui::is_window(p->owner)) ui::kill_timer(p->owner, slot);
  p->owner = window;
  return 0;
}

void ComTimerProc(ui::Hwnd window, ui::Msg, uintptr_t slot, uint64_t) {
  if (slot >= kComSlots) return;
  uint16_t waiting = ComQueued(static_cast<uint16_t>(slot));
  if (waiting != 0 && waiting != 0xFFFF) ui::post(window, ui::MSG_DEVICE_DATA, slot, waiting);
}
