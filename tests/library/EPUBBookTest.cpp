// Loading EPUB books: units and titles from the package and the NCX, safe
// unpacking of hostile or damaged archives, and re-unpacking a changed book.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "EPUBTestBooks.hpp"
#include "PdfFixture.hpp"
#include "TestEnvironment.hpp"
#include "library/epub/EPUBBook.hpp"
#include "util/ZipWriter.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> titlesOf(const EPUBBook& book) {
  std::vector<std::string> out;
  for (const auto& s : book.spines()) out.push_back(s.title);
  return out;
}

class EPUBBookTest : public test::TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    dir = root / "Documents" / "books";
    fs::create_directories(dir);
    outside = root / "outside";
    fs::create_directories(outside);
  }
  fs::path book(const std::string& name, const test::BookSpec& spec) {
    fs::path p = dir / name;
    EXPECT_TRUE(test::writeBook(p, spec));
    return p;
  }
  static test::BookSpec threeUnits() {
    test::BookSpec spec;
    spec.units = {{"one.xhtml", "One", "<p>first</p>"},
                  {"two.xhtml", "Two", "<p>second</p>"},
                  {"three.xhtml", "Three", "<p>third</p>"}};
    return spec;
  }
  fs::path dir, outside;
};

TEST_F(EPUBBookTest, UnitsAndTitlesOfAnNcxBook) {
  test::BookSpec spec;
  spec.ncxEntry = "nav/toc.ncx";
  spec.units = {
      // The NCX sits in a folder of its own and points at sections.
      {"text/intro.xhtml", "Introduction", "<p>a</p>", "", "../text/intro.xhtml#start"},
      // Escaped in the manifest, plain in the archive.
      {"text/My%20Chapter.xhtml", "My chapter", "<p>b</p>", "text/My Chapter.xhtml", "../text/My%20Chapter.xhtml"},
      // A quote in the file name must not break the title lookup.
      {"text/it's.xhtml", "It's here", "<p>c</p>"},
      {"text/untitled.xhtml", "", "<p>d</p>"},
  };
  spec.units[2].ncxSrc = "../text/it's.xhtml";
  // An entry naming no item is passed over.
  spec.extraItemrefs = {"missing"};
  EPUBBook b(book("guide.epub", spec));
  ASSERT_TRUE(b.load()) << b.lastError();
  EXPECT_EQ(b.folderPath(), dir / "guide");
  ASSERT_EQ(b.spines().size(), 4u);
  EXPECT_EQ(titlesOf(b), (std::vector<std::string>{"Introduction", "My chapter", "It's here", ""}));
  for (std::size_t i = 0; i < b.spines().size(); ++i) {
    EXPECT_EQ(b.spines()[i].index, static_cast<std::int64_t>(i));
    EXPECT_TRUE(fs::is_regular_file(b.spines()[i].path)) << b.spines()[i].path;
  }
  EXPECT_EQ(b.spines()[1].path, dir / "guide" / "OEBPS" / "text" / "My Chapter.xhtml");
  EXPECT_EQ(b.OPFPath(), dir / "guide" / "OEBPS" / "content.opf");
}

TEST_F(EPUBBookTest, BooksWithoutAUsableTableOfContentsHaveUntitledUnits) {
  // An EPUB 3 book with no NCX at all.
  test::BookSpec noNcx = threeUnits();
  noNcx.ncx = false;
  EPUBBook a(book("modern.epub", noNcx));
  ASSERT_TRUE(a.load()) << a.lastError();
  EXPECT_EQ(titlesOf(a), (std::vector<std::string>{"", "", ""}));
  // An NCX that the manifest names but the archive lacks.
  test::BookSpec lost = threeUnits();
  lost.ncx = false;
  lost.extraItems = {{"ncx", "toc.ncx"}};
  EPUBBook b(book("lost.epub", lost));
  ASSERT_TRUE(b.load()) << b.lastError();
  EXPECT_EQ(b.spines().size(), 3u);
}

