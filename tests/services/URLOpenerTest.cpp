// Handing addresses to other applications: nobody takes them without a
// display; with one, the desktop's helper starts the program its settings
// name, and nothing waits for it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestEnvironment.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/Application.hpp"
#include "services/DesktopLauncher.hpp"
#include "services/URLOpener.hpp"

namespace {

class URLOpenerTest : public mv::test::TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_DATA_DIRS"}) {
      if (const char* v = std::getenv(name)) saved_.emplace_back(name, v);
      ::unsetenv(name);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
    TestEnvironment::TearDown();
  }
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(URLOpenerTest, WithoutADisplayNobodyTakesAddresses) {
  EXPECT_FALSE(svc::URLOpener::hasDisplay());
  EXPECT_FALSE(svc::URLOpener::openOnDesktop("http://www.example.com"));
  EXPECT_FALSE(svc::URLOpener::openOnDesktop(""));
}

TEST_F(URLOpenerTest, AnAddressGoesToTheDesktopsHelperAndNothingWaitsForIt) {
  mv::test::runInFreshProgram([this] {
    // A desktop whose settings name a browser for web addresses, and nothing
    // for mail; read from the test's own folders, before anything else in the
    // program asks (the desktop's folders are read once a process, so the
    // test runs in a program of its own).
    ::setenv("DISPLAY", ":77", 1);
    const std::filesystem::path share = root / "share";
    const std::filesystem::path config = root / "config";
    std::filesystem::create_directories(share / "applications");
    std::filesystem::create_directories(config);
    std::ofstream(share / "applications" / "fake-browser.desktop")
        << "[Desktop Entry]\nType=Application\nName=Fake browser\nExec=true %u\n"
           "MimeType=x-scheme-handler/https;\n";
    std::ofstream(config / "mimeapps.list") << "[Default Applications]\nx-scheme-handler/https=fake-browser.desktop\n";
    ::setenv("XDG_DATA_HOME", share.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (root / "no-system").c_str(), 1);  // the fixture puts it back
    std::vector<std::vector<std::string>> started;
    // The desktop's helper is started and not waited for: its status would
    // come later. (The program the settings name is one every system has.)
    svc::DesktopLauncher::install(
        [&](const std::vector<std::string>& argv, svc::DesktopLauncher::Done) { started.push_back(argv); });
    EXPECT_TRUE(svc::URLOpener::openOnDesktop("https://example.invalid/price-list"));
    EXPECT_EQ(started, (std::vector<std::vector<std::string>>{{"xdg-open", "https://example.invalid/price-list"}}));
    // Nothing on this desktop takes mail: said at once, nothing started.
    EXPECT_FALSE(svc::URLOpener::openOnDesktop("mailto:sales@example.invalid"));
    EXPECT_EQ(started.size(), 1u);
    svc::DesktopLauncher::install(nullptr);
  });
}

TEST_F(URLOpenerTest, AMailLinkGoesNarrowedAndALaunchThatFailsIsTold) {
  ::setenv("DISPLAY", ":77", 1);  // the fixture puts it back
  std::vector<int> told;
  struct Restore {
    ~Restore() {
      svc::DesktopLauncher::install(nullptr);
      ui::Application::sharedInstance().setOpenURLHandler(nullptr);
    }
  } restore;
  svc::URLOpener::install([&](int status) { told.push_back(status); });
  std::vector<std::vector<std::string>> started;
  int answer = 0;
  svc::DesktopLauncher::install(
      [&](const std::vector<std::string>& argv, svc::DesktopLauncher::Done done) {
        started.push_back(argv);
        done(answer);
      },
      [](const std::string& scheme) { return scheme == "mailto"; });
  // Whoever hands the address on, the mail program is asked to write a mail
  // and nothing more.
  EXPECT_TRUE(svc::URLOpener::openOnDesktop("mailto:sales@example.invalid?attach=/etc/passwd&body=Hi"));
  EXPECT_FALSE(svc::URLOpener::openOnDesktop("file:///etc/passwd")) << "no other scheme reaches the desktop";
  answer = svc::DesktopLauncher::kNoApplication;
  EXPECT_TRUE(svc::URLOpener::openOnDesktop("mailto:sales@example.invalid"));
  base::RunLoop::main().runUntil([&] { return told.size() == 1; }, 5);
  EXPECT_EQ(started, (std::vector<std::vector<std::string>>{{"xdg-open", "mailto:sales@example.invalid?body=Hi"},
                                                            {"xdg-open", "mailto:sales@example.invalid"}}));
  EXPECT_EQ(told, std::vector<int>{svc::DesktopLauncher::kNoApplication}) << "a helper that succeeded is not told";

  // The desktop's own launcher: a link longer than any argument may be
  // cannot start its helper, and that is told too.
  svc::DesktopLauncher::install(nullptr, [](const std::string&) { return true; });
  EXPECT_TRUE(svc::URLOpener::openOnDesktop("mailto:sales@example.invalid?body=" + std::string(300 << 10, 'x')));
  ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return told.size() == 2; }, 5));
  EXPECT_EQ(told.back(), svc::DesktopLauncher::kNotStarted);

  // A helper that ran its program itself and ends with it long after the
  // tap (a browser that crashed an hour later) is no link that did not open.
  svc::DesktopLauncher::Done later;
  svc::DesktopLauncher::install([&](const std::vector<std::string>&, svc::DesktopLauncher::Done done) { later = done; },
                                [](const std::string&) { return true; });
  EXPECT_TRUE(svc::URLOpener::openOnDesktop("https://example.invalid/price-list"));
  ASSERT_TRUE(later);
  advance(svc::URLOpener::kLaunchVerdictSeconds + 1);
  later(1);
  advance(1);
  EXPECT_EQ(told.size(), 2u) << "told " << told.back();
}

}  // namespace
