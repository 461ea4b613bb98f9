#include "screens/forms/msgbox.h"

#include <string>

#include "platform/host/console.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "screens/window/winlist.h"

namespace {

struct BoxKind {
  uint32_t type;
  const char* caption;  // the default caption's message
};

// Box kinds 0-6; any other kind is OK alone without an icon.
constexpr BoxKind kBoxKinds[] = {
    {ui::MB_OK | ui::MB_ICONINFORMATION, "0014"},     {ui::MB_OK | ui::MB_ICONEXCLAMATION, "0012"},
    {ui::MB_OKCANCEL | ui::MB_ICONINFORMATION, "0014"}, {ui::MB_OK | ui::MB_ICONSTOP, "0013"},
    {ui::MB_RETRYCANCEL | ui::MB_ICONSTOP, "0012"},   {ui::MB_YESNO | ui::MB_ICONINFORMATION, "0014"},
    {ui::MB_YESNOCANCEL | ui::MB_ICONINFORMATION, "0014"}};
constexpr BoxKind kPlainBox = {ui::MB_OK, "0014"};

// Shows the box and answers the button pressed (IDOK ... IDNO).
int BoxButton(StrValue text, StrValue caption, int kind) {
  const BoxKind& k = kind >= 0 && kind < 7 ? kBoxKinds[kind] : kPlainBox;
  StrValue title = caption.IsError() || caption.len == 0 ? Msg(k.caption) : caption;
  // With no framework window, whatever is queued belongs to nobody.
  ui::Hwnd owner = WinTop();
  if (owner == 0) ui::discard_pending();
  return ui::message_box(owner, text.IsError() ? std::string_view() : text.View(),
                         title.IsError() ? std::string_view() : title.View(), k.type);
}

// The yes (item 1) or no (item 2) letter of message 0011; a catalogue whose
// letters are missing or equal cannot turn No into Yes: the built-in ones
// are taken then.
char AnswerLetter(int item) {
  StrValue letters = Msg("0011 Yy,Nn");
  StrValue yes = StrListItem(letters, ',', 1), no = StrListItem(letters, ',', 2);
  if (yes.len == 0 || no.len == 0 || yes.ptr[0] == no.ptr[0]) return item == 1 ? 'Y' : 'N';
  return (item == 1 ? yes : no).ptr[0];
}

}  // namespace

int MsgBox(StrValue text, StrValue caption, int kind) {
  const StrAreaScope scope;
  int button = BoxButton(text, caption, kind);
  int answer = 0;
  if (button == ui::IDOK || button == ui::IDRETRY || button == ui::IDYES) answer = AnswerLetter(1);
  else if (button == ui::IDNO) answer = AnswerLetter(2);
  else if (button == ui::IDCANCEL || button == ui::IDABORT || button == ui::IDIGNORE) answer = kBoxCancelled;
  return answer;
}

// The answer comes from the button, never from comparing letters.
int MsgAsk(StrValue text) {
  const StrAreaScope scope;
  int button = BoxButton(text, StrMake("", 0), kBoxYesNo);
  return button == ui::IDYES ? 1 : 0;
}

int MsgAskCancel(StrValue text) {
  const StrAreaScope scope;
  int button = BoxButton(text, StrMake("", 0), kBoxYesNoCancel);
  return button == ui::IDYES ? 1 : button == ui::IDNO ? 0 : kBoxCancelled;
}

int InfoBox(StrValue caption, StrValue text) { return MsgBox(text, caption, kBoxInfo); }

Status ErrShow(Status code) {
  const StrAreaScope scope;
  // A module recorded for another error would be named under this one.
  if ((ErrGet() & 0xFFFF) != code) ErrClear();
  StrValue text = ErrText(code);
  if (code > 121 && ui::headless())
    host::StdErrWrite("Error " + std::to_string(code) + ": " + std::string(text.View()) + "\n");
  bool error = code >= 128;
  MsgBox(text, Msg(error ? "0013" : "0012"), error ? kBoxError : kBoxWarning);
  ErrClear();
  // The detail is emptied in place: taking its element out of the list would
  // move the texts after it (the log file's name) down one place.
  if (ErrDetail().len) ErrDetailSet(0, StrMake("", 0), false);
  return 0;
}

void AssertBox(StrValue text, StrValue caption) {
  if (ui::headless()) host::StdErrWrite(caption.Str() + ": " + text.Str() + "\n");
  MsgBox(text, caption, kBoxError);
}
