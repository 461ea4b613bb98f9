#include "devices/pdf.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/files.h"
#include "platform/print/pdflib.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/hostproc.h"
#include "runtime/memory.h"
#include "runtime/paths.h"

namespace {

constexpr uint16_t kBusy = 0xFFFF;
constexpr uint16_t kNoDocument = 0xFFFF;
constexpr float kTextLeft = 80;      // the first baseline, from the left edge
constexpr float kTextTop = 80;       // and from the top edge
constexpr float kLineStep = 10;      // between baselines
constexpr float kBottomMargin = 36;  // no baseline below it
constexpr float kDefaultSize = 10;
constexpr uint32_t kLineBufferFirst = 384;
constexpr char kSizeCodes[] = "\x0F\x12\x0E\x14";  // SI DC2 SO DC4
constexpr float kCodeSizes[] = {6, 10, 14, 10};
constexpr int kViewerPdf = 3;

struct Picture {
  std::string path;
  pdf::Image* image = nullptr;
};

struct PdfSlot {
  pdf::Doc* doc = nullptr;
  pdf::Page* page = nullptr;  // the page being written; null until its first text
  pdf::Font* font = nullptr;
  char* buffer = nullptr;     // the line not ended yet: a block of owner 0
  uint32_t used = 0;
  uint32_t capacity = 0;
  uint16_t line = 1;          // the device's position at the last write
  uint16_t column = 1;
  float size = kDefaultSize;  // the size in force
  float shownSize = 0;        // the size the page was last given
  float height = 0;           // of the current page
  float down = 0;             // the next baseline, below the page's first
  float cursor = 0;           // where the page's text cursor stands, likewise
  bool pageHasText = false;
  int pages = 0;
  std::vector<Picture> pictures;  // each loaded once per document
};

PdfSlot g_slots[kPdfSlots];
uint16_t g_busy[kPdfSlots];

pdf::Library& L() { return pdf::Lib(); }

StrValue View(std::string_view v) { return StrMake(v.empty() ? "" : v.data(), static_cast<uint32_t>(v.size())); }

// Records code with module 21 and the detail; answers code.
Status Fail(Status code, std::string_view detail) {
  ErrDetailSet(code, View(detail), false);
  return ErrSet(1, MOD_DEVICES, code, code);
}

PdfSlot* SlotOf(const DevRecord& rec) {
  if (rec.handle >= kPdfSlots || g_busy[rec.handle] != kBusy) return nullptr;
  return &g_slots[rec.handle];
}

// The size a code byte sets, 0 for any other byte.
float CodeSize(char c) {
  const char* at = std::char_traits<char>::find(kSizeCodes, 4, c);
  return at ? kCodeSizes[at - kSizeCodes] : 0;
}

// The header picture's file (host form), and in *named the name a failure
// gives: system text item 3 when set, else the default picture along the
// default directories. The file is empty when it does not exist.
std::string PicturePath(std::string* named) {
  StrAreaScope scope;
  StrValue set = DynStrGet(SystemTextList, SysPdfHeaderItem);
  if (set.len > 0) {
    *named = set.Str();
    std::string path = host::ResolvePath(set.View());
    return host::Exists(path) ? path : std::string();
  }
  *named = kPdfHeaderDefault;
  StrValue found = FileSearch(DynStrGet(SettingsList, SetDefaultDirItem), StrFromC(kPdfHeaderDefault));
  return found.len > 0 ? host::ResolvePath(found.View()) : std::string();
}

// The picture of the page about to start, loaded when the document has not
// loaded it yet.
Status PictureFor(PdfSlot& s, pdf::Image** image) {
  std::string named;
  std::string path = PicturePath(&named);
  if (path.empty()) return Fail(st::FILENOTFOUND, named);
  for (const Picture& p : s.pictures) {
    if (p.path == path) {
      *image = p.image;
      return 0;
    }
  }
  pdf::Image* loaded = L().LoadPngImageFromFile(s.doc, path);
  if (!loaded) {
    L().ResetError(s.doc);  // a failed load leaves the document usable
    return Fail(st::FILENOTFOUND, named);
  }
  s.pictures.push_back({path, loaded});
  *image = loaded;
  return 0;
}

// Adds the page and draws its picture; the text cursor stands at the first
// baseline.
Status PageStart(PdfSlot& s) {
  pdf::Image* image = nullptr;
  if (Status e = PictureFor(s, &image)) return e;
  pdf::Page* page = L().AddPage(s.doc);
  if (!page) return Fail(st::OUTOFMEMORY, "PDF page");
  s.height = L().PageHeight(page);
  float w = static_cast<float>(L().ImageWidth(image));
  float h = static_cast<float>(L().ImageHeight(image));
  L().DrawImage(page, image, 0, s.height - h, w, h);
  L().BeginText(page);
  L().MoveTextPos(page, kTextLeft, s.height - kTextTop);
  s.page = page;
  s.shownSize = 0;
  s.cursor = 0;
  s.pageHasText = false;
  ++s.pages;
  return 0;
}

void PageEnd(PdfSlot& s, bool endText) {
  if (s.page && endText) L().EndText(s.page);
  s.page = nullptr;
  s.down = 0;
  s.cursor = 0;
}

// Shows one line at the next baseline; an empty line only takes its room.
Status ShowLine(PdfSlot& s, const std::string& line) {
  if (line.empty()) {
    s.down += kLineStep;
    return 0;
  }
  float extra = std::max(0.0f, s.size - kLineStep);
  if (!s.page) {
    if (Status e = PageStart(s)) return e;
  }
  if (s.height - kTextTop - (s.down + extra) < kBottomMargin) {
    if (s.pageHasText) {
      PageEnd(s, true);
      if (Status e = PageStart(s)) return e;
    }
    s.down = 0;  // blank lines at the foot of a page move to no new one
  }
  float target = s.down + extra;
  if (target != s.cursor) L().MoveTextPos(s.page, 0, s.cursor - target);
  s.cursor = target;
  if (s.shownSize != s.size) L().SetFontAndSize(s.page, s.font, s.size);
  s.shownSize = s.size;
  L().ShowText(s.page, line);
  s.pageHasText = true;
  s.down = target + kLineStep;
  return 0;
}

// A line of '=' with nothing but blanks beside them is a separator.
bool IsSeparator(std::string_view line) {
  return line.find('=') != std::string_view::npos && line.find_first_not_of("= ") == std::string_view::npos;
}

// Ends the buffered line with the text before its CR LF.
Status LineEnd(PdfSlot& s, std::string_view before) {
  std::string line(s.buffer, s.used);
  line.append(before);
  s.used = 0;
  size_t end = line.find_last_not_of(" \t");
  line.resize(end == std::string::npos ? 0 : end + 1);
  float trailing = line.empty() ? 0 : CodeSize(line.back());
  if (trailing > 0) line.pop_back();
  line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
             line.end());
  Status e = IsSeparator(line) ? 0 : ShowLine(s, line);
  if (trailing > 0) s.size = trailing;
  return e;
}

