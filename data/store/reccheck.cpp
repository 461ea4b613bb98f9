#include "data/store/reccheck.h"

#include <set>

#include "data/store/recio.h"

namespace {

struct Loaded {
  std::string data, index;
  uint64_t count = 0, f = 0, n = 0;
  std::vector<uint32_t> free;
  std::vector<std::vector<uint32_t>> keys;
};

uint32_t U32(const std::string& b, uint64_t off) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[off + i]);
  return v;
}

std::string KeyOf(const RecCheckSpec& s, size_t k, const std::string& data, uint32_t rec) {
  std::string t;
  for (const KeySeg& g : s.keys[k].segs) t += data.substr(uint64_t(rec) * s.recLen + g.offset, g.length);
  return t;
}

// Reads both files; problems that stop the reading go to out.
bool Load(const RecCheckSpec& s, Loaded* l, std::string* out) {
  bool missing = false;
  if (!recio::ReadWhole(s.dataPath, &l->data, &missing)) *out += s.dataPath + ": cannot be read\n";
  if (!recio::ReadWhole(s.indexPath, &l->index, &missing) && !missing) *out += s.indexPath + ": cannot be read\n";
  if (s.recLen == 0) *out += "record length 0: not a record file layout\n";
  if (s.keys.empty()) *out += "no key given\n";
  for (size_t k = 0; k < s.keys.size(); ++k)
    for (const KeySeg& g : s.keys[k].segs)
      if (g.length == 0 || uint32_t(g.offset) + g.length > s.recLen)
        *out += "key " + std::to_string(k + 1) + ": segment " + std::to_string(g.offset) + ":" + std::to_string(g.length) +
                " lies outside the record of " + std::to_string(s.recLen) + " bytes\n";
  if (!out->empty()) return false;
  if (l->data.size() % s.recLen != 0) *out += "data size " + std::to_string(l->data.size()) + " is not a multiple of " + std::to_string(s.recLen) + "\n";
  l->count = l->data.size() / s.recLen;
  if (!l->index.empty() && l->index.size() < 8) *out += "index header cut short\n";
  if (l->index.size() >= 8) {
    l->f = U32(l->index, 0);
    l->n = U32(l->index, 4);
  }
  uint64_t need = 8 + 4 * l->f + 4 * l->n * s.keys.size();
  if (!l->index.empty() && l->index.size() < need) *out += "index has " + std::to_string(l->index.size()) + " bytes, needs " + std::to_string(need) + "\n";
  if (!out->empty()) return false;
  for (uint64_t i = 0; i < l->f; ++i) l->free.push_back(U32(l->index, 8 + 4 * i));
  for (size_t k = 0; k < s.keys.size(); ++k) {
    l->keys.emplace_back();
    for (uint64_t i = 0; i < l->n; ++i) l->keys[k].push_back(U32(l->index, 8 + 4 * l->f + 4 * (k * l->n + i)));
  }
  return true;
}

}  // namespace

std::string RecFileCheck(const RecCheckSpec& s) {
  Loaded l;
  std::string out;
  if (!Load(s, &l, &out)) return out;
  if (l.n + l.f != l.count)
    out += "N " + std::to_string(l.n) + " + F " + std::to_string(l.f) + " != " + std::to_string(l.count) + " records\n";
  std::set<uint32_t> freeSet;
  for (uint32_t r : l.free) {
    if (r >= l.count || !freeSet.insert(r).second) out += "free number " + std::to_string(r) + " out of range or repeated\n";
    else if (l.data[uint64_t(r) * s.recLen] != kDeleteMark) out += "free record " + std::to_string(r) + " not marked deleted\n";
  }
  std::set<uint32_t> live;
  for (uint32_t r = 0; r < l.count; ++r) {
    if (freeSet.count(r)) continue;
    live.insert(r);
    if (l.data[uint64_t(r) * s.recLen] == kDeleteMark) out += "live record " + std::to_string(r) + " marked deleted\n";
  }
  for (size_t k = 0; k < l.keys.size(); ++k) {
    std::string name = "key " + std::to_string(k + 1) + ": ";
    std::set<uint32_t> seen(l.keys[k].begin(), l.keys[k].end());
    if (seen != live) out += name + "does not list exactly the live records\n";
    for (size_t i = 1; i < l.keys[k].size(); ++i) {
      uint32_t a = l.keys[k][i - 1], b = l.keys[k][i];
      if (a < l.count && b < l.count && KeyOf(s, k, l.data, a) > KeyOf(s, k, l.data, b))
        out += name + "out of order at position " + std::to_string(i) + "\n";
    }
  }
  return out;
}

std::string RecFileDump(const RecCheckSpec& s) {
  Loaded l;
  std::string out;
  if (!Load(s, &l, &out)) return out;
  out += s.dataPath + ": " + std::to_string(l.count) + " records of " + std::to_string(s.recLen) + " bytes\n";
  out += s.indexPath + ": F " + std::to_string(l.f) + ", N " + std::to_string(l.n) + ", " + std::to_string(l.index.size()) + " bytes\n";
  out += "free:";
  for (uint32_t r : l.free) {
    out += ' ';
    out += std::to_string(r);
  }
  out += "\n";
  for (size_t k = 0; k < l.keys.size(); ++k) {
    out += "key " + std::to_string(k + 1) + ":\n";
    for (size_t i = 0; i < l.keys[k].size(); ++i) {
      uint32_t r = l.keys[k][i];
      std::string text = r < l.count ? KeyOf(s, k, l.data, r) : std::string("<out of range>");
      out += "  " + std::to_string(i) + " -> " + std::to_string(r) + " [" + text + "]\n";
    }
  }
  out += "records:\n";
  for (uint64_t r = 0; r < l.count; ++r) {
    std::string img = l.data.substr(r * s.recLen, s.recLen);
    bool del = img[0] == kDeleteMark;
    if (del) img[0] = '~';
    out += "  " + std::to_string(r);
    out += del ? " deleted [" : " [";
    out += img;
    out += "]\n";
  }
  return out;
}
