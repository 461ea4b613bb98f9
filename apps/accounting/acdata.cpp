#include "apps/accounting/acdata.h"

#include <cstring>

#include "runtime/errors.h"

std::string AcTrimRight(std::string_view s) {
  size_t end = s.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(s.substr(0, end + 1));
}

std::string AcNumText(FixedNum v) {
  StrAreaScope mark;
  std::string t = AcStr(NumToStr(v));
  return t.empty() ? "0" : t;
}

// --- Files used by one operation -------------------------------------------------

Status AcFileUse::Take(int kind, bool write) {
  int n = File(kind);
  for (const Held& h : held_)
    if (h.file == n) return 0;
  DataFileCtrlBlock* ctrl = DataFileCtrl(n);
  if (!ctrl) return st::DATAOUTBOUND;
  Held h;
  h.file = n;
  if (ctrl->dataStream >= 0) {
    // A file written by the operation stays where the writes leave it; a
    // file only read gets its state back.
    if (write) return 0;
    if (Status s = DataFileCtrlSave(&h.state, n, nullptr)) return s;
  } else {
    Status s = DataFileOpen(n, write ? 0 : dfopen::kReadOnly);
    if (s >= 128) return s == 0xffff ? ErrSet(1, MOD_DATAFILE, st::FILEOPENING, st::FILEOPENING) : s;
    h.opened = true;
  }
  held_.push_back(std::move(h));
  return 0;
}

AcFileUse::~AcFileUse() {
  for (auto it = held_.rbegin(); it != held_.rend(); ++it) {
    if (it->opened) DataFileClose(it->file);
    else DataFileCtrlSave(nullptr, it->file, &it->state);
  }
}

// --- Fields ----------------------------------------------------------------------

Status AcFieldOf(int kind, int item, DataFieldDesc* desc) {
  int n = AcFileNum(kind) & 0xff;
  std::string name = AcFieldPlainName(item);
  uint16_t f = name.empty() ? 0xffff : DicFieldFind(n, AcView(name));
  if (f != 0xffff) {
    *desc = DicFieldDesc(n, f);
    if (desc->length > 0) return 0;
  }
  StrAreaScope mark;
  std::string ref = "Field:" + name + "{" + std::to_string(n) + "}";
  ErrDetailSet(st::SINTAXERROR, AcView(ref), false);
  return ErrSet(1, MOD_BUFFERFLD, st::SINTAXERROR, st::SINTAXERROR);
}

FixedNum AcFieldNum(std::string_view record, const DataFieldDesc& f) {
  std::string_view t = AcFieldText(record, f);
  return StrToNum(StrMake(t.data(), static_cast<uint32_t>(t.size())));
}

std::string_view AcRecord(int file) {
  StrValue r = RecBuf(file, kRecCurrent);
  return r.IsError() ? std::string_view() : r.View();
}

// --- Keys led by an account -------------------------------------------------------

Status AcAccountKey::Bind(int file, int key, const DataFieldDesc& account, const DataFieldDesc& date) {
  file_ = file;
  key_ = key;
  date_ = date;
  partCount_ = KeyPartsDesc(file, key, &parts_);
  bool ok = partCount_ > 0 && parts_.part[0].offset == account.offset && parts_.part[0].length == account.length;
  if (!ok) {
    StrAreaScope mark;
    std::string d = "Key " + std::to_string(key) + " of file " + std::to_string(file) + " does not lead with field " +
                    std::to_string(account.field);
    ErrDetailSet(st::BADINPUTDATA, AcView(d), false);
    return ErrSet(1, MOD_DATAFILE, st::BADINPUTDATA, st::BADINPUTDATA);
  }
  width_ = account.length;
  dateInKey_ = partCount_ > 1 && parts_.part[1].offset == date.offset && parts_.part[1].length == date.length &&
               date.length == 8;
  return 0;
}

std::string AcAccountKey::KeyText() const {
  std::string_view rec = AcRecord(file_);
  std::string out;
  for (uint16_t i = 0; i < partCount_; ++i) {
    const KeyPartPair& p = parts_.part[i];
    if (static_cast<size_t>(p.offset) + p.length <= rec.size()) out.append(rec.substr(p.offset, p.length));
  }
  return out;
}

Status AcAccountKey::Seek(const std::string& text) const {
  return DataFileReadKey(file_, key_, AcView(text), dfmove::kAlsoOn1);
}

Status AcAccountKey::Step(bool back) const { return DataFileMove(file_, back ? dfmove::kPrev : dfmove::kNext); }

namespace {

bool Beyond(std::string_view account, const std::string& high) {
  return !high.empty() && account.substr(0, high.size()).compare(high) > 0;
}

bool Below(std::string_view account, const std::string& low) {
  return !low.empty() && account.substr(0, low.size()).compare(low) < 0;
}

// The records of one account from its first date at or after dateLow up to
// dateHigh; *stop when fn asked to stop. The walk leaves the file somewhere
// inside or after the account.
Status OneAccount(const AcAccountKey& key, const std::string& account, const std::string& dateLow,
                  const std::string& dateHigh, const AcWalkFn& fn, bool* stop) {
  Status s = key.Seek(key.DateLed() ? account + dateLow : account);
  while (s < 2) {
    std::string k = key.KeyText();
    if (key.Account(k) != account) return 0;
    std::string_view rec = AcRecord(key.File());
    std::string_view date = key.Date(rec);
    if (key.DateLed() && date > dateHigh) return 0;
    if (date >= dateLow && date <= dateHigh) {
      AcWalk w = fn(account, rec);
      if (w == AcWalk::Stop) *stop = true;
      if (w != AcWalk::Next) return 0;
    }
    s = key.Step(false);
  }
  return s >= 128 ? s : 0;
}

}  // namespace

Status AcWalkAccounts(const AcAccountKey& key, const std::string& low, const std::string& high,
                      const std::string& dateLow, const std::string& dateHigh, const AcWalkFn& fn) {
  Status s = key.Seek(low);
  while (s < 2) {
    std::string k = key.KeyText();
    std::string account(key.Account(k));
    if (Beyond(account, high)) return 0;
    std::string_view rec = AcRecord(key.File());
    std::string_view date = key.Date(rec);
    if (key.DateLed() && date < dateLow) {
      s = key.Seek(account + dateLow);
      continue;
    }
    if (key.DateLed() && date > dateHigh) {
      s = key.Seek(account + '\xff');
      continue;
    }
    AcWalk w = AcWalk::Next;
    if (date >= dateLow && date <= dateHigh) w = fn(account, rec);
    if (w == AcWalk::Stop) return 0;
    s = w == AcWalk::NextAccount ? key.Seek(account + '\xff') : key.Step(false);
  }
  return s >= 128 ? s : 0;
}

Status AcWalkAccountsDown(const AcAccountKey& key, const std::string& low, const std::string& high, bool inclusive,
                          const std::string& dateLow, const std::string& dateHigh, const AcWalkFn& fn) {
  Status s = key.Seek(inclusive ? high + '\xff' : high);
  if (s >= 128) return s;
  s = key.Step(true);
  while (s == 0) {
    std::string account(key.Account(key.KeyText()));
    if (Below(account, low)) return 0;
    bool stop = false;
    if (Status e = OneAccount(key, account, dateLow, dateHigh, fn, &stop)) return e;
    if (stop) return 0;
    s = key.Seek(account);
    if (s >= 128) return s;
    s = key.Step(true);
  }
  return s >= 128 ? s : 0;
}
