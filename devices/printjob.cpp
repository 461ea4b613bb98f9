#include "devices/printjob.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/files.h"
#include "platform/print/pdflib.h"
#include "platform/print/spooler.h"
#include "runtime/errors.h"
#include "screens/forms/choice.h"

namespace {

constexpr int kDotsPerInch = 600;
constexpr int kA4WidthMm = 210, kA4HeightMm = 297;
constexpr char kDialogTitle[] = "Print";
constexpr char kLandscape[] = "/LANDSCAPE";
constexpr char kControls[] = "\x0F\x12\x0E\x14\x10\x11\x1C\x1D\x1E\x1F";
// What each control character does: a size code (0-255) or, as 0x100 +
// bits, attributes; -1 nothing.
constexpr int kControlEffect[] = {0x40, 0, 0xD0, 0, 0x100 | kGdiUnderline, -1, 0x100 | kGdiBold, -1,
                                  0x100 | kGdiItalic, -1};
constexpr float kAscent = 0.8f;  // of a font's height, from the top of its cell

StrValue View(std::string_view v) { return StrMake(v.empty() ? "" : v.data(), static_cast<uint32_t>(v.size())); }

Status Fail(Status code, std::string_view detail) {
  ErrDetailSet(code, View(detail), false);
  return ErrSet(1, MOD_DEVICES, code, code);
}

// a / b to the nearest integer, halves away from zero.
int RoundDiv(int64_t a, int64_t b) {
  if (b < 0) a = -a, b = -b;
  return static_cast<int>(a >= 0 ? (2 * a + b) / (2 * b) : -((-2 * a + b) / (2 * b)));
}

// A temporary file of the job: made new, never an existing one.
int TempFile(const char* ext, std::string* path) {
  *path = host::TempDirectory() + "/" + host::TempName() + ext;
  return host::Open(*path, host::kOpenWrite | host::kOpenCreate | host::kOpenExclusive);
}

// Hands a finished job file to the queue and deletes it.
Status SubmitFile(const std::string& queue, const std::string& title, const std::string& file, bool raw) {
  std::string message;
  Status s = print::Submit(queue, title, file, raw, &message);
  host::Remove(file);
  return s == 0 ? 0 : Fail(st::DEVICEIOERROR, queue + ": " + message);
}

// ---- Raw spool --------------------------------------------------------------

struct SpoolJob {
  bool active = false;
  bool failed = false;
  std::string queue, document, file;
  int fd = -1;
  int64_t bytes = 0;
};
SpoolJob g_spool;

// ---- The page printer ---------------------------------------------------------

struct GdiJob {
  GdiPageState state;
  std::string queue, document;
  pdf::Doc* doc = nullptr;
  pdf::Page* page = nullptr;
};
GdiJob g_gdi;

pdf::Library& L() { return pdf::Lib(); }
float Points(float dots) { return dots * 72.0f / kDotsPerInch; }

void GdiFree() {
  if (g_gdi.doc) L().Free(g_gdi.doc);
  g_gdi = GdiJob{};
}

// The PDF face of the attributes.
const char* Face(int attrs) {
  bool bold = attrs & kGdiBold, italic = attrs & kGdiItalic;
  return bold ? (italic ? "Courier-BoldOblique" : "Courier-Bold") : (italic ? "Courier-Oblique" : "Courier");
}

// The queues, the default first, as a comma list; and the names in that
// order.
std::vector<std::string> OfferedQueues() {
  print::Queues q = print::QueueList();
  std::vector<std::string> names;
  if (!q.defaultName.empty()) names.push_back(q.defaultName);
  for (const std::string& n : q.names)
    if (n != q.defaultName) names.push_back(n);
  return names;
}

// The piece's leading control characters taken off; answers whether any was
// there, with the size code and attributes they give.
bool TakeControls(std::string_view* piece, int* code, int* attrs) {
  bool any = false;
  *code = 0;
  *attrs = 0;
  while (!piece->empty()) {
    const char* at = std::char_traits<char>::find(kControls, 10, piece->front());
    if (!at) break;
    int effect = kControlEffect[at - kControls];
    if (effect >= 0x100) *attrs |= effect & 0xFF;
    else if (effect >= 0) *code = effect;
    any = true;
    piece->remove_prefix(1);
  }
  return any;
}

}  // namespace

// ---- Raw spool --------------------------------------------------------------

