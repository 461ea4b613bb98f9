// Help and the About box.
//
// Help comes three ways:
// - help pages in the web browser: the maker's help location followed by
//   the family word of the application identity (the text after its colon,
//   used only when it holds letters and digits alone), or else the local
//   pages "<prefix>index.html" or "index.html";
// - help texts: a section of a help text file (default "<prefix>HELP.HLP")
//   shown in an information box, its first line the caption;
// - the help directory (SettingsList item 7), which the application names
//   at start (HelpTopicSet).
// Files are looked for as named, then in the DEFAULT directory (SettingsList
// item 5), then in the help directory, then the same for the language
// variant of the name ("COHELP_es.HLP" while the language is ES).
//
// A viewer gets the page's path or the address as one argument, never
// through a shell; a headless run records the request instead of starting
// it. When there is no screen a viewer could show itself on (a terminal
// without a desktop), or the viewer cannot be started, the path or address
// is shown in an information box captioned "Help Pages" instead.
//
// Help text files are tagged lines: a section up to 100 is the lines
// "NN text" (two-digit tag, the text from the fourth character), a section
// above 100 the lines "NNNN text" (four-digit tag, the text from the
// sixth). A line whose third and fourth characters are digits carries a
// four-digit tag, so section 1 never takes the lines of section 101.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr char kHelpLocation[] = "http://www.fenwold.example/";
constexpr char kAboutBuild[] = "framework build 1.0";
constexpr int kHelpSectionTwoDigits = 100;  // the last section with a two-digit tag

// An information box captioned with the program's title (SettingsList item
// 3): the identity, the build text in parentheses, then the text on a line
// of its own. Answers 0.
Status AboutShow(StrValue text);
// A non-empty text shows About with the value of `_PRECIS`; an empty one
// opens help: the maker's location with the family word, else the local
// pages of the application prefix.
Status HelpShow(StrValue text);
// The local help pages: prefix + "index.html", else "index.html", opened in
// the web browser; when neither exists, an information box "Help Page not
// defined" naming "index.html", captioned "Help Pages". Answers 0 or the
// viewer's error.
Status HelpPageOpen(StrValue prefix);
// The path of a help file (empty name: "<prefix>HELP.HLP"), joined to the
// current directory when found without one; empty when nothing is found.
StrValue HelpPagePath(StrValue name);
// Stores the pattern as the help directory with its one "%s" filled with the
// lower-case language code (bounded formatter; a pattern without one is
// stored as it is). 0, 146 for a result of 384 characters or more, or the
// store's code.
Status HelpTopicSet(StrValue pattern);
// "file,section": the section of the help text file in an information box.
// 164 (detail: the file name and section) when the spec has no comma, the
// section is not a number from 1 to 65535, or the file or the section has
// no lines; else 0.
Status HelpTextShow(StrValue spec);
// The list views need no initialisation on this window system. Answers 0.
Status CommonControlsInit();
