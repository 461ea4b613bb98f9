// Draws the pictures of the programs and their demo applications: each a
// band shaded from its colour to a lighter one, the title in block capitals
// on it, and a rule under it, on white.
//   kxpicture PROGRAM FOLDER       the demo's PDF header pictures, into FOLDER
//   kxpicture --resource PROGRAM FILE
//                                  the program's compiled-in pictures (its
//                                  background picture, bitmap 102), as a
//                                  C++ source holding the BMP bytes
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/bmpwrite.h"
#include "tools/pngwrite.h"

namespace {

// 5 x 7 capitals: each glyph is seven rows of five bits, the high bit left.
struct Glyph {
  char c;
  uint8_t rows[7];
};
constexpr Glyph kFont[] = {
    {'A', {14, 17, 17, 31, 17, 17, 17}}, {'B', {30, 17, 17, 30, 17, 17, 30}}, {'C', {14, 17, 16, 16, 16, 17, 14}},
    {'D', {30, 17, 17, 17, 17, 17, 30}}, {'E', {31, 16, 16, 30, 16, 16, 31}}, {'F', {31, 16, 16, 30, 16, 16, 16}},
    {'G', {14, 17, 16, 23, 17, 17, 15}}, {'H', {17, 17, 17, 31, 17, 17, 17}}, {'I', {14, 4, 4, 4, 4, 4, 14}},
    {'J', {7, 2, 2, 2, 2, 18, 12}},      {'K', {17, 18, 20, 24, 20, 18, 17}}, {'L', {16, 16, 16, 16, 16, 16, 31}},
    {'M', {17, 27, 21, 21, 17, 17, 17}}, {'N', {17, 17, 25, 21, 19, 17, 17}}, {'O', {14, 17, 17, 17, 17, 17, 14}},
    {'P', {30, 17, 17, 30, 16, 16, 16}}, {'Q', {14, 17, 17, 17, 21, 18, 13}}, {'R', {30, 17, 17, 30, 20, 18, 17}},
    {'S', {15, 16, 16, 14, 1, 1, 30}},   {'T', {31, 4, 4, 4, 4, 4, 4}},       {'U', {17, 17, 17, 17, 17, 17, 14}},
    {'V', {17, 17, 17, 17, 17, 10, 4}},  {'W', {17, 17, 17, 21, 21, 21, 10}}, {'X', {17, 17, 10, 4, 10, 17, 17}},
    {'Y', {17, 17, 10, 4, 4, 4, 4}},     {'Z', {31, 1, 2, 4, 8, 16, 31}},     {'0', {14, 17, 19, 21, 25, 17, 14}},
    {'1', {4, 12, 4, 4, 4, 4, 14}},      {'2', {14, 17, 1, 2, 4, 8, 31}},     {'3', {30, 1, 1, 14, 1, 1, 30}},
    {'4', {2, 6, 10, 18, 31, 2, 2}},     {'5', {31, 16, 30, 1, 1, 17, 14}},   {'6', {6, 8, 16, 30, 17, 17, 14}},
    {'7', {31, 1, 2, 4, 8, 8, 8}},       {'8', {14, 17, 17, 14, 17, 17, 14}}, {'9', {14, 17, 17, 15, 1, 2, 12}},
    {'-', {0, 0, 0, 31, 0, 0, 0}},       {'.', {0, 0, 0, 0, 0, 12, 12}},      {' ', {0, 0, 0, 0, 0, 0, 0}},
};

const Glyph* Find(char c) {
  for (const Glyph& g : kFont)
    if (g.c == c) return &g;
  return nullptr;
}

constexpr int kShades = 32;
constexpr uint8_t kWhite = 0, kText = kShades + 1, kRule = kShades + 2;

png::Picture Draw(unsigned w, unsigned h, png::Rgb base, const std::string& title) {
  png::Picture p;
  p.width = w;
  p.height = h;
  p.pixels.assign(static_cast<size_t>(w) * h, kWhite);
  p.palette.push_back({255, 255, 255});
  for (int i = 0; i < kShades; ++i) {  // the base colour, lightening to the right
    auto mix = [i](uint8_t c) { return static_cast<uint8_t>(c + (255 - c) * i / (kShades * 2)); };
    p.palette.push_back({mix(base.r), mix(base.g), mix(base.b)});
  }
  p.palette.push_back({255, 255, 255});
  p.palette.push_back({static_cast<uint8_t>(base.r / 2), static_cast<uint8_t>(base.g / 2), static_cast<uint8_t>(base.b / 2)});
  unsigned band = h * 3 / 4;
  for (unsigned y = 0; y < band; ++y)
    for (unsigned x = 0; x < w; ++x) p.At(x, y) = static_cast<uint8_t>(1 + x * kShades / w);
  for (unsigned y = band + 2; y < band + 4 && y < h; ++y)
    for (unsigned x = 0; x < w; ++x) p.At(x, y) = kRule;
  unsigned scale = band >= 28 ? (band - 8) / 7 : 1;
  if (scale > 4) scale = 4;
  unsigned fits = title.empty() ? scale : (w - 16) / (6 * static_cast<unsigned>(title.size()));
  if (scale > fits) scale = fits > 0 ? fits : 1;
  unsigned top = (band - 7 * scale) / 2, left = top + scale * 2;
  for (size_t i = 0; i < title.size(); ++i) {
    const Glyph* g = Find(title[i]);
    if (!g) continue;
    for (unsigned row = 0; row < 7; ++row)
      for (unsigned col = 0; col < 5; ++col) {
        if (!(g->rows[row] & (16 >> col))) continue;
        for (unsigned dy = 0; dy < scale; ++dy)
          for (unsigned dx = 0; dx < scale; ++dx) {
            unsigned x = left + static_cast<unsigned>(i) * 6 * scale + col * scale + dx;
            unsigned y = top + row * scale + dy;
            if (x < w && y < h) p.At(x, y) = kText;
          }
      }
  }
  return p;
}

// The pictures of a demo application: name, size, colour and title.
struct DemoPicture {
  const char* program;
  const char* file;
  unsigned width, height;
  png::Rgb colour;
  const char* title;
};
constexpr DemoPicture kDemoPictures[] = {
    {"accounting", "pdf_header.png", 520, 56, {0x1F, 0x4E, 0x79}, "DEMO ACCOUNTS - LEDGER REPORTS"},
    {"administration", "pdf_header.png", 520, 56, {0x2E, 0x6B, 0x30}, "DEMO TRADING - ADMINISTRATION"},
    // The invoice's own picture: "pdf_" + application prefix + report name.
    {"administration", "pdf_GAGAINVOICE.png", 520, 64, {0x8A, 0x3B, 0x12}, "INVOICE"},
};

// The programs' compiled-in pictures: program, resource number, size,
// colour, title and the name a back end that cannot draw shows.
struct ProgramPicture {
  const char* program;
  int id;
  unsigned width, height;
  png::Rgb colour;
  const char* title;
  const char* name;
};
constexpr ProgramPicture kProgramPictures[] = {
    {"accounting", 102, 480, 120, {0x1F, 0x4E, 0x79}, "FENWOLD ACCOUNTING", "Fenwold Accounting"},
    {"administration", 102, 480, 120, {0x2E, 0x6B, 0x30}, "FENWOLD ADMINISTRATION", "Fenwold Administration"},
};

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  out.close();
  if (!out) std::fprintf(stderr, "kxpicture: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

// The resource table of a program as a C++ source (app/resources.h).
int WriteResources(const std::string& program, const std::string& path) {
  std::ostringstream src, table;
  src << "// Written by the build (tools/kxpicture): the " << program << " program's compiled-in pictures.\n"
      << "#include \"app/resources.h\"\n\nnamespace {\n";
  size_t count = 0;
  for (const ProgramPicture& p : kProgramPictures) {
    if (program != p.program) continue;
    std::string bytes = bmp::Encode(Draw(p.width, p.height, p.colour, p.title));
    src << "const unsigned char kBitmap" << p.id << "[] = {";
    for (size_t i = 0; i < bytes.size(); ++i)
      src << (i % 24 ? "" : "\n   ") << " " << static_cast<unsigned>(static_cast<uint8_t>(bytes[i])) << ",";
    src << "\n};\n";
    table << "    {" << p.id << ", \"" << p.name << "\", kBitmap" << p.id << ", sizeof kBitmap" << p.id << "},\n";
    ++count;
  }
  if (count == 0) {
    std::fprintf(stderr, "kxpicture: no compiled-in pictures for %s\n", program.c_str());
    return 2;
  }
  src << "}  // namespace\n\nconst ui::BitmapResource kAppBitmaps[] = {\n"
      << table.str() << "};\nconst size_t kAppBitmapCount = " << count << ";\n";
  return WriteFile(path, src.str()) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--resource") return WriteResources(argv[2], argv[3]);
  if (argc != 3) {
    std::fprintf(stderr, "usage: kxpicture PROGRAM FOLDER | kxpicture --resource PROGRAM FILE\n");
    return 2;
  }
  std::string program = argv[1];
  int written = 0;
  for (const DemoPicture& d : kDemoPictures) {
    if (program != d.program) continue;
    std::string path = std::string(argv[2]) + "/" + d.file;
    if (!WriteFile(path, png::Encode(Draw(d.width, d.height, d.colour, d.title)))) return 1;
    ++written;
  }
  if (written == 0) {
    std::fprintf(stderr, "kxpicture: no pictures for %s\n", argv[1]);
    return 2;
  }
  return 0;
}
