// Compiled expression texts against the text path they replace: the same
// texts run both ways, each way in a runtime of its own started the same,
// must give the same status, current result, recorded error and detail,
// and leave the same variables. The texts: every row of the evaluator's
// tables, the expressions of the golden procedures (and the procedures
// run whole), and a few thousand generated texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/host/signals.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "script/arrays.h"
#include "script/builtins.h"
#include "script/evalint.h"
#include "script/evaluator.h"
#include "script/expcache.h"
#include "script/expfiles.h"
#include "script/procedures.h"
#include "script/taskhooks.h"
#include "eval_cases.h"
#include "var_helpers.h"

namespace {

namespace fs = std::filesystem;

std::string Hex(StrValue v) {
  static const char* const kDigits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : v.View()) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

// Every variable: its name and value, and every array's bytes.
std::string StateDump() {
  std::ostringstream out;
  out << "precis " << NumPrecis() << "\n";
  for (uint16_t list = 0; list < 4; ++list) {
    std::string names = DynStrGet(VarNamesList, list).Str();
    std::stringstream ss(names);
    std::string name;
    for (uint32_t slot = 0; std::getline(ss, name, ','); ++slot) {
      out << name << "=";
      if (list == kListInt) out << VarIntGet(slot);
      else if (list == kListNum) out << VarNumGet(slot);
      else if (list == kListStr) out << Hex(VarStrGet(slot));
      else if (const ArrDesc* a = ArrLookup(S(name)); a && a->data)
        out << Hex(StrMake(reinterpret_cast<char*>(a->data), std::min<uint32_t>(a->count * a->elemSize, 65535)));
      out << "\n";
    }
  }
  return out.str();
}

struct Observed {
  Status status = 0;
  std::string result;  // the current result's bytes
  int slots = 0;       // slots left above the mark
  uint32_t error = 0;
  std::string detail;
  std::string state;

  bool operator==(const Observed&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Observed& o) {
  return os << "status " << o.status << " result " << o.result << " slots " << o.slots << " error " << o.error
            << " detail <" << o.detail << ">";
}

Observed RunText(const std::string& text, bool dumpState) {
  ErrClear();
  ErrDetailSet(0, StrMake("", 0), false);
  Observed o;
  uint16_t m = StrAreaMark(-1);
  o.status = ExpExecText(S(text));
  o.slots = StrAreaMark(-1) - m;
  if (o.slots > 0) o.result = Hex(StrAreaTop());
  StrAreaMark(m);
  o.error = ErrGet();
  o.detail = ErrDetail().Str();
  if (dumpState) o.state = StateDump();
  return o;
}

// Task hook 0 answers "_HOOKV" (and takes assignments to it); task hook 2
// answers "_GRID(n)"; other names are not theirs.
StrValue ValueHook(StrValue name, int mode) {
  if (name.View() != "_HOOKV") return StrErr(st::BADINPUTDATA);
  return mode == 1 ? StrFromCCopy("12.5") : StrMake("", 0);
}

StrValue GridHook(StrValue name, int index) {
  if (name.View() != "_GRID") return StrErr(st::BADINPUTDATA);
  return index == 9 ? StrErr(st::SINTAXERROR) : index == 4 ? StrErr(5) : StrFromCCopy(index == 1 ? "7.5" : "0");
}

// A fresh runtime with the system variables, the hooks and a few
// variables of every kind.
void FreshRuntime(bool textPath) {
  RuntimeReset();
  TaskHooksReset();
  ASSERT_EQ(VarSysInit(), 0);
  ASSERT_EQ(ExpCacheCount(), 0u);
  TaskHookSet(&ValueHook, kHookValue);
  TaskHookSet(&GridHook, kHookArrayTerm);
  ExpUseTextPath(textPath);
  ASSERT_EQ(ExpEvalStatus(S("i=3,j=-2,n#=2.5,x#=10,s$='abc',t$='x y',a(2;3),w$('--';3),v#(4),_ACUMX$='P,Q'")), 0);
}

std::vector<Observed> RunAll(const std::vector<std::string>& texts, bool textPath) {
  FreshRuntime(textPath);
  std::vector<Observed> out;
  for (size_t k = 0; k < texts.size(); ++k) out.push_back(RunText(texts[k], k % 8 == 7 || k + 1 == texts.size()));
  ExpUseTextPath(false);
  return out;
}

// Runs the texts both ways and compares each outcome.
void ExpectSameBothWays(const std::vector<std::string>& texts) {
  std::vector<Observed> scanned = RunAll(texts, true);
  std::vector<Observed> compiled = RunAll(texts, false);
  ASSERT_EQ(scanned.size(), compiled.size());
  int differ = 0;
  for (size_t k = 0; k < texts.size() && differ < 10; ++k) {
    if (scanned[k] == compiled[k]) continue;
    ++differ;
    ADD_FAILURE() << "text " << k << ": " << texts[k] << "\n  text path: " << scanned[k]
                  << "\n  compiled:  " << compiled[k]
                  << (scanned[k].state != compiled[k].state ? "\n  variables differ" : "");
  }
}

// --- Generated texts -----------------------------------------------------------

// Texts mostly well formed and well typed, so that most run to the end,
// with every kind of term and operator, errors of every kind now and then.
class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  std::string Text() {
    std::string t = Expression(0);
    while (Pick(4) == 0) t += (Pick(2) ? "," : ";") + Expression(0);
    if (Pick(40) == 0) t = Damage(t);
    return t;
  }

