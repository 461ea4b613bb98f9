// The report engine writing a PDF, against the same report as text, the
// PDF library alone, the physical limit and a peer, in the same run.
//
// 100,000 generated accounts printed by the demo's trial balance
// COTRIAL.PDC (pages of 66 lines of 80 columns, progress NONE), as in the
// report benchmark, with a 520 x 56 header picture. Timed, each the best of
// three runs:
//   text     ReportRun to trial.txt;
//   pdf      ReportRun to trial.pdf (the picture on every page);
//   library  the lines of trial.txt, 66 a page, written through the PDF
//            library by a minimal loop (document, compression, per page the
//            picture and a text object, per line ShowText and a move, save);
//   limit    the PDF's size written sequentially in 1 MiB blocks, closed,
//            no sync;
//   peer     enscript (A4, Courier 10, 66 lines a page, Latin-1, no
//            header) to PostScript, then ps2pdf, over trial.txt: the usual
//            route from text to PDF, which gets the formatted text for free;
//            each stage timed as a child process.
// Printed: the times, pages and file sizes, and the ratios; the goal is a
// PDF run costing no more than the text run plus 1.2 x the library alone.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <hpdf.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_main.h"
#include "devices/report.h"
#include "report_bench.h"
#include "runtime/errors.h"
#include "tools/pngwrite.h"

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

constexpr int kAccounts = 100000;
constexpr int kRepeats = 3;
constexpr int kLinesPerPage = 66;

struct Timed {
  double best = 1e9;
  void Take(double t) { best = std::min(best, t); }
};

struct Results {
  Timed text, pdf, library, limit, enscript, ps2pdf;
  uintmax_t textBytes = 0, pdfBytes = 0, libraryBytes = 0, peerBytes = 0;
  int pdfPages = 0, libraryPages = 0, peerPages = 0;
  bool ok = false;
};
Results g;

int Pages(const std::string& pdf) {
  FILE* p = popen(("pdfinfo '" + pdf + "' 2>/dev/null").c_str(), "r");
  if (!p) return -1;
  char line[512];
  int pages = -1;
  while (fgets(line, sizeof line, p))
    if (std::sscanf(line, "Pages: %d", &pages) == 1) break;
  pclose(p);
  return pages;
}

// The report to a new file (text files are appended to).
double Report(const std::string& spec, const std::string& file) {
  std::filesystem::remove(file);
  if (DataFileMove(1, dfmove::kFirst) != 0) return -1;
  auto t0 = Clock::now();
  Status s = ReportRun(Sv(spec), nullptr, Sv("COTRIAL.PDC"), Sv(""), Sv(""), Sv("\xFF"), Sv(""), Sv("NONE"), Sv(""));
  double t = Since(t0);
  if (s != 0) {
    std::fprintf(stderr, "report %s: %u %s\n", spec.c_str(), s, ErrDetail().Str().c_str());
    return -1;
  }
  return t;
}

// The text report's lines through the library, 66 a page.
double LibraryAlone(const std::string& text, const std::string& picture, const std::string& out) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  auto t0 = Clock::now();
  HPDF_Doc doc = HPDF_New(nullptr, nullptr);
  HPDF_SetCompressionMode(doc, HPDF_COMP_ALL);
  HPDF_Image image = HPDF_LoadPngImageFromFile(doc, picture.c_str());
  HPDF_Font font = HPDF_GetFont(doc, "Courier", "CP1252");
  for (size_t i = 0; i < lines.size(); i += kLinesPerPage) {
    HPDF_Page page = HPDF_AddPage(doc);
    float h = HPDF_Page_GetHeight(page);
    HPDF_Page_DrawImage(page, image, 0, h - HPDF_Image_GetHeight(image), HPDF_Image_GetWidth(image),
                        HPDF_Image_GetHeight(image));
    HPDF_Page_BeginText(page);
    HPDF_Page_MoveTextPos(page, 80, h - 80);
    HPDF_Page_SetFontAndSize(page, font, 10);
    for (size_t k = i; k < std::min(lines.size(), i + kLinesPerPage); ++k) {
      HPDF_Page_ShowText(page, lines[k].c_str());
      HPDF_Page_MoveTextPos(page, 0, -10);
    }
    HPDF_Page_EndText(page);
  }
  HPDF_STATUS s = HPDF_SaveToFile(doc, out.c_str());
  HPDF_Free(doc);
  return s == HPDF_OK ? Since(t0) : -1;
}

double Command(const std::string& command) {
  auto t0 = Clock::now();
  int rc = std::system(command.c_str());
  double t = Since(t0);
  return rc == 0 ? t : -1;
}

