#include "engine/hash_collection.h"

namespace aerovell {

uint8_t LowerCp1251(uint8_t c) {
  if (c >= 'A' && c <= 'Z') return static_cast<uint8_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDF) return static_cast<uint8_t>(c + 32);  // А..Я
  switch (c) {
    case 0xA8: return 0xB8;  // Ё
    case 0x80: return 0x90;  // Ђ
    case 0x81: return 0x83;  // Ѓ
    case 0x8A: return 0x9A;  // Љ
    case 0x8C: return 0x9C;  // Њ
    case 0x8D: return 0x9D;  // Ќ
    case 0x8E: return 0x9E;  // Ћ
    case 0x8F: return 0x9F;  // Џ
    case 0xA1: return 0xA2;  // Ў
    case 0xA3: return 0xBC;  // Ј
    case 0xA5: return 0xB4;  // Ґ
    case 0xAA: return 0xBA;  // Є
    case 0xAF: return 0xBF;  // Ї
    case 0xB2: return 0xB3;  // І
    case 0xBD: return 0xBE;  // Ѕ
    default: return c;
  }
}

bool EqualsIgnoringCaseCp1251(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerCp1251(static_cast<uint8_t>(a[i])) != LowerCp1251(static_cast<uint8_t>(b[i]))) return false;
  return true;
}

uint8_t NameBucket(std::string_view name) {
  const size_t n = name.size();
  uint32_t h = static_cast<uint32_t>(n) * 16;
  if (n >= 2) {
    h += LowerCp1251(static_cast<uint8_t>(name[0]));
    h += LowerCp1251(static_cast<uint8_t>(name[n - 2]));
  }
  return static_cast<uint8_t>(h % 256);
}

void THashCollectionItem::SetName(const std::string& name) {
  if (name == name_) return;
  owner_.Unlink(*this);
  name_ = name;
  owner_.Link(*this);
}

void THashCollection::Link(THashCollectionItem& item) {
  item.bucket_ = NameBucket(item.name_);
  THashCollectionItem*& head = buckets_[item.bucket_];
  item.prev_ = nullptr;
  item.next_ = head;
  if (head) head->prev_ = &item;
  head = &item;
}

void THashCollection::Unlink(THashCollectionItem& item) {
  if (item.prev_) item.prev_->next_ = item.next_;
  else if (buckets_[item.bucket_] == &item) buckets_[item.bucket_] = item.next_;
  if (item.next_) item.next_->prev_ = item.prev_;
  item.prev_ = item.next_ = nullptr;
}

THashCollectionItem& THashCollection::Add(std::unique_ptr<THashCollectionItem> item) {
  item->index_ = Count();
  Link(*item);
  items_.push_back(std::move(item));
  return *items_.back();
}

int THashCollection::IndexOf(std::string_view name) const {
  for (const THashCollectionItem* it = buckets_[NameBucket(name)]; it; it = it->next_)
    if (EqualsIgnoringCaseCp1251(it->name_, name)) return it->index_;
  return -1;
}

void THashCollection::Delete(int index) {
  THashCollectionItem& item = ItemAt(index);
  Unlink(item);
  items_.erase(items_.begin() + index);
  for (size_t i = static_cast<size_t>(index); i < items_.size(); ++i) items_[i]->index_ = static_cast<int>(i);
}

void THashCollection::Clear() {
  while (!items_.empty()) {
    Unlink(*items_.back());
    items_.pop_back();
  }
}

}  // namespace aerovell