TEST_F(EPUBBookTest, UnitsTheBookDoesNotHoldAreLeftOut) {
  test::BookSpec spec = threeUnits();
  // The manifest names two more files that the archive lacks, one between the units.
  spec.extraItems = {{"ghost1", "ghost.xhtml"}, {"ghost2", "text/gone.xhtml"}};
  spec.extraItemrefs = {"ghost1", "ghost2"};
  EPUBBook b(book("holes.epub", spec));
  ASSERT_TRUE(b.load());
  EXPECT_EQ(titlesOf(b), (std::vector<std::string>{"One", "Two", "Three"}));
  for (std::size_t i = 0; i < b.spines().size(); ++i) EXPECT_EQ(b.spines()[i].index, static_cast<std::int64_t>(i));

  // Nothing left: the book fails.
  test::BookSpec hollow;
  hollow.extraItems = {{"ghost1", "ghost.xhtml"}};
  hollow.extraItemrefs = {"ghost1"};
  EPUBBook none(book("hollow.epub", hollow));
  EXPECT_FALSE(none.load());
  EXPECT_TRUE(none.spines().empty());
}

TEST_F(EPUBBookTest, ABookThatWouldUnpackFarBeyondItsSizeIsRefused) {
  // A few hundred kilobytes that would unpack to a hundred megabytes.
  test::BookSpec spec = threeUnits();
  spec.extraEntries = {{"OEBPS/padding.bin", std::string(100u << 20, '\0')}};
  const fs::path bomb = book("bomb.epub", spec);
  ASSERT_LT(fs::file_size(bomb), 1u << 20);
  EPUBBook b(bomb);
  EXPECT_FALSE(b.load());
  EXPECT_TRUE(b.isTooLarge());
  EXPECT_FALSE(fs::exists(b.folderPath()));
  // A book of ordinary size and ratio unpacks as before.
  EPUBBook fine(book("fine.epub", threeUnits()));
  EXPECT_TRUE(fine.load());
  EXPECT_FALSE(fine.isTooLarge());
}

TEST_F(EPUBBookTest, ABookIsBoundedAsAWholeBeforeAnythingIsWritten) {
  // Entries each below the size that skips the ratio: 120 of 16 MiB of zeros
  // in a 2 MB book are 2 GB unpacked, 64 in 1 MB are 1 GiB.
  struct Bomb {
    const char* name;
    int entries;
  };
  for (const Bomb bomb : {Bomb{"two-gigabytes.epub", 120}, Bomb{"one-gibibyte.epub", 64}}) {
    const fs::path path = book(bomb.name, threeUnits());
    ASSERT_TRUE(test::appendZeroEntries(path, "OEBPS/zeros", bomb.entries, 16u << 20));
    ASSERT_LT(fs::file_size(path), static_cast<std::uintmax_t>(bomb.entries) * 20'000) << bomb.name;
    EPUBBook b(path);
    EXPECT_FALSE(b.load()) << bomb.name;
    EXPECT_TRUE(b.isTooLarge()) << b.lastError();
    EXPECT_FALSE(b.isDamaged());
  }
  // Deep names: a few kilobytes that would make thousands of folders.
  test::BookSpec deep = threeUnits();
  for (int i = 0; i < 100; ++i) {
    std::string name = "OEBPS/deep" + std::to_string(i);
    for (int level = 0; level < 20; ++level) name += "/d";
    deep.extraEntries.emplace_back(name + "/x.css", "");
  }
  EPUBBook folders(book("folders.epub", deep));
  EXPECT_FALSE(folders.load());
  EXPECT_TRUE(folders.isTooLarge()) << folders.lastError();
  // Nothing was unpacked, not even a folder begun beside the books.
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir)) left.insert(entry.path().filename().string());
  EXPECT_EQ(left, (std::set<std::string>{"two-gigabytes.epub", "one-gibibyte.epub", "folders.epub"}));

  // Well within both: 16 MiB of zeros pass whatever their ratio, and so do
  // a thousand folders.
  const fs::path fine = book("fine.epub", threeUnits());
  ASSERT_TRUE(test::appendZeroEntries(fine, "OEBPS/zeros", 1, 15u << 20));
  EPUBBook ok(fine);
  EXPECT_TRUE(ok.load()) << ok.lastError();
  EXPECT_EQ(fs::file_size(ok.folderPath() / "OEBPS" / "zeros0"), 15u << 20);
  test::BookSpec wide = threeUnits();
  for (int i = 0; i < 998; ++i) wide.extraEntries.emplace_back("OEBPS/f" + std::to_string(i) + "/x.css", "");
  EPUBBook manyFolders(book("wide.epub", wide));
  EXPECT_TRUE(manyFolders.load()) << manyFolders.lastError();
}

