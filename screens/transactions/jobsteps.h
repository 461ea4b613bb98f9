// Statistics steps from the screens: the job-steps task (task hook 7), the
// STATSTEPS statement, and what the data layer's statistics sets ask of the
// screens (screen properties, field texts, the step runner).
//
// A steps job is described by a screen: STEPS$ is the list of steps (menu
// commands, "Perform source,relations" for a relation step), RESET$ the
// level, that is the number of the work file the steps fill, STRUCT$ the
// work file's structure when the level is not a defined file, INDEX%,
// LIMITS$, RD_COND$ and COND$ the key, range and conditions of relation
// steps (data/scans/statistics.h).
//
// Failures of the steps are shown once, in the error box, by the steps
// themselves (StatStepsRun): the task then answers as after a shown error,
// and the statement leaves the code in _STAT.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Task hook 7: on event 25 (execute) runs STEPS$ at the level of RESET$
// (evaluated as an integer) of the current screen; every event then ends
// through the screen's close handling (ScreenCloseRestore, mode 16).
Status JobStepsHook(int event);
// STATSTEPS spec: sets `_SCRSTAT` bit 2, makes the screen of the window spec
// (item 1 the definition file, item 2 the tag), runs its steps as the task
// does and closes the screen's window record. _STAT = the steps' answer;
// only a screen that cannot be made stops the run (its error).
Status StatStepsSpecRun(StrValue spec);
// The step runner of the statistics sets: the list runs through the
// default verbs from *index; at a "Perform" step (the stop verb) it answers
// 124 with *index on it and the step's arguments in *rest.
Status StatStepsRunList(StrValue list, uint32_t* index, StrValue* rest);
// Installs the functions the statistics sets call (data/scans/statistics.h
// StatUiSet) and registers the STATSTEPS statement.
void JobStepsRegister();
