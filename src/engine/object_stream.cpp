#include "engine/object_stream.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <iterator>

#include "engine/byte_reader.h"
#include "platform/cp1251.h"
#include "platform/file_reading.h"

namespace aerovell {
namespace {

enum Tag : uint8_t {
  kTagEnd = 0,
  kTagList = 1,
  kTagInt8 = 2,
  kTagInt16 = 3,
  kTagInt32 = 4,
  kTagShortString = 6,
  kTagIdent = 7,
  kTagFalse = 8,
  kTagTrue = 9,
  kTagBinary = 10,
  kTagLongString = 12,
  kTagNil = 13,
  kTagCollection = 14,
  kTagWideString = 18,
  kTagUtf8String = 20,
};

// Items nest inside collections; real files go two levels deep. The bound keeps
// a hostile file from recursing without end.
constexpr int kMaxDepth = 16;
constexpr size_t kHeaderScan = 79;
// Every item of a library counts as at least this many bytes of the file
// (a real picture or sound item takes hundreds); the first few are free.
constexpr size_t kMinItemBytes = 64;
constexpr size_t kFreeItems = 256;

[[noreturn]] void InvalidValue() { throw EGameError("Invalid property value"); }

bool IsIntegerTag(uint8_t tag) { return tag == kTagInt8 || tag == kTagInt16 || tag == kTagInt32; }

int32_t ReadIntegerPayload(ByteReader& in, uint8_t tag) {
  switch (tag) {
    case kTagInt8: return in.I8();
    case kTagInt16: return in.I16();
    default: return in.I32();
  }
}

std::string WideToCp1251(std::span<const uint8_t> utf16) {
  std::string out;
  for (size_t i = 0; i + 1 < utf16.size(); i += 2) {
    const char32_t c = static_cast<char32_t>(utf16[i] | (utf16[i + 1] << 8));
    const int b = UnicodeToCp1251(c);
    out += static_cast<char>(b >= 0 ? b : '?');
  }
  return out;
}

class StreamReader {
 public:
  explicit StreamReader(ByteReader& in) : in_(in) {}

  void ReadProperties(StreamObject& object, int depth) {
    while (in_.PeekU8() != kTagEnd) ReadProperty(object, depth);
    in_.U8();
  }

 private:
  void ReadProperty(StreamObject& object, int depth) {
    const std::string name = in_.ShortString();
    try {
      ReadPropertyValue(object, name, depth);
    } catch (const EGameError& e) {
      std::string_view owner = object.ComponentName();
      if (owner.empty()) owner = object.ClassName();
      throw EGameError(Format("Error reading %.*s%s%s: %s", static_cast<int>(owner.size()), owner.data(), ".",
                              name.c_str(), e.what()));
    }
  }

  void ReadPropertyValue(StreamObject& start, const std::string& path, int depth) {
    StreamObject* object = &start;
    std::string_view rest = path;
    size_t dot;
    while ((dot = rest.find('.')) != std::string_view::npos) {
      const std::string_view part = rest.substr(0, dot);
      PropKind kind;
      if (!object->FindProperty(part, kind))
        throw EGameError(Format("Property %.*s does not exist", static_cast<int>(part.size()), part.data()));
      StreamObject* held = kind == PropKind::kObject ? object->GetObject(part) : nullptr;
      if (!held) throw EGameError("Invalid property path");
      object = held;
      rest = rest.substr(dot + 1);
    }
    const std::string last(rest);
    PropKind kind;
    if (object->FindProperty(last, kind)) return ReadValue(*object, last, kind, depth);
    if (object->HasBinaryProperty(last)) {
      if (in_.U8() != kTagBinary) InvalidValue();
      const uint32_t length = in_.U32();
      object->ReadBinaryProperty(last, in_.Bytes(length));
      return;
    }
    throw EGameError(Format("Property %s does not exist", last.c_str()));
  }