 private:
  std::mt19937 rng_;

  int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
  template <size_t N>
  const char* One(const char* const (&list)[N]) {
    return list[Pick(static_cast<int>(N))];
  }

  std::string Expression(int depth) {
    static const char* const kNumTargets[] = {"i", "j", "k", "n#", "x#", "y#", "a(1;2)", "v#(2)", "_#(3)",
                                              "_HOOKV", "_STAT", "q", "z(2)"};
    static const char* const kStrTargets[] = {"s$", "t$", "u$", "w$(1)", "r$"};
    static const char* const kBadTargets[] = {"(i)", "3", "FN$TRIM(s$)", "'x'", "F{1}", ".tab$"};
    bool str = Pick(3) == 0;
    std::string t;
    int kind = Pick(10);
    if (kind < 4) t = std::string(str ? One(kStrTargets) : One(kNumTargets)) + "=";
    else if (kind == 4) t = std::string(One(kBadTargets)) + "=";
    else if (kind == 5) t = std::string(One(kNumTargets)) + "=" + One(kNumTargets) + "=";
    return t + (str ? Text(depth) : Number(depth));
  }

  // A number: terms joined by number operators, comparisons of texts,
  // signs, now and then a text where a number belongs.
  std::string Number(int depth) {
    static const char* const kOps[] = {"+", "-", "*", "/", "!", "%", "\xF7", ">", "<", "==", ">=", "<=", "<>",
                                       "&", "|", "@", "&&", "||", "@@", "+", "-", "*", "+", "-"};
    std::string t = Pick(8) == 0 ? "-" + NumberTerm(depth) : NumberTerm(depth);
    int more = Pick(depth > 1 ? 2 : 4);
    for (int k = 0; k < more; ++k) {
      if (Pick(10) == 0) t += " ";
      t += One(kOps);
      if (Pick(10) == 0) t += " ";
      if (Pick(10) == 0) t += "-";  // an empty term: a sign
      t += Pick(30) == 0 ? TextTerm(depth) : NumberTerm(depth);
    }
    return t;
  }

  std::string Text(int depth) {
    static const char* const kOps[] = {"+", "+", "+", "-", "*"};
    std::string t = TextTerm(depth);
    int more = Pick(3);
    for (int k = 0; k < more; ++k) t += std::string(Pick(12) == 0 ? One(kOps) : "+") + TextTerm(depth);
    if (Pick(5) == 0) t = "(" + t + std::string(Pick(2) ? ">" : "==") + TextTerm(depth) + ")+0";
    return t;
  }

