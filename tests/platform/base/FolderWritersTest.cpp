// Work that writes into a folder against the deletion of that folder: a
// closed folder takes no new work, tells what runs in it to stop and waits
// for it, within a bound.
#include "platform/base/FolderWriters.hpp"

#include <gtest/gtest.h>

#include <thread>

namespace fs = std::filesystem;

namespace base {
namespace {

using std::chrono::steady_clock;

TEST(FolderWriters, AClosedFolderTakesNoWorkAndKeepsWhatWillNotStop) {
  FolderWriters writers;
  const fs::path folder = "/data/Documents/acme";
  CancelFlag stop;
  auto inside = writers.enter(folder / "epub" / "Handbook", stop);
  // A folder whose name only begins alike is another folder.
  auto beside = writers.enter("/data/Documents/acme2/epub/Handbook");
  ASSERT_TRUE(inside && beside);
  EXPECT_EQ(writers.countInside(folder), 1u);
  EXPECT_EQ(writers.countInside(folder / "epub/"), 1u);

  // The work is told to stop but goes on: the wait ends at its bound.
  EXPECT_FALSE(writers.close(folder, steady_clock::now() + std::chrono::milliseconds(20)));
  EXPECT_TRUE(stop.isCancelled());
  EXPECT_FALSE(writers.enter(folder / "pdf" / "Catalogue.pdf"));
  EXPECT_FALSE(writers.enter(folder / "epub" / ".." / "pdf"));
  EXPECT_FALSE(writers.enter(folder));
  EXPECT_TRUE(writers.enter("/data/Documents/acme2/pdf"));

  inside.reset();
  EXPECT_EQ(writers.countInside(folder), 0u);
  // Closed until it is reopened, whatever left.
  EXPECT_FALSE(writers.enter(folder / "pdf"));
  writers.reopen(folder);
  EXPECT_TRUE(writers.enter(folder / "pdf"));
}

TEST(FolderWriters, TheCloseWaitsUntilWorkOnAnotherThreadHasLeft) {
  FolderWriters writers;
  const fs::path folder = "/data/Documents/acme";
  CancelFlag stop;
  auto pass = writers.enter(folder / "ProductImages", stop);
  ASSERT_TRUE(pass);
  bool wrote = false;
  std::thread worker([pass = std::move(*pass), stop, &wrote]() mutable {
    while (!stop.isCancelled()) std::this_thread::yield();
    // What the work does before it leaves is done when the close answers.
    wrote = true;
  });
  EXPECT_TRUE(writers.close(folder, steady_clock::now() + std::chrono::seconds(30)));
  EXPECT_TRUE(wrote);
  worker.join();
}

}  // namespace
}  // namespace base
