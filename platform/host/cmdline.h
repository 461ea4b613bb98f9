// Rebuilds a Windows-style command line from argv.
//
// The program path comes first. A bare program name (found through PATH by
// the shell) becomes the absolute path of the running program when that is
// the same program, so the program's directory can be read from the line.
// The path is quoted when it holds a blank or a character that would start an
// option value (":" or "="). An option
// value that holds a character that would end it (":", blank, "&", "/") or
// lower-case letters is quoted, so "--dpath=/home/me/data" keeps its spelling
// and "/RUN:PrcExec demo.prc" (the shell having removed the quotes) stays one
// value. Other arguments are quoted when they hold a blank.
#pragma once
#include <string>

std::string HostCommandLineBuild(int argc, const char* const* argv);
// The program path as it goes into the line: argv[0], or the running
// program's absolute path when argv[0] is its bare name.
std::string HostProgramField(const char* argv0);
