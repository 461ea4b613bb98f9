// The printer-port configuration forms and the "Lpt Config" button.
#include "devices/lptconfig.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "devices/prntable.h"
#include "devices/reportint.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/window/controls.h"
#include "screens/window/fonttable.h"
#include "screens/forms/forms.h"
#include "screens/window/geometry.h"

namespace {

constexpr int kCaptionWidth = 11;    // item of the page-width caption
constexpr int kCaptionLines = 12;    // item of the lines caption
constexpr int kSequences = 10;       // rows of the second form
constexpr int kColumnStep = 6;       // columns between the byte fields
constexpr char kPorts[] = "LPT1,LPT2,LPT3,LPT4,LPT5,LPT6";
constexpr int kButtonColumns = 14;  // the caption and its frame

StrValue View(std::string_view v) { return StrMake(v.empty() ? "" : v.data(), static_cast<uint32_t>(v.size())); }

// Caption item n of the table's head: the text up to its first CR, items
// separated by ","; quotes are left out, since the caption becomes a
// quoted prompt.
std::string Caption(const std::string& image, int n) {
  std::string_view head(image.data(), std::min<size_t>(image.size(), kPrnHeadSize));
  head = head.substr(0, head.find('\r'));
  head = head.substr(0, head.find('\0'));
  const StrAreaScope scope;
  std::string item = StrTrim(StrListItem(View(head), ',', static_cast<uint32_t>(n)), 3).Str();
  std::erase_if(item, [](char c) { return c == '\'' || c == '"'; });
  return item;
}

std::string Spec(const std::string& prompt, unsigned value) {
  return "'" + prompt + "':'N3'::'" + std::to_string(value) + "'";
}

// The answers of a form as numbers 0-255, one per item given; the
// caption of the first bad one in *bad.
Status Bytes(const std::string& values, const std::vector<std::string>& captions, std::vector<uint8_t>* out) {
  const StrAreaScope scope;
  StrListIter it(View(values), ',');
  size_t i = 0;
  for (StrValue item; it.Next(&item) && i < captions.size(); ++i) {
    std::string v = StrTrim(StrUnquote(StrTrim(item, 3)), 3).Str();
    bool digits = v.size() <= 3 && std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
    unsigned n = digits && !v.empty() ? static_cast<unsigned>(std::stoul(v)) : 0;
    if (!digits || n > 255) return ReportFail(st::BADINPUTDATA, captions[i] + " " + v);
    out->push_back(static_cast<uint8_t>(n));
  }
  return 0;
}

// One form; 0 with its answers, 122 cancelled, or an error.
Status Ask(const std::string& title, const std::string& list, const std::vector<std::string>& captions,
           std::vector<uint8_t>* bytes) {
  AcceptResult r;
  {
    const StrAreaScope scope;
    r = AcceptForm(View(title), View(list));
  }
  if (r.status) return r.status;
  return Bytes(r.values, captions, bytes);
}

}  // namespace

int LptPortOf(StrValue name) {
  const StrAreaScope scope;
  uint32_t at = StrListFind(StrFromC(kPorts), ',', StrTrim(name, 3));
  return static_cast<int>(at);
}

Status LptConfigEdit(int p) {
  if (p < 1 || p > kPrnPorts) return ReportFail(st::BADINPUTDATA, "LPT" + std::to_string(p));
  std::string path, image;
  {
    const StrAreaScope scope;
    StrValue found = FileSearch(DynStrGet(SettingsList, SetDefaultDirItem), StrFromC(kPrnTableFile));
    if (found.IsError() || found.len == 0) return ReportFail(st::FILENOTFOUND, kPrnTableFile);
    path = found.Str();
    StrValue bytes = FileRead(found, 0, kStreamToEnd);
    if (Status e = StrError(bytes)) return e;
    image = bytes.Str();
  }
  const size_t record = kPrnHeadSize + static_cast<size_t>(p - 1) * kPrnRecordSize;
  if (image.size() < record + kPrnRecordSize)
    return ReportFail(st::DATAOUTBOUND, std::string(kPrnTableFile) + " LPT" + std::to_string(p));
  const std::string title = "   Lpt" + std::to_string(p) + " Config";

  // The page width and the lines.
  std::vector<std::string> sizeCaptions = {Caption(image, kCaptionWidth) + ":", Caption(image, kCaptionLines) + ":"};
  std::string list = Spec(sizeCaptions[0], static_cast<uint8_t>(image[record + kPrnFieldWidth * kPrnFieldSize])) +
                     "," + Spec(sizeCaptions[1], static_cast<uint8_t>(image[record + kPrnFieldLines * kPrnFieldSize]));
  std::vector<uint8_t> sizes;
  Status s = Ask(title, list, sizeCaptions, &sizes);

  // The sequences, a row of 8 bytes each.
  std::vector<std::string> seqCaptions;
  size_t width = 0;
  for (int r = 1; r <= kSequences; ++r) width = std::max(width, Caption(image, r).size() + 1);
  list.clear();
  for (int r = 1; r <= kSequences && s == 0; ++r) {
    std::string caption = Caption(image, r) + ":";
    for (size_t k = 0; k < kPrnFieldSize; ++k) {
      seqCaptions.push_back(caption + " " + std::to_string(k + 1));
      unsigned value = static_cast<uint8_t>(image[record + (r - 1) * kPrnFieldSize + k]);
      if (!list.empty()) list += ",";
      list += Spec(k == 0 ? caption : std::string(), value) + "/ROW=" + std::to_string(r) +
              ";/COL=" + std::to_string(width + (k + 1) * kColumnStep);
    }
  }
  std::vector<uint8_t> sequences;
  if (s == 0) s = Ask(title, list, seqCaptions, &sequences);
  if (s == st::USERCANCELED) return 0;
  if (s) return s;

  if (sizes.size() > 0) image[record + kPrnFieldWidth * kPrnFieldSize] = static_cast<char>(sizes[0]);
  if (sizes.size() > 1) image[record + kPrnFieldLines * kPrnFieldSize] = static_cast<char>(sizes[1]);
  for (size_t i = 0; i < sequences.size(); ++i) image[record + i] = static_cast<char>(sequences[i]);
  {
    const StrAreaScope scope;
    if (Status w = FileWrite(View(path), kStreamReplace, View(image))) return w;
  }
  PrnTableForget();
  return 0;
}

ui::Hwnd LptConfigButton(ui::Hwnd window, StrValue selection) {
  ui::Hwnd button = ui::get_dlg_item(window, kIdLptConfig);
  if (!button) {
    CellSize cell = FontCellSize();
    const StrAreaScope scope;
    button = ButtonCreate(window, WinColX(1), WinRowYBottom(0) - cell.height / 2, WinColsWidth(kButtonColumns),
                          cell.height, StrFromC("Lpt Config"), kIdLptConfig);
    if (!button) return 0;
    FontApply(button, kFontSystem);
  }
  ui::enable_window(button, LptPortOf(selection) != 0);
  return button;
}