  std::string NumberTerm(int depth) {
    static const char* const kNames[] = {"i", "j", "k", "n#", "x#", "y#", "und", "und#", "_STAT", "_PRECIS",
                                         "_HOOKV", ".dialog", ".datey", "a(1;2)", "a(2;0)", "v#(3)", "_GRID(1)",
                                         "_GRID(4)", "z(3)"};
    static const char* const kNumbers[] = {"0", "1", "2", "3", "7", "10", "0.5", "1.005", "12.34", "100", "65535",
                                           "40000", "2.5", "0.01"};
    static const char* const kRare[] = {"99999999999", "1.2.3", "12abc", ".bad", "a(2;9)", "_GRID(9)", "F{1}",
                                        "b(1)", "()", "_#(2)"};
    switch (depth > 2 ? Pick(3) : Pick(8)) {
      case 0: return One(kNames);
      case 1: return One(kNumbers);
      case 2: return Pick(20) == 0 ? One(kRare) : One(kNumbers);
      case 3: return "(" + Number(depth + 1) + (Pick(4) == 0 ? "," + Number(depth + 1) : "") + ")";
      case 4: return NumberCall(depth + 1);
      case 5: return Pick(2) ? "a(" + Number(depth + 1) + "&1;" + One(kNumbers) + "&3)" : "v#(" + Number(depth + 1) + "&3)";
      case 6: return "(" + Expression(depth + 1) + ")";
      default: return One(kNames);
    }
  }

  std::string TextTerm(int depth) {
    static const char* const kNames[] = {"s$", "t$", "u$", "und$", ".lf$", ".tab$", "w$(2)", "r$", "_ACUM$"};
    static const char* const kStrings[] = {"'abc'", "'ABC*'", "'*b'", "''", "\"it's\"", "'a b'", "'zz'", "'12'",
                                           "'-'"};
    switch (depth > 2 ? Pick(2) : Pick(5)) {
      case 0: return One(kNames);
      case 1: return Pick(40) == 0 ? "'x" : One(kStrings);
      case 2: return TextCall(depth + 1);
      case 3: return "(" + Text(depth + 1) + ")";
      default: return One(kNames);
    }
  }

  std::string NumberCall(int depth) {
    switch (Pick(5)) {
      case 0: return "FN#SLEN(" + Text(depth) + ")";
      case 1: return "CHK#(" + Number(depth) + ";" + Number(depth) + ";" + Number(depth) + ")";
      case 2: return "FN#VALN('12.5')";
      case 3: return "fn#slen(" + Text(depth) + ")";
      default: return "CHK#(" + Number(depth) + ";" + Expression(depth) + ")";
    }
  }

  std::string TextCall(int depth) {
    switch (Pick(7)) {
      case 0: return "FN$MIDS(" + Text(depth) + ";" + Number(depth) + ";2)";
      case 1: return "FN$TRIM(" + Number(depth) + ")";
      case 2: return "CHK$(" + Number(depth) + ";" + Text(depth) + ";" + Text(depth) + ")";
      case 3: return "FN$CHRS(65+(" + Number(depth) + ")&15)";
      case 4: return "MACRO$('[i]+[s$]')";
      case 5: return "EXP$('$1_*2';" + Number(depth) + ")";
      default: return "fn$mids(s$;" + Number(depth) + ")";
    }
  }

  // Texts that do not scan, or scan only in part.
  std::string Damage(const std::string& t) {
    switch (Pick(5)) {
      case 0: return t + "(";
      case 1: return t + " x";
      case 2: return t + "=>1";
      case 3: return "(" + t + ")(1)";
      default: return t.substr(0, t.size() / 2);
    }
  }
};

// --- Texts of the golden procedures ------------------------------------------

fs::path GoldenDir() { return fs::path(KX_SOURCE_DIR) / "tests" / "e2e" / "golden"; }

// The golden cases that run a procedure with the framework alone.
const char* const kGoldenCases[] = {"lang_flow", "lang_operators", "lang_strings", "lang_errors", "startup_config"};

// Every expression statement and condition of the procedures.
std::vector<std::string> GoldenExpressions() {
  static const char* const kConditions[] = {"IF", "IF_TRUE", "IF_FALSE", "DO_WHILE", "DO_UNTIL", "LOOP_WHILE",
                                            "LOOP_UNTIL"};
  static const char* const kOthers[] = {"GOTO", "GOSUB", "CALL", "RETURN", "ENDIF", "LOOP", "ELSE",
                                        "DO",   "DEF_FN", "LOCALVARS", "END"};
  std::vector<std::string> texts;
  for (const char* c : kGoldenCases)
    for (const auto& entry : fs::directory_iterator(GoldenDir() / c)) {
      if (entry.path().extension() != ".prc") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::string line;
      while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == ':' || line[0] == '#' || line[0] == '/') continue;
        std::string word = line.substr(0, line.find(' '));
        bool condition = std::find_if(std::begin(kConditions), std::end(kConditions),
                                      [&](const char* k) { return word == k; }) != std::end(kConditions);
        bool other = std::find_if(std::begin(kOthers), std::end(kOthers),
                                  [&](const char* k) { return word == k; }) != std::end(kOthers);
        if (condition) texts.push_back(line.substr(word.size() + 1));
        else if (!other) texts.push_back(line);
      }
    }
  return texts;
}

