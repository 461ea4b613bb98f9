#include "devices/devpath.h"

#include "devices/pdf.h"
#include "devices/printjob.h"
#include "devices/serial.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"

namespace {

// A handle of 128 or more is an error code.
Status HandleStatus(uint16_t handle) { return handle >= 128 ? handle : 0; }

StrValue DocumentName() { return DynStrGet(SettingsList, SetTitleItem); }

Status SerialOpen(DevRecord& rec, StrValue) {
  rec.handle = ComOpenSpec(rec.Name(), false);
  return rec.handle > 121 ? rec.handle : 0;
}
Status SerialWrite(DevRecord& rec, StrValue bytes) {
  uint16_t r = ComWrite(rec.handle, bytes.ptr, bytes.len);
  if (r != 0xFFFF) return r;
  ErrDetailSet(st::DEVICEIOERROR, rec.Name(), false);
  return ErrSet(1, MOD_DEVICES, st::DEVICEIOERROR, st::DEVICEIOERROR);
}
Status SerialClose(DevRecord& rec) { return ComClose(rec.handle); }

Status PdfOpen(DevRecord& rec, StrValue) {
  rec.handle = PdfDocOpen(rec);
  return HandleStatus(rec.handle);
}
Status PdfWrite(DevRecord& rec, StrValue text) { return PdfWriteText(rec, text); }
Status PdfClose(DevRecord& rec) { return PdfDocClose(rec); }

Status SpoolOpen(DevRecord& rec, StrValue) {
  StrAreaScope scope;
  return SpoolBegin(DevFullPath(rec.Name(), rec.kind), DocumentName());
}
Status SpoolPathWrite(DevRecord&, StrValue bytes) { return SpoolWrite(bytes); }
Status SpoolClose(DevRecord&) { return SpoolEnd(); }

Status PageOpen(DevRecord&, StrValue spec) { return GdiPrintBegin(spec, DocumentName()); }
Status PageWrite(DevRecord&, StrValue text) { return GdiPrintText(text); }
Status PageClose(DevRecord&) { return GdiPrintEnd(); }

constexpr DevPath kDefaults[] = {
    {SerialOpen, SerialWrite, SerialClose},
    {PdfOpen, PdfWrite, PdfClose},
    {SpoolOpen, SpoolPathWrite, SpoolClose},
    {PageOpen, PageWrite, PageClose},
};
constexpr int kKinds = static_cast<int>(DevPathKind::Count);

const DevPath* g_paths[kKinds] = {&kDefaults[0], &kDefaults[1], &kDefaults[2], &kDefaults[3]};

}  // namespace

const DevPath* DevPathOf(uint8_t kind) {
  if (kind & kDevSerial) return g_paths[static_cast<int>(DevPathKind::Serial)];
  if (kind & kDevPdf) return g_paths[static_cast<int>(DevPathKind::Pdf)];
  if (kind & kDevSpool) return g_paths[static_cast<int>(DevPathKind::Spool)];
  if (kind == kDevPagePrinter) return g_paths[static_cast<int>(DevPathKind::PagePrinter)];
  return nullptr;
}

const DevPath* DevPathInstall(DevPathKind kind, const DevPath* path) {
  int k = static_cast<int>(kind);
  if (k < 0 || k >= kKinds) return nullptr;
  const DevPath* previous = g_paths[k];
  g_paths[k] = path ? path : &kDefaults[k];
  return previous;
}