  void ReadValue(StreamObject& object, const std::string& name, PropKind kind, int depth) {
    const uint8_t tag = in_.U8();
    switch (kind) {
      case PropKind::kInteger:
      case PropKind::kColor:
        if (IsIntegerTag(tag)) return object.SetInteger(name, ReadIntegerPayload(in_, tag));
        if (tag == kTagIdent && kind == PropKind::kColor) {
          int32_t value;
          if (!ColorIdentToValue(in_.ShortString(), value)) InvalidValue();
          return object.SetInteger(name, value);
        }
        InvalidValue();
      case PropKind::kBoolean:
        if (tag != kTagFalse && tag != kTagTrue) InvalidValue();
        return object.SetBoolean(name, tag == kTagTrue);
      case PropKind::kString: return object.SetString(name, ReadString(tag));
      case PropKind::kObject:
        if (tag == kTagNil) return object.SetObjectNil(name);
        if (tag != kTagCollection) InvalidValue();
        {
          StreamObject* held = object.GetObject(name);
          if (!held || !held->IsCollection()) InvalidValue();
          return ReadCollection(*held, depth + 1);
        }
    }
    InvalidValue();
  }

  std::string ReadString(uint8_t tag) {
    switch (tag) {
      case kTagShortString: return in_.ShortString();
      case kTagLongString: return in_.String(in_.U32());
      case kTagWideString: {
        const uint32_t units = in_.U32();
        if (units > in_.Remaining() / 2) throw EReadError();
        return WideToCp1251(in_.Bytes(size_t{units} * 2));
      }
      case kTagUtf8String: {
        const uint32_t length = in_.U32();
        return Utf8ToCp1251(std::string_view(reinterpret_cast<const char*>(in_.Bytes(length).data()), length));
      }
      default: InvalidValue();
    }
  }

  void ReadCollection(StreamObject& collection, int depth) {
    if (depth > kMaxDepth) InvalidValue();
    if (in_.PeekU8() != kTagEnd) collection.ClearItems();
    while (in_.PeekU8() != kTagEnd) {
      const uint8_t lead = in_.PeekU8();
      if (IsIntegerTag(lead)) ReadIntegerPayload(in_, in_.U8());
      // An item costs far more in memory than the two bytes an empty one
      // takes in the file: past a few, each must pay for itself.
      if (++items_ > kFreeItems + in_.Size() / kMinItemBytes) throw EReadError();
      StreamObject& item = collection.AddItem();
      if (in_.U8() != kTagList) InvalidValue();
      ReadProperties(item, depth);
    }
    in_.U8();
  }

