#include "platform/print/pdflib.h"

#include <new>

#ifdef KX_HAVE_HPDF
#include <hpdf.h>
#endif

namespace pdf {
namespace {

#ifdef KX_HAVE_HPDF

// A document and the first error the library reported for it. The library
// calls the handler and carries on; the calls then answer their error.
struct RealDoc {
  HPDF_Doc doc = nullptr;
  unsigned long error = 0;
};

void OnError(HPDF_STATUS error, HPDF_STATUS, void* data) {
  auto* d = static_cast<RealDoc*>(data);
  if (d->error == 0) d->error = error;
}

RealDoc* R(Doc* d) { return reinterpret_cast<RealDoc*>(d); }
HPDF_Page P(Page* p) { return reinterpret_cast<HPDF_Page>(p); }
HPDF_Image I(Image* i) { return reinterpret_cast<HPDF_Image>(i); }

class Haru final : public Library {
 public:
  Doc* New() override {
    auto* d = new (std::nothrow) RealDoc;
    if (!d) return nullptr;
    d->doc = HPDF_New(OnError, d);
    if (!d->doc) {
      delete d;
      return nullptr;
    }
    return reinterpret_cast<Doc*>(d);
  }
  void SetCompressionMode(Doc* d, unsigned mode) override { HPDF_SetCompressionMode(R(d)->doc, mode); }
  Page* AddPage(Doc* d) override { return reinterpret_cast<Page*>(HPDF_AddPage(R(d)->doc)); }
  void SetPageSize(Page* p, float w, float h) override {
    HPDF_Page_SetWidth(P(p), w);
    HPDF_Page_SetHeight(P(p), h);
  }
  float PageWidth(Page* p) override { return HPDF_Page_GetWidth(P(p)); }
  float PageHeight(Page* p) override { return HPDF_Page_GetHeight(P(p)); }
  Image* LoadPngImageFromFile(Doc* d, const std::string& path) override {
    return reinterpret_cast<Image*>(HPDF_LoadPngImageFromFile(R(d)->doc, path.c_str()));
  }
  unsigned ImageWidth(Image* i) override { return HPDF_Image_GetWidth(I(i)); }
  unsigned ImageHeight(Image* i) override { return HPDF_Image_GetHeight(I(i)); }
  void DrawImage(Page* p, Image* i, float x, float y, float w, float h) override {
    HPDF_Page_DrawImage(P(p), I(i), x, y, w, h);
  }
  void BeginText(Page* p) override { HPDF_Page_BeginText(P(p)); }
  void EndText(Page* p) override { HPDF_Page_EndText(P(p)); }
  void MoveTextPos(Page* p, float x, float y) override { HPDF_Page_MoveTextPos(P(p), x, y); }
  Font* GetFont(Doc* d, const char* name, const char* encoding) override {
    return reinterpret_cast<Font*>(HPDF_GetFont(R(d)->doc, name, encoding));
  }
  void SetFontAndSize(Page* p, Font* f, float size) override {
    HPDF_Page_SetFontAndSize(P(p), reinterpret_cast<HPDF_Font>(f), size);
  }
  void SetTextScale(Page* p, float percent) override { HPDF_Page_SetHorizontalScalling(P(p), percent); }
  void ShowText(Page* p, const std::string& text) override { HPDF_Page_ShowText(P(p), text.c_str()); }
  void TextOut(Page* p, float x, float y, const std::string& text) override {
    HPDF_Page_TextOut(P(p), x, y, text.c_str());
  }
  float TextWidth(Page* p, const std::string& text) override { return HPDF_Page_TextWidth(P(p), text.c_str()); }
  void DrawLine(Page* p, float x1, float y1, float x2, float y2, float width) override {
    HPDF_Page_SetLineWidth(P(p), width);
    HPDF_Page_MoveTo(P(p), x1, y1);
    HPDF_Page_LineTo(P(p), x2, y2);
    HPDF_Page_Stroke(P(p));
  }
  unsigned long Error(Doc* d) override { return R(d)->error; }
  void ResetError(Doc* d) override {
    R(d)->error = 0;
    HPDF_ResetError(R(d)->doc);
  }
  bool SaveToFile(Doc* d, const std::string& path) override {
    HPDF_STATUS s = HPDF_SaveToFile(R(d)->doc, path.c_str());
    return s == HPDF_OK && R(d)->error == 0;
  }
  void Free(Doc* d) override {
    if (!d) return;
    HPDF_Free(R(d)->doc);
    delete R(d);
  }
};

#else

// Built without the library: no document can be made.
class Haru final : public Library {
 public:
  Doc* New() override { return nullptr; }
  void SetCompressionMode(Doc*, unsigned) override {}
  Page* AddPage(Doc*) override { return nullptr; }
  void SetPageSize(Page*, float, float) override {}
  float PageWidth(Page*) override { return 0; }
  float PageHeight(Page*) override { return 0; }
  Image* LoadPngImageFromFile(Doc*, const std::string&) override { return nullptr; }
  unsigned ImageWidth(Image*) override { return 0; }
  unsigned ImageHeight(Image*) override { return 0; }
  void DrawImage(Page*, Image*, float, float, float, float) override {}
  void BeginText(Page*) override {}
  void EndText(Page*) override {}
  void MoveTextPos(Page*, float, float) override {}
  Font* GetFont(Doc*, const char*, const char*) override { return nullptr; }
  void SetFontAndSize(Page*, Font*, float) override {}
  void SetTextScale(Page*, float) override {}
  void ShowText(Page*, const std::string&) override {}
  void TextOut(Page*, float, float, const std::string&) override {}
  float TextWidth(Page*, const std::string&) override { return 0; }
  void DrawLine(Page*, float, float, float, float, float) override {}
  unsigned long Error(Doc*) override { return 1; }
  void ResetError(Doc*) override {}
  bool SaveToFile(Doc*, const std::string&) override { return false; }
  void Free(Doc*) override {}
};

#endif

Haru g_real;
Library* g_lib = &g_real;

}  // namespace

Library& Lib() { return *g_lib; }

Library* LibInstall(Library* lib) {
  Library* previous = g_lib;
  g_lib = lib ? lib : &g_real;
  return previous;
}

}  // namespace pdf
