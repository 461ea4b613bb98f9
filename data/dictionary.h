// Dictionary files and the definition store; record buffers and field
// references. Until these are built, the functions the data-file layer calls
// answer 148 FEATUREREMOVED with their name in the error detail (accessors
// that answer a number record the 148 and answer 0 or 0xffff).
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Loads the dictionary of an application prefix from a list of directories.
Status DicLoad(StrValue directories, StrValue prefix, StrValue defaultLocation);

// One key's parts: offset (0-based) and length, unused pairs zero.
struct KeyPart {
  struct {
    uint16_t offset;
    uint16_t length;
  } part[5];
};

uint16_t DataFileCount();  // number of defined files
// 0 when the file is defined and the field is 1..field count, or -1 (file
// only); else 168 with the detail "(File:%s, Field:%s)".
Status DicCheckFileField(int file, int field);
uint16_t DicRecLen(int file);
uint16_t DicKeyCount(int file);
// The part count of a key (0 when the check fails) and its parts.
uint16_t KeyPartsDesc(int file, int key, KeyPart* parts);
// Field number by exact name; 0xffff when absent.
uint16_t DicFieldFind(int file, StrValue name);

// Record buffer pairs: part 1 the current record, 2 the saved copy, 3 both.
Status RecBufAlloc(int file);
StrValue RecBuf(int file, int part);
// With flag 1: clears the pair and sets the current key's fields from text.
Status KeyFieldsFromText(int file, StrValue text, int flags);
// Sets the fields where the key's parts start from consecutive slices of text.
Status KeyFieldsSet(int file, int key, StrValue text);