  ByteReader& in_;
  size_t items_ = 0;
};

bool IsValidIdentifier(std::string_view name) {
  if (name.empty()) return true;
  auto ok_first = [](unsigned char c) { return std::isalpha(c) || c == '_'; };
  if (!ok_first(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return true;
}

struct ColorIdent {
  const char* name;
  uint32_t value;
};

constexpr ColorIdent kColors[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
    {"clScrollBar", 0xFF000000},
    {"clBackground", 0xFF000001},
    {"clActiveCaption", 0xFF000002},
    {"clInactiveCaption", 0xFF000003},
    {"clMenu", 0xFF000004},
    {"clWindow", 0xFF000005},
    {"clWindowFrame", 0xFF000006},
    {"clMenuText", 0xFF000007},
    {"clWindowText", 0xFF000008},
    {"clCaptionText", 0xFF000009},
    {"clActiveBorder", 0xFF00000A},
    {"clInactiveBorder", 0xFF00000B},
    {"clAppWorkSpace", 0xFF00000C},
    {"clHighlight", 0xFF00000D},
    {"clHighlightText", 0xFF00000E},
    {"clBtnFace", 0xFF00000F},
    {"clBtnShadow", 0xFF000010},
    {"clGrayText", 0xFF000011},
    {"clBtnText", 0xFF000012},
    {"clInactiveCaptionText", 0xFF000013},
    {"clBtnHighlight", 0xFF000014},
    {"cl3DDkShadow", 0xFF000015},
    {"cl3DLight", 0xFF000016},
    {"clInfoText", 0xFF000017},
    {"clInfoBk", 0xFF000018},
    {"clHotLight", 0xFF00001A},
    {"clGradientActiveCaption", 0xFF00001B},
    {"clGradientInactiveCaption", 0xFF00001C},
    {"clMenuHighlight", 0xFF00001D},
    {"clMenuBar", 0xFF00001E},
};

}  // namespace

StreamObject& StreamObject::AddItem() { throw EGameError("Invalid property value"); }

bool ColorIdentToValue(std::string_view ident, int32_t& value) {
  for (const ColorIdent& c : kColors)
    if (EqualsIgnoringAsciiCase(ident, c.name)) {
      value = static_cast<int32_t>(c.value);
      return true;
    }
  return false;
}

bool LibraryRoot::FindProperty(std::string_view name, PropKind& kind) const {
  if (EqualsIgnoringAsciiCase(name, "Name")) kind = PropKind::kString;
  else if (EqualsIgnoringAsciiCase(name, "Tag")) kind = PropKind::kInteger;
  else if (EqualsIgnoringAsciiCase(name, "List")) kind = PropKind::kObject;
  else return false;
  return true;
}

void LibraryRoot::SetString(std::string_view, const std::string& value) { SetComponentName(value); }

void LibraryRoot::SetComponentName(const std::string& name) {
  if (!IsValidIdentifier(name)) throw EGameError(Format("''%s'' is not a valid component name", name.c_str()));
  name_ = name;
}

namespace {

// Reads the resource header, the signature and the optional prefix; `in` is then
// at the root's class name.
void ReadStreamStart(std::span<const uint8_t> file, ByteReader& in) {
  // The resource header: marker, type 10, a zero-terminated name within the first 79 bytes.
  const size_t scan = std::min(file.size(), kHeaderScan);
  if (scan < 3 || file[0] != 0xFF || (file[1] | (file[2] << 8)) != 10) throw EGameError("Invalid stream format");
  size_t zero = 3;
  while (zero < scan && file[zero] != 0) ++zero;
  if (zero >= scan) {
    if (scan < kHeaderScan) throw EReadError();
    throw EGameError("Invalid stream format");
  }
  in.Seek(std::min(zero + 7, file.size()));
  if (zero + 7 > file.size()) throw EReadError();

  const auto signature = in.Bytes(4);
  if (std::memcmp(signature.data(), "TPF0", 4) != 0) throw EGameError("Invalid stream format");
  if (in.PeekU8() >= 0xF0) {
    const uint8_t prefix = in.U8();
    if (prefix & 2) {
      const uint8_t tag = in.U8();
      if (!IsIntegerTag(tag)) InvalidValue();
      ReadIntegerPayload(in, tag);
    }
  }
}

}  // namespace

std::string LibraryRootClass(std::span<const uint8_t> file) {
  ByteReader in(file);
  ReadStreamStart(file, in);
  return in.ShortString();
}

void ReadLibraryStream(std::span<const uint8_t> file, LibraryRoot& root) {
  ByteReader in(file);
  ReadStreamStart(file, in);
  in.ShortString();  // the class name, not checked
  root.SetComponentName(in.ShortString());
  StreamReader reader(in);
  reader.ReadProperties(root, 0);
  while (in.PeekU8() != kTagEnd) InvalidValue();  // these files have no child objects
  in.U8();
}

void LoadLibraryBytes(std::span<const uint8_t> file, std::string_view root_class, StreamObject& collection) {
  collection.ClearItems();
  LibraryRoot root(root_class, collection);
  ReadLibraryStream(file, root);
}

FileBytes ReadWholeFile(const std::string& path) {
  auto fail = [&](const std::string& reason) {
    std::error_code ec;
    const std::string full = std::filesystem::absolute(path, ec).string();
    throw EGameError(Format("Cannot open file \"%s\". %s", full.c_str(), reason.c_str()));
  };
  FileBytes bytes;
  const BoundedRead read = ReadBoundedFile(path, kMaxLibraryFileSize, bytes);
  if (!read.reason.empty()) fail(read.reason);
  if (read.over_limit) throw EReadError();
  return bytes;
}

}  // namespace aerovell
