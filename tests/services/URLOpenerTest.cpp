// Handing addresses to other applications: nobody takes them without a
// display.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TestEnvironment.hpp"
#include "services/URLOpener.hpp"

namespace {

class URLOpenerTest : public mv::test::TestEnvironment {
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
    TestEnvironment::TearDown();
  }
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(URLOpenerTest, WithoutADisplayNobodyTakesAddresses) {
  EXPECT_FALSE(svc::URLOpener::hasDisplay());
  EXPECT_FALSE(svc::URLOpener::openOnDesktop("http://www.example.com"));
  EXPECT_FALSE(svc::URLOpener::openOnDesktop(""));
}

}  // namespace
