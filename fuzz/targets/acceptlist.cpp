// Accept field lists: the input is a field list (specs and, after " /",
// screen properties), a line "@@@@", and a batch answer line. The specs are
// parsed into fields, the form is built and run on a window (the headless
// window system cancels it), and the answer line is collected as a batch
// form collects it, for a fixed dictionary the specs may refer to.
#include "fuzz/harness.h"
#include "data/dictionary/dictionary.h"
#include "screens/forms/acceptlist.h"
#include "screens/forms/forms.h"

KX_FUZZ_TARGET(acceptlist) {
  FuzzSession session;
  if (!session.ok()) return 0;
  std::vector<std::string> part = FuzzSplit(FuzzText(data, size), 2);
  FuzzWriteFile("FZDICC.DAT",
                "01 Customers**01CUST\r\n01 CODE  006 ACODE\r\n01 NAME  030 ANAME\r\n01 CREDI 010 2CREDIT\r\n"
                "01 SINCE 008 DSINCE\r\n31 <0001006\r\n");
  const StrAreaScope scope;
  FuzzAppSettings();
  if (DicLoad(StrFromC("."), StrFromC("FZ"), StrFromC(".")) != 0) return 0;
  StrValue list = FuzzStr(part[0]);
  StrValue specs = AcceptListSpecs(list);
  std::vector<FieldDesc> fields;
  AcceptFieldsParse(specs, fields, 0);
  AcceptPromptWidth(specs);
  AcceptForm(StrFromC("Fuzz"), list);
  AcceptResult given;
  given.values = part[1];
  AcceptCollectGiven(given, specs);
  return 0;
}
