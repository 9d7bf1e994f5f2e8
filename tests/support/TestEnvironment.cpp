#include "TestEnvironment.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <unistd.h>

#include "platform/base/NotificationCenter.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/base/WorkQueue.hpp"
#include "sync/SessionServices.hpp"

namespace fs = std::filesystem;

namespace mv::test {

namespace {

// How the test hands a program it starts afresh the root to take.
constexpr const char* kFreshProgramRoot = "MV_FRESH_PROGRAM_ROOT";
// The running test's root, and whether this program was started afresh for it.
fs::path currentRoot;
bool startedAfresh = false;

}  // namespace

fs::path makeTempDir(const std::string& prefix) {
  static std::atomic<int> counter{0};
  // Taken once, as an absolute path: a relative one would name another
  // place for code that changes the working folder, and would make the
  // paths tests build from it (an archive entry naming a place outside the
  // book) relative.
  static const fs::path base = [] {
    const char* scratch = std::getenv("MV_TEST_TMP");
    return fs::absolute(scratch && *scratch ? fs::path(scratch) : fs::temp_directory_path() / "marvisto-tests");
  }();
  fs::create_directories(base);
  for (;;) {
    fs::path p = base / (prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(p, ec)) return p;
    if (ec) throw fs::filesystem_error("makeTempDir", p, ec);
  }
}

void finishFreshProgram() {
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
    const auto* result = info->result();
    for (int i = 0; i < result->total_part_count(); ++i) {
      const auto& part = result->GetTestPartResult(i);
      if (part.failed())
        std::fprintf(stderr, "%s:%d: %s\n", part.file_name() ? part.file_name() : "?", part.line_number(), part.summary());
    }
  }
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
}

fs::path freshProgramRoot() { return currentRoot.empty() ? fs::path() : currentRoot / "fresh-program"; }

FreshProgramRootGiven::FreshProgramRootGiven() {
  // Started afresh, the program runs the body itself and starts none.
  if (startedAfresh || currentRoot.empty()) return;
  const fs::path folder = freshProgramRoot();
  std::error_code ec;
  fs::remove_all(folder, ec);
  fs::create_directories(folder, ec);
  setenv(kFreshProgramRoot, folder.c_str(), 1);
  given_ = true;
}

FreshProgramRootGiven::~FreshProgramRootGiven() {
  if (given_) unsetenv(kFreshProgramRoot);
}

fs::path corpusDir() {
  // MV_CORPUS_DIR names it; else the shared folder stands beside the clone
  // (or beside the folder of clones).
  if (const char* folder = std::getenv("MV_CORPUS_DIR"); folder && *folder) return folder;
  const fs::path beside = fs::path(MV_SOURCE_DIR) / ".." / "shared" / "corpus";
  const fs::path besideClones = fs::path(MV_SOURCE_DIR) / ".." / ".." / "shared" / "corpus";
  std::error_code ec;
  return !fs::is_directory(beside, ec) && fs::is_directory(besideClones, ec) ? besideClones : beside;
}

void keepSnapshot(const fs::path& file) {
  const char* folder = std::getenv("MV_KEEP_SNAPSHOTS");
  if (!folder || !*folder) return;
  std::error_code ec;
  fs::create_directories(folder, ec);
  fs::copy_file(file, fs::path(folder) / file.filename(), fs::copy_options::overwrite_existing, ec);
}

void TestEnvironment::SetUp() {
  base::RunLoop::main().reset();
  clock = std::make_shared<base::VirtualClock>();
  base::RunLoop::main().setClock(clock);
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const char* given = std::getenv(kFreshProgramRoot);
  startedAfresh = given && *given;
  root = startedAfresh ? fs::path(given) : makeTempDir(std::string(info ? info->name() : "test"));
  currentRoot = root;
  base::Paths::setRoot(root);
  base::UserDefaults::resetStandard();
}

fs::path TestEnvironment::useOwnHome() {
  const fs::path home = root / "home";
  const fs::path downloads = home / "Downloads";
  fs::create_directories(downloads);
  for (const char* folder : {".config", ".cache", ".local/share"}) fs::create_directories(home / folder);
  // Without this file the desktop has no download folder and the home
  // folder stands in for it.
  std::ofstream(home / ".config" / "user-dirs.dirs") << "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n";
  const std::pair<const char*, fs::path> folders[] = {{"HOME", home},
                                                      {"XDG_CONFIG_HOME", home / ".config"},
                                                      {"XDG_DATA_HOME", home / ".local" / "share"},
                                                      {"XDG_CACHE_HOME", home / ".cache"}};
  for (const auto& [name, folder] : folders) {
    const char* old = std::getenv(name);
    savedEnvironment_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    setenv(name, folder.c_str(), 1);
  }
  return downloads;
}

void TestEnvironment::TearDown() {
  for (auto it = savedEnvironment_.rbegin(); it != savedEnvironment_.rend(); ++it) {
    if (it->second)
      setenv(it->first.c_str(), it->second->c_str(), 1);
    else
      unsetenv(it->first.c_str());
  }
  savedEnvironment_.clear();
  currentRoot.clear();
  // Whatever the test began of a session ends with it, and what it handed
  // to the shared workers finishes before the next test (or the process's
  // exit, whose leak check stops every thread) begins.
  SessionServices::end();
  realWorkUnderWay = nullptr;
  base::WorkQueue::global().waitIdle();
  base::RunLoop::main().drain();
  base::UserDefaults::resetStandard();
  base::RunLoop::main().reset();
  base::RunLoop::main().setClock(std::make_shared<base::RealClock>());
  const char* keep = std::getenv("MV_KEEP_TMP");
  if (!(keep && std::string(keep) == "1")) {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
}

void TestEnvironment::advance(double seconds) { base::RunLoop::main().advance(seconds); }

bool TestEnvironment::runUntil(const std::function<bool()>& pred, double timeout) {
  auto& loop = base::RunLoop::main();
  if (!realWorkUnderWay || !loop.clock().isVirtual()) return loop.runUntil(pred, timeout);
  auto* virtualClock = static_cast<base::VirtualClock*>(loop.clockPtr().get());
  const double deadline = loop.now() + timeout;
  auto last = std::chrono::steady_clock::now();
  while (!pred()) {
    if (loop.runOnce(0)) continue;
    const double now = loop.now();
    if (now >= deadline) return pred();
    const auto real = std::chrono::steady_clock::now();
    if (realWorkUnderWay()) {
      // The work keeps real time on its own thread: the clock follows it,
      // and timers fall due on the way as they would.
      const double spent = std::chrono::duration<double>(real - last).count();
      if (spent > 0) virtualClock->advanceBy(std::min(spent, deadline - now));
      last = real;
      // Polls at a millisecond: what the work hands back is posted to the loop.
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    last = real;
    // Nothing under way: the clock moves straight on to the next timer.
    loop.runUntil(pred, std::min(0.05, deadline - now));
  }
  return true;
}

void TestEnvironment::useRealClock() {
  base::RunLoop::main().setClock(std::make_shared<base::RealClock>());
}

}  // namespace mv::test
