#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/surface.h"

namespace aerovell {

// The kinds of published property the library files use.
enum class PropKind { kInteger, kColor, kBoolean, kString, kObject };

// An object the stream reader can fill: its published properties by name
// (matched without regard to ASCII case), its defined binary properties, and,
// for a collection, adding and clearing items.
class StreamObject {
 public:
  virtual ~StreamObject() = default;

  virtual std::string_view ClassName() const = 0;
  // The name used in error messages; empty for objects without one.
  virtual std::string_view ComponentName() const { return {}; }

  // Published properties. `name` is as it stands in the stream.
  virtual bool FindProperty(std::string_view name, PropKind& kind) const = 0;
  virtual void SetInteger(std::string_view, int32_t) {}
  virtual void SetBoolean(std::string_view, bool) {}
  virtual void SetString(std::string_view, const std::string&) {}
  // An object property's held object; nullptr when it holds none.
  virtual StreamObject* GetObject(std::string_view) { return nullptr; }
  virtual void SetObjectNil(std::string_view) {}

  // Defined binary properties.
  virtual bool HasBinaryProperty(std::string_view) const { return false; }
  virtual void ReadBinaryProperty(std::string_view, std::span<const uint8_t>) {}

  // Collections.
  virtual bool IsCollection() const { return false; }
  virtual void ClearItems() {}
  virtual StreamObject& AddItem();
};

// The root object a library file is read into: its `List` is the collection.
class LibraryRoot final : public StreamObject {
 public:
  LibraryRoot(std::string_view class_name, StreamObject& list) : class_name_(class_name), list_(list) {}
  std::string_view ClassName() const override { return class_name_; }
  std::string_view ComponentName() const override { return name_; }
  bool FindProperty(std::string_view name, PropKind& kind) const override;
  void SetInteger(std::string_view, int32_t value) override { tag_ = value; }
  void SetString(std::string_view, const std::string& value) override;
  StreamObject* GetObject(std::string_view) override { return &list_; }

  void SetComponentName(const std::string& name);

 private:
  std::string_view class_name_;
  StreamObject& list_;
  std::string name_;
  int32_t tag_ = 0;
};

// Reads the resource header and the object stream of a library file into `root`.
// Errors carry the file format's messages ("Invalid stream format", "Stream read
// error", "Error reading %s%s%s: %s", ...).
void ReadLibraryStream(std::span<const uint8_t> file, LibraryRoot& root);

// The root class name a library file's stream declares ("TPictureCollectionComponent",
// "TWaveCollectionComponent"); raises the reader's errors for a damaged header.
std::string LibraryRootClass(std::span<const uint8_t> file);

// What both libraries' loaders do: empty the collection, then read the file
// into a temporary root of `root_class` whose List is the collection.
void LoadLibraryBytes(std::span<const uint8_t> file, std::string_view root_class, StreamObject& collection);

// A whole file's bytes, read straight into their buffer.
using FileBytes = std::vector<uint8_t, PopulatedAllocator<uint8_t>>;
// Library files larger than this are refused ("Stream read error"): the
// game's own are a few megabytes.
inline constexpr uint64_t kMaxLibraryFileSize = uint64_t{256} << 20;
// Reads a whole file for the loaders; "Cannot open file "%s". %s" when it
// cannot, or when it is not a regular file (a folder, a device, a pipe).
FileBytes ReadWholeFile(const std::string& path);

// The colour identifiers a colour property may be written with.
bool ColorIdentToValue(std::string_view ident, int32_t& value);

}  // namespace aerovell
