#include "platform/print/spooler.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdint>
#include <sstream>

#include "platform/host/files.h"
#include "platform/host/process.h"

namespace print {
namespace {

constexpr size_t kOutputLimit = 1 << 20;  // what is kept of a tool's words
constexpr char kDefaultPrefix[] = "system default destination: ";

// Runs a tool in the C locale; its output (standard output and error
// together) in *out. Answers whether it ran and ended with status 0.
bool Run(std::vector<std::string> args, std::string* out) {
  args.insert(args.begin(), {"env", "LC_ALL=C"});
  host::PipedChild child;
  if (host::StartPiped(args, &child) != 0) {
    *out = args[2] + ": cannot be run";
    return false;
  }
  char buf[4096];
  for (int64_t n; (n = host::Read(child.out, buf, sizeof buf)) > 0;)
    if (out->size() < kOutputLimit) out->append(buf, static_cast<size_t>(n));
  host::ChildExit e = host::FinishPiped(&child);
  return e.Ok();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

Paper FromLocale() {
  locale_t loc = newlocale(LC_PAPER_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return Paper{};
  // The values come back as integers in place of the text pointer.
  Paper p;
  p.widthMm = static_cast<int>(reinterpret_cast<intptr_t>(nl_langinfo_l(_NL_PAPER_WIDTH, loc)));
  p.heightMm = static_cast<int>(reinterpret_cast<intptr_t>(nl_langinfo_l(_NL_PAPER_HEIGHT, loc)));
  freelocale(loc);
  return p;
}

PaperQuery g_paper = FromLocale;

std::vector<std::string> Names() {
  std::string out;
  return Run({"lpstat", "-e"}, &out) ? Lines(out) : std::vector<std::string>{};
}

}  // namespace

Queues QueueList() {
  Queues q;
  q.names = Names();
  std::string out;
  if (Run({"lpstat", "-d"}, &out)) {
    for (const std::string& line : Lines(out))
      if (line.rfind(kDefaultPrefix, 0) == 0) q.defaultName = line.substr(sizeof kDefaultPrefix - 1);
  }
  return q;
}

bool QueueExists(std::string_view name) {
  if (name.empty()) return false;
  for (const std::string& n : Names())
    if (n == name) return true;
  return false;
}

Status Submit(const std::string& queue, const std::string& title, const std::string& file, bool raw,
              std::string* message) {
  std::vector<std::string> args = {"lp", "-d", queue, "-t", title};
  if (raw) args.insert(args.end(), {"-o", "raw"});
  args.push_back(file);
  std::string out;
  bool ok = Run(args, &out);
  *message = Lines(out).empty() ? std::string() : Lines(out).back();
  if (ok) return 0;
  if (message->empty()) *message = "lp refused the job";
  return st::DEVICEIOERROR;
}

Paper LocalePaper() { return g_paper(); }

void PaperQueryInstall(PaperQuery query) { g_paper = query ? query : FromLocale; }

}  // namespace print