Status Append(PdfSlot& s, std::string_view text) {
  uint64_t need = uint64_t{s.used} + text.size();
  if (need > s.capacity) {
    uint64_t grown = std::max<uint64_t>(need, uint64_t{s.capacity} * 2);
    if (grown > UINT32_MAX) return Fail(st::OUTOFMEMORY, "PDF line");
    void* p = MemResize(MOD_NONE, s.buffer, s.used, static_cast<uint32_t>(grown));
    if (!p) return Fail(st::OUTOFMEMORY, "PDF line");
    s.buffer = static_cast<char*>(p);
    s.capacity = static_cast<uint32_t>(grown);
  }
  std::copy(text.begin(), text.end(), s.buffer + s.used);
  s.used = static_cast<uint32_t>(need);
  return 0;
}

// The device's position after a line end: the next line, or line 1 of the
// next page.
void NextLine(uint16_t* line, uint16_t* column, int16_t lines) {
  *line = (lines > 0 && *line >= lines) ? 1 : static_cast<uint16_t>(*line + 1);
  *column = 1;
}

// The text from the device position (line, column): each piece after a CR
// LF stands where the device's line end takes it.
Status Write(PdfSlot& s, std::string_view text, uint16_t line, uint16_t column, int16_t lines) {
  while (!text.empty()) {
    if (float size = CodeSize(text[0]); size > 0) {
      s.size = size;
      text.remove_prefix(1);
    }
    if (line < s.line || (line == s.line && column < s.column)) PageEnd(s, true);
    s.line = line;
    s.column = column;
    size_t crlf = text.find("\r\n");
    if (crlf == std::string_view::npos) return Append(s, text);
    if (Status e = LineEnd(s, text.substr(0, crlf))) return e;
    text.remove_prefix(crlf + 2);
    NextLine(&line, &column, lines);
  }
  return 0;
}

