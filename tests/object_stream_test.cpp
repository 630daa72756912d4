#include "engine/object_stream.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/picture_collection.h"
#include "hostile/hostile_files.h"
#include "library_fixture.h"
#include "test_support.h"

namespace aerovell {
namespace {

using tools::ValueWriter;

// A picture library whose item properties are written by `write_item`.
template <class F>
std::vector<uint8_t> LibraryWithItem(F write_item) {
  ValueWriter body;
  body.Name("List");
  body.BeginCollection();
  body.BeginItem();
  write_item(body);
  body.End();
  body.End();
  return tools::WrapLibraryFile("TPictureCollectionComponent", body.Bytes());
}

std::string LoadError(const std::vector<uint8_t>& file, TPictureCollection* out = nullptr) {
  TPictureCollection local;
  TPictureCollection& collection = out ? *out : local;
  try {
    collection.LoadFromBytes(file);
  } catch (const EGameError& e) {
    return e.what();
  }
  return "";
}

TEST(ObjectStream, ReadsItemsInStreamOrderWithTheirProperties) {
  const auto file = LibraryWithItem([](ValueWriter& w) {
    w.Name("Name");
    w.String("shield");
    w.Name("PatternWidth");
    w.Int(20);
    w.Name("patternheight");  // names match without regard to case
    w.Int(-300);
    w.Name("SystemMemory");
    w.Bool(true);
    w.Name("Transparent");
    w.Bool(false);
    w.Name("TransparentColor");
    w.Int32(0x00ABCDEF);
  });
  TPictureCollection c;
  ASSERT_EQ(LoadError(file, &c), "");
  ASSERT_EQ(c.Count(), 1);
  const auto& item = c.Item(0);
  EXPECT_EQ(item.Name(), "shield");
  EXPECT_EQ(item.PatternWidth, 20);
  EXPECT_EQ(item.PatternHeight, -300);
  EXPECT_TRUE(item.SystemMemory);
  EXPECT_FALSE(item.Transparent);
  EXPECT_EQ(item.TransparentColor(), 0xABCDEFu);
  EXPECT_EQ(item.SkipWidth, 0) << "a missing property keeps its default";
  EXPECT_TRUE(item.Picture.Empty());
}

TEST(ObjectStream, LowerCaseColorTablePathAndItemIndices) {
  ValueWriter body;
  body.Name("list.colortable");
  std::vector<uint8_t> table(1024);
  table[4] = 0x77;
  body.Binary(table);
  body.Name("List");
  body.BeginCollection();
  for (int i = 0; i < 3; ++i) {
    if (i == 1) body.Int(0);  // an item with an index loads like one without
    if (i == 2) body.Int32(7);
    body.BeginItem();
    body.Name("Name");
    body.String("n" + std::to_string(i));
    body.End();
  }
  body.End();
  TPictureCollection c;
  ASSERT_EQ(LoadError(tools::WrapLibraryFile("SomethingElse", body.Bytes()), &c), "");
  EXPECT_EQ(c.ColorTable[4], 0x77);
  ASSERT_EQ(c.Count(), 3);
  EXPECT_EQ(c.Item(2).Name(), "n2");
}

TEST(ObjectStream, ColourIdentifiers) {
  const struct {
    const char* ident;
    std::string error;
    uint32_t value;
  } cases[] = {
      {"clFuchsia", "", 0xFF00FF},
      {"clfuchsia", "", 0xFF00FF},
      {"clBtnFace", "", 0xFF00000F},
      {"Fuchsia",
       "Error reading TPictureCollectionComponent.List: Error reading "
       "TPictureCollectionItem.TransparentColor: Invalid property value",
       0},
  };
  for (const auto& c : cases) {
    TPictureCollection collection;
    const std::string error = LoadError(LibraryWithItem([&](ValueWriter& w) {
                                          w.Name("TransparentColor");
                                          w.Ident(c.ident);
                                        }),
                                        &collection);
    EXPECT_EQ(error, c.error) << c.ident;
    if (c.error.empty()) {
      EXPECT_EQ(collection.Item(0).TransparentColor(), c.value) << c.ident;
    }
  }
}

TEST(ObjectStream, StringEncodings) {
  const std::string long_name(300, 'x');
  const struct {
    const char* what;
    std::function<void(ValueWriter&)> write;
    std::string expected;
  } cases[] = {
      {"long string", [&](ValueWriter& w) { w.String(long_name); }, long_name},
      {"wide string",
       [](ValueWriter& w) {
         w.Byte(18);
         w.U32(2);
         w.U16(0x0416);  // Ж
         w.U16('a');
       },
       "\xC6"
       "a"},
      {"utf8 string",
       [](ValueWriter& w) {
         w.Byte(20);
         w.U32(4);
         w.Raw(std::vector<uint8_t>{0xD0, 0x81, 'z', 'z'});  // Ё
       },
       "\xA8zz"},
  };
  for (const auto& c : cases) {
    TPictureCollection collection;
    ASSERT_EQ(LoadError(LibraryWithItem([&](ValueWriter& w) {
                          w.Name("Name");
                          c.write(w);
                        }),
                        &collection),
              "")
        << c.what;
    EXPECT_EQ(collection.Item(0).Name(), c.expected) << c.what;
  }
}

TEST(ObjectStream, FailuresAndTheirMessages) {
  const std::string item = "Error reading TPictureCollectionComponent.List: Error reading TPictureCollectionItem.";
  const struct {
    const char* what;
    std::function<void(ValueWriter&)> write;
    std::string message;
  } cases[] = {
      {"unknown property",
       [](ValueWriter& w) {
         w.Name("Colour");
         w.Int(1);
       },
       item + "Colour: Property Colour does not exist"},
      {"unknown path part",
       [](ValueWriter& w) {
         w.Name("Pict.Data");
         w.Int(1);
       },
       item + "Pict.Data: Property Pict does not exist"},
      {"path through a plain value",
       [](ValueWriter& w) {
         w.Name("Name.Data");
         w.Int(1);
       },
       item + "Name.Data: Invalid property path"},
      {"integer as boolean",
       [](ValueWriter& w) {
         w.Name("Transparent");
         w.Int(1);
       },
       item + "Transparent: Invalid property value"},
      {"string as integer",
       [](ValueWriter& w) {
         w.Name("SkipWidth");
         w.String("1");
       },
       item + "SkipWidth: Invalid property value"},
      {"binary not binary",
       [](ValueWriter& w) {
         w.Name("Picture.Data");
         w.Int(1);
       },
       item + "Picture.Data: Invalid property value"},
      {"unknown binary",
       [](ValueWriter& w) {
         w.Name("Picture.Pixels");
         w.Binary({});
       },
       item + "Picture.Pixels: Property Pixels does not exist"},
      {"bad picture",
       [](ValueWriter& w) {
         w.Name("Picture.Data");
         w.Binary(tools::PictureData("TDIB", std::vector<uint8_t>{20, 0, 0, 0}));
       },
       item + "Picture.Data: DIB is invalid"},
      {"4 GB binary in a small file",
       [](ValueWriter& w) {
         w.Name("Picture.Data");
         w.Byte(10);
         w.U32(0xFFFFFFF0u);
       },
       item + "Picture.Data: Stream read error"},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadError(LibraryWithItem(c.write)), c.message) << c.what;
}

TEST(ObjectStream, HeaderAndStructure) {
  const auto good = tools::WritePictureLibrary({testing::Entry("a", testing::Solid(2, 2, 1))});
  auto with = [&](size_t offset, std::vector<uint8_t> bytes) {
    auto f = good;
    std::copy(bytes.begin(), bytes.end(), f.begin() + static_cast<long>(offset));
    return f;
  };
  const size_t name_end = 3 + std::string("TPICTURECOLLECTIONCOMPONENT").size();
  const struct {
    const char* what;
    std::vector<uint8_t> file;
    std::string message;
  } cases[] = {
      {"good", good, ""},
      {"flags and size hold anything", with(name_end + 1, {0xAB, 0xCD, 1, 2, 3, 4}), ""},
      {"marker", with(0, {0xFE}), "Invalid stream format"},
      {"type", with(1, {11, 0}), "Invalid stream format"},
      {"signature", with(name_end + 7, {'T', 'P', 'F', '1'}), "Invalid stream format"},
      {"empty file", {}, "Invalid stream format"},
      {"cut in the header", std::vector<uint8_t>(good.begin(), good.begin() + 10), "Stream read error"},
      {"cut in a property name", std::vector<uint8_t>(good.begin(), good.end() - 30),
       "Error reading TPictureCollectionComponent.List: Stream read error"},
      {"cut in a value", std::vector<uint8_t>(good.begin(), good.end() - 5),
       "Error reading TPictureCollectionComponent.List: Error reading TPictureCollectionItem.TransparentColor: "
       "Stream read error"},
      {"no terminating zero in the name", with(3, std::vector<uint8_t>(76, 'A')), "Invalid stream format"},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadError(c.file), c.message) << c.what;
}

TEST(ObjectStream, PrefixAndComponentName) {
  auto stream = [](std::vector<uint8_t> after_signature) {
    ValueWriter w;
    w.Byte(0xFF);
    w.U16(10);
    w.Raw(std::vector<uint8_t>{'X', 0, 0, 0, 0, 0, 0, 0});
    w.Raw(std::vector<uint8_t>{'T', 'P', 'F', '0'});
    w.Raw(after_signature);
    return w.Take();
  };
  // Prefix byte with flag 2 and an integer; class name; object name; no properties; no children.
  EXPECT_EQ(LoadError(stream({0xF2, 2, 5, 1, 'C', 4, 'R', 'o', 'o', 't', 0, 0})), "");
  EXPECT_EQ(LoadError(stream({1, 'C', 2, '9', 'x', 0, 0})), "''9x'' is not a valid component name");
  EXPECT_EQ(LoadError(stream({1, 'C', 4, 'R', 'o', 'o', 't', 4, 'L', 'i', 's', 't', 2, 1, 0, 0})),
            "Error reading Root.List: Invalid property value");
}

TEST(LoadLibraryFile, MissingFileLeavesTheCollectionAndDamagedFileEmptiesIt) {
  testing::TempDir dir;
  TPictureCollection c;
  c.LoadFromBytes(tools::WritePictureLibrary({testing::Entry("a", testing::Solid(2, 2, 1))}));
  ASSERT_EQ(c.Count(), 1);
  const std::string missing = (dir / "nothere.dxg").string();
  try {
    c.LoadLibraryFile(missing);
    FAIL();
  } catch (const EGameError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + missing + "\". No such file or directory");
  }
  EXPECT_EQ(c.Count(), 1);
  testing::WriteBytes(dir / "bad.dxg", {0x00, 0x0A, 0x00});
  EXPECT_THROW(c.LoadLibraryFile((dir / "bad.dxg").string()), EGameError);
  EXPECT_EQ(c.Count(), 0);

