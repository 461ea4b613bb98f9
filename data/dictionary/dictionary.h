// Dictionary files and the definition store.
//
// Every data file of an application is described by a text dictionary:
// "xxDICC.DAT" then "xxREL.DAT" for the two-letter prefix xx, searched first
// as named, then along a comma list of directories. Lines of at most 512
// bytes; the first two characters are a number T whose range decides the
// line's role:
//   01-30  file line when the line holds "*", field line otherwise
//   31-60  key line of the level's file T-30
//   61-90  relation-key line of the level's file T-60
// other lines (blank, comment, T of 00 or above 90) are skipped.
//   file line   "01 Comment*LOCATION*KKNAME": kind KK, name NAME; a location
//               holding "$" loads the dictionary of prefix NAME in its place
//   field line  columns 9-11 length (3 digits), 13 type letter, 14.. name
//   key line    after "<": 1-5 groups of 4-digit position (from 1) and
//               3-digit length
//   rel-key     the text after ":" joins the file's relation-key list
//
// The store: file, field, key and key-part descriptors in value tables 0-3;
// file names (list 1, upper-cased unless _AUXSTAT bit 8), locations (list 2),
// field names (list 3, case kept) and relation-key texts (list 4) in the
// string-list store. Fields and keys are numbered across files in file
// order: the global index of field f of file n is the field count of files
// 1..n-1 plus f-1, and likewise for keys. Keys are kept per file: a key line
// inserts the key after its file's other keys, so no line shifts another
// file's keys. Only this module writes these tables and lists.
//
// Each dictionary file (level) numbers its own file lines 1, 2, ...; a
// nested dictionary takes one number. Key and relation-key lines address
// files of their own level by that number; the relation file addresses every
// file of its load in definition order. Anything else answers 163 (key) or
// 151 (relation key) naming the dictionary file and line.
//
// A load either completes or leaves the store as it found it. At its end
// every file it defined without a key line gets the default key: offset 0
// through the end of its "N_LINE" field, or field 1 alone.
//
// Errors (recorded with module 18, DataFile; the detail names the dictionary
// file and line): 164 no xxDICC.DAT (detail "xxDICC.DAT[directories]"); 161
// a 31st file, or a field line that does not follow a file line of its own
// dictionary (the fields of a nested dictionary's files are its own); 163 a malformed line (over 512
// bytes, a field line shorter than 14 characters or without a 3-digit length,
// a key part outside the record, a record longer than 32767 bytes, a file
// without fields, a duplicate file, a bad name or prefix, a nested
// dictionary that contains itself); 145 dictionaries nested deeper than
// kDicMaxDepth (the innermost file in the detail); 151 a relation-key line for another
// file; 159 the string-list store is full. Accessors answer 168 DATAOUTBOUND
// with the detail "(File:%s, Field:%s)" for numbers outside the store.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kDicMaxFiles = 30;
constexpr int kDicMaxDepth = 32;  // dictionaries nested in one another
constexpr int kDicMaxKeyParts = 5;
constexpr uint32_t kDicMaxLine = 512;
constexpr uint32_t kDicMaxRecLen = 32767;  // the record pair (2 x L) fits 16 bits
constexpr int kDicCurrentFile = 255;       // 0 or 255: the current file (_CURFIL)

// Value table 0: file n at element n-1.
struct DataFileDesc {
  uint8_t file = 0;  // 1-based; 0 for an undefined file
  uint8_t kind = 0;
  uint16_t fieldCount = 0;
  uint16_t recLen = 0;
  uint16_t keyCount = 0;
};

// Value table 1, by global field index. status is 0 in the store; a parsed
// field reference carries its result there.
struct DataFieldDesc {
  uint8_t file = 0;
  uint16_t field = 0;   // 1-based within the file
  uint16_t offset = 0;  // 0-based in the record
  uint16_t length = 0;
  uint8_t type = 0;     // type letter
  uint16_t status = 0;
};

// Value table 2, by global key index.
struct KeyDesc {
  uint16_t partCount = 0;
};

struct KeyPartPair {
  uint16_t offset = 0;  // 0-based
  uint16_t length = 0;
};

// Value table 3, by global key index: one key's parts; pairs beyond the
// part count are zero.
struct KeyPart {
  KeyPartPair part[kDicMaxKeyParts];
};

// For each part of a key, the field in which it starts.
struct KeyFieldList {
  Status status = 0;  // 141 when a part starts beyond the last field
  uint16_t count = 0;
  uint16_t field[kDicMaxKeyParts] = {};
};

