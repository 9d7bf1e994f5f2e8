// The office suite as the viewers use it: a real conversion cached by the
// file's bytes, and fake converters on the PATH for what the real one rarely
// does (hang with a helper of its own, fail, take odd file names).
#include <gtest/gtest.h>
#include <httplib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "TestEnvironment.hpp"
#include "platform/gfx/PdfDocument.hpp"
#include "sales-service/DocumentFactory.hpp"
#include "services/OfficeConverter.hpp"
#include "services/OfficePreviewCache.hpp"
#include "util/ZipWriter.hpp"

namespace fs = std::filesystem;

namespace svc {
namespace {

using Failure = OfficeConverter::Failure;

class OfficeConverterTest : public mv::test::TestEnvironment {
 protected:
  void TearDown() override {
    ::setenv("PATH", keptPath_.c_str(), 1);
    mv::test::TestEnvironment::TearDown();
  }
  fs::path write(const std::string& name, const std::string& bytes) {
    const fs::path path = root / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // Puts a shell script named soffice first on the PATH.
  void fakeConverter(const std::string& body) {
    const fs::path bin = root / "bin";
    fs::create_directories(bin);
    const fs::path script = bin / "soffice";
    std::ofstream(script) << "#!/bin/sh\n" << body;
    ::chmod(script.c_str(), 0755);
    ::setenv("PATH", (bin.string() + ":" + keptPath_).c_str(), 1);
  }
  // The application is this program started afresh (a copy of a process
  // whose other threads may hold locks could hang): it converts as a viewer
  // does, with a converter that starts a helper of its own and keeps
  // converting, and once the helper runs `end` ends it. The helper goes with it.
  template <typename Ends>
  void theSuiteEndsWithTheApplication(void (*end)(), Ends ends) {
    const fs::path pipe = root / "helper.pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fakeConverter("sleep 600 &\necho $! > '" + pipe.string() + "'\nwait\n");
    const fs::path source = write("deck.pptx", kZipStart + "bytes");
    mv::test::runInFreshProgram(
        [&] {
          (void)OfficeConverter::convertAsync(source, root / "cache", 600,
                                              [](const std::optional<fs::path>&, Failure) {});
          const pid_t started = helperStarted(pipe);
          ASSERT_GT(started, 0) << "the converter's helper was not started within " << kProcessWait.count() << " s";
          // For the test, which sees this program's files once it has ended.
          std::ofstream(root / "helper.pid") << started << "\n";
          // An application that does not end in time is ended by the alarm,
          // which the test reports as the wrong end.
          ::alarm(static_cast<unsigned>(kProcessWait.count()));
          end();
        },
        ends);
    // What the application wrote is in its own root.
    pid_t helper = 0;
    std::ifstream(mv::test::freshProgramRoot() / "helper.pid") >> helper;
    ASSERT_GT(helper, 0) << "the application never saw the converter's helper";
    EXPECT_TRUE(gone(helper)) << "the converter's helper outlived the application by " << kProcessWait.count() << " s";
    if (!processGone(helper)) ::kill(helper, SIGKILL);
  }

  // Real processes start and end on their own time, which the test's clock
  // cannot move: the test waits for their events (a pipe written, a process
  // ended), for a few seconds at most.
  static constexpr std::chrono::seconds kProcessWait{10};
  static constexpr int kProcessWaitMs = static_cast<int>(std::chrono::milliseconds(kProcessWait).count());

  // The number of the helper a fake converter writes to the named pipe
  // `pipe`, once the whole line is there; 0 when none came in time.
  static pid_t helperStarted(const fs::path& pipe) {
    const int fd = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return 0;
    const auto until = std::chrono::steady_clock::now() + kProcessWait;
    std::string line;
    while (line.find('\n') == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
      pollfd ready{fd, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
      char bytes[32];
      const ssize_t n = ::read(fd, bytes, sizeof bytes);
      if (n <= 0) break;
      line.append(bytes, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return line.find('\n') == std::string::npos ? 0 : static_cast<pid_t>(std::stol(line));
  }
  // The process ended, now or within the wait: a killed one takes a moment.
  static bool gone(pid_t pid) {
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    // None to open: it has ended and been reaped.
    if (fd < 0) return processGone(pid);
    pollfd ended{fd, POLLIN, 0};
    (void)::poll(&ended, 1, kProcessWaitMs);
    ::close(fd);
    return processGone(pid);
  }
  static bool processGone(pid_t pid) {
    if (::kill(pid, 0) != 0) return true;
    // Killed and waiting for its new parent to reap it.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z';
  }

  // What a fake converter is given must pass for a package.
  const std::string kZipStart = std::string("PK\x03\x04", 4);
  const std::string keptPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
};

TEST_F(OfficeConverterTest, ConvertsOnceAndKeysTheCacheByTheBytes) {
  if (!OfficeConverter::program()) GTEST_SKIP() << "the office suite is installed by scripts/setup-deps";
  EXPECT_TRUE(OfficeConverter::isOfficeFile("old.DOC"));
  EXPECT_TRUE(OfficeConverter::isOfficeFile("deck.pptx"));
  EXPECT_FALSE(OfficeConverter::isOfficeFile("book.epub"));
  const fs::path cache = root / "cache";
  const fs::path source = write("guide.docx", mv::sales::DocumentFactory::docx("Guide", {"Chairs in oak", "Tables"}));
  Failure error{};
  auto pdf = OfficeConverter::convertToPdf(source, cache, 120, &error);
  ASSERT_TRUE(pdf) << OfficeConverter::describe(error);
  auto document = gfx::PdfDocument::open(*pdf);
  ASSERT_TRUE(document);
  EXPECT_NE(document->text(0).find("Chairs in oak"), std::string::npos);

  // Found again without the converter: a broken one on the PATH is not run.
  fakeConverter("exit 1\n");
  EXPECT_EQ(OfficeConverter::convertToPdf(source, cache, 5, &error), pdf);
  const OfficePreviewCache kept(cache);
  const fs::path copy = root / "copy of guide.docx";
  fs::copy_file(source, copy);
  EXPECT_NE(kept.pdfPathFor(copy), pdf) << "each file its own entries, to go with it";
  write("guide.docx", mv::sales::DocumentFactory::docx("Guide", {"Chairs in pine"}));
  EXPECT_NE(kept.pdfPathFor(source), pdf) << "changed bytes are converted again";
  EXPECT_FALSE(OfficeConverter::convertToPdf(source, cache, 5, &error));
  EXPECT_EQ(error, Failure::Damaged);
  EXPECT_FALSE(kept.pdfPathFor(root / "missing.docx"));
  // Text under a newer format's name is not handed over, to be shown as text.
  EXPECT_FALSE(OfficeConverter::convertToPdf(write("notes.docx", "not a document"), cache, 5, &error));
  EXPECT_EQ(error, Failure::Damaged);
}

TEST_F(OfficeConverterTest, OnlyBytesThatCanBeOfTheFormatReachTheSuite) {
  const fs::path ran = root / "ran";
  fakeConverter("echo run >> '" + ran.string() + "'\nwhile [ \"$1\" != --outdir ]; do shift; done\n"
                "printf '%%PDF-1.4 fake' > \"$2/document.pdf\"\n");
  std::string random(600, '\0');
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>(i * 37 % 256);
  const struct {
    std::string name, bytes;
    Failure error;
  } cases[] = {
      {"compound.doc", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + random, Failure::None},
      {"web page.xls", "<html><body><table><tr><td>Lamp</td></tr></table></body></html>", Failure::None},
      {"excel4.xls", std::string("\x09\x04\x06\x00\x00\x00", 6) + random, Failure::None},
      {"letter.rtf", "{\\rtf1\\ansi Beech stools\\par}", Failure::None},
      // Older documents the suite reads, under their names or another's.
      {"winword2.doc", std::string("\xDB\xA5\x2D\x00", 4) + random, Failure::None},
      {"wordperfect.doc", std::string("\xFFWPC\x10\x00\x00\x00\x01\x0A", 10) + random, Failure::None},
      {"letter.wpd", std::string("\xFFWPC\x10\x00\x00\x00\x01\x0A", 10) + random, Failure::None},
      {"wordperfect42.doc", std::string("\xCB\x0A\x00\x00\x00\xCB", 6) + random, Failure::None},
      {"renamed.docx", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + random, Failure::None},
      {"drawing.odg", kZipStart + "bytes", Failure::None},
      {"plan.vsd", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + random, Failure::None},
      {"damaged.doc", random, Failure::Damaged},
      {"damaged.ppt", "", Failure::Damaged},
      {"empty.wpd", "", Failure::Damaged},
      {"text.odt", "not a package", Failure::Damaged},
      {"talk.key", kZipStart + "bytes", Failure::NotOffice},
  };
  int reached = 0;
  for (const auto& c : cases) {
    Failure error{};
    const bool converted = OfficeConverter::convertToPdf(write(c.name, c.bytes), root / "cache", 5, &error).has_value();
    EXPECT_EQ(converted, c.error == Failure::None) << c.name << ": " << OfficeConverter::describe(error);
    if (!converted) {
      EXPECT_EQ(error, c.error) << c.name;
    }
    reached += converted;
  }
  std::ifstream in(ran);
  int runs = 0;
  for (std::string line; std::getline(in, line);) ++runs;
  EXPECT_EQ(runs, reached) << "what is refused never reaches the suite";
}

TEST_F(OfficeConverterTest, TheSuitesOwnAnswerIsTrustedButRawBytesOfASheetAreDamage) {
  auto suite = OfficeConverter::program();
  if (!suite) GTEST_SKIP() << "the office suite is installed by scripts/setup-deps";
  const fs::path cache = root / "cache";
  Failure error{};
  // A WordPerfect letter saved under the Word name: the suite reads it.
  const std::string wordPerfect = std::string("\xFFWPC\x10\x00\x00\x00\x01\x0A\x00\x00\x00\x00\x00\x00", 16) +
                                  "Oak chairs and tables for the spring catalogue.";
  auto letter = OfficeConverter::convertToPdf(write("letter.doc", wordPerfect), cache, 120, &error);
  ASSERT_TRUE(letter) << OfficeConverter::describe(error);
  auto document = gfx::PdfDocument::open(*letter);
  ASSERT_TRUE(document);
  EXPECT_NE(document->text(0).find("Oak chairs"), std::string::npos);
  EXPECT_EQ(document->text(0).find("WPC"), std::string::npos) << "read as a document, not as text";
  // So is one of WordPerfect 4.2, which starts with a function group.
  const std::string wordPerfect42 = std::string("\xCB\x0A\x00\x00\x00\xCB", 6) + "Beech stools in stock.\r\n";
  auto older = OfficeConverter::convertToPdf(write("stools.doc", wordPerfect42), cache, 120, &error);
  ASSERT_TRUE(older) << OfficeConverter::describe(error);
  auto olderDocument = gfx::PdfDocument::open(*older);
  ASSERT_TRUE(olderDocument);
  EXPECT_NE(olderDocument->text(0).find("Beech stools"), std::string::npos);
  EXPECT_EQ(olderDocument->text(0).find("\xC3\x8B"), std::string::npos) << "its codes are not shown as letters";

  // A workbook whose header is intact and the rest is not: the suite shows
  // its bytes as text in cells, which is no spreadsheet.
  std::string damaged = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  for (int i = 0; i < 600; ++i) damaged.push_back(static_cast<char>(i * 37 % 256));
  EXPECT_FALSE(OfficeConverter::convertToPdf(write("prices.xls", damaged), cache, 120, &error));
  EXPECT_EQ(error, Failure::Damaged);
  EXPECT_FALSE(fs::exists(*OfficePreviewCache(cache).pdfPathFor(root / "prices.xls"))) << "nothing kept of it";

  // A real workbook of the old format, made by the suite, is shown.
  const fs::path made = root / "made";
  fs::create_directories(made);
  std::ofstream(made / "sheet.csv") << "Lamp,12\nChair,40\n";
  const std::string command = "'" + suite->string() + "' --headless -env:UserInstallation=file://" +
                              (made / "profile").string() + " --convert-to xls --outdir '" + made.string() + "' '" +
                              (made / "sheet.csv").string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  auto sheet = OfficeConverter::convertToPdf(made / "sheet.xls", cache, 120, &error);
  ASSERT_TRUE(sheet) << OfficeConverter::describe(error);
  auto shown = gfx::PdfDocument::open(*sheet);
  ASSERT_TRUE(shown);
  EXPECT_NE(shown->text(0).find("Chair"), std::string::npos);
}

// A letter saved as a page names its style sheet and pictures on a host,
// a .docx links its picture there: both convert, and the host hears nothing.
TEST_F(OfficeConverterTest, ADocumentConvertsWithoutFetchingWhatItLinks) {
  if (!OfficeConverter::program()) GTEST_SKIP() << "the office suite is installed by scripts/setup-deps";
  httplib::Server host;
  std::atomic<int> asked{0};
  host.set_pre_routing_handler([&](const httplib::Request&, httplib::Response& res) {
    ++asked;
    res.status = 404;
    return httplib::Server::HandlerResponse::Handled;
  });
  const std::string at = "http://127.0.0.1:" + std::to_string(host.bind_to_any_port("127.0.0.1"));
  std::thread serving([&] { host.listen_after_bind(); });
  struct Stop {
    httplib::Server& host;
    std::thread& serving;
    ~Stop() {
      host.stop();
      serving.join();
    }
  } stop{host, serving};
  const fs::path letter = write("letter.doc",
      "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" xmlns:w=\"urn:schemas-microsoft-com:office:word\">\n"
      "<head><meta name=ProgId content=Word.Document><link rel=Stylesheet href=\"" + at + "/style.css\">\n"
      "<link rel=File-List href=\"" + at + "/filelist.xml\"></head>\n<body><p class=MsoNormal>Oak chairs in stock</p>\n"
      "<table><tr><td>Chair</td><td><img src=\"" + at + "/chair.png\" width=20 height=20></td></tr></table>"
      "</body></html>\n");
  const fs::path linked = root / "linked.docx";
  {
    const std::string ns = "http://schemas.openxmlformats.org/", rels = ns + "officeDocument/2006/relationships";
    const std::string part = "<Relationships xmlns=\"" + ns + "package/2006/relationships\"><Relationship ";
    mv::ZipWriter zip;
    ASSERT_TRUE(zip.open(linked));
    ASSERT_TRUE(zip.addBytes("[Content_Types].xml",
        "<Types xmlns=\"" + ns + "package/2006/content-types\"><Default Extension=\"rels\" ContentType=\"application/"
        "vnd.openxmlformats-package.relationships+xml\"/><Override PartName=\"/word/document.xml\" ContentType=\""
        "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>"));
    ASSERT_TRUE(zip.addBytes("_rels/.rels", part + "Id=\"rId1\" Type=\"" + rels +
                                                "/officeDocument\" Target=\"word/document.xml\"/></Relationships>"));
    ASSERT_TRUE(zip.addBytes("word/_rels/document.xml.rels",
        part + "Id=\"rId5\" Type=\"" + rels + "/image\" Target=\"" + at + "/linked.png\" TargetMode=\"External\"/>"
        "</Relationships>"));
    ASSERT_TRUE(zip.addBytes("word/document.xml",
        "<w:document xmlns:w=\"" + ns + "wordprocessingml/2006/main\" xmlns:r=\"" + rels + "\" xmlns:wp=\"" + ns +
        "drawingml/2006/wordprocessingDrawing\" xmlns:a=\"" + ns + "drawingml/2006/main\" xmlns:pic=\"" + ns +
        "drawingml/2006/picture\"><w:body><w:p><w:r><w:t>Tables in stock</w:t></w:r></w:p><w:p><w:r><w:drawing>"
        "<wp:inline><wp:extent cx=\"952500\" cy=\"952500\"/><wp:docPr id=\"1\" name=\"Picture 1\"/><a:graphic>"
        "<a:graphicData uri=\"" + ns + "drawingml/2006/picture\"><pic:pic><pic:nvPicPr><pic:cNvPr id=\"1\" name=\"p\"/>"
        "<pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:link=\"rId5\"/></pic:blipFill><pic:spPr><a:xfrm>"
        "<a:ext cx=\"952500\" cy=\"952500\"/></a:xfrm><a:prstGeom prst=\"rect\"/></pic:spPr></pic:pic>"
        "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p></w:body></w:document>"));
    ASSERT_TRUE(zip.close());
  }
  for (const auto& [source, words] : {std::pair{letter, "Oak chairs"}, std::pair{linked, "Tables in stock"}}) {
    Failure error{};
    const auto pdf = OfficeConverter::convertToPdf(source, root / "cache", 120, &error);
    ASSERT_TRUE(pdf) << source << ": " << OfficeConverter::describe(error);
    auto document = gfx::PdfDocument::open(*pdf);
    ASSERT_TRUE(document);
    EXPECT_NE(document->text(0).find(words), std::string::npos) << source;
  }
  EXPECT_EQ(asked.load(), 0) << "requests reached the host the documents name";
}

TEST_F(OfficeConverterTest, TheSuiteEndsWithTheApplicationEndingNormally) {
  // The application ends as its main returns: its conversion worker is ended
  // on the way out, and the suite with it.
  theSuiteEndsWithTheApplication([] { std::exit(0); }, ::testing::ExitedWithCode(0));
}

TEST_F(OfficeConverterTest, TheSuiteEndsWithTheApplicationKilledOutright) {
  // Nothing of the application runs once it is killed: the suite's guard
  // sees it gone.
  theSuiteEndsWithTheApplication([] { ::kill(::getpid(), SIGKILL); }, ::testing::KilledBySignal(SIGKILL));
}

TEST_F(OfficeConverterTest, AHungConverterIsEndedWithEverythingItStarted) {
  const fs::path helperPid = root / "helper.pid";
  // The converter starts a helper of its own, then hangs.
  fakeConverter("sleep 600 &\necho $! > '" + helperPid.string() + "'\nsleep 600\n");
  const fs::path source = write("deck.pptx", kZipStart + "bytes");
  Failure error{};
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(OfficeConverter::convertToPdf(source, root / "cache", 1, &error));
  EXPECT_EQ(error, Failure::TooLong);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  std::ifstream in(helperPid);
  pid_t helper = 0;
  ASSERT_TRUE(in >> helper);
  // The kill is delivered at once; the helper may take a moment to end.
  EXPECT_TRUE(gone(helper)) << "the helper outlived the converter by " << kProcessWait.count() << " s";
  EXPECT_FALSE(fs::exists(root / "cache" / "profile")) << "a killed converter's profile is not kept";
}

TEST_F(OfficeConverterTest, AConverterPastItsMemoryCeilingIsEndedWithEverythingItStarted) {
  // A helper of the converter's takes the memory; the group is measured.
  const fs::path helperPid = root / "helper.pid";
  fakeConverter("python3 -c 'import time; kept = bytearray(300 << 20); kept[::4096] = b\"x\" * len(kept[::4096]); "
                "time.sleep(600)' &\necho $! > '" + helperPid.string() + "'\nwait\n");
  OfficeConverter::setMemoryCeiling(120);
  Failure error{};
  EXPECT_FALSE(OfficeConverter::convertToPdf(write("bomb.docx", kZipStart + "bytes"), root / "cache", 600, &error));
  OfficeConverter::setMemoryCeiling(OfficeConverter::defaultMemoryCeiling());
  EXPECT_EQ(error, Failure::TooLarge) << OfficeConverter::describe(error);
  pid_t helper = 0;
  ASSERT_TRUE(std::ifstream(helperPid) >> helper);
  EXPECT_TRUE(gone(helper)) << "the helper outlived the converter by " << kProcessWait.count() << " s";
  EXPECT_FALSE(fs::exists(root / "cache" / "profile")) << "a killed converter's profile is not kept";
  // Unless set, the ceiling is half the machine's memory within its bounds:
  // a document of many camera pictures takes the suite past a gigabyte.
  EXPECT_EQ(OfficeConverter::memoryCeilingFor(1024), OfficeConverter::kLeastMemoryCeiling);
  EXPECT_EQ(OfficeConverter::memoryCeilingFor(4096), 2048u);
  EXPECT_EQ(OfficeConverter::memoryCeilingFor(24576), OfficeConverter::kMostMemoryCeiling);
}

TEST_F(OfficeConverterTest, ACancelledConversionEndsAndAnOddNameReachesTheConverterWhole) {
  const fs::path args = root / "args";
  // Writes each argument on a line, then a PDF where it was told to.
  fakeConverter("for a in \"$@\"; do echo \"$a\" >> '" + args.string() + "'; done\n"
                "while [ \"$1\" != --outdir ]; do shift; done\n"
                "printf '%%PDF-1.4 fake' > \"$2/document.pdf\"\n");
  const fs::path source = write("Prices; rm -rf $HOME 'quoted'.xlsx", kZipStart + "bytes");
  Failure error{};
  auto pdf = OfficeConverter::convertToPdf(source, root / "cache", 5, &error);
  ASSERT_TRUE(pdf) << OfficeConverter::describe(error);
  std::ifstream in(args);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(fs::path(lines.back()).filename(), "document.xlsx") << "the file goes in under a plain name";
  EXPECT_TRUE(fs::exists(fs::path(lines.back()).parent_path().parent_path())) << "inside the cache";

  fakeConverter("sleep 600\n");
  base::CancelFlag cancel;
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cancel.cancel();
  });
  const fs::path other = write("other.docx", kZipStart + "other bytes");
  EXPECT_FALSE(OfficeConverter::convertToPdf(other, root / "cache", 600, &error, &cancel));
  canceller.join();
  EXPECT_EQ(error, Failure::Cancelled);
}

}  // namespace
}  // namespace svc