Status SpoolPrinterExists(StrValue name) {
  if (name.IsError()) return st::BADINPUTDATA;
  return print::QueueExists(name.View()) ? 0 : st::BADINPUTDATA;
}

Status SpoolBegin(StrValue printer, StrValue document) {
  if (Status e = StrError(printer) ? StrError(printer) : StrError(document)) return e;
  if (g_spool.active) return Fail(st::DEVICEIOERROR, "a print job is running");
  std::string queue = printer.Str();
  if (queue.empty()) {
    queue = print::QueueList().defaultName;
    if (queue.empty()) return Fail(st::INTERNALERROR, "no default printer");
  } else if (!print::QueueExists(queue)) {
    return Fail(st::BADINPUTDATA, queue);
  }
  SpoolJob job;
  job.fd = TempFile(".prn", &job.file);
  if (job.fd < 0) return Fail(st::DEVICEIOERROR, job.file);
  job.active = true;
  job.queue = queue;
  job.document = document.Str();
  g_spool = job;
  return 0;
}

Status SpoolWrite(StrValue bytes) {
  if (Status e = StrError(bytes)) return e;
  if (!g_spool.active) return Fail(st::DEVICEIOERROR, "no print job");
  if (host::Write(g_spool.fd, bytes.ptr, bytes.len) != static_cast<int64_t>(bytes.len)) {
    g_spool.failed = true;
    return Fail(st::DEVICEIOERROR, g_spool.queue);
  }
  g_spool.bytes += bytes.len;
  return 0;
}

Status SpoolEnd() {
  if (!g_spool.active) return 0;
  SpoolJob job = g_spool;
  g_spool = SpoolJob{};
  host::Close(job.fd);
  if (job.failed || job.bytes == 0) {
    host::Remove(job.file);
    return job.failed ? st::DEVICEIOERROR : 0;
  }
  return SubmitFile(job.queue, job.document, job.file, true);
}

// ---- The page printer ---------------------------------------------------------

GdiGeometry GdiGeometryOf(int horz, int vert) {
  GdiGeometry g;
  g.columns = vert < horz ? 136 : 80;
  g.lines = horz < vert ? 64 : 36;
  g.cell = RoundDiv(int64_t{horz} * 175, int64_t{g.columns} * 100);
  g.lineHeight = RoundDiv(RoundDiv(int64_t{vert} * 92, 100), g.lines);
  g.top = RoundDiv(int64_t{vert} * 5, 100);
  g.left = RoundDiv(int64_t{vert} * 4, 100);
  g.bottom = RoundDiv(int64_t{vert} * 97, 100);
  return g;
}

void GdiPaperDots(bool landscape, int* horz, int* vert) {
  print::Paper p = print::LocalePaper();
  if (p.widthMm <= 0 || p.heightMm <= 0) p = {kA4WidthMm, kA4HeightMm};
  int w = RoundDiv(int64_t{p.widthMm} * kDotsPerInch * 10, 254);
  int h = RoundDiv(int64_t{p.heightMm} * kDotsPerInch * 10, 254);
  *horz = landscape ? h : w;
  *vert = landscape ? w : h;
}

const GdiPageState& GdiPageStateGet() { return g_gdi.state; }

void GdiSelectFont(int code, int attrs) {
  GdiPageState& s = g_gdi.state;
  s.fontCode = code;
  s.fontAttrs = attrs;
  int c = (code == 255 && attrs == 0) || code == 0 ? s.geometry.cell : code;
  s.fontHeight = RoundDiv(int64_t{s.geometry.cell} * 3, 4);
  s.fontWidth = RoundDiv(c, 2) & 0x7F;
}

void GdiNewPage() {
  GdiPageState& s = g_gdi.state;
  g_gdi.page = L().AddPage(g_gdi.doc);
  if (g_gdi.page) L().SetPageSize(g_gdi.page, Points(s.horzres), Points(s.vertres));
  ++s.pages;
  s.y = s.geometry.top;
  s.x = s.geometry.left;
}

void GdiEnsureRoom() {
  const GdiPageState& s = g_gdi.state;
  if (s.y == 0 || s.y > s.geometry.bottom) GdiNewPage();
}