struct DicCounts {
  uint8_t files = 0;
  uint16_t fields = 0;
  uint16_t keys = 0;
};

// --- Loading ---------------------------------------------------------------

// Loads xxDICC.DAT then xxREL.DAT of the prefix (1-8 letters or digits)
// from the directory list; an empty location in a file line becomes
// defaultLocation. A missing xxREL.DAT is not an error.
Status DicLoad(StrValue directories, StrValue prefix, StrValue defaultLocation);
// "DICC.DAT,REL.DAT,RELUP.DAT,RELUPSQL.DAT,MENU.PPN": item 1-5 behind the
// prefix.
StrValue DicSysFileName(StrValue prefix, int item);

// Defines file count + 1; 161 when 30 files exist, 163 for a name that is
// empty or holds a path separator or "..".
Status DicDefineFile(int kind, StrValue name, StrValue location);
// Adds a field to the last defined file; 161 before any file, 163 for a
// length of 0 or a record that would pass 32767 bytes.
Status DicDefineField(StrValue name, int length, char type);
// Adds the key after the file's other keys; 163 for an undefined file or
// parts that are not 1-5 pairs inside the record. Other files' keys are
// left alone: a load gives its keyless files their default key at its end.
Status DicDefineKey(int file, uint16_t count, const KeyPart& parts);
// Every file from 1 to n without keys gets the default key.
Status DicDefaultKeys(int n);
Status DicDefaultKey(int file);
// Appends text to the file's relation-key list, joined by ":"; 151 for an
// undefined file.
Status DicRelKeyText(int file, StrValue text);
// The parts of a key line (the text after its first "<"); 163 when there is
// no "<", no group, a group that is not 7 digits, a position or length of 0.
Status DicKeySegsParse(StrValue line, uint16_t* count, KeyPart* parts);
// Removes every file above `files` with its fields, keys, names, relation-key
// text and record buffers.
Status DicTruncate(int files);
DicCounts DicCountsGet();

// --- Accessors (file 0 or 255: the current file) -----------------------------

uint16_t DataFileCount();
// The file itself for 1..254, _CURFIL for 0 and 255.
int DicFileNum(int file);
DataFileDesc DicFileDesc(int file);  // zeros for an undefined file
uint16_t DicRecLen(int file);
uint16_t DicFieldCount(int file);
uint16_t DicKeyCount(int file);
StrValue DicFileName(int file);      // a view into the store; empty when undefined
StrValue DicFileLocation(int file);  // idem
StrValue DicRelKeys(int file);       // idem
DataFieldDesc DicFieldDesc(int file, int field);  // zeros when out of range
uint16_t DicFieldIndex(int file, int field);      // 0xffff when out of range
uint16_t DicKeyIndex(int file, int key);          // 0xffff when out of range
uint16_t DicFieldLen(int file, int field);
uint16_t DicFieldOffset(int file, int field);
char DicFieldType(int file, int field);
StrValue DicFieldName(int file, int field);  // a view into the store
// Exact, case-sensitive; 0xffff when absent.
uint16_t DicFieldFind(int file, StrValue name);
// length + digit + 1 for the types "0"-"8", else the length.
uint16_t DicFieldWidth(char type, uint16_t length);
// 0 when the file is defined and field is 1..count (or -1: the file only);
// else 168 through DicFileFieldError.
Status DicCheckFileField(int file, int field);
Status DicKeyCheck(int file, int key);
// Sets the detail "(File:%s, Field:%s)" and answers code.
Status DicFileFieldError(Status code, int file, int field);
// The key's part count (0 when the check fails) and its parts.
uint16_t KeyPartsDesc(int file, int key, KeyPart* parts);
// Sum of the first c part lengths; every part for c of 0 or -1.
uint16_t KeyLen(int file, int key, int c);
KeyFieldList KeyFields(int file, int key);
// The first key whose first part starts in the field; 0 when none.
uint16_t KeyFind(int file, int field);
// The first key whose first part starts in a field of type "D"; 0xffff when none.
uint16_t KeyFindDate(int file);
// File number of a text: empty = current file, a text starting with a
// letter (code above 64) a name (0 when absent), otherwise a number.
int DataFileFind(StrValue text);
// Comma list of every file's name of a kind: 1 the dictionary name alone.
StrValue DicFileList(int kind);
StrValue DicFileRefSuffix(int file);           // "{n}", "{}" for 0
StrValue DataFileStateItem(int file, int key);  // "file;key"

// The record buffers and field references work on this store; the data-file
// layer reaches both through this header.
#include "data/store/recbuf.h"  // IWYU pragma: export
