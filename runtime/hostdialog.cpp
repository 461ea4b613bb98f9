#include "runtime/hostdialog.h"

#include <string>
#include <string_view>

#include "platform/dialogs/filedialog.h"
#include "runtime/errors.h"
#include "runtime/hostenv.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"

namespace {

struct DialogKind {
  int kind;
  const char* message;
  const char* type;
  const char* initial;  // after the prefix; null: "*." and the type
};

constexpr DialogKind kDialogKinds[] = {
    {1, "0061", "DAT", "DICC.DAT"}, {2, "0062", "PAN", nullptr}, {3, "0063", "PDC", nullptr},
    {4, "0064", "PRX", nullptr},    {5, "0065", "KXA", nullptr}, {6, "0066", "PPN", "MENU.PPN"},
    {7, "0067", "PDF", nullptr},    {8, "0068", "TXT", nullptr}, {10, "0061", "DAT", nullptr},
};

const DialogKind* FindKind(int kind) {
  for (const DialogKind& k : kDialogKinds)
    if (k.kind == kind) return &k;
  return nullptr;
}

std::string Prefix(int flags) {
  if (!(flags & kDialogAppPrefix)) return "??";
  return std::string(AppVarValue(StrFromC("%APNAME%")).View());
}

// Puts the current directory back when the dialog's caller asks for it.
class KeepDirectory {
 public:
  explicit KeepDirectory(bool keep) : dir_(keep ? DirCurrent().Str() : std::string()) {}
  ~KeepDirectory() {
    if (!dir_.empty()) DirChange(StrFromView(dir_));
  }

 private:
  std::string dir_;
};

}  // namespace

StrValue FileSelectDialog(bool save, int flags) {
  uint16_t mark = StrAreaMark(-1);
  const DialogKind* k = FindKind(flags & kDialogKindMask);
  std::string pattern = k ? std::string("*.") + k->type : "*.*";
  std::string filter = k ? FmtText(Msg(k->message).View(), pattern, pattern) + "," : std::string();
  filter += FmtText(Msg("0060").View(), "*.*", "*.*");
  std::string initial = k && k->initial ? Prefix(flags) + k->initial : pattern;
  FileDialogRecord rec;
  FileDialogAnswer answer;
  {
    KeepDirectory keep((flags & kDialogKeepDir) != 0);
    FileDialogFill(rec, save, save && k ? k->type : "", initial, filter, "");
    answer = FileDialogRun(rec);
  }
  if (answer == kFileDialogTooLong) {
    ErrDetailSet(st::STRINGTOOLONG, StrFromC("FileSelectDialog"), false);
    ErrSet(1, MOD_NONE, st::STRINGTOOLONG, 0);
    return StrAreaReturn(mark, StrErr(st::STRINGTOOLONG));
  }
  return StrAreaReturn(mark, StrFromView(answer == kFileDialogChosen ? rec.file : ""));
}

StrValue ChooseFolder(StrValue initial, StrValue title) {
  if (Status e = StrError(initial) ? StrError(initial) : StrError(title)) return StrErr(e);
  uint16_t mark = StrAreaMark(-1);
  std::string from = initial.len ? initial.Str() : DirCurrent().Str();
  std::string caption = title.len ? title.Str() : Msg("0049").Str();
  return StrAreaReturn(mark, StrFromView(BrowseFolder(ui::active_window(), from, caption)));
}

bool AnswerIsYes(StrValue answer) {
  if (answer.IsError()) return false;
  StrValue trimmed = StrTrim(answer, 3);
  if (trimmed.len == 0) return false;
  StrAreaScope scope;
  StrValue yes = StrListItem(Msg("0011"), ',', 1);
  return yes.View().find(trimmed.ptr[0]) != std::string_view::npos;
}
