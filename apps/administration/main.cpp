// The administration program: its constants, its phase callback and dispatcher.
#include <string>

#include "apps/administration/layer.h"
#include "platform/host/cmdline.h"
#include "runtime/startup.h"

int main(int argc, char** argv) {
  static const AppConstants kApp = {
      "GAVGQT24:Orbisquale",
      "Fenwold Administration for Windows",
      "G2MENU",
      kStartLoadDictionary,
      AppLayerPhase,
      AppLayerDispatch,
  };
  std::string line = HostCommandLineBuild(argc, argv);
  return AppMain(nullptr, kApp, line.c_str());
}
