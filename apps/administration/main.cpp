// The administration program: its constants, its phase callback and dispatcher, its
// compiled-in pictures.
#include "app/resources.h"
#include "app/startup.h"
#include "apps/administration/layer.h"

int main(int argc, char** argv) {
  static const AppConstants kApp = {"GAVGQT24:Orbisquale", "Fenwold Administration for Windows", "G2MENU", kStartLoadDictionary,
                                     AdmAppCallback, AdmMenuAction, kAppBitmaps,
                                     kAppBitmapCount};
  return AppMainArgs(argc, argv, kApp);
}
