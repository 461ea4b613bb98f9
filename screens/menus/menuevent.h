// Menu events of the main window, the exit confirmation and the exit code.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/menus/menucmd.h"

// The application's menu-item and close tasks; 148 (or none set) means the
// item or task is not the application's own.
using MenuItemTask = Status (*)(StrValue command);
using CloseTask = Status (*)();
void MenuAppTasksSet(MenuItemTask itemTask, CloseTask closeTask);
// The main window's actions (low byte; a menu item carries its number in the
// high byte).
enum MenuAction : uint16_t { kMenuActionItem = 16, kMenuActionClose = 17, kMenuActionHelp = 19 };
// The main window's action handler: menu item n, close, help.
Status MenuEvent(uint16_t action);
// 1 close the program, 0 stay open.
int ExitConfirm();

// Calls the phase callback with 3, frees the runtime and answers the exit
// code: 0 when the final code is below 128, else the code.
int AppExitCode(PhaseCallback callback, Status finalStatus);

// The exit-code rule: 0 below 128, the code up to 255, else 255.
int ExitCodeOf(unsigned finalCode);
