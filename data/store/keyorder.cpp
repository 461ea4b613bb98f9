#include "data/store/keyorder.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {
constexpr uint32_t kFan = 64;          // children of an inner node
constexpr uint32_t kLeafBytes = 4096;  // entry bytes of a leaf
}  // namespace

struct KeyOrder::Node {
  bool leaf;
  uint32_t n = 0;  // entries of a leaf, children of an inner node
  explicit Node(bool isLeaf) : leaf(isLeaf) {}
};

// One spare slot beyond the capacity lets an insertion land before the split.
struct KeyOrder::Leaf : Node {
  std::unique_ptr<uint8_t[]> data;
  explicit Leaf(uint32_t bytes) : Node(true), data(new uint8_t[bytes]) {}
};

struct KeyOrder::Inner : Node {
  Node* child[kFan + 1];
  uint32_t cnt[kFan + 1];
  std::unique_ptr<uint8_t[]> sep;  // sep i (i >= 1) bounds child i from below
  explicit Inner(uint32_t bytes) : Node(false), sep(new uint8_t[bytes]) {}
};

KeyOrder::KeyOrder(uint32_t keyLen)
    : keyLen_(keyLen),
      entrySize_(keyLen + 8),
      leafCap_(std::clamp<uint32_t>(kLeafBytes / (keyLen + 8), 8, 512)) {
  root_ = NewLeaf();
}

KeyOrder::~KeyOrder() { Free(root_); }

KeyOrder::KeyOrder(KeyOrder&& o) noexcept
    : keyLen_(o.keyLen_), entrySize_(o.entrySize_), leafCap_(o.leafCap_), root_(o.root_) {
  o.root_ = nullptr;
}

KeyOrder& KeyOrder::operator=(KeyOrder&& o) noexcept {
  if (this != &o) {
    Free(root_);
    keyLen_ = o.keyLen_;
    entrySize_ = o.entrySize_;
    leafCap_ = o.leafCap_;
    root_ = o.root_;
    o.root_ = nullptr;
    ++version_;
  }
  return *this;
}

// --- Entries ---------------------------------------------------------------

std::vector<uint8_t> KeyOrder::Encode(const char* key, uint32_t rec, uint32_t seq) const {
  std::vector<uint8_t> e(entrySize_);
  std::memcpy(e.data(), key, keyLen_);
  std::memcpy(e.data() + keyLen_, &rec, 4);
  std::memcpy(e.data() + keyLen_ + 4, &seq, 4);
  return e;
}

int KeyOrder::Compare(const uint8_t* a, const uint8_t* b) const {
  int c = std::memcmp(a, b, keyLen_);
  if (c != 0) return c;
  uint32_t sa, sb;
  std::memcpy(&sa, a + keyLen_ + 4, 4);
  std::memcpy(&sb, b + keyLen_ + 4, 4);
  return sa < sb ? -1 : (sa > sb ? 1 : 0);
}

KeyOrder::Entry KeyOrder::Decode(const uint8_t* e) const {
  Entry out;
  out.key = reinterpret_cast<const char*>(e);
  std::memcpy(&out.rec, e + keyLen_, 4);
  std::memcpy(&out.seq, e + keyLen_ + 4, 4);
  return out;
}

// --- Nodes -------------------------------------------------------------------

KeyOrder::Leaf* KeyOrder::NewLeaf() const { return new Leaf((leafCap_ + 1) * entrySize_); }

KeyOrder::Inner* KeyOrder::NewInner() const { return new Inner((kFan + 1) * entrySize_); }

void KeyOrder::Free(Node* node) {
  if (!node) return;
  if (node->leaf) {
    delete static_cast<Leaf*>(node);
    return;
  }
  Inner* in = static_cast<Inner*>(node);
  for (uint32_t i = 0; i < in->n; ++i) Free(in->child[i]);
  delete in;
}

uint32_t KeyOrder::CountOf(const Node* node) {
  if (node->leaf) return node->n;
  const Inner* in = static_cast<const Inner*>(node);
  return SumBefore(in, in->n);
}

uint32_t KeyOrder::SumBefore(const Inner* in, uint32_t i) {
  uint32_t s = 0;
  for (uint32_t j = 0; j < i; ++j) s += in->cnt[j];
  return s;
}

uint32_t KeyOrder::Size() const { return root_ ? CountOf(root_) : 0; }

void KeyOrder::Clear() {
  Free(root_);
  root_ = NewLeaf();
  ++version_;
}

