// What the data layer asks of the screens: a yes/no question, the error and
// completion box, an information box, a choice window, the progress window
// and the forms of the transactions. The screens sit
// above this layer, so the program registers their functions at start-up
// (DataUiSet); the data layer calls them only through the Data... functions
// below.
//
// Without a registration the question and the choice answer 148 with the
// missing function's name (nothing can be asked, so nothing is assumed), the
// box shows nothing, and the progress calls do nothing and answer 0: no
// window, and nobody who could cancel. The progress text and the message
// popup answer 148 with their names (ProgressText, PopupMsgShow,
// PopupMsgClose) until the screens register them; their callers go on
// without them.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "script/taskhooks.h"

// One step of long work: the total, the step's size (or the count so far)
// and a text; a non-zero answer (122 when the user cancelled) stops it.
using ProgressStepFn = Status (*)(uint32_t total, uint32_t step, StrValue text);

struct DataUi {
  int (*ask)(StrValue text) = nullptr;    // 1 when the user answers yes
  Status (*show)(Status code) = nullptr;  // the error box; 0 the completion box
  int (*choose)(StrValue title, StrValue items, int option, Status* status) = nullptr;
  Status (*progressOpen)(int width, uint32_t total) = nullptr;
  ProgressStepFn progressStep = nullptr;
  Status (*progressClose)() = nullptr;
  TaskFn progressPump = nullptr;  // the message pump for copies (task hook 23)
  Status (*progressText)(StrValue text) = nullptr;  // a line of text in the progress window
  Status (*popupShow)(StrValue text) = nullptr;     // the centred message popup
  Status (*popupClose)() = nullptr;
  Status (*info)(StrValue text) = nullptr;           // an information box
  void (*progressTitle)(StrValue text) = nullptr;    // the title of the next progress window
  // The transaction forms (trans.h): the bounds form, whose condition joins
  // COND$, and the file name and confirmation forms of each stage.
  Status (*transBounds)(uint16_t mode) = nullptr;
  Status (*transConfirm)(int stage, uint16_t mode) = nullptr;
};

// Installs the functions; answers the previous set.
DataUi DataUiSet(const DataUi& ui);
const DataUi& DataUiGet();

// A yes/no question: 1 yes, 0 no; 148 in *err when nothing can ask.
int DataAsk(StrValue text, Status* err);
Status DataShow(Status code);
// The 1-based choice over a comma list (0 none); an error above 121 in *status.
int DataChoose(StrValue title, StrValue items, Status* status);
Status DataProgressOpen(uint32_t total);
Status DataProgressStep(uint32_t total, uint32_t step, StrValue text);
void DataProgressClose();
Status DataProgressText(StrValue text);
Status DataPopupShow(StrValue text);
Status DataPopupClose();
// An information box; 148 (InfoBox) when nothing can show it.
Status DataInfo(StrValue text);
void DataProgressTitle(StrValue text);
// The transaction forms: 0 under BATCHMODE (mode bit 0x100), else the
// screens' answer, 148 (TransBounds, TransConfirm) when none is registered.
Status DataTransBounds(uint16_t mode);
Status DataTransConfirm(int stage, uint16_t mode);
