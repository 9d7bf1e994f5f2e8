#pragma once
// The order screens' fixture: the order store's signed-in client, the
// application's own texts, and one key window driven headless, whose
// pictures a person can keep (MV_KEEP_SNAPSHOTS).
#include <memory>
#include <string>

#include "OrderTestSupport.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"

namespace mv::test {

// The shown text of a key.
std::string txt(const std::string& key);

class OrderScreenTest : public OrderStoreTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  ui::Window& window() { return *window_; }
  ui::HeadlessDriver& driver() { return *driver_; }
  // Runs what is due, then lays out.
  void flush();
  // The window as a PNG under the test's root, kept for a person to look at.
  void snapshot(const std::string& name);

 private:
  std::shared_ptr<ui::Window> window_;
  std::unique_ptr<ui::HeadlessDriver> driver_;
};

}  // namespace mv::test
