#include <fstream>
#include <string>
#include <vector>

#include "SessionFixture.hpp"
#include "PublicFunctionFixture.hpp"
#include "platform/base/Paths.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

class FilesTest : public PublicFunctionFixture {
 protected:
  static void touch(const fs::path& p, const std::string& content = "x") {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << content;
  }
  static std::string read(const fs::path& p) {
    std::ifstream in(p);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  // A client folder with its database.
  static void makeClient(const fs::path& dir, const std::string& marker) {
    touch(dir / kClientDatabaseFileName, marker);
  }
  static void writeImage(const fs::path& p, int w, int h) {
    fs::create_directories(p.parent_path());
    gfx::ImageData img(w, h);
    ASSERT_TRUE(img.writePNG(p));
  }
};

TEST_F(FilesTest, PathsAndAddressesOfAllElevenTypes) {
  mv::test::signInAs("AcmeCo", "rep");
  struct Row {
    int type;
    const char* folder;  // nullptr: the client folder itself
    const char* serverPath;
  };
  const std::vector<Row> rows = {
      {1, "ProductImages", "product"},
      {2, "CatalogImages", "CatalogImages"},
      {3, "ConfigImages", "icon"},
      {4, "LibraryImages", "library/cover_image"},
      {5, "Pdf", "library/pdf"},
      {6, "Video", "library/vedio"},
      {7, "Excel", "library/excel"},
      {8, "Word", "library/word"},
      {9, "EPub", "library/epub"},
      {10, "Keynote", "library/keynote"},
      {11, nullptr, nullptr},
  };
  const fs::path client = root / "Documents" / "acmeco";
  for (const Row& r : rows) {
    SCOPED_TRACE(r.type);
    auto path = PublicFunction::filePathWithName("a b.png", r.type);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, r.folder ? client / r.folder / "a b.png" : client / "a b.png");
    auto url = PublicFunction::fileURLWithName("a b.png", r.type);
    ASSERT_TRUE(url.has_value());
    // the client id goes into the address as typed
    std::string expected = "http://127.0.0.1:480/marvisto_saas/images/AcmeCo/";
    if (r.serverPath) expected += std::string(r.serverPath) + "/";
    EXPECT_EQ(*url, expected + "a%20b.png");
  }

  // names are escaped as one path segment
  EXPECT_EQ(PublicFunction::fileURLWithName("my file #1 100%.png", 1).value_or(""),
            "http://127.0.0.1:480/marvisto_saas/images/AcmeCo/product/my%20file%20%231%20100%25.png");
  EXPECT_EQ(PublicFunction::fileURLWithName("a?b&c=d.png", 1).value_or(""),
            "http://127.0.0.1:480/marvisto_saas/images/AcmeCo/product/a%3Fb%26c%3Dd.png");
  EXPECT_EQ(PublicFunction::fileURLWithName("产品.jpg", 1).value_or(""),
            "http://127.0.0.1:480/marvisto_saas/images/AcmeCo/product/%E4%BA%A7%E5%93%81.jpg");
  EXPECT_EQ(PublicFunction::filePathWithName("产品 #1.jpg", 1).value_or(""), client / "ProductImages" / "产品 #1.jpg");

  // file type words of the library
  EXPECT_EQ(PublicFunction::getFileType("PDF"), 5);
  EXPECT_EQ(PublicFunction::getFileType("VEDIO"), 6);
  EXPECT_EQ(PublicFunction::getFileType("EXCEL"), 7);
  EXPECT_EQ(PublicFunction::getFileType("WORD"), 8);
  EXPECT_EQ(PublicFunction::getFileType("EPUB"), 9);
  EXPECT_EQ(PublicFunction::getFileType("KEYNOTE"), 10);
  EXPECT_EQ(PublicFunction::getFileType(""), 10);
}

TEST_F(FilesTest, ImagePortAndPathAreLeftOutWhenUnset) {
  mv::test::signInAs("acme", "rep");
  ServerInfo s = PublicFunction::GetServer();
  s.imageIP = "files.example.com";

  s.imageHttpPort = 80;
  PublicFunction::setServer(s);
  EXPECT_EQ(PublicFunction::fileURLWithName("p.png", 1).value_or(""),
            "http://files.example.com/marvisto_saas/images/acme/product/p.png");

  s.imageHttpPort = 0;
  s.imageWebsiteServer = " \t ";
  PublicFunction::setServer(s);
  EXPECT_EQ(PublicFunction::fileURLWithName("p.png", 1).value_or(""),
            "http://files.example.com/images/acme/product/p.png");

  s.imageHttpPort = -8080;
  s.imageWebsiteServer = "";
  EXPECT_EQ(s.imageUrlStr(), "files.example.com");
  s.imageHttpPort = 1;
  EXPECT_EQ(s.imageUrlStr(), "files.example.com:1");
  s.imageHttpPort = 81;
  s.imageWebsiteServer = "my files";
  EXPECT_EQ(s.imageUrlStr(), "files.example.com:81/my files");
  PublicFunction::setServer(s);
  EXPECT_EQ(PublicFunction::fileURLWithName("p.png", 11).value_or(""),
            "http://files.example.com:81/my%20files/images/acme/p.png");
}