TEST_F(EPUBBookTest, AnEntryIsHeldToItsOwnSizeAndRatio) {
  // Pictures and clips that pack poorly unpack whatever their size; text that
  // packs very well is refused only beyond the smaller size.
  std::string noise(3u << 20, '\0');
  std::uint64_t x = 88172645463325252ull;
  for (char& c : noise) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    c = static_cast<char>(x);
  }
  test::BookSpec fine = threeUnits();
  fine.extraEntries = {{"OEBPS/clip.mp4", noise}, {"OEBPS/blank.css", std::string(15u << 20, ' ')}};
  EPUBBook ok(book("fine.epub", fine));
  ASSERT_TRUE(ok.load()) << ok.lastError();
  EXPECT_EQ(fs::file_size(ok.folderPath() / "OEBPS" / "clip.mp4"), noise.size());

  test::BookSpec packed = threeUnits();
  packed.extraEntries = {{"OEBPS/clip.mp4", noise}, {"OEBPS/blank.css", std::string(17u << 20, ' ')}};
  EPUBBook refused(book("packed.epub", packed));
  EXPECT_FALSE(refused.load());
  EXPECT_TRUE(refused.isTooLarge());
  EXPECT_FALSE(refused.isDamaged());
  EXPECT_FALSE(fs::exists(refused.folderPath()));

  // An entry that says it unpacks to three gibibytes from two is refused
  // before anything is written, though it packs well under the ratio.
  const fs::path huge = book("huge.epub", threeUnits());
  std::string bytes = readFile(huge);
  const auto central = bytes.find("PK\x01\x02");
  ASSERT_NE(central, std::string::npos);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
  };
  put32(central + 20, 0x80000000u);
  put32(central + 24, 0xC0000000u);
  std::ofstream(huge, std::ios::binary | std::ios::trunc) << bytes;
  EPUBBook tooLarge(huge);
  EXPECT_FALSE(tooLarge.load());
  EXPECT_TRUE(tooLarge.isTooLarge());
  EXPECT_FALSE(fs::exists(tooLarge.folderPath()));
}

TEST_F(EPUBBookTest, BooksThatCannotBeReadFail) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
  };
  const Case cases[] = {
      {"missing.epub", [](const fs::path&) {}},
      {"text.epub", [](const fs::path& p) { std::ofstream(p) << "not an archive"; }},
      {"nocontainer.epub",
       [](const fs::path& p) {
         ZipWriter z;
         ASSERT_TRUE(z.open(p) && z.addBytes("mimetype", "application/epub+zip") && z.close());
       }},
      {"badcontainer.epub",
       [](const fs::path& p) {
         ZipWriter z;
         ASSERT_TRUE(z.open(p) && z.addBytes("META-INF/container.xml", "<container><rootfiles/></container>") &&
                     z.close());
       }},
      {"nopackage.epub",
       [](const fs::path& p) {
         ZipWriter z;
         ASSERT_TRUE(z.open(p) &&
                     z.addBytes("META-INF/container.xml", "<container><rootfile full-path=\"x/content.opf\"/></container>") &&
                     z.close());
       }},
      {"emptyspine.epub",
       [](const fs::path& p) {
         test::BookSpec s;
         ASSERT_TRUE(test::writeBook(p, s));
       }},
  };
  for (const auto& c : cases) {
    fs::path p = dir / c.name;
    c.make(p);
    EPUBBook b(p);
    EXPECT_FALSE(b.load()) << c.name;
    EXPECT_FALSE(b.lastError().empty()) << c.name;
    EXPECT_TRUE(b.isDamaged()) << c.name;
    EXPECT_TRUE(b.spines().empty()) << c.name;
  }
  // A truncated download: the archive's directory at its end is gone.
  fs::path whole = book("whole.epub", threeUnits());
  fs::path cut = dir / "cut.epub";
  std::string bytes = readFile(whole);
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() * 2 / 3);
  EPUBBook b(cut);
  EXPECT_FALSE(b.load());
  EXPECT_NE(b.lastError().find("archive"), std::string::npos) << b.lastError();
  EXPECT_FALSE(fs::exists(dir / "cut"));
}