// The child whose range holds probe: the number of separators not above it.
uint32_t KeyOrder::ChildFor(const Inner* in, const uint8_t* probe) const {
  uint32_t lo = 1, hi = in->n;
  while (lo < hi) {
    uint32_t mid = lo + (hi - lo) / 2;
    if (Compare(in->sep.get() + mid * entrySize_, probe) <= 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo - 1;
}

// --- Searches ----------------------------------------------------------------

template <bool Upper>
uint32_t KeyOrder::Bound(const char* text, uint32_t m) const {
  // pred(e): e lies before the answer.
  auto before = [&](const uint8_t* e) {
    int c = std::memcmp(e, text, m);
    return Upper ? c <= 0 : c < 0;
  };
  const Node* node = root_;
  uint32_t rank = 0;
  while (!node->leaf) {
    const Inner* in = static_cast<const Inner*>(node);
    uint32_t lo = 1, hi = in->n;
    while (lo < hi) {
      uint32_t mid = lo + (hi - lo) / 2;
      if (before(in->sep.get() + mid * entrySize_))
        lo = mid + 1;
      else
        hi = mid;
    }
    rank += SumBefore(in, lo - 1);
    node = in->child[lo - 1];
  }
  const Leaf* lf = static_cast<const Leaf*>(node);
  uint32_t lo = 0, hi = lf->n;
  while (lo < hi) {
    uint32_t mid = lo + (hi - lo) / 2;
    if (before(lf->data.get() + mid * entrySize_))
      lo = mid + 1;
    else
      hi = mid;
  }
  return rank + lo;
}

uint32_t KeyOrder::LowerBound(const char* text, uint32_t m) const { return Bound<false>(text, std::min(m, keyLen_)); }

uint32_t KeyOrder::UpperBound(const char* text, uint32_t m) const { return Bound<true>(text, std::min(m, keyLen_)); }

uint32_t KeyOrder::RankOf(const char* key, uint32_t seq) const {
  std::vector<uint8_t> probe = Encode(key, 0, seq);
  const Node* node = root_;
  uint32_t rank = 0;
  while (!node->leaf) {
    const Inner* in = static_cast<const Inner*>(node);
    uint32_t i = ChildFor(in, probe.data());
    rank += SumBefore(in, i);
    node = in->child[i];
  }
  const Leaf* lf = static_cast<const Leaf*>(node);
  for (uint32_t lo = 0, hi = lf->n; lo < hi;) {
    uint32_t mid = lo + (hi - lo) / 2;
    int c = Compare(lf->data.get() + mid * entrySize_, probe.data());
    if (c == 0) return rank + mid;
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return kNone;
}

KeyOrder::Entry KeyOrder::At(uint32_t rank) const {
  if (fingerVersion_ == version_ && fingerLeaf_ && rank >= fingerStart_ && rank - fingerStart_ < fingerLeaf_->n)
    return Decode(fingerLeaf_->data.get() + (rank - fingerStart_) * entrySize_);
  const Node* node = root_;
  uint32_t start = 0;
  while (!node->leaf) {
    const Inner* in = static_cast<const Inner*>(node);
    uint32_t i = 0;
    while (i + 1 < in->n && rank - start >= in->cnt[i]) start += in->cnt[i++];
    node = in->child[i];
  }
  fingerLeaf_ = static_cast<const Leaf*>(node);
  fingerStart_ = start;
  fingerVersion_ = version_;
  return Decode(fingerLeaf_->data.get() + (rank - start) * entrySize_);
}

// --- Insertion -----------------------------------------------------------------

uint32_t KeyOrder::Insert(const char* key, uint32_t rec, uint32_t seq) {
  ++version_;
  std::vector<uint8_t> e = Encode(key, rec, seq);
  std::vector<uint8_t> upSep(entrySize_);
  Node* right = nullptr;
  uint32_t rank = InsertInto(root_, e.data(), &right, upSep.data());
  if (right) {
    Inner* top = NewInner();
    top->child[0] = root_;
    top->cnt[0] = CountOf(root_);
    top->n = 1;
    AddChild(top, 1, right, upSep.data());
    root_ = top;
  }
  return rank;
}

// Inserts e below node; when node splits, *right is its new right sibling and
// upSep the separator that bounds it. Answers the rank of e within node.
uint32_t KeyOrder::InsertInto(Node* node, const uint8_t* e, Node** right, uint8_t* upSep) {
  if (node->leaf) {
    Leaf* lf = static_cast<Leaf*>(node);
    uint32_t lo = 0, hi = lf->n;
    while (lo < hi) {
      uint32_t mid = lo + (hi - lo) / 2;
      if (Compare(lf->data.get() + mid * entrySize_, e) < 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    uint8_t* at = lf->data.get() + lo * entrySize_;
    std::memmove(at + entrySize_, at, (lf->n - lo) * entrySize_);
    std::memcpy(at, e, entrySize_);
    if (++lf->n > leafCap_) *right = SplitLeaf(lf, upSep);
    return lo;
  }
  Inner* in = static_cast<Inner*>(node);
  uint32_t i = ChildFor(in, e);
  uint32_t before = SumBefore(in, i);
  Node* childRight = nullptr;
  std::vector<uint8_t> sep(entrySize_);
  uint32_t r = InsertInto(in->child[i], e, &childRight, sep.data());
  if (!childRight) {
    ++in->cnt[i];
  } else {
    in->cnt[i] = CountOf(in->child[i]);
    AddChild(in, i + 1, childRight, sep.data());
    if (in->n > kFan) *right = SplitInner(in, upSep);
  }
  return before + r;
}

KeyOrder::Node* KeyOrder::SplitLeaf(Leaf* lf, uint8_t* upSep) {
  Leaf* r = NewLeaf();
  uint32_t half = lf->n / 2;
  r->n = lf->n - half;
  std::memcpy(r->data.get(), lf->data.get() + half * entrySize_, r->n * entrySize_);
  lf->n = half;
  std::memcpy(upSep, r->data.get(), entrySize_);
  return r;
}

KeyOrder::Node* KeyOrder::SplitInner(Inner* in, uint8_t* upSep) {
  Inner* r = NewInner();
  uint32_t half = in->n / 2;
  r->n = in->n - half;
  for (uint32_t j = 0; j < r->n; ++j) {
    r->child[j] = in->child[half + j];
    r->cnt[j] = in->cnt[half + j];
  }
  std::memcpy(r->sep.get(), in->sep.get() + half * entrySize_, r->n * entrySize_);
  std::memcpy(upSep, in->sep.get() + half * entrySize_, entrySize_);
  in->n = half;
  return r;
}

void KeyOrder::AddChild(Inner* in, uint32_t at, Node* child, const uint8_t* sep) {
  for (uint32_t j = in->n; j > at; --j) {
    in->child[j] = in->child[j - 1];
    in->cnt[j] = in->cnt[j - 1];
  }
  uint8_t* s = in->sep.get();
  std::memmove(s + (at + 1) * entrySize_, s + at * entrySize_, (in->n - at) * entrySize_);
  std::memcpy(s + at * entrySize_, sep, entrySize_);
  in->child[at] = child;
  in->cnt[at] = CountOf(child);
  ++in->n;
}

// --- Removal -------------------------------------------------------------------

uint32_t KeyOrder::Erase(const char* key, uint32_t seq) {
  std::vector<uint8_t> probe = Encode(key, 0, seq);
  uint32_t rank = EraseFrom(root_, probe.data());
  if (rank != kNone) {
    ++version_;
    ShrinkRoot();
  }
  return rank;
}

uint32_t KeyOrder::EraseFrom(Node* node, const uint8_t* probe) {
  if (node->leaf) {
    Leaf* lf = static_cast<Leaf*>(node);
    for (uint32_t lo = 0, hi = lf->n; lo < hi;) {
      uint32_t mid = lo + (hi - lo) / 2;
      uint8_t* at = lf->data.get() + mid * entrySize_;
      int c = Compare(at, probe);
      if (c == 0) {
        std::memmove(at, at + entrySize_, (lf->n - mid - 1) * entrySize_);
        --lf->n;
        return mid;
      }
      if (c < 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    return kNone;
  }
  Inner* in = static_cast<Inner*>(node);
  uint32_t i = ChildFor(in, probe);
  uint32_t r = EraseFrom(in->child[i], probe);
  if (r == kNone) return kNone;
  r += SumBefore(in, i);
  --in->cnt[i];
  if (CountOf(in->child[i]) == 0)
    RemoveChild(in, i);
  else
    MaybeMerge(in, i);
  return r;
}

void KeyOrder::RemoveChild(Inner* in, uint32_t i) {
  Free(in->child[i]);
  uint32_t s = i == 0 ? 1 : i;  // the separator that goes with the removed range
  for (uint32_t j = i; j + 1 < in->n; ++j) {
    in->child[j] = in->child[j + 1];
    in->cnt[j] = in->cnt[j + 1];
  }
  uint8_t* sp = in->sep.get();
  if (s < in->n) std::memmove(sp + s * entrySize_, sp + (s + 1) * entrySize_, (in->n - s - 1) * entrySize_);
  --in->n;
}

// Joins a child that fell below a quarter of its capacity with a neighbour
// when both fit comfortably in one node, so that long runs of removals do
// not leave the tree sparse.
void KeyOrder::MaybeMerge(Inner* in, uint32_t i) {
  Node* c = in->child[i];
  uint32_t cap = c->leaf ? leafCap_ : kFan;
  if (c->n >= cap / 4 || in->n < 2) return;
  uint32_t left = i + 1 < in->n ? i : i - 1;
  if (in->child[left]->n + in->child[left + 1]->n > cap * 3 / 4) return;
  MergeInto(in, left);
}

void KeyOrder::MergeInto(Inner* in, uint32_t left) {
  Node* a = in->child[left];
  Node* b = in->child[left + 1];
  if (a->leaf) {
    Leaf* la = static_cast<Leaf*>(a);
    Leaf* lb = static_cast<Leaf*>(b);
    std::memcpy(la->data.get() + la->n * entrySize_, lb->data.get(), lb->n * entrySize_);
    la->n += lb->n;
    lb->n = 0;
  } else {
    Inner* ia = static_cast<Inner*>(a);
    Inner* ib = static_cast<Inner*>(b);
    // b's first child is bounded by the parent's separator of b.
    std::memcpy(ib->sep.get(), in->sep.get() + (left + 1) * entrySize_, entrySize_);
    for (uint32_t j = 0; j < ib->n; ++j) {
      ia->child[ia->n + j] = ib->child[j];
      ia->cnt[ia->n + j] = ib->cnt[j];
    }
    std::memcpy(ia->sep.get() + ia->n * entrySize_, ib->sep.get(), ib->n * entrySize_);
    ia->n += ib->n;
    ib->n = 0;
  }
  in->cnt[left] += in->cnt[left + 1];
  in->cnt[left + 1] = 0;
  RemoveChild(in, left + 1);
}

void KeyOrder::ShrinkRoot() {
  while (!root_->leaf) {
    Inner* in = static_cast<Inner*>(root_);
    if (in->n > 1) return;
    Node* only = in->n == 1 ? in->child[0] : NewLeaf();
    in->n = 0;
    delete in;
    root_ = only;
  }
}

// --- Bulk load and walk ----------------------------------------------------------

void KeyOrder::Build(uint32_t n, const std::function<Entry(uint32_t)>& entryAt) {
  Free(root_);
  root_ = nullptr;
  ++version_;
  uint32_t fill = std::max<uint32_t>(1, leafCap_ * 7 / 8);
  std::vector<Node*> level;
  std::vector<const uint8_t*> first;  // first entry below each node of the level
  for (uint32_t i = 0; i < n;) {
    Leaf* lf = NewLeaf();
    for (; lf->n < fill && i < n; ++i, ++lf->n) {
      Entry e = entryAt(i);
      uint8_t* at = lf->data.get() + lf->n * entrySize_;
      std::memcpy(at, e.key, keyLen_);
      std::memcpy(at + keyLen_, &e.rec, 4);
      std::memcpy(at + keyLen_ + 4, &e.seq, 4);
    }
    level.push_back(lf);
    first.push_back(lf->data.get());
  }
  if (level.empty()) {
    root_ = NewLeaf();
    return;
  }
  uint32_t fan = kFan * 7 / 8;
  while (level.size() > 1) {
    std::vector<Node*> up;
    std::vector<const uint8_t*> upFirst;
    for (size_t i = 0; i < level.size();) {
      Inner* in = NewInner();
      upFirst.push_back(first[i]);
      for (; in->n < fan && i < level.size(); ++i, ++in->n) {
        in->child[in->n] = level[i];
        in->cnt[in->n] = CountOf(level[i]);
        std::memcpy(in->sep.get() + in->n * entrySize_, first[i], entrySize_);
      }
      up.push_back(in);
    }
    level.swap(up);
    first.swap(upFirst);
  }
  root_ = level[0];
}

void KeyOrder::ForEach(const std::function<void(const Entry&)>& f) const { Walk(root_, f); }

void KeyOrder::Walk(const Node* node, const std::function<void(const Entry&)>& f) const {
  if (node->leaf) {
    const Leaf* lf = static_cast<const Leaf*>(node);
    for (uint32_t i = 0; i < lf->n; ++i) f(Decode(lf->data.get() + i * entrySize_));
    return;
  }
  const Inner* in = static_cast<const Inner*>(node);
  for (uint32_t i = 0; i < in->n; ++i) Walk(in->child[i], f);
}
