// Document windows as the navigation windows of the application layers reach
// them: the document commands (MovsAction, MovsClear, MovsEventRun) and the
// window-level handler (MovsActionWin).
#pragma once
#include "screens/documents/movsaction.h"
#include "screens/documents/movswin.h"
