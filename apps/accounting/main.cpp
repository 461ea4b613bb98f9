// The accounting program: its constants, its phase callback and dispatcher.
#include <string>

#include "apps/accounting/layer.h"
#include "platform/host/cmdline.h"
#include "runtime/startup.h"

int main(int argc, char** argv) {
  static const AppConstants kApp = {
      "COVCQT24:Orbisquale",
      "Fenwold Accounting for Windows",
      "C2MENU",
      kStartLoadDictionary,
      AppLayerPhase,
      AppLayerDispatch,
  };
  std::string line = HostCommandLineBuild(argc, argv);
  return AppMain(nullptr, kApp, line.c_str());
}