bool Round(const std::string& dir) {
  double t = Report("trial.txt /LP:66 /WD:80", dir + "/trial.txt");
  if (t < 0) return false;
  g.text.Take(t);
  t = Report("trial.pdf /LP:66 /WD:80", dir + "/trial.pdf");
  if (t < 0) return false;
  g.pdf.Take(t);
  g.textBytes = std::filesystem::file_size(dir + "/trial.txt");
  g.pdfBytes = std::filesystem::file_size(dir + "/trial.pdf");
  t = LibraryAlone(ReadAll(dir + "/trial.txt"), dir + "/pdf_header.png", dir + "/library.pdf");
  if (t < 0) return false;
  g.library.Take(t);
  g.libraryBytes = std::filesystem::file_size(dir + "/library.pdf");
  t = Limit(dir + "/limit.bin", g.pdfBytes);
  if (t < 0) return false;
  g.limit.Take(t);
  t = Command("enscript -B -q -M A4 -f Courier10 -L 66 -X latin1 -o '" + dir + "/trial.ps' '" + dir + "/trial.txt'");
  if (t < 0) return false;
  g.enscript.Take(t);
  t = Command("ps2pdf '" + dir + "/trial.ps' '" + dir + "/peer.pdf'");
  if (t < 0) return false;
  g.ps2pdf.Take(t);
  g.peerBytes = std::filesystem::file_size(dir + "/peer.pdf");
  return true;
}

void BM_PdfReport(benchmark::State& state) {
  std::string dir = (std::filesystem::temp_directory_path() / "kxbench_pdf").string();
  std::string old;
  if (!EnterFreshFolder(dir, &old)) {
    state.SkipWithError("chdir");
    return;
  }
  for (auto _ : state) {
    int64_t debit = 0, credit = 0;
    if (!Generate(dir, kAccounts, &debit, &credit)) {
      state.SkipWithError(("generate: " + ErrDetail().Str()).c_str());
      break;
    }
    png::Picture p;
    p.width = 520;
    p.height = 56;
    p.palette = {{255, 255, 255}, {31, 78, 121}};
    p.pixels.assign(520 * 56, 0);
    for (unsigned y = 0; y < 42; ++y)
      for (unsigned x = 0; x < 520; ++x) p.At(x, y) = 1;
    std::FILE* f = std::fopen((dir + "/pdf_header.png").c_str(), "wb");
    std::string bytes = png::Encode(p);
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
      state.SkipWithError("picture");
      break;
    }
    std::fclose(f);
    for (int k = 0; k < kRepeats; ++k) {
      if (!Round(dir)) {
        state.SkipWithError("a run failed");
        break;
      }
    }
    g.pdfPages = Pages(dir + "/trial.pdf");
    g.libraryPages = Pages(dir + "/library.pdf");
    g.peerPages = Pages(dir + "/peer.pdf");
    g.ok = true;
    state.SetIterationTime(g.pdf.best);
  }
  DataFileCloseAll();
  MemShutdown(true);
  if (chdir(old.c_str()) != 0) state.SkipWithError("chdir back");
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_PdfReport)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void PrintSummary() {
  if (!g.ok) return;
  auto mb = [](uintmax_t b) { return static_cast<double>(b) / 1e6; };
  std::printf("\n%d accounts, trial balance, 66 lines a page; best of %d runs each.\n", kAccounts, kRepeats);
  std::printf("%-34s %10s %7s %12s\n", "", "ms", "pages", "bytes");
  std::printf("%-34s %10.1f %7s %12ju\n", "text report (trial.txt)", g.text.best * 1e3, "", g.textBytes);
  std::printf("%-34s %10.1f %7d %12ju\n", "PDF report (trial.pdf)", g.pdf.best * 1e3, g.pdfPages, g.pdfBytes);
  std::printf("%-34s %10.1f %7d %12ju\n", "library alone, same lines", g.library.best * 1e3, g.libraryPages,
              g.libraryBytes);
  std::printf("%-34s %10.2f %7s %12ju\n", "limit: PDF size written", g.limit.best * 1e3, "", g.pdfBytes);
  std::printf("%-34s %10.1f %7s %12s\n", "peer stage 1: enscript", g.enscript.best * 1e3, "", "");
  std::printf("%-34s %10.1f %7d %12ju\n", "peer stage 2: ps2pdf", g.ps2pdf.best * 1e3, g.peerPages, g.peerBytes);
  double peer = g.enscript.best + g.ps2pdf.best;
  std::printf("%-34s %10.1f\n", "peer total (text report + peer)", (g.text.best + peer) * 1e3);
  double budget = g.text.best + 1.2 * g.library.best;
  std::printf("\nratios: pdf/text %.2f, pdf/library %.2f, pdf/limit %.1f, (text+peer)/pdf %.2f, pdf MB/s %.1f\n",
              g.pdf.best / g.text.best, g.pdf.best / g.library.best, g.pdf.best / g.limit.best,
              (g.text.best + peer) / g.pdf.best, mb(g.pdfBytes) / g.pdf.best);
  std::printf("goal: pdf <= text + 1.2 x library = %.1f ms: %s (pdf %.1f ms)\n", budget * 1e3,
              g.pdf.best <= budget ? "met" : "NOT met", g.pdf.best * 1e3);
}

}  // namespace

KX_BENCH_MAIN_WITH_SUMMARY(PrintSummary)
