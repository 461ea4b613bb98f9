// The PDF library as the framework sees it: the few drawing calls that PDF
// documents and the page printer make, behind one small interface.
//
// The real library writes PDF files (Courier and its bold and oblique faces,
// single-byte encodings such as "CP1252", PNG pictures, all streams
// compressed as the caller asks). Tests install a recording library in its
// place (LibInstall) to see exactly which calls a document receives.
//
// Handles (Doc, Page, Image, Font) are opaque; a document owns its pages,
// pictures and fonts, and Free releases them all. Errors inside the
// library never stop the program: each document records the first one
// (Error), which ResetError clears; calls that make something answer null
// when they fail. SaveToFile answers false when the file could not be
// written completely (Error then holds the library's code).
//
// Sizes and positions are in points (1/72 inch), from the lower left corner
// of the page. Texts are byte strings in the font's encoding; a NUL ends one.
#pragma once
#include <string>

namespace pdf {

struct Doc;
struct Page;
struct Image;
struct Font;

class Library {
 public:
  virtual ~Library() = default;

  // A new empty document (null when none can be made).
  virtual Doc* New() = 0;
  virtual void SetCompressionMode(Doc* doc, unsigned mode) = 0;
  // A new page at the end of the document (A4 portrait until resized).
  virtual Page* AddPage(Doc* doc) = 0;
  virtual void SetPageSize(Page* page, float width, float height) = 0;
  virtual float PageWidth(Page* page) = 0;
  virtual float PageHeight(Page* page) = 0;

  // A PNG picture read from a file (null when it is missing or no PNG).
  virtual Image* LoadPngImageFromFile(Doc* doc, const std::string& path) = 0;
  virtual unsigned ImageWidth(Image* image) = 0;
  virtual unsigned ImageHeight(Image* image) = 0;
  virtual void DrawImage(Page* page, Image* image, float x, float y, float width, float height) = 0;

  // Text objects: between BeginText and EndText a page takes only text.
  virtual void BeginText(Page* page) = 0;
  virtual void EndText(Page* page) = 0;
  // Moves the start of the next line by (x, y) from the start of this one.
  virtual void MoveTextPos(Page* page, float x, float y) = 0;
  virtual Font* GetFont(Doc* doc, const char* name, const char* encoding) = 0;
  virtual void SetFontAndSize(Page* page, Font* font, float size) = 0;
  // Widens (above 100) or narrows the characters of the text that follows.
  virtual void SetTextScale(Page* page, float percent) = 0;
  // Shows the text at the start of the current line.
  virtual void ShowText(Page* page, const std::string& text) = 0;
  // Shows the text with its baseline starting at (x, y).
  virtual void TextOut(Page* page, float x, float y, const std::string& text) = 0;
  // The width of the text in the page's current font and size.
  virtual float TextWidth(Page* page, const std::string& text) = 0;

  // A straight line, outside text objects.
  virtual void DrawLine(Page* page, float x1, float y1, float x2, float y2, float width) = 0;

  virtual unsigned long Error(Doc* doc) = 0;
  virtual void ResetError(Doc* doc) = 0;
  virtual bool SaveToFile(Doc* doc, const std::string& path) = 0;
  virtual void Free(Doc* doc) = 0;
};

// The library in use: the real one unless a test installed another.
Library& Lib();
// Installs a library (null puts the real one back); answers the previous.
Library* LibInstall(Library* lib);
// Compression of every stream of a document (text, pictures, metadata).
constexpr unsigned kCompressAll = 15;

}  // namespace pdf
