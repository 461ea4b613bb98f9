// Menu trees: the menu lines of a bar expanded from menu definitions.
//
// A definition file (PPN, tagged lines of kind 1) describes menus by tag with
// the parameters MENU$ (item 1 the menu's title, items 2.. its captions),
// CALLER$ (tags of its sub-menus), LOAD$ (per item: "file,tag" of a sub-menu
// in another definition file) and EXEC$ (per item: the command line; trimmed,
// unquoted, upper-cased unless quoted, so an item carrying a verb is written
// quoted). Tag 1 is the root: the tags of its CALLER$ become the menus of the
// bar. While a tree is expanded, `_COMPAT` bit 16 is set, so old definitions
// answer through their old parameter names (data/dictionary/compat.h CompatMenuParm).
//
// The lines go to string list 38 in the menu line form of screens/menus/menufile.h:
// one TAB per level, the caption (quoted when it holds a comma or begins with
// a quote), then for a command item a comma and the command. A popup line is
// its caption alone.
//
// Errors: 164 File Not Found with the file name for a missing definition or
// tag; 163 with the tag when expansions nest deeper than kMenuTreeMaxDepth (a
// tag that names itself, or A -> B -> A); the store's 159 when the lines do
// not fit. Nothing is left on list 38 after a failure.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kMenuTreeMaxDepth = 16;

// The reader of menu trees for the bar builder (screens/menus/menubar.h): expands
// the definition of item 1 of the name and points the menu line reader at
// the lines. 0; 0xFFFF when the tree holds no line; the error otherwise.
Status MenuFileCallback(StrValue name);
// Expands the tree of the definition file (item 1 of the name, type PPN)
// onto string list 38: the number of lines added, or 0xFFFF on failure (the
// error recorded).
uint16_t MenuTreeBuild(StrValue name);