TEST_F(EPUBBookTest, HostileArchivesWriteNothingOutsideTheBook) {
  const std::string escape = "../../outside/evil.txt";
  const std::vector<std::string> names = {escape, "OEBPS/../../../outside/evil.txt", (outside / "evil.txt").string(),
                                          "C:/outside/evil.txt", "OEBPS\\..\\..\\..\\outside\\evil.txt"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    test::BookSpec spec = threeUnits();
    spec.extraEntries = {{names[i], "evil"}};
    const std::string name = "hostile" + std::to_string(i) + ".epub";
    EPUBBook b(book(name, spec));
    EXPECT_FALSE(b.load()) << names[i];
    EXPECT_TRUE(fs::is_empty(outside)) << names[i];
    // Nothing half-unpacked is left to be taken for the book later.
    EXPECT_FALSE(fs::exists(b.folderPath())) << names[i];
  }
  // A link entry is refused too.
  test::BookSpec linked = threeUnits();
  linked.linkEntries = {{"OEBPS/extra.xhtml", (outside / "secret").string()}};
  EPUBBook l(book("linked.epub", linked));
  EXPECT_FALSE(l.load());
  EXPECT_NE(l.lastError().find("symbolic link"), std::string::npos) << l.lastError();
  // Units and the package may not point outside the book either.
  test::BookSpec spec;
  spec.units = {{"../../../outside/secret.xhtml", "Secret", "<p>x</p>", "inside.xhtml"},
                {"/etc/passwd", "Absolute", "<p>y</p>", "abs.xhtml"},
                {"fine.xhtml", "Fine", "<p>z</p>"}};
  EPUBBook b(book("pointers.epub", spec));
  ASSERT_TRUE(b.load()) << b.lastError();
  ASSERT_EQ(b.spines().size(), 1u);
  EXPECT_EQ(b.spines()[0].title, "Fine");
  EXPECT_EQ(b.spines()[0].index, 0);
  test::BookSpec onlyOutside;
  onlyOutside.units = {{"../../x.xhtml", "X", "<p>x</p>", "x.xhtml"}};
  EPUBBook c(book("outsideonly.epub", onlyOutside));
  EXPECT_FALSE(c.load());
}

TEST_F(EPUBBookTest, UnpacksOnceAndAgainWhenTheBookChanges) {
  fs::path p = book("handbook.epub", threeUnits());
  EPUBBook first(p);
  ASSERT_TRUE(first.load());
  const fs::path folder = first.folderPath();
  EXPECT_TRUE(fs::exists(folder / EPUBBook::kExtractionMarker));
  // The same book again: the folder is taken as it is.
  std::ofstream(folder / "sentinel") << "kept";
  EPUBBook again(p);
  ASSERT_TRUE(again.load());
  EXPECT_TRUE(fs::exists(folder / "sentinel"));

  // A newer book under the same name replaces the folder's content.
  test::BookSpec two;
  two.units = {{"new.xhtml", "New", "<p>new</p>"}};
  ASSERT_TRUE(test::writeBook(p, two));
  fs::last_write_time(p, fs::last_write_time(p) + std::chrono::seconds(5));
  EPUBBook changed(p);
  ASSERT_TRUE(changed.load());
  EXPECT_EQ(titlesOf(changed), (std::vector<std::string>{"New"}));
  EXPECT_FALSE(fs::exists(folder / "sentinel"));
  EXPECT_FALSE(fs::exists(folder / "OEBPS" / "one.xhtml"));

  // A folder left without its marker (an unpacking cut short) is unpacked again.
  fs::remove(folder / EPUBBook::kExtractionMarker);
  fs::remove(folder / "OEBPS" / "new.xhtml");
  EPUBBook partial(p);
  ASSERT_TRUE(partial.load());
  EXPECT_TRUE(fs::exists(folder / "OEBPS" / "new.xhtml"));

  // A damaged newer book leaves the last good content in place.
  std::ofstream(p, std::ios::trunc) << "garbage";
  EPUBBook broken(p);
  EXPECT_FALSE(broken.load());
  EXPECT_TRUE(fs::exists(folder / "OEBPS" / "new.xhtml"));
}

