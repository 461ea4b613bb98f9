// The procedure statements whose work lies in the screens: they reach the
// statement handlers through ExecStatementSet (script/handlers.h).
//
//   MESSAGE text[,question]   with a non-empty second argument a yes/no
//                             question: _STAT = 1 for Yes, else 0; otherwise
//                             an information box with the text
//   WINOPEN width,total,'PROGRESS'  announces the progress window: the
//                             record takes the width and the total (a number
//                             of up to 32 bits, a negative one read as 0) and
//                             the window opens at the first WINPROG; _STAT = 0
//   WINOPEN columns,rows,text a run-time window (screens/forms/runwin.h)
//   WINCLOSE 'PROGRESS'       closes the progress window; _STAT = 0
//   WINCLOSE                  closes the newest run-time window
//   WINPROG text              shows the text in the progress window
//   WINPROG n                 moves the bar by n (0 counts 1)
//                             either way _STAT = the poll: 122 once the user
//                             cancelled, else 0
// Too few arguments are 147 (WINOPEN needs three, MESSAGE and WINPROG one).
// An error of 128 or more stops the run.
#pragma once

// Registers the statements above.
void ScreenStatementsRegister();