using CompiledTest = VarTest;

TEST_F(CompiledTest, TheEvaluatorTablesGiveTheSameBothWays) {
  std::vector<std::string> texts = {"a=2,b=3,c=10"};
  for (const EvalCase& c : kEvalNumberCases) texts.push_back(c.text);
  for (const EvalCase& c : kEvalStringCases) texts.push_back(c.text);
  for (const EvalCase& c : kEvalErrorCases) texts.push_back(c.text);
  texts.push_back("_PRECIS=2");
  for (const EvalCase& c : kEvalQuirkCases) texts.push_back(c.text);
  texts.push_back("_PRECIS=2");
  for (const EvalCase& c : kEvalArrayCases) texts.push_back(c.text);
  ExpectSameBothWays(texts);
}

// Runs with a temporary folder as the current one (the golden texts write
// files such as out.txt by relative name), the previous one back after.
class InTempDir {
 public:
  InTempDir() {
    EXPECT_NE(getcwd(old_, sizeof old_), nullptr);
    EXPECT_EQ(chdir(dir_.path().c_str()), 0);
  }
  ~InTempDir() { EXPECT_EQ(chdir(old_), 0); }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  char old_[4096];
};

TEST_F(CompiledTest, TheGoldenProcedureExpressionsGiveTheSameBothWays) {
  std::vector<std::string> texts = GoldenExpressions();
  ASSERT_GT(texts.size(), 50u);
  const InTempDir cwd;
  ExpectSameBothWays(texts);
}

TEST_F(CompiledTest, GeneratedTextsGiveTheSameBothWays) {
  Generator gen(20240611);
  std::vector<std::string> texts;
  for (int k = 0; k < 3000; ++k) texts.push_back(gen.Text());
  // The precision changes now and then: literals are read again.
  texts.insert(texts.begin() + 1000, "_PRECIS=3");
  texts.insert(texts.begin() + 2000, "_PRECIS=0");
  texts.insert(texts.begin() + 2500, "_PRECIS=2,_AUXSTAT=128");
  // The dialog shorthands are rewritten before the text is compiled.
  for (const char* t : {"x$=_ACCEPT$(2)", "_ACCEPT#(1) + 1", "'_ACCEPT$(1)'+_ACCEPT$((i))", "y=_ACCEPT#(2"})
    texts.push_back(t);
  ExpectSameBothWays(texts);
}

// One depth counter for the whole evaluation: built-in arguments are
// evaluations of their own, and 38 nested calls each holding 196 nested
// parentheses (one 15 KB line) once ran the C stack out.
TEST_F(CompiledTest, NestingIsBoundedAcrossNestedEvaluations) {
  auto nested = [](int calls, int parens) {
    std::string t = "1";
    for (int k = 0; k < calls; ++k) t = "FN#SLEN(" + std::string(parens, '(') + t + std::string(parens, ')') + ")";
    return t;
  };
  for (bool textPath : {true, false}) {
    ExpUseTextPath(textPath);
    EXPECT_EQ(ExpEvalStatus(S(nested(38, 196))), st::SINTAXERROR) << textPath;
    EXPECT_EQ(ExpDepth(), 0);
    EXPECT_EQ(ExpEvalInt(S(nested(5, 30))), 0) << textPath;  // the length of a number is 0
    // A text compiled on its own runs from inside a nested evaluation with
    // less depth left; past it the text path answers where the limit is
    // passed.
    std::string deep = std::string(150, '(') + "1" + std::string(150, ')');
    EXPECT_EQ(ExpEvalInt(S(deep)), 1) << textPath;
    std::string inside = std::string(60, '(') + "FN$TRIM(" + deep + ")" + std::string(60, ')');
    EXPECT_EQ(ExpEvalStatus(S(inside)), st::SINTAXERROR) << textPath;
    EXPECT_EQ(ExpDepth(), 0);
  }
  ExpUseTextPath(false);
}

