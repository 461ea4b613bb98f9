// The layouts of the transaction engine (private to it): the columns of
// STRUCT$, the text of a record in each external layout, the List header,
// and an external line or record read into the data file's current record.
// trans.h describes the layouts.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// A text as a string value (a view: the text must outlive its use).
inline StrValue TransView(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }
// The text without the blanks around it.
inline std::string TransTrim(std::string_view s) {
  size_t a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return std::string();
  size_t b = s.find_last_not_of(' ');
  return std::string(s.substr(a, b - a + 1));
}

// One STRUCT$ item (or one field when STRUCT$ is empty).
struct TransColumn {
  std::string text;  // as written, without a width prefix
  int width = -1;    // the width prefix ("12;"), -1 when none
  int file = 0;      // a field: its file and number (0: an expression)
  int field = 0;
  char type = 'A';
  uint16_t offset = 0;
  uint16_t length = 0;
  uint16_t listWidth = 0;  // its column in the List layout
  bool IsField() const { return field > 0; }
};

class TransLayout {
 public:
  // The columns of STRUCT$ over the file (147 naming an item that looks
  // like a field reference and is none), BUFFSIZE and FLDELIM$.
  Status Build(int file, uint16_t mode);

  // TransRecordLen: BUFFSIZE, else the sum of the STRUCT$ widths, else the
  // record length.
  uint32_t RecordLen() const { return recordLen_; }
  // Lines are copied into the record whole (no STRUCT$, not DELIMITED).
  bool RawImport() const { return raw_; }
  bool Delimited() const { return delimited_; }
  bool List() const { return list_; }
  const std::vector<TransColumn>& Columns() const { return columns_; }

  // TransRecordText: the current record's text in the layout, CR LF after
  // it under STREAM. 163 naming the key for a value holding both quotes.
  Status RecordText(std::string& out);
  // TransListHeader: fixes the List columns' widths (expressions by their
  // value over the current record) and, when `write`, appends the titles
  // line and the "=" line.
  Status ListHeader(std::string& out, bool write);
  // TransReadRecord after the read: the line (or record) into the current
  // record, cleared first. `where` names the file and line for errors.
  Status ReadInto(const std::string& line, const std::string& where);

 private:
  // The column's value: a field of the file from its current record (the
  // record given), another field or an expression as they give it.
  Status Value(const TransColumn& c, std::string_view record, std::string* out, bool* numeric);
  Status Store(const TransColumn& c, const std::string& value, const std::string& where);
  Status Split(const std::string& line, std::vector<std::string>& values) const;

  int file_ = 0;
  uint16_t mode_ = 0;
  uint32_t recordLen_ = 0;
  uint32_t buffSize_ = 0;
  bool raw_ = false, delimited_ = false, list_ = false, stream_ = false, sql_ = false;
  std::string delim_ = ",";
  std::vector<TransColumn> columns_;
  std::string record_, value_;  // kept between records: no allocation per record
};

// A numeric field whose text (blanks around it removed) holds anything but
// ".-1234567890" becomes the integer read from its start.
Status TransNumFieldsCheck(int file);
// The value in quotes: q, or the other quote when the value holds q; 163
// (recorded, what in the detail) when it holds both.
Status TransQuote(const std::string& value, char q, const std::string& what, std::string* out);