// Saves under a temporary name beside the file and renames it over the
// file, so a failed save leaves no partial file.
Status Save(PdfSlot& s, StrValue name) {
  std::string target = host::ResolvePath(name.View());
  std::string temp = target + "." + host::TempName();
  L().ResetError(s.doc);
  if (!L().SaveToFile(s.doc, temp) || host::Rename(temp, target) != 0) {
    host::Remove(temp);
    return Fail(st::DISKWRITERROR, name.View());
  }
  return 0;
}

void SlotFree(int i) {
  PdfSlot& s = g_slots[i];
  if (s.doc) L().Free(s.doc);
  if (s.buffer) MemFree(MOD_NONE, s.buffer);
  s = PdfSlot{};
  g_busy[i] = 0;
}

}  // namespace

uint16_t PdfDocOpen(DevRecord& rec) {
  int i = 0;
  while (i < kPdfSlots && g_busy[i] == kBusy) ++i;
  if (i == kPdfSlots) return Fail(st::OUTOFMEMORY, rec.Name().View());
  PdfSlot& s = g_slots[i];
  s = PdfSlot{};
  s.doc = L().New();
  if (!s.doc) return kNoDocument;
  L().SetCompressionMode(s.doc, pdf::kCompressAll);
  pdf::Image* image = nullptr;
  Status e = PictureFor(s, &image);
  if (e == 0) {
    s.font = L().GetFont(s.doc, "Courier", "CP1252");
    if (!s.font) e = kNoDocument;
  }
  if (e == 0) {
    s.buffer = static_cast<char*>(MemAlloc(MOD_NONE, kLineBufferFirst));
    s.capacity = kLineBufferFirst;
    if (!s.buffer) e = Fail(st::OUTOFMEMORY, rec.Name().View());
  }
  if (e != 0) {
    SlotFree(i);
    return e;
  }
  s.line = rec.line;
  s.column = rec.column;
  g_busy[i] = kBusy;
  return static_cast<uint16_t>(i);
}

Status PdfNewPage(DevRecord& rec, bool endText) {
  PdfSlot* s = SlotOf(rec);
  if (!s) return Fail(st::INTERNALERROR, rec.Name().View());
  PageEnd(*s, endText);
  return 0;
}

Status PdfWriteText(DevRecord& rec, StrValue text) {
  if (Status e = StrError(text)) return e;
  PdfSlot* s = SlotOf(rec);
  if (!s) return Fail(st::INTERNALERROR, rec.Name().View());
  return Write(*s, text.View(), rec.line, rec.column, rec.lines);
}

Status PdfSetPos(DevRecord& rec) {
  PdfSlot* s = SlotOf(rec);
  if (!s) return Fail(st::INTERNALERROR, rec.Name().View());
  s->line = rec.line;
  s->column = rec.column;
  return 0;
}

Status PdfDocClose(DevRecord& rec) {
  PdfSlot* s = SlotOf(rec);
  if (!s) return 0;
  Status e = s->used > 0 ? LineEnd(*s, {}) : 0;  // a last line without CR LF
  if (s->pages == 0) {
    Status p = PageStart(*s);  // a document has at least one page
    if (e == 0) e = p;
  }
  if (s->page) L().EndText(s->page);
  if (s->pages > 0) {
    Status saved = Save(*s, rec.Name());
    if (e == 0) e = saved;
  }
  SlotFree(rec.handle);
  DynStrSet(SystemTextList, SysPdfHeaderItem, StrMake("", 0));
  if (e == 0 && rec.view) e = HostViewFile(kViewerPdf, rec.Name());
  return e;
}

int PdfSlotsBusy() {
  return static_cast<int>(std::count(std::begin(g_busy), std::end(g_busy), kBusy));
}
