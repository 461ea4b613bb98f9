#include "data/bridges/dataui.h"

#include "runtime/seam.h"

namespace {
DataUi g_ui;
}

DataUi DataUiSet(const DataUi& ui) {
  DataUi old = g_ui;
  g_ui = ui;
  return old;
}

const DataUi& DataUiGet() { return g_ui; }

int DataAsk(StrValue text, Status* err) {
  *err = 0;
  if (!g_ui.ask) {
    *err = SeamMissing("MsgAsk");
    return 0;
  }
  return g_ui.ask(text);
}

Status DataShow(Status code) { return g_ui.show ? g_ui.show(code) : code; }

int DataChoose(StrValue title, StrValue items, Status* status) {
  *status = 0;
  if (!g_ui.choose) {
    *status = SeamMissing("WinChoice");
    return 0;
  }
  return g_ui.choose(title, items, 3, status);
}

Status DataProgressOpen(uint32_t total) { return g_ui.progressOpen ? g_ui.progressOpen(0, total) : 0; }

Status DataProgressStep(uint32_t total, uint32_t step, StrValue text) {
  return g_ui.progressStep ? g_ui.progressStep(total, step, text) : 0;
}

void DataProgressClose() {
  if (g_ui.progressClose) g_ui.progressClose();
}

Status DataProgressText(StrValue text) {
  return g_ui.progressText ? g_ui.progressText(text) : SeamMissing("ProgressText");
}

Status DataPopupShow(StrValue text) { return g_ui.popupShow ? g_ui.popupShow(text) : SeamMissing("PopupMsgShow"); }

Status DataPopupClose() { return g_ui.popupClose ? g_ui.popupClose() : SeamMissing("PopupMsgClose"); }

Status DataInfo(StrValue text) { return g_ui.info ? g_ui.info(text) : SeamMissing("InfoBox"); }

void DataProgressTitle(StrValue text) {
  if (g_ui.progressTitle) g_ui.progressTitle(text);
}

namespace {
constexpr uint16_t kBatchMode = 0x100;
}

Status DataTransBounds(uint16_t mode) {
  if (mode & kBatchMode) return 0;
  return g_ui.transBounds ? g_ui.transBounds(mode) : SeamMissing("TransBounds");
}

Status DataTransConfirm(int stage, uint16_t mode) {
  if (mode & kBatchMode) return 0;
  return g_ui.transConfirm ? g_ui.transConfirm(stage, mode) : SeamMissing("TransConfirm");
}
