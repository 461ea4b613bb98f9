// The in-memory order of one key of a record file.
//
// A counted B+tree of entries (key bytes, record number, sequence). Entries
// are ordered by their key bytes compared as unsigned bytes, then by the
// sequence number, which the owner hands out in insertion order so that equal
// keys keep the order in which they were inserted. Every node knows how many
// entries lie below it, so a position (rank) is found, and an entry is
// inserted or removed, in O(log n); the key bytes kept beside each entry mean
// a search never reads a record.
//
// Searches compare only the first m bytes of a key with a probe text:
// LowerBound answers the rank of the first entry whose prefix is not below
// the text, UpperBound the rank of the first entry whose prefix is above it;
// together they give the first and last of a run of equal keys directly.
//
// Invariants: ranks run 0..Size()-1; (key, seq) is unique; each separator
// of an inner node is above every entry of the child before it and not above
// any entry of its own child. Owned by RecFile; single-threaded.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

class KeyOrder {
 public:
  static constexpr uint32_t kNone = 0xffffffffu;

  struct Entry {
    const char* key = nullptr;
    uint32_t rec = 0;
    uint32_t seq = 0;
  };

  explicit KeyOrder(uint32_t keyLen);
  ~KeyOrder();
  KeyOrder(const KeyOrder&) = delete;
  KeyOrder& operator=(const KeyOrder&) = delete;
  KeyOrder(KeyOrder&& other) noexcept;
  KeyOrder& operator=(KeyOrder&& other) noexcept;

  uint32_t KeyLen() const { return keyLen_; }
  uint32_t Size() const;
  void Clear();

  uint32_t LowerBound(const char* text, uint32_t m) const;
  uint32_t UpperBound(const char* text, uint32_t m) const;
  uint32_t RankOf(const char* key, uint32_t seq) const;  // kNone when absent
  Entry At(uint32_t rank) const;                          // rank < Size()

  uint32_t Insert(const char* key, uint32_t rec, uint32_t seq);  // the new rank
  uint32_t Erase(const char* key, uint32_t seq);                 // its rank, or kNone

  // Replaces the content by n entries given in ascending (key, seq) order.
  void Build(uint32_t n, const std::function<Entry(uint32_t)>& entryAt);
  // Calls f for every entry in order.
  void ForEach(const std::function<void(const Entry&)>& f) const;

 private:
  struct Node;
  struct Leaf;
  struct Inner;

  uint32_t keyLen_;
  uint32_t entrySize_;
  uint32_t leafCap_;
  Node* root_ = nullptr;
  uint64_t version_ = 0;
  // The leaf of the last At() and the rank of its first entry, valid while
  // version_ is unchanged: a walk in key order costs O(1) per step.
  mutable const Leaf* fingerLeaf_ = nullptr;
  mutable uint32_t fingerStart_ = 0;
  mutable uint64_t fingerVersion_ = ~0ull;

  std::vector<uint8_t> Encode(const char* key, uint32_t rec, uint32_t seq) const;
  int Compare(const uint8_t* a, const uint8_t* b) const;
  Entry Decode(const uint8_t* e) const;
  Leaf* NewLeaf() const;
  Inner* NewInner() const;
  void Free(Node* node);
  static uint32_t CountOf(const Node* node);
  static uint32_t SumBefore(const Inner* in, uint32_t i);
  uint32_t ChildFor(const Inner* in, const uint8_t* probe) const;
  template <bool Upper>
  uint32_t Bound(const char* text, uint32_t m) const;

  uint32_t InsertInto(Node* node, const uint8_t* e, Node** right, uint8_t* upSep);
  Node* SplitLeaf(Leaf* lf, uint8_t* upSep);
  Node* SplitInner(Inner* in, uint8_t* upSep);
  void AddChild(Inner* in, uint32_t at, Node* child, const uint8_t* sep);
  uint32_t EraseFrom(Node* node, const uint8_t* probe);
  void RemoveChild(Inner* in, uint32_t i);
  void MaybeMerge(Inner* in, uint32_t i);
  void MergeInto(Inner* in, uint32_t left);
  void ShrinkRoot();
  void Walk(const Node* node, const std::function<void(const Entry&)>& f) const;
};
