// The message catalogue reader and the language-variables file: the input
// is a catalogue "KX_LANG_EN.MSJ", a line "@@@@", and "FZLANGVARS.DAT".
#include "fuzz/harness.h"
#include "runtime/messages.h"

KX_FUZZ_TARGET(messages) {
  FuzzSession session;
  if (!session.ok()) return 0;
  std::vector<std::string> part = FuzzSplit(FuzzText(data, size), 2);
  FuzzWriteFile("KX_LANG_EN.MSJ", part[0]);
  FuzzWriteFile("FZLANGVARS.DAT", part[1]);
  const StrAreaScope scope;
  FuzzAppSettings();
  LangDefault();
  MsgCatalogReset();
  MsgCatalogLoad();
  for (const char* ref : {"0001", "0019", "0020 Cancel", "0100", "0255", "9999", "0023"}) MsgRef(StrFromC(ref));
  for (uint32_t n : {1u, 2u, 100u, 255u, 256u}) MsgCatalogText(n);
  LangVarsLoad();
  return 0;
}
