#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/errors.h"

namespace aerovell {

// Lower-cases Windows-1251 text as the system locale does (Cyrillic included).
uint8_t LowerCp1251(uint8_t c);
bool EqualsIgnoringCaseCp1251(std::string_view a, std::string_view b);
// The bucket (0..255) of a name: 16 x length, plus the first and the
// second-to-last character when there are at least two, of the lower-cased name.
uint8_t NameBucket(std::string_view name);

// "List index out of bounds (%d)".
class EListError : public EGameError {
 public:
  explicit EListError(int index) : EGameError(Format("List index out of bounds (%d)", index)) {}
};

class THashCollection;

// An item found by name through the collection's 256-bucket hash.
class THashCollectionItem {
 public:
  explicit THashCollectionItem(THashCollection& owner) : owner_(owner) {}
  virtual ~THashCollectionItem() = default;
  THashCollectionItem(const THashCollectionItem&) = delete;
  THashCollectionItem& operator=(const THashCollectionItem&) = delete;

  const std::string& Name() const { return name_; }
  // A changed name (case-sensitively) moves the item to the head of its bucket.
  void SetName(const std::string& name);
  int Index() const { return index_; }

 private:
  friend class THashCollection;
  THashCollection& owner_;
  std::string name_;
  int index_ = 0;
  uint8_t bucket_ = 0;
  THashCollectionItem* prev_ = nullptr;
  THashCollectionItem* next_ = nullptr;
};

// An ordered collection of named items with a 256-bucket name hash. The item
// that got its name last is the one a lookup finds.
class THashCollection {
 public:
  THashCollection() = default;
  virtual ~THashCollection() { Clear(); }
  THashCollection(const THashCollection&) = delete;
  THashCollection& operator=(const THashCollection&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  THashCollectionItem& ItemAt(int index) const {
    if (index < 0 || index >= Count()) throw EListError(index);
    return *items_[static_cast<size_t>(index)];
  }
  // -1 when no item has the name.
  int IndexOf(std::string_view name) const;
  void Delete(int index);
  void Clear();

 protected:
  THashCollectionItem& Add(std::unique_ptr<THashCollectionItem> item);

 private:
  friend class THashCollectionItem;
  void Link(THashCollectionItem& item);
  void Unlink(THashCollectionItem& item);

  std::vector<std::unique_ptr<THashCollectionItem>> items_;
  std::array<THashCollectionItem*, 256> buckets_{};
};

}  // namespace aerovell