  // Items read before an error stay.
  auto two = tools::WritePictureLibrary(
      {testing::Entry("a", testing::Solid(2, 2, 1)), testing::Entry("b", testing::Solid(2, 2, 1))});
  two.resize(two.size() - 20);
  EXPECT_THROW(c.LoadFromBytes(two), EGameError);
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(c.Item(0).Name(), "a");
}

TEST(ObjectStream, EveryItemCostsAMinimumOfTheFile) {
  // Empty items take two bytes of the file and hundreds in memory: a file of
  // them may hold one for each 64 of its bytes, past the first 256.
  auto empty_items = [](size_t count) { return testing::EmptyItems("TPictureCollectionComponent", count); };
  TPictureCollection c;
  EXPECT_EQ(LoadError(empty_items(256), &c), "");
  EXPECT_EQ(c.Count(), 256);
  EXPECT_EQ(LoadError(empty_items(400), &c), "Error reading TPictureCollectionComponent.List: Stream read error");
  EXPECT_LT(c.Count(), 400);
  const auto many = empty_items(100'000);
  EXPECT_EQ(LoadError(many, &c), "Error reading TPictureCollectionComponent.List: Stream read error");
  EXPECT_EQ(static_cast<size_t>(c.Count()), 256 + many.size() / 64) << "items up to the allowance loaded";
}

TEST(ReadWholeFile, OnlyRegularFilesOfAtMostTheLimitAreRead) {
  testing::TempDir dir;
  auto error_of = [](const std::string& path) {
    try {
      ReadWholeFile(path);
    } catch (const EGameError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  testing::WriteBytes(dir / "lib.dxg", {1, 2, 3});
  EXPECT_EQ(ReadWholeFile((dir / "lib.dxg").string()).size(), 3u);
  std::filesystem::create_symlink(dir / "lib.dxg", dir / "link.dxg");
  EXPECT_EQ(ReadWholeFile((dir / "link.dxg").string()).size(), 3u) << "a link to a file is read";

  // A folder, a device that never ends, a pipe nobody writes to: each is
  // refused at once (before, a folder ran out of memory, the device read on
  // without end and the pipe blocked the open for ever).
  const std::string folder = dir.Path().string();
  ASSERT_EQ(::mkfifo((dir / "pipe.dxg").c_str(), 0600), 0);
  const std::string pipe = (dir / "pipe.dxg").string();
  const struct {
    std::string path;
    std::string message;
  } refused[] = {
      {folder, "Cannot open file \"" + folder + "\". Is a directory"},
      {"/dev/zero", "Cannot open file \"/dev/zero\". Not a regular file"},
      {pipe, "Cannot open file \"" + pipe + "\". Not a regular file"},
  };
  for (const auto& r : refused) {
    const int code = testing::RunInChild([&] { return error_of(r.path) == r.message ? 0 : 1; }, 20);
    EXPECT_EQ(code, 0) << r.path << (code == -1 ? ": hung or crashed" : ": wrong message");
  }

  // Past 256 MiB a file is refused before it is read (a sparse one: no disk).
  const auto big = dir / "big.dxg";
  testing::WriteBytes(big, {0xFF});
  std::filesystem::resize_file(big, kMaxLibraryFileSize + 1);
  EXPECT_EQ(error_of(big.string()), "Stream read error");
  std::filesystem::resize_file(big, 1000);
  EXPECT_EQ(ReadWholeFile(big.string()).size(), 1000u);
}

}  // namespace
}  // namespace aerovell
