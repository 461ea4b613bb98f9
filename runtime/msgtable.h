// The built-in message table: the default text of every message number,
// compiled into each program.
//
// Four blocks of entries "NNNN text" separated by TAB characters, in
// Windows-1252 bytes: block 1 holds 0001-0039, block 2 0040-0089, block 3
// 0090-0130 (shared by both programs) and block 4 the application's own
// messages from 1001, which differ per program and are chosen by the
// application prefix ("CO" accounting, "GA" administration; any other prefix
// has no block 4). A backslash n is not special here: texts that need a line
// break hold the control bytes themselves. No text holds a TAB.
//
// The table is the last word of a message look-up (messages.h): a language
// catalogue and an inline default come first. Numbers without an entry have
// an empty text.
#pragma once
#include <string_view>

// The text of one block (1-4); block 4 of the program named by its prefix.
std::string_view MsgTableBlock(int block, std::string_view prefix);

// The block a four-character message number belongs to, chosen by comparing
// texts: above "0999" 4, else from "0090" 3, else below "0040" 1, else 2.
int MsgTableBlockOf(std::string_view number);

// The text of the entry whose number is the first four characters of
// `number`, searched only at entry starts (so a number inside an earlier
// text never matches); empty when there is none.
std::string_view MsgTableLookup(std::string_view number, std::string_view prefix);