// The cache is keyed by the text, not by where it lies; it keeps the
// kExpCacheTexts texts used last.
TEST_F(CompiledTest, TheCacheIsKeyedByTheTextAndBounded) {
  char buffer[] = "x=1+1";
  EXPECT_EQ(ExpEvalInt(S(buffer)), 2);
  buffer[4] = '5';
  EXPECT_EQ(ExpEvalInt(S(buffer)), 6);
  for (uint32_t k = 0; k < kExpCacheTexts + 500; ++k) ExpEvalStatus(S("y=" + std::to_string(k)));
  EXPECT_EQ(ExpCacheCount(), kExpCacheTexts);
  EXPECT_EQ(ExpEvalInt(S("y")), static_cast<int16_t>(kExpCacheTexts + 499));
}

Status Twice(const uint16_t*, uint16_t) {
  FixedNum v = 0;
  if (Status s = BuiltinArgNum(1, 0, &v)) return s;
  return BuiltinResultNum(v * 2);
}

// Built-in codes are resolved when a text is compiled: a registration makes
// the texts compiled before it new, here an array term that becomes a call.
TEST_F(CompiledTest, ARegistrationRecompilesTheTexts) {
  EXPECT_EQ(ExpEvalInt(S("TWICE(3)")), 0);  // the array TWICE(, made by its first read
  // The same term inside the argument of a call, whose arguments the call
  // keeps compiled: each time as the text path reads it, and read anew
  // after the registration.
  auto both = [](const char* text) {
    ExpUseTextPath(true);
    std::string scanned = ExpEvalStr(S(text)).Str();
    ExpUseTextPath(false);
    std::string compiled = ExpEvalStr(S(text)).Str();
    EXPECT_EQ(compiled, scanned) << text;
    return compiled;
  };
  const char* call = "FN$TRIM(FN$TRIM(TWICE(50)))+'|'";
  std::string before = both(call);
  ASSERT_EQ(BuiltinRegister(S("TWICE"), &Twice), 0);
  EXPECT_EQ(ExpEvalInt(S("TWICE(3)")), 6);
  std::string after = both(call);
  EXPECT_NE(before, after);
  EXPECT_EQ(after.substr(0, 3), "100");
}

// Every file a run leaves in its folder, by name.
std::string FilesIn(const fs::path& dir) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  std::string out;
  for (const fs::path& f : files) {
    std::ifstream in(f, std::ios::binary);
    out += f.filename().string() + ":\n" + std::string(std::istreambuf_iterator<char>(in), {}) + "\n";
  }
  return out;
}

struct ProcedureRun {
  Status status = 0;
  std::string detail, state, files;
};

ProcedureRun RunGolden(const std::string& name, bool textPath) {
  const InTempDir cwd;
  const TempDir& dir = cwd.dir();
  for (const auto& e : fs::directory_iterator(GoldenDir() / name))
    if (e.is_regular_file() && e.path().filename() != "args" && e.path().filename() != "exit" &&
        e.path().filename() != "stderr")
      fs::copy_file(e.path(), fs::path(dir.path()) / e.path().filename());
  FreshRuntime(textPath);
  EXPECT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(dir.path())), 0);
  std::string prc;
  for (const auto& e : fs::directory_iterator(dir.path())) {
    if (e.path().extension() == ".DAT") ExpExecFile(S(e.path().filename().string()), 0);
    if (e.path().extension() == ".prc" && e.path().filename() != "lib.prc") prc = e.path().filename().string();
  }
  ErrClear();
  ProcedureRun r;
  r.status = PrcRunSpec(S(prc));
  r.detail = ErrDetail().Str();
  r.state = StateDump();
  r.files = FilesIn(dir.path());
  ExpUseTextPath(false);
  return r;
}

TEST_F(CompiledTest, TheGoldenProceduresRunTheSameBothWays) {
  for (const char* name : kGoldenCases) {
    ProcedureRun scanned = RunGolden(name, true);
    ProcedureRun compiled = RunGolden(name, false);
    EXPECT_EQ(scanned.status, compiled.status) << name;
    EXPECT_EQ(scanned.detail, compiled.detail) << name;
    EXPECT_EQ(scanned.state, compiled.state) << name;
    EXPECT_EQ(scanned.files, compiled.files) << name;
    EXPECT_TRUE(compiled.status || compiled.files.find("out.txt") != std::string::npos) << name;
  }
}

}  // namespace
