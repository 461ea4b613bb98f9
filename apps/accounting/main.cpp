// The accounting program: its constants, its phase callback and dispatcher, its
// compiled-in pictures.
#include "app/resources.h"
#include "app/startup.h"
#include "apps/accounting/layer.h"

int main(int argc, char** argv) {
  static const AppConstants kApp = {"COVCQT24:Orbisquale", "Fenwold Accounting for Windows", "C2MENU", kStartLoadDictionary,
                                     AcAppCallback, AcMenuAction, kAppBitmaps,
                                     kAppBitmapCount};
  return AppMainArgs(argc, argv, kApp);
}
