// A recording PDF library for tests: it keeps what each page shows (text,
// position, font and size; pictures; lines) instead of writing PDF, and can
// be told to fail. Installed for the life of the object.
#pragma once
#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/print/pdflib.h"

class FakePdf : public pdf::Library {
 public:
  struct Shown {
    int page;  // 1-based in the document
    float x, y, size;
    std::string font;
    float scale;  // horizontal, percent
    std::string text;
  };
  struct Drawn {
    int page;
    std::string what;  // "picture WxH" or "line"
    float x, y;
  };

  FakePdf() { previous_ = pdf::LibInstall(this); }
  ~FakePdf() override { pdf::LibInstall(previous_); }

  bool failNew = false;
  bool failSave = false;
  float pageWidth = 595, pageHeight = 842;
  std::vector<Shown> shown;
  std::vector<Drawn> drawn;
  std::vector<std::string> loaded;  // picture files read
  std::vector<std::string> saved;   // files written
  int live = 0;                     // documents not freed
  int pages = 0;                    // pages added, in all documents
  int textObjects = 0;              // open text objects

  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const Shown& s : shown) t.push_back(s.text);
    return t;
  }

  pdf::Doc* New() override {
    if (failNew) return nullptr;
    ++live;
    return H<pdf::Doc>(++ids_);
  }
  void SetCompressionMode(pdf::Doc*, unsigned mode) override { compression = mode; }
  pdf::Page* AddPage(pdf::Doc*) override {
    ++pages;
    page_ = pages;
    PageState& p = pageState_[page_];
    p.w = pageWidth;
    p.h = pageHeight;
    return H<pdf::Page>(page_);
  }
  void SetPageSize(pdf::Page* page, float w, float h) override {
    pageState_[Id(page)].w = w;
    pageState_[Id(page)].h = h;
  }
  float PageWidth(pdf::Page* page) override { return pageState_[Id(page)].w; }
  float PageHeight(pdf::Page* page) override { return pageState_[Id(page)].h; }
  pdf::Image* LoadPngImageFromFile(pdf::Doc*, const std::string& path) override {
    std::ifstream in(path, std::ios::binary);
    std::string head(24, '\0');
    if (!in.read(head.data(), 24) || head.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return nullptr;
    loaded.push_back(path);
    auto be32 = [&head](int at) {
      uint32_t v = 0;
      for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(head[at + i]);
      return v;
    };
    images_[++ids_] = {be32(16), be32(20)};
    return H<pdf::Image>(ids_);
  }
  unsigned ImageWidth(pdf::Image* i) override { return images_[Id(i)].first; }
  unsigned ImageHeight(pdf::Image* i) override { return images_[Id(i)].second; }
  void DrawImage(pdf::Page* page, pdf::Image*, float x, float y, float w, float h) override {
    drawn.push_back({Id(page), "picture " + std::to_string(int(w)) + "x" + std::to_string(int(h)), x, y});
  }
  void BeginText(pdf::Page* page) override {
    ++textObjects;
    pageState_[Id(page)].lx = pageState_[Id(page)].ly = 0;
  }
  void EndText(pdf::Page*) override { --textObjects; }
  void MoveTextPos(pdf::Page* page, float x, float y) override {
    pageState_[Id(page)].lx += x;
    pageState_[Id(page)].ly += y;
  }
  pdf::Font* GetFont(pdf::Doc*, const char* name, const char* encoding) override {
    fonts_.push_back(std::string(name) + "/" + encoding);
    return H<pdf::Font>(fonts_.size());
  }
  void SetFontAndSize(pdf::Page* page, pdf::Font* f, float size) override {
    pageState_[Id(page)].font = fonts_[Id(f) - 1];
    pageState_[Id(page)].size = size;
  }
  void SetTextScale(pdf::Page* page, float percent) override { pageState_[Id(page)].scale = percent; }
  void ShowText(pdf::Page* page, const std::string& text) override {
    const PageState& p = pageState_[Id(page)];
    shown.push_back({Id(page), p.lx, p.ly, p.size, p.font, p.scale, text});
  }
  void TextOut(pdf::Page* page, float x, float y, const std::string& text) override {
    const PageState& p = pageState_[Id(page)];
    shown.push_back({Id(page), x, y, p.size, p.font, p.scale, text});
  }
  float TextWidth(pdf::Page* page, const std::string& text) override {
    return 0.6f * pageState_[Id(page)].size * static_cast<float>(text.size());  // Courier
  }
  void DrawLine(pdf::Page* page, float x1, float y1, float, float, float) override {
    drawn.push_back({Id(page), "line", x1, y1});
  }
  unsigned long Error(pdf::Doc*) override { return 0; }
  void ResetError(pdf::Doc*) override {}
  bool SaveToFile(pdf::Doc*, const std::string& path) override {
    if (failSave) return false;
    std::ofstream out(path, std::ios::binary);
    out << "%PDF-fake\n";
    for (const Shown& s : shown) out << s.text << "\n";
    out.close();
    if (!out) return false;
    saved.push_back(path);
    return true;
  }
  void Free(pdf::Doc*) override { --live; }

  unsigned compression = 0;

 private:
  struct PageState {
    float w = 0, h = 0, lx = 0, ly = 0, size = 0, scale = 100;
    std::string font;
  };
  template <class T>
  static T* H(uintptr_t id) { return reinterpret_cast<T*>(id); }
  template <class T>
  static int Id(T* h) { return static_cast<int>(reinterpret_cast<uintptr_t>(h)); }

  pdf::Library* previous_;
  uintptr_t ids_ = 1000;
  int page_ = 0;
  std::map<int, PageState> pageState_;
  std::map<int, std::pair<unsigned, unsigned>> images_;
  std::vector<std::string> fonts_;
};