Status GdiTextOut(StrValue text) {
  if (Status e = StrError(text)) return e;
  GdiPageState& s = g_gdi.state;
  if (!g_gdi.page) return Fail(st::DEVICEIOERROR, g_gdi.queue);
  std::string shown(text.View());
  shown.erase(std::remove_if(shown.begin(), shown.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
              shown.end());
  if (shown.empty()) return 0;
  pdf::Font* font = L().GetFont(g_gdi.doc, Face(s.fontAttrs), "CP1252");
  if (!font) return Fail(st::DEVICEIOERROR, g_gdi.queue);
  // The font's height is its em; its width, against Courier's advance of
  // 0.6 em, is the horizontal scale.
  float size = Points(static_cast<float>(s.fontHeight));
  float scale = 100.0f * s.fontWidth / (0.6f * s.fontHeight);
  float x = Points(static_cast<float>(s.x));
  float y = Points(static_cast<float>(s.vertres) - s.y - kAscent * s.fontHeight);
  L().BeginText(g_gdi.page);
  L().SetFontAndSize(g_gdi.page, font, size);
  L().SetTextScale(g_gdi.page, scale);
  L().TextOut(g_gdi.page, x, y, shown);
  float extent = L().TextWidth(g_gdi.page, shown) * scale / 100.0f;
  L().EndText(g_gdi.page);
  if (s.fontAttrs & kGdiUnderline) L().DrawLine(g_gdi.page, x, y - size * 0.12f, x + extent, y - size * 0.12f, size * 0.05f);
  if (L().Error(g_gdi.doc) != 0) return Fail(st::DEVICEIOERROR, g_gdi.queue);
  s.x += static_cast<int>(extent * kDotsPerInch / 72.0f + 0.5f);
  return 0;
}

Status GdiPrintBegin(StrValue spec, StrValue document) {
  if (Status e = StrError(spec) ? StrError(spec) : StrError(document)) return e;
  if (g_gdi.state.active) return Fail(st::DEVICEIOERROR, "a print job is running");
  std::vector<std::string> queues = OfferedQueues();
  if (queues.empty()) return Fail(st::INTERNALERROR, "no printer");
  std::string items;
  for (const std::string& q : queues) items += (items.empty() ? "" : ",") + q;
  Status status = 0;
  int chosen = WinChoice(StrFromC(kDialogTitle), View(items), kChoiceWindow | kChoiceList, &status);
  if (status) return status;
  if (chosen <= 0 || chosen == kChoiceEmpty || chosen > static_cast<int>(queues.size())) return st::USERCANCELED;
  WinChoiceClose();
  GdiJob job;
  job.queue = queues[static_cast<size_t>(chosen - 1)];
  job.document = document.Str();
  job.doc = L().New();
  if (!job.doc) return Fail(st::DEVICEIOERROR, job.queue);
  L().SetCompressionMode(job.doc, pdf::kCompressAll);
  GdiPageState& s = job.state;
  s.active = true;
  GdiPaperDots(spec.View().find(kLandscape) != std::string_view::npos, &s.horzres, &s.vertres);
  s.geometry = GdiGeometryOf(s.horzres, s.vertres);
  g_gdi = job;
  GdiSelectFont(255, 0);
  g_gdi.state.y = 0;
  return 0;
}

Status GdiPrintText(StrValue text) {
  if (Status e = StrError(text)) return e;
  if (!g_gdi.state.active) return Fail(st::DEVICEIOERROR, "no print job");
  std::string_view rest = text.View();
  GdiPageState& s = g_gdi.state;
  while (!rest.empty()) {
    size_t crlf = rest.find("\r\n");
    std::string_view piece = rest.substr(0, crlf);
    rest = crlf == std::string_view::npos ? std::string_view() : rest.substr(crlf + 2);
    GdiEnsureRoom();
    int code = 0, attrs = 0;
    if (TakeControls(&piece, &code, &attrs)) GdiSelectFont(code, attrs);
    if (Status e = GdiTextOut(View(piece))) return e;
    if (crlf != std::string_view::npos) {
      s.y += s.geometry.lineHeight;
      s.x = s.geometry.left;
    }
  }
  return 0;
}

Status GdiPrintEnd() {
  if (!g_gdi.state.active) return 0;
  Status e = 0;
  if (g_gdi.state.pages > 0) {
    std::string file;
    int fd = TempFile(".pdf", &file);
    if (fd >= 0) host::Close(fd);
    L().ResetError(g_gdi.doc);
    if (fd < 0 || !L().SaveToFile(g_gdi.doc, file)) {
      host::Remove(file);
      e = Fail(st::DEVICEIOERROR, g_gdi.queue);
    } else {
      e = SubmitFile(g_gdi.queue, g_gdi.document, file, false);
    }
  }
  GdiFree();
  return e;
}
