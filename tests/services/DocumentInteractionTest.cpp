// Handing files and addresses to other applications: nobody takes them
// without a display, and tests put their own taker in place.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "TestEnvironment.hpp"
#include "services/DocumentInteractionController.hpp"

namespace fs = std::filesystem;

namespace {

class DocumentInteractionTest : public mv::test::TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
      if (const char* v = std::getenv(name)) saved_.emplace_back(name, v);
      ::unsetenv(name);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
    svc::DocumentInteractionController::install(nullptr);
    TestEnvironment::TearDown();
  }
  std::vector<std::pair<std::string, std::string>> saved_;
};

class Taker : public svc::DocumentInteractionController {
 public:
  bool presentOpenInMenu(const fs::path& file, const std::string&) override {
    files.push_back(file);
    return true;
  }
  std::vector<fs::path> files;
};

TEST_F(DocumentInteractionTest, WithoutADisplayNobodyTakesFilesOrAddresses) {
  fs::path file = root / "a.pdf";
  std::ofstream(file) << "%PDF-1.4";
  EXPECT_FALSE(svc::DesktopDocumentInteraction::hasDisplay());
  EXPECT_FALSE(svc::DocumentInteractionController::shared()->presentOpenInMenu(file, "com.adobe.pdf"));
  EXPECT_FALSE(svc::URLOpener::openOnDesktop("http://www.example.com"));
  EXPECT_EQ(svc::DocumentInteractionController::mediaTypeForIdentifier("com.adobe.pdf"), "application/pdf");
  EXPECT_EQ(svc::DocumentInteractionController::mediaTypeForIdentifier("com.example.unknown"), "");
  auto taker = std::make_shared<Taker>();
  svc::DocumentInteractionController::install(taker);
  EXPECT_TRUE(svc::DocumentInteractionController::shared()->presentOpenInMenu(file, "com.adobe.pdf"));
  EXPECT_EQ(taker->files, (std::vector<fs::path>{file}));
}

}  // namespace