TEST_F(FilesTest, UnsafeNamesAndClientsAreRefused) {
  mv::test::signInAs("acme", "rep");
  const std::vector<std::string> bad = {"",       ".",        "..",       "../x.png", "a/b.png", "/etc/passwd",
                                        "a\\b.png", "..\\x.png", std::string("a\0b", 3), "a\nb", "a\x7f",
                                        std::string(256, 'n')};
  for (const auto& name : bad) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(PublicFunction::isSafeFileName(name));
    EXPECT_FALSE(PublicFunction::filePathWithName(name, 1).has_value());
    EXPECT_FALSE(PublicFunction::fileURLWithName(name, 1).has_value());
  }
  EXPECT_TRUE(PublicFunction::isSafeFileName("...png"));
  EXPECT_TRUE(PublicFunction::isSafeFileName(std::string(255, 'n')));

  // client folders: one checked segment, lower-cased
  EXPECT_EQ(PublicFunction::clientFolder("AcMe.Co_1-x").value_or(""), root / "Documents" / "acme.co_1-x");
  for (const std::string id : {"", " ", ".", "..", "a/b", "a\\b", "a b", "ünï", "a\tb", "../acme", "acme/.."}) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(PublicFunction::clientFolder(id).has_value());
  }

  // nobody signed in, or a client id that is no folder name: no paths at all
  Session::clear();
  EXPECT_FALSE(PublicFunction::filePathWithName("p.png", 1).has_value());
  EXPECT_FALSE(PublicFunction::fileURLWithName("p.png", 1).has_value());
  mv::test::signInAs("../other", "rep");
  EXPECT_FALSE(PublicFunction::filePathWithName("p.png", 1).has_value());
  EXPECT_FALSE(PublicFunction::fileURLWithName("p.png", 1).has_value());

  // folders below Documents only
  EXPECT_TRUE(PublicFunction::createDirectoryifNeed("acme/ProductImages/"));
  EXPECT_TRUE(fs::is_directory(root / "Documents" / "acme" / "ProductImages"));
  EXPECT_TRUE(PublicFunction::createDirectoryifNeed("acme/ProductImages"));  // already there
  EXPECT_FALSE(PublicFunction::createDirectoryifNeed("../escaped"));
  EXPECT_FALSE(PublicFunction::createDirectoryifNeed("acme/../../escaped"));
  EXPECT_FALSE(fs::exists(root / "escaped"));
  EXPECT_FALSE(PublicFunction::createDirectoryifNeed((root / "abs").string()));
  touch(root / "Documents" / "plain");
  EXPECT_FALSE(PublicFunction::createDirectoryifNeed("plain/sub"));  // a file is in the way

  // a client's file folders, named by the lower-cased id; nothing for an id
  // that cannot name a folder
  ASSERT_TRUE(PublicFunction::createClientFolders("Globex"));
  for (const char* sub : {"ProductImages", "CatalogImages", "ConfigImages", "LibraryImages", "Pdf", "Video", "Excel",
                          "Word", "EPub", "Keynote", "tempDownload"}) {
    EXPECT_TRUE(fs::is_directory(root / "Documents" / "globex" / sub)) << sub;
  }
  EXPECT_TRUE(PublicFunction::createClientFolders("GLOBEX"));  // all there already
  EXPECT_FALSE(PublicFunction::createClientFolders("../escaped"));
  EXPECT_FALSE(PublicFunction::createClientFolders(""));
  EXPECT_FALSE(fs::exists(root / "escaped"));
  touch(root / "Documents" / "initech" / "Pdf");
  EXPECT_FALSE(PublicFunction::createClientFolders("initech"));  // a file is in the way of one
  EXPECT_TRUE(fs::is_directory(root / "Documents" / "initech" / "Word"));  // the others are made all the same
}

