// The office converter against a stand-in on the PATH that records its
// arguments, so that the call runs wherever the office suite is absent.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestEnvironment.hpp"
#include "services/OfficeConverter.hpp"

namespace fs = std::filesystem;

namespace svc {
namespace {

// Writes its name and arguments, one a line, to $FAKE_CONVERTER_LOG; then fails,
// writes nothing, or writes "<stem>.pdf" into the --outdir, as
// $FAKE_CONVERTER_MODE says.
constexpr const char* kFakeConverter = R"(#!/bin/sh
printf '%s\n' "$0" "$@" > "$FAKE_CONVERTER_LOG"
[ "$FAKE_CONVERTER_MODE" = fail ] && exit 3
[ "$FAKE_CONVERTER_MODE" = nopdf ] && exit 0
out=""; prev=""; last=""
for a in "$@"; do [ "$prev" = "--outdir" ] && out="$a"; prev="$a"; last="$a"; done
base="${last##*/}"
printf '%%PDF-1.4 made from %s\n' "$base" > "$out/${base%.*}.pdf"
)";

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::string> lines(const fs::path& path) {
  std::ifstream in(path);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

class OfficeConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = mv::test::makeTempDir("converter");
    bin = root / "bin";
    fs::create_directories(bin);
    installAs("soffice");
    const char* path = std::getenv("PATH");
    savedPath = path ? path : "";
    // Only the stand-in: an installed suite must not answer instead.
    ::setenv("PATH", bin.c_str(), 1);
    ::setenv("FAKE_CONVERTER_LOG", (root / "arguments").c_str(), 1);
    ::setenv("FAKE_CONVERTER_MODE", "pdf", 1);
  }
  void TearDown() override {
    ::setenv("PATH", savedPath.c_str(), 1);
    ::unsetenv("FAKE_CONVERTER_LOG");
    ::unsetenv("FAKE_CONVERTER_MODE");
    fs::remove_all(root);
  }
  void installAs(const std::string& name) {
    std::ofstream(bin / name) << kFakeConverter;
    fs::permissions(bin / name, fs::perms::owner_all);
  }
  fs::path source(const std::string& name, const std::string& text) {
    std::ofstream(root / name) << text;
    return root / name;
  }

  fs::path root, bin;
  std::string savedPath;
};

TEST_F(OfficeConverterTest, TheConverterGetsEachArgumentWholeAndAPlainInputName) {
  // A name a shell would split, expand and run.
  const fs::path doc = source("-rf ; $(touch pwned) `touch pwned2` 'q\" *.DOC", "old word file");
  const fs::path cache = root / "cache";
  std::string error;
  auto pdf = OfficeConverter::convertToPdf(doc, cache, 30, &error);
  ASSERT_TRUE(pdf) << error;
  EXPECT_EQ(*pdf, OfficeConverter::cachedPdfPath(doc, cache));
  EXPECT_EQ(contents(*pdf), "%PDF-1.4 made from document.doc\n");

  const auto args = lines(root / "arguments");
  ASSERT_EQ(args.size(), 10u);
  EXPECT_EQ(args[0], (bin / "soffice").string());
  EXPECT_EQ(std::vector<std::string>(args.begin() + 1, args.begin() + 4),
            (std::vector<std::string>{"--headless", "--norestore", "--nologo"}));
  const fs::path input = args[9];
  const fs::path work = input.parent_path();
  EXPECT_EQ(input.filename(), "document.doc");
  EXPECT_EQ(work.parent_path(), cache);
  EXPECT_EQ(args[4], "-env:UserInstallation=file://" + (work / "profile").string());
  EXPECT_EQ(std::vector<std::string>(args.begin() + 5, args.begin() + 9),
            (std::vector<std::string>{"--convert-to", "pdf", "--outdir", (work / "out").string()}));
  // Nothing of the name was run, and the work folder is gone.
  EXPECT_FALSE(fs::exists(root / "pwned"));
  EXPECT_FALSE(fs::exists("pwned"));
  EXPECT_FALSE(fs::exists("pwned2"));
  EXPECT_FALSE(fs::exists(work));

  // Converted once: the cached PDF is handed back without a run.
  fs::remove(root / "arguments");
  EXPECT_EQ(OfficeConverter::convertToPdf(doc, cache, 30, &error), pdf);
  EXPECT_FALSE(fs::exists(root / "arguments"));
}

TEST_F(OfficeConverterTest, AFailedOrSilentConverterLeavesNoPdfAndSaysWhy) {
  const fs::path cache = root / "cache";
  const fs::path sheet = source("prices.xls", "old sheet");
  std::string error;
  ::setenv("FAKE_CONVERTER_MODE", "fail", 1);
  EXPECT_FALSE(OfficeConverter::convertToPdf(sheet, cache, 30, &error));
  EXPECT_EQ(error, "the converter failed");
  ::setenv("FAKE_CONVERTER_MODE", "nopdf", 1);
  EXPECT_FALSE(OfficeConverter::convertToPdf(sheet, cache, 30, &error));
  EXPECT_EQ(error, "the converter wrote no PDF");
  EXPECT_FALSE(fs::exists(*OfficeConverter::cachedPdfPath(sheet, cache)));

  // The suite's other name is found as well.
  fs::remove(bin / "soffice");
  EXPECT_FALSE(OfficeConverter::program());
  installAs("libreoffice");
  EXPECT_EQ(OfficeConverter::program(), bin / "libreoffice");
  ::setenv("FAKE_CONVERTER_MODE", "pdf", 1);
  auto pdf = OfficeConverter::convertToPdf(sheet, cache, 30, &error);
  ASSERT_TRUE(pdf) << error;
  EXPECT_EQ(contents(*pdf), "%PDF-1.4 made from document.xls\n");
}

}  // namespace
}  // namespace svc
