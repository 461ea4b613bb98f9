// Rebuilds a Windows-style command line from argv.
//
// The program path comes first (quoted when it holds a blank). An option
// value that holds a character that would end it (":", blank, "&", "/") or
// lower-case letters is quoted, so "--dpath=/home/me/data" keeps its spelling
// and "/RUN:PrcExec demo.prc" (the shell having removed the quotes) stays one
// value. Other arguments are quoted when they hold a blank.
#pragma once
#include <string>

std::string HostCommandLineBuild(int argc, const char* const* argv);
