#include "screens/transactions/fieldlimits.h"

#include <algorithm>
#include <string>

#include "data/dictionary/dictionary.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/forms/forms.h"

namespace {

// Items of message 0080, the words of the limit prompts.
constexpr uint32_t kWordFrom = 4;
constexpr uint32_t kWordTo = 5;

uint16_t Offered(int file) { return std::min<uint16_t>(DicFieldCount(file), kFieldsLimitMax); }

// One prompt of a limits form: "'name word:':'typewidth':name{}op".
std::string Prompt(std::string_view name, std::string_view word, char type, uint16_t width, std::string_view op) {
  return FmtText("'%s %s:':'%s%s':%s{}%s", name, word, std::string_view(&type, 1), width, name, op);
}

void Join(std::string& list, const std::string& item) {
  if (!list.empty() && !item.empty()) list += ',';
  list += item;
}

}  // namespace

StrValue FieldsLimitList(int file) {
  uint16_t mark = StrAreaMark(-1);
  std::string list;
  for (uint16_t n = 1; n <= Offered(file); ++n) Join(list, FmtText("'%s(L/S):':'A1'", DicFieldName(file, n)));
  return StrAreaReturn(mark, StrFromView(list));
}

StrValue FieldsLimitSelection(int file) {
  uint16_t mark = StrAreaMark(-1);
  if (Offered(file) == 0) {
    DicFileFieldError(st::DATAOUTBOUND, file, -1);
    ErrSet(1, MOD_SCREENS, st::DATAOUTBOUND, st::DATAOUTBOUND);
    return StrAreaReturn(mark, StrErr(st::DATAOUTBOUND));
  }
  AcceptResult r = AcceptForm(Msg("0086"), FieldsLimitList(file));
  return StrAreaReturn(mark, r.status ? StrErr(r.status) : StrFromView(r.values));
}

StrValue FieldsLimitForm(int file, StrValue answers, uint16_t* first) {
  uint16_t mark = StrAreaMark(-1);
  if (first) *first = 0;
  if (answers.IsError()) return StrAreaReturn(mark, answers);
  StrValue list = StrMake("", 0);
  uint32_t n = 0;
  StrListIter it(answers, ',');
  for (StrValue item; n < Offered(file) && it.Next(&item);) {
    ++n;
    StrValue answer = StrUnquote(StrTrim(item, 3));
    answer = StrCaseCopy(StrTrim(answer, 3), 1);
    if (answer.IsError()) return StrAreaReturn(mark, answer);
    if (answer.len == 0) continue;
    uint16_t before = list.len;
    list = FieldLimitPrompt(file, static_cast<uint16_t>(n), list, answer.ptr[0]);
    if (list.IsError()) return StrAreaReturn(mark, list);
    if (first && *first == 0 && list.len != before) *first = static_cast<uint16_t>(n);
  }
  return StrAreaReturn(mark, list);
}

StrValue FieldLimitPrompt(int file, uint16_t n, StrValue list, char letter) {
  if (list.IsError()) return list;
  uint16_t mark = StrAreaMark(-1);
  if (Status e = DicCheckFileField(file, n)) return StrAreaReturn(mark, StrErr(e));
  std::string name = DicFieldName(file, n).Str();
  char type = DicFieldType(file, n);
  uint16_t width = DicFieldLen(file, n);
  StrValue words = Msg("0080");
  std::string prompts;
  if (letter == 'L') {
    Join(prompts, Prompt(name, StrListItem(words, ',', kWordFrom).View(), type, width, ">="));
    Join(prompts, Prompt(name, StrListItem(words, ',', kWordTo).View(), type, width, "<="));
  } else if (letter == 'S') {
    prompts = Prompt(name, "", type, width, "==");
  }
  std::string out = list.Str();
  Join(out, prompts);
  return StrAreaReturn(mark, StrFromView(out));
}
