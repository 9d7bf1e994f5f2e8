#pragma once
// A fresh data root plus the process-wide settings of the utilities put back
// to their defaults around every test: no session, no language hook, system
// version 7.0, screen scale 1, device-id slots inside the test's root.
#include <filesystem>
#include <string>

#include "TestEnvironment.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"

namespace mv::test {

class PublicFunctionFixture : public TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    resetGlobals();
    PublicFunction::setDeviceUDIDSlotDirectory(root / "udid-slots");
  }
  void TearDown() override {
    resetGlobals();
    PublicFunction::setDeviceUDIDSlotDirectory({});
    TestEnvironment::TearDown();
  }
  static void resetGlobals() {
    Session::clear();
    PublicFunction::setInterfaceLanguageProvider(nullptr);
    PublicFunction::setDeviceVersion(7.0);
    PublicFunction::setScreenScale(1.0);
  }
};

}  // namespace mv::test
