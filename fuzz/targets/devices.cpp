// Device strings: the input's first line is a device string, parsed and
// opened; the rest is text written to it line by line (control characters,
// national letters and all), with a jump to a line and column, then the
// device is finished and closed. Options are read from the string too.
#include "fuzz/harness.h"
#include "devices/device.h"

KX_FUZZ_TARGET(devices) {
  FuzzSession session;
  if (!session.ok()) return 0;
  std::string_view text = FuzzText(data, size);
  size_t nl = text.find('\n');
  StrValue spec = FuzzStr(text.substr(0, nl));
  std::string_view rest = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
  const StrAreaScope scope;
  DevStripOptions(spec);
  DevOptionsPart(spec);
  DevOption(spec, "LP", 66);
  DevKind(spec);
  DevRecord rec = DevParse(spec);
  if (rec.status == 0) {
    int n = 0;
    while (!rest.empty() && n++ < 64) {
      size_t end = rest.find('\n');
      DevWrite(rec, FuzzStr(rest.substr(0, end)));
      DevNewLine(rec);
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    DevGotoLineCol(rec, 3, 5);
    DevFinish(rec);
  }
  DevClose(rec);
  return 0;
}