TEST_F(EPUBBookTest, FolderBesideTheFile) {
  struct Case {
    const char* file;
    const char* folder;
  };
  const Case cases[] = {
      {"book.epub", "book"}, {"book.v2.epub", "book.v2"}, {"book", "book.d"}, {".epub", ".epub.d"}};
  for (const auto& c : cases) EXPECT_EQ(EPUBBook(dir / c.file).folderPath(), dir / c.folder) << c.file;

  // A book without an extension opens; its folder is not the file itself.
  fs::path bare = book("handbook", threeUnits());
  EPUBBook b(bare);
  ASSERT_TRUE(b.load()) << b.lastError();
  EXPECT_TRUE(fs::is_directory(dir / "handbook.d"));
  EXPECT_TRUE(fs::is_regular_file(bare));
  // A file where the folder would go is never replaced.
  fs::path p = book("notes.epub", threeUnits());
  std::ofstream(dir / "notes") << "someone else's file";
  EPUBBook n(p);
  EXPECT_FALSE(n.load());
  EXPECT_EQ(readFile(dir / "notes"), "someone else's file");
}

// The sample books of real publishers, copied beside the test's data as a
// download would put them.
TEST_F(EPUBBookTest, EveryCorpusBookLoads) {
  const auto corpus = test::corpusFiles("epub");
  if (corpus.empty()) GTEST_SKIP() << "no corpus here";
  struct Expect {
    std::size_t units;
    std::vector<std::pair<std::size_t, std::string>> titles;  // unit index, title
  };
  const std::map<std::string, Expect> expected = {
      {"childrens-literature.epub", {3, {{0, ""}}}},
      {"georgia-cfi.epub", {2, {{0, ""}, {1, ""}}}},
      {"internallinks.epub", {7, {{1, "EPUBリーダの数式サポート―iBooks3.0のMathML表示がかなり進化"}}}},
      {"moby-dick.epub", {144, {{0, ""}}}},
      {"regime-anticancer-arabic.epub", {3, {{0, "Couverture"}, {1, "Page de titre"}, {2, "Commencer la lecture"}}}},
      {"wasteland.epub", {1, {{0, "I. THE BURIAL OF THE DEAD"}}}},
  };
  std::size_t seen = 0;
  test::checkEveryFile(corpus, [&](const fs::path& source) {
    ++seen;
    const fs::path copy = dir / source.filename();
    fs::copy_file(source, copy);
    EPUBBook b(copy);
    ASSERT_TRUE(b.load()) << copy << ": " << b.lastError();
    for (const auto& s : b.spines()) EXPECT_TRUE(fs::is_regular_file(s.path)) << s.path;
    // The same book damaged: cut short as by a broken download, and with its
    // stored bytes altered half-way. Either fails with a reason and leaves
    // no folder that could be taken for the book.
    const std::string bytes = readFile(source);
    const std::string stem = source.stem().string();
    std::string altered = bytes;
    for (std::size_t i = altered.size() / 2; i < altered.size() / 2 + 64 && i < altered.size(); ++i) altered[i] ^= 0x5a;
    for (const auto& [suffix, damaged] : {std::pair{"-cut", bytes.substr(0, bytes.size() / 2)}, std::pair{"-altered", altered}}) {
      const fs::path bad = dir / (stem + suffix + ".epub");
      std::ofstream(bad, std::ios::binary) << damaged;
      EPUBBook broken(bad);
      EXPECT_FALSE(broken.load()) << bad;
      EXPECT_FALSE(broken.lastError().empty()) << bad;
      EXPECT_FALSE(fs::exists(broken.folderPath())) << bad;
    }
    auto e = expected.find(source.filename().string());
    if (e == expected.end()) return;
    EXPECT_EQ(b.spines().size(), e->second.units) << copy;
    for (const auto& [index, title] : e->second.titles) {
      ASSERT_LT(index, b.spines().size());
      EXPECT_EQ(b.spines()[index].title, title) << copy << " unit " << index;
    }
  });
  EXPECT_GE(seen, expected.size());
}

}  // namespace
}  // namespace mv
