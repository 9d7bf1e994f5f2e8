#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TestEnvironment.hpp"
#include "util/DiskRoom.hpp"
#include "util/ZipArchive.hpp"
#include "util/ZipWriter.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;  // name, content

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << text;
}

fs::path makeArchive(const fs::path& path, const Entries& entries, bool compress = true) {
  ZipWriter writer;
  EXPECT_TRUE(writer.open(path));
  for (const auto& [name, content] : entries) {
    bool ok = !name.empty() && name.back() == '/' ? writer.addFolder(name) : writer.addBytes(name, content, compress);
    EXPECT_TRUE(ok) << name;
  }
  EXPECT_TRUE(writer.close());
  return path;
}

// Every file and folder below `dir`, as relative generic paths.
std::set<std::string> listTree(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    names.insert(entry.path().lexically_relative(dir).generic_string());
  }
  return names;
}

class ZipArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override { dir = test::makeTempDir("zip"); }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_F(ZipArchiveTest, NestedFoldersBackslashesAndOverwrite) {
  std::string big(300000, 'x');
  for (std::size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>('a' + i % 26);
  auto archive = makeArchive(dir / "a.zip", {{"docs/", ""},
                                             {"docs/deep/er/file.txt", "deep"},
                                             {"win\\style\\name.txt", "backslash"},
                                             {"top.txt", "new top"},
                                             {"docs/empty.txt", ""},
                                             {"./docs/big.bin", big},
                                             {"only/folder/", ""}});
  fs::path out = dir / "out";
  writeFile(out / "top.txt", "old top");

  ZipArchive zip;
  EXPECT_TRUE(zip.UnzipCloseFile());  // nothing open yet
  EXPECT_FALSE(zip.UnzipFileTo(out, true));
  ASSERT_TRUE(zip.UnzipOpenFile(archive));
  EXPECT_EQ(zip.entryCount(), 7u);

  // Without overwrite an existing file is kept, the rest extracted.
  ASSERT_TRUE(zip.UnzipFileTo(out, false));
  EXPECT_EQ(readFile(out / "top.txt"), "old top");
  EXPECT_EQ(readFile(out / "docs/deep/er/file.txt"), "deep");
  EXPECT_EQ(readFile(out / "win/style/name.txt"), "backslash");
  EXPECT_TRUE(fs::is_regular_file(out / "docs/empty.txt"));
  EXPECT_EQ(fs::file_size(out / "docs/empty.txt"), 0u);
  EXPECT_EQ(readFile(out / "docs/big.bin"), big);
  EXPECT_TRUE(fs::is_directory(out / "only/folder"));

  // With overwrite it is replaced; no temporary files are left behind.
  ASSERT_TRUE(zip.UnzipFileTo(out, true));
  EXPECT_EQ(readFile(out / "top.txt"), "new top");
  EXPECT_EQ(listTree(out), (std::set<std::string>{"docs", "docs/deep", "docs/deep/er", "docs/deep/er/file.txt",
                                                  "docs/empty.txt", "docs/big.bin", "win", "win/style",
                                                  "win/style/name.txt", "top.txt", "only", "only/folder"}));
  EXPECT_TRUE(zip.UnzipCloseFile());
  EXPECT_FALSE(zip.isOpen());
  EXPECT_FALSE(zip.UnzipOpenFile(dir / "missing.zip"));
}

TEST_F(ZipArchiveTest, EntriesLeavingTheFolderAreRefused) {
  fs::path outside = dir / "outside";
  fs::create_directories(outside);
  const std::vector<std::string> hostile = {
      "../escaped.txt",
      "sub/../../escaped.txt",
      "..\\escaped.txt",
      "sub\\..\\..\\escaped.txt",
      (outside / "absolute.txt").string(),
      "\\" + (outside / "absolute2.txt").string().substr(1),
      "link/through.txt",
      "C:/escaped.txt",
      "c:\\escaped.txt",
      "C:escaped.txt",
  };
  for (std::size_t i = 0; i < hostile.size(); ++i) {
    fs::path target = dir / ("target" + std::to_string(i));
    fs::create_directories(target);
    // A symbolic link already in the folder must not be followed.
    fs::create_directory_symlink(outside, target / "link");
    auto archive = makeArchive(dir / ("h" + std::to_string(i) + ".zip"), {{"fine.txt", "ok"}, {hostile[i], "evil"}});
    ZipArchive zip;
    ASSERT_TRUE(zip.UnzipOpenFile(archive));
    EXPECT_FALSE(zip.UnzipFileTo(target, true)) << hostile[i];
    EXPECT_FALSE(zip.lastError().empty());
    EXPECT_TRUE(fs::is_empty(outside)) << hostile[i];
    EXPECT_FALSE(fs::exists(dir / "escaped.txt")) << hostile[i];
    // What came before the refused entry stays.
    EXPECT_EQ(readFile(target / "fine.txt"), "ok");
  }
  // A file of the archive cannot replace a link either.
  fs::path target = dir / "linked-file";
  fs::create_directories(target);
  writeFile(outside / "victim.txt", "untouched");
  fs::create_symlink(outside / "victim.txt", target / "victim.txt");
  ZipArchive zip;
  ASSERT_TRUE(zip.UnzipOpenFile(makeArchive(dir / "v.zip", {{"victim.txt", "evil"}})));
  EXPECT_FALSE(zip.UnzipFileTo(target, true));
  EXPECT_EQ(readFile(outside / "victim.txt"), "untouched");
}

TEST_F(ZipArchiveTest, EntriesStoredAsLinksAreRefused) {
  fs::path outside = dir / "outside";
  writeFile(outside / "secret.txt", "secret");
  fs::path archive = dir / "links.zip";
  ZipWriter writer;
  ASSERT_TRUE(writer.open(archive));
  ASSERT_TRUE(writer.addBytes("fine.txt", "ok"));
  ASSERT_TRUE(writer.addSymbolicLink("book/link", (outside / "secret.txt").string()));
  ASSERT_TRUE(writer.close());
  fs::path target = dir / "target";
  ZipArchive zip;
  ASSERT_TRUE(zip.UnzipOpenFile(archive));
  EXPECT_FALSE(zip.UnzipFileTo(target, true));
  EXPECT_NE(zip.lastError().find("symbolic link"), std::string::npos) << zip.lastError();
  EXPECT_FALSE(fs::exists(fs::symlink_status(target / "book" / "link")));
  // A name that merely looks like a drive ("notes:1") is an ordinary file.
  fs::path plain = makeArchive(dir / "colon.zip", {{"notes:1/a.txt", "a"}});
  ASSERT_TRUE(zip.UnzipOpenFile(plain));
  EXPECT_TRUE(zip.UnzipFileTo(dir / "colon", true));
  EXPECT_EQ(readFile(dir / "colon" / "notes:1" / "a.txt"), "a");
}

TEST_F(ZipArchiveTest, DamagedArchivesFail) {
  std::string content(5000, 'Q');
  auto archive = makeArchive(dir / "good.zip", {{"a.txt", "first"}, {"b.txt", content}}, /*compress=*/false);
  std::string bytes = readFile(archive);

  // Cut short: the directory at the end is gone.
  writeFile(dir / "truncated.zip", bytes.substr(0, bytes.size() / 2));
  ZipArchive truncated;
  bool opened = truncated.UnzipOpenFile(dir / "truncated.zip");
  EXPECT_FALSE(opened && truncated.UnzipFileTo(dir / "t", true));

  // Damaged data with an intact directory: the checksum catches it, and the
  // damaged file is not left behind half written.
  std::string damaged = bytes;
  auto at = damaged.find(content.substr(0, 100));
  ASSERT_NE(at, std::string::npos);
  damaged[at + 2500] = 'R';
  writeFile(dir / "damaged.zip", damaged);
  ZipArchive zip;
  ASSERT_TRUE(zip.UnzipOpenFile(dir / "damaged.zip"));
  EXPECT_FALSE(zip.UnzipFileTo(dir / "d", true));
  EXPECT_EQ(readFile(dir / "d/a.txt"), "first");
  EXPECT_EQ(listTree(dir / "d"), std::set<std::string>{"a.txt"});

  writeFile(dir / "noise.zip", std::string(1000, '\x07'));
  EXPECT_FALSE(ZipArchive().UnzipOpenFile(dir / "noise.zip"));
}

TEST_F(ZipArchiveTest, ReplacingAFolderKeepsOldContentOnFailure) {
  fs::path client = dir / "client";
  fs::path skins = client / "SkinImages";
  writeFile(client / "client.db", "database");
  writeFile(skins / "old.png", "old skin");

  // Only the chosen subtree is taken, with its prefix removed, and it becomes
  // the whole new content of the folder.
  auto good = makeArchive(dir / "skin.zip", {{"SkinImages/", ""},
                                             {"SkinImages/topbar-bg.png", "bar"},
                                             {"SkinImages\\icons\\home.png", "home"},
                                             {"other/readme.txt", "not a skin"}});
  ZipArchive zip;
  ASSERT_TRUE(zip.UnzipOpenFile(good));
  ASSERT_TRUE(zip.unzipReplacingFolder(skins, "SkinImages/"));
  EXPECT_EQ(listTree(skins), (std::set<std::string>{"topbar-bg.png", "icons", "icons/home.png"}));
  EXPECT_EQ(readFile(skins / "icons/home.png"), "home");
  EXPECT_EQ(listTree(client), (std::set<std::string>{"client.db", "SkinImages", "SkinImages/topbar-bg.png",
                                                     "SkinImages/icons", "SkinImages/icons/home.png"}));

  // The filter without replacing: entries outside the prefix are passed over.
  fs::path plain = dir / "plain";
  ASSERT_TRUE(zip.UnzipFileTo(plain, true, "SkinImages"));
  EXPECT_EQ(listTree(plain), (std::set<std::string>{"SkinImages", "SkinImages/topbar-bg.png", "SkinImages/icons",
                                                    "SkinImages/icons/home.png"}));
  zip.UnzipCloseFile();

  // A failing archive, hostile or damaged, leaves the current skin as it was
  // and nothing beside it.
  auto hostile = makeArchive(dir / "hostile.zip", {{"SkinImages/new.png", "new"}, {"SkinImages/../../x", "evil"}});
  auto bytes = readFile(makeArchive(dir / "raw.zip", {{"SkinImages/new.png", std::string(4000, 'N')}}, false));
  bytes[bytes.find(std::string(100, 'N')) + 1000] = 'M';
  writeFile(dir / "damaged.zip", bytes);
  for (const auto& bad : {hostile, dir / "damaged.zip"}) {
    ZipArchive failing;
    ASSERT_TRUE(failing.UnzipOpenFile(bad));
    EXPECT_FALSE(failing.unzipReplacingFolder(skins, "SkinImages/")) << bad;
    EXPECT_EQ(listTree(skins), (std::set<std::string>{"topbar-bg.png", "icons", "icons/home.png"}));
    EXPECT_EQ(listTree(client).size(), 5u);
  }
  EXPECT_FALSE(fs::exists(dir / "x"));

  // A folder that does not exist yet is created.
  ZipArchive fresh;
  ASSERT_TRUE(fresh.UnzipOpenFile(good));
  ASSERT_TRUE(fresh.unzipReplacingFolder(dir / "new/place/"));
  EXPECT_EQ(readFile(dir / "new/place/other/readme.txt"), "not a skin");
}

TEST_F(ZipArchiveTest, AStoppedExtractionLeavesTheFolderAsItWas) {
  fs::path book = dir / "epub" / "Handbook";
  writeFile(book / "old.xhtml", "old");
  auto archive = makeArchive(dir / "book.zip", {{"a.xhtml", "a"}, {"pictures/b.png", std::string(200000, 'b')}});
  base::CancelFlag stop;
  stop.cancel();
  ZipArchive zip;
  zip.stopWhen(stop);
  ASSERT_TRUE(zip.UnzipOpenFile(archive));
  EXPECT_FALSE(zip.unzipReplacingFolder(book));
  EXPECT_EQ(zip.lastError(), "stopped");
  EXPECT_EQ(listTree(dir / "epub"), (std::set<std::string>{"Handbook", "Handbook/old.xhtml"}));
}

TEST_F(ZipArchiveTest, WriterPacksAFolder) {
  writeFile(dir / "src/quimbeset_/data.db", "rows");
  writeFile(dir / "src/tolvaren_/Pdf/a.pdf", "%PDF");
  fs::create_directories(dir / "src/tolvaren_/Video");
  ZipWriter writer;
  ASSERT_TRUE(writer.open(dir / "demo.zip"));
  ASSERT_TRUE(writer.addFolderContents(dir / "src"));
  ASSERT_TRUE(writer.close());
  EXPECT_FALSE(writer.addBytes("late.txt", "x"));  // closed

  ZipArchive zip;
  ASSERT_TRUE(zip.UnzipOpenFile(dir / "demo.zip"));
  ASSERT_TRUE(zip.UnzipFileTo(dir / "docs", true));
  EXPECT_EQ(listTree(dir / "docs"), listTree(dir / "src"));
  EXPECT_EQ(readFile(dir / "docs/tolvaren_/Pdf/a.pdf"), "%PDF");
  EXPECT_FALSE(writer.open(dir / "no/such/folder/x.zip"));
}

TEST_F(ZipArchiveTest, ArchivesThatUnpackPastTheLimitsAreRefusedAndChangeNothing) {
  fs::path skins = dir / "client" / "SkinImages";
  writeFile(skins / "old.png", "old skin");
  const std::string megabyte(1 << 20, '\0');
  // Small on disk, large unpacked: one entry past the per-entry limit, and
  // entries each within it that together pass the whole limit.
  auto oneLarge = makeArchive(dir / "one.zip", {{"SkinImages/a.png", "a"}, {"SkinImages/big.png", megabyte + "x"}});
  auto manySmall = makeArchive(dir / "many.zip", {{"SkinImages/1.png", megabyte},
                                                  {"SkinImages/2.png", megabyte},
                                                  {"SkinImages/3.png", megabyte}});
  ASSERT_LT(fs::file_size(oneLarge), 64u << 10);
  for (const auto& bomb : {oneLarge, manySmall}) {
    ZipArchive zip;
    zip.setUnpackLimits(1 << 20, (std::uint64_t{5} << 20) / 2);
    ASSERT_TRUE(zip.UnzipOpenFile(bomb));
    EXPECT_FALSE(zip.unzipReplacingFolder(skins, "SkinImages/")) << bomb;
    EXPECT_NE(zip.lastError().find("refused"), std::string::npos) << zip.lastError();
    EXPECT_EQ(listTree(skins), (std::set<std::string>{"old.png"}));
    EXPECT_EQ(listTree(dir / "client"), (std::set<std::string>{"SkinImages", "SkinImages/old.png"}));
    // Straight into a folder the extraction stops at the entry.
    EXPECT_FALSE(zip.UnzipFileTo(dir / "plain", true));
    EXPECT_FALSE(fs::exists(dir / "plain" / "SkinImages" / "big.png"));
    EXPECT_FALSE(fs::exists(dir / "plain" / "SkinImages" / "3.png"));
  }
  // Within the limits, exactly at them, the same archives unpack.
  for (const auto& fits : {oneLarge, manySmall}) {
    ZipArchive zip;
    zip.setUnpackLimits((1 << 20) + 1, 3 << 20);
    ASSERT_TRUE(zip.UnzipOpenFile(fits));
    EXPECT_TRUE(zip.unzipReplacingFolder(dir / "fits" / fits.stem(), "SkinImages/")) << zip.lastError();
  }
  EXPECT_EQ(fs::file_size(dir / "fits" / "one" / "big.png"), megabyte.size() + 1);
  // Unpacked files are the user's alone.
  EXPECT_EQ(fs::status(dir / "fits" / "many" / "1.png").permissions() & fs::perms::mask,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ZipArchiveTest, AnEntryPastTheDefaultLimitIsRefused) {
  // Some sixty kilobytes on disk; a byte more than 64 MiB unpacked.
  fs::path bomb = dir / "skin.zip";
  {
    ZipWriter writer;
    ASSERT_TRUE(writer.open(bomb));
    ASSERT_TRUE(writer.addBytes("SkinImages/huge.png", std::string(std::size_t{1} << 26, '\0') + "x"));
    ASSERT_TRUE(writer.close());
  }
  ASSERT_LT(fs::file_size(bomb), 2u << 20);
  ZipArchive zip;
  ASSERT_TRUE(zip.UnzipOpenFile(bomb));
  EXPECT_FALSE(zip.unzipReplacingFolder(dir / "SkinImages", "SkinImages/"));
  EXPECT_FALSE(fs::exists(dir / "SkinImages"));
  EXPECT_NE(zip.lastError().find("huge.png"), std::string::npos) << zip.lastError();
}

TEST_F(ZipArchiveTest, ArchivesOfTooManyEntriesAreRefusedBeforeAnythingIsWritten) {
  fs::path skins = dir / "client" / "SkinImages";
  writeFile(skins / "old.png", "old skin");
  // Empty entries: the archive is small, its count is what matters.
  auto emptyEntries = [&](const std::string& name, std::size_t count) {
    ZipWriter writer;
    EXPECT_TRUE(writer.open(dir / name));
    for (std::size_t i = 0; i < count; ++i) EXPECT_TRUE(writer.addBytes("SkinImages/" + std::to_string(i), ""));
    EXPECT_TRUE(writer.close());
    return dir / name;
  };
  const auto atLimit = emptyEntries("fifty.zip", 50);
  const auto pastLimit = emptyEntries("fifty-one.zip", 51);

  ZipArchive refused;
  refused.setEntryLimit(50);
  ASSERT_TRUE(refused.UnzipOpenFile(pastLimit));
  EXPECT_FALSE(refused.unzipReplacingFolder(skins, "SkinImages/"));
  EXPECT_NE(refused.lastError().find("more than 50 entries"), std::string::npos) << refused.lastError();
  EXPECT_EQ(listTree(dir / "client"), (std::set<std::string>{"SkinImages", "SkinImages/old.png"}));
  // Straight into a folder: not even the folder is made.
  EXPECT_FALSE(refused.UnzipFileTo(dir / "plain", true));
  EXPECT_FALSE(fs::exists(dir / "plain"));

  ZipArchive fits;
  fits.setEntryLimit(50);
  ASSERT_TRUE(fits.UnzipOpenFile(atLimit));
  ASSERT_TRUE(fits.unzipReplacingFolder(skins, "SkinImages/")) << fits.lastError();
  EXPECT_EQ(listTree(skins).size(), 50u);

  // Without a limit of its own an archive may hold ten thousand entries, not one more.
  const auto tooMany = emptyEntries("many.zip", 10001);
  ZipArchive byDefault;
  ASSERT_TRUE(byDefault.UnzipOpenFile(tooMany));
  EXPECT_FALSE(byDefault.unzipReplacingFolder(dir / "many", "SkinImages/"));
  EXPECT_FALSE(fs::exists(dir / "many"));
  // Nor a folder half unpacked beside it.
  for (const auto& entry : fs::directory_iterator(dir))
    EXPECT_NE(entry.path().filename().string().rfind(".many", 0), 0u) << entry.path();
}

TEST_F(ZipArchiveTest, TheWholeIsHeldToARatioAndAFolderCountBeforeAnythingIsWritten) {
  fs::path skins = dir / "client" / "SkinImages";
  writeFile(skins / "old.png", "old skin");
  const std::string zeros(std::size_t{1} << 20, '\0');
  // Four entries of a mebibyte of zeros: each under the free size, together
  // far more than ten times the archive.
  auto packed = makeArchive(dir / "packed.zip", {{"SkinImages/1.png", zeros},
                                                 {"SkinImages/2.png", zeros},
                                                 {"SkinImages/3.png", zeros},
                                                 {"SkinImages/4.png", zeros}});
  // Short names, many levels: three folders each, 36 in all (37 with
  // "SkinImages" itself when the prefix stays).
  Entries deepNames;
  for (int i = 0; i < 12; ++i) deepNames.emplace_back("SkinImages/" + std::to_string(i) + "/a/b/x.png", "x");
  auto deep = makeArchive(dir / "deep.zip", deepNames);
  struct Case {
    fs::path archive;
    std::uint64_t ratio, freeBytes, folders;
    bool unpacks;
  };
  const std::uint64_t packedSize = fs::file_size(packed);
  const Case cases[] = {
      {packed, 10, zeros.size() + 1, 100, false},
      // Within the ratio exactly, or within the free size whatever the ratio.
      {packed, (4 * zeros.size() + packedSize - 1) / packedSize, zeros.size(), 100, true},
      {packed, 10, 4 * zeros.size(), 100, true},
      {deep, 100, 1 << 20, 35, false},
      {deep, 100, 1 << 20, 37, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive.filename().string() + " " + std::to_string(c.ratio) + " " + std::to_string(c.folders));
    ZipArchive zip;
    zip.setRatioLimit(c.ratio, c.freeBytes);
    zip.setFolderLimit(c.folders);
    ASSERT_TRUE(zip.UnzipOpenFile(c.archive));
    const fs::path target = dir / "out" / "SkinImages";
    EXPECT_EQ(zip.unzipReplacingFolder(target, "SkinImages/"), c.unpacks) << zip.lastError();
    EXPECT_EQ(zip.wasTooLarge(), !c.unpacks);
    EXPECT_EQ(zip.UnzipFileTo(dir / "plain", true), c.unpacks);
    EXPECT_EQ(zip.wasTooLarge(), !c.unpacks);
    if (!c.unpacks) {
      // Refused before a folder was made, straight or beside.
      EXPECT_FALSE(fs::exists(dir / "plain"));
      EXPECT_FALSE(fs::exists(dir / "out"));
    } else {
      EXPECT_EQ(listTree(target).size(), c.archive == deep ? 48u : 4u);
    }
    fs::remove_all(dir / "out");
    fs::remove_all(dir / "plain");
  }
  EXPECT_EQ(listTree(dir / "client"), (std::set<std::string>{"SkinImages", "SkinImages/old.png"}));
}

TEST_F(ZipArchiveTest, NamesLongerThanAnyPathAreCountedAndRefusedBeforeAnythingIsWritten) {
  // 2,100 levels in 4,201 bytes; and twenty long folder names in 4,820.
  std::string deep;
  for (int i = 0; i < 2100; ++i) deep += "a/";
  std::string wide;
  for (int i = 0; i < 20; ++i) wide += std::string(240, 'b') + "/";
  const struct {
    std::string name;
    bool tooLarge;
  } cases[] = {{deep + "x", true}, {wide + "x", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.size());
    auto archive = makeArchive(dir / "long.zip", {{"fine.txt", "fine"}, {c.name, "x"}});
    ZipArchive zip;
    zip.setFolderLimit(1000);
    ASSERT_TRUE(zip.UnzipOpenFile(archive));
    EXPECT_FALSE(zip.UnzipFileTo(dir / "plain", true));
    EXPECT_EQ(zip.wasTooLarge(), c.tooLarge) << zip.lastError();
    EXPECT_FALSE(fs::exists(dir / "plain")) << "not a folder of it was made";
  }
}

TEST_F(ZipArchiveTest, AnExtractionLeavesTheDisksMarginFree) {
  const std::string content(64 << 10, 'z');
  auto archive = makeArchive(dir / "pictures.zip", {{"1.png", content}, {"2.png", content}});
  constexpr std::uint64_t MB = std::uint64_t{1} << 20, GB = std::uint64_t{1} << 30;
  const struct {
    std::uint64_t capacity;
    std::uint64_t available;
    bool unpacks;
  } cases[] = {// Disks as users have them, nearly full: the margin is for their saves, not a share of the disk.
               {32 * GB, 200 * MB, true},
               {64 * GB, 900 * MB, true},
               {512 * GB, 2 * GB, true},
               {100 * GB, DiskRoom::kMarginBytes + 2 * content.size(), true},
               {100 * GB, DiskRoom::kMarginBytes + 2 * content.size() - 1, false},
               {100 * GB, DiskRoom::kMarginBytes, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.available);
    DiskRoom::setReading([&](const fs::path& folder) -> std::optional<DiskRoom::Space> {
      EXPECT_TRUE(fs::exists(folder)) << "asked of an existing folder";
      return DiskRoom::Space{c.capacity, c.available};
    });
    ZipArchive zip;
    ASSERT_TRUE(zip.UnzipOpenFile(archive));
    EXPECT_EQ(zip.unzipReplacingFolder(dir / "out" / "SkinImages"), c.unpacks) << zip.lastError();
    EXPECT_EQ(zip.wasShortOfRoom(), !c.unpacks);
    EXPECT_EQ(zip.wasTooLarge(), !c.unpacks);
    EXPECT_EQ(fs::exists(dir / "out"), c.unpacks);
    fs::remove_all(dir / "out");
  }
  DiskRoom::setReading(nullptr);
}

}  // namespace
}  // namespace mv