TEST_F(FilesTest, ClientFolderMovesTouchOnlyClientFolders) {
  const fs::path docs = root / "Documents", tmp = root / "tmp";
  makeClient(docs / "ClientA", "A");
  touch(docs / "ClientB" / "notes.txt");  // no database: not a client folder
  makeClient(docs / "ClientC", "C-upper");
  makeClient(docs / "clientc", "C-lower");
  touch(docs / "Loose.TXT");

  EXPECT_EQ(PublicFunction::changeAllClientFolderToLower(), 1);
  EXPECT_EQ(read(docs / "clienta" / kClientDatabaseFileName), "A");
  EXPECT_FALSE(fs::exists(docs / "ClientA"));
  EXPECT_TRUE(fs::exists(docs / "ClientB" / "notes.txt"));
  EXPECT_EQ(read(docs / "ClientC" / kClientDatabaseFileName), "C-upper");  // collision: both kept
  EXPECT_EQ(read(docs / "clientc" / kClientDatabaseFileName), "C-lower");
  EXPECT_TRUE(fs::exists(docs / "Loose.TXT"));
  EXPECT_EQ(PublicFunction::changeAllClientFolderToLower(), 0);  // nothing left to do

  makeClient(tmp / "NewCo", "new");
  touch(tmp / "partial.pdf", "half a download");
  touch(tmp / "Other" / "x.bin");                  // a folder without a database
  makeClient(tmp / "Dup", "from tmp");
  fs::create_directories(docs / "dup");            // an empty folder is still taken
  makeClient(tmp / "bad name", "spaces");          // not a client id

  EXPECT_EQ(PublicFunction::moveAllClientFolderToDocuments(), 1);
  EXPECT_EQ(read(docs / "newco" / kClientDatabaseFileName), "new");
  EXPECT_FALSE(fs::exists(tmp / "NewCo"));
  EXPECT_EQ(read(tmp / "partial.pdf"), "half a download");
  EXPECT_FALSE(fs::exists(docs / "partial.pdf"));
  EXPECT_TRUE(fs::exists(tmp / "Other" / "x.bin"));
  EXPECT_FALSE(fs::exists(docs / "other"));
  EXPECT_EQ(read(tmp / "Dup" / kClientDatabaseFileName), "from tmp");
  EXPECT_TRUE(fs::is_empty(docs / "dup"));
  EXPECT_TRUE(fs::exists(tmp / "bad name"));
}

TEST_F(FilesTest, LocalImagesFallBackToTheTypesStockPicture) {
  mv::test::signInAs("Acme", "rep");
  const fs::path client = root / "Documents" / "acme";
  const fs::path resources = root / "resources";
  struct ResourceDirGuard {
    fs::path saved = base::Bundle::resourceDir();
    ~ResourceDirGuard() { base::Bundle::setResourceDir(saved); }
  } guard;
  base::Bundle::setResourceDir(resources);

  // stock pictures, each of its own width so the test can tell them apart
  const std::vector<std::pair<std::string, int>> stock = {
      {"fileDefault", 1},     {"thumbnail_pdf", 5},  {"thumbnail_video", 6},  {"thumbnail_excel", 7},
      {"thumbnail_word", 8},  {"thumbnail_epub", 9}, {"thumbnail_slide", 10},
  };
  for (const auto& [name, w] : stock) writeImage(resources / (name + ".png"), w, 1);

  // covers of library files live among the library images; EPUB in its own folder
  writeImage(client / "LibraryImages" / "cover.png", 40, 30);
  writeImage(client / "EPub" / "book.png", 41, 30);
  writeImage(client / "ProductImages" / "shoe.png", 42, 30);
  for (int type : {5, 6, 7, 8, 10}) {
    SCOPED_TRACE(type);
    auto img = PublicFunction::getLocalImage("cover.png", type);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->width, 40);
  }
  EXPECT_EQ(PublicFunction::getLocalImage("book.png", 9)->width, 41);
  EXPECT_EQ(PublicFunction::getLocalImage("shoe.png", 1)->width, 42);
  EXPECT_EQ(PublicFunction::getLocalImage("cover.png", 4)->width, 40);

  // missing files: the type's stock picture
  for (int type = 1; type <= 11; ++type) {
    SCOPED_TRACE(type);
    auto img = PublicFunction::getLocalImage("missing.png", type);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->width, type >= 5 && type <= 10 ? type : 1);
  }
  EXPECT_EQ(PublicFunction::placeholderImageName(10), "thumbnail_slide.png");
  EXPECT_EQ(PublicFunction::placeholderImageName(3), "fileDefault.png");

  // an unreadable file and a hostile name also give the stock picture
  touch(client / "ProductImages" / "broken.png", "not an image");
  EXPECT_EQ(PublicFunction::getLocalImage("broken.png", 1)->width, 1);
  EXPECT_EQ(PublicFunction::getLocalImage("../../../etc/passwd", 5)->width, 5);

  // without resources there is nothing to show
  base::Bundle::setResourceDir(root / "no-resources");
  EXPECT_EQ(PublicFunction::getLocalImage("missing.png", 5), nullptr);
  EXPECT_EQ(PublicFunction::getLocalImage("shoe.png", 1)->width, 42);
}

}  // namespace
}  // namespace mv::test
