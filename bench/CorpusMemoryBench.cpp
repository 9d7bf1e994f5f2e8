// The memory of opening the 20 largest documents of the shared corpus (PDF,
// EPUB, Office) one after another in the library's viewers, as a user opens
// them from the library: each file opened in its viewer, its first screen
// drawn sharp, then closed with the viewer's back action. Seven rounds over
// the same files: the first two warm what is kept for the process's life
// (fonts, the engines' processes, converted files, the allocator's pools);
// what the later rounds add is growth that nothing gives back. Reports the
// process's peak and the growth per file opened; the engines' own processes
// are not counted.
//
// The resident size is read after handing the allocator's free pages back
// (malloc_trim): the allocator keeps freed memory in its arenas and, late in
// a run, takes a step of several MB at once (its free space grows while the
// heap in use does not), which is not growth per file. The heap in use is
// reported beside it ("heap_growth_KB_per_file"): the allocator's own
// reckoning, which no pool or trim moves.
//
//   bench_CorpusMemoryBench [benchmark options]       (needs a display)
//
// The corpus is MV_CORPUS_DIR, else the shared folder beside the source tree.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "BenchScratch.hpp"
#include "library/epub/EPUBView.hpp"
#include "library/epub/EPUBViewController.hpp"
#include "library/LibraryFeature.hpp"
#include "library/LibraryFileOpener.hpp"
#include "library/LibraryViewers.hpp"
#include "library/OfficePagesView.hpp"
#include "library/PPTLoadingViewController.hpp"
#include "library/reader/ReaderContentPage.hpp"
#include "library/reader/ReaderContentView.hpp"
#include "library/reader/ReaderViewController.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/View.hpp"
#include "services/WebEngine.hpp"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFiles = 20;
constexpr int kRounds = 7;

fs::path corpusDir() {
  if (const char* folder = std::getenv("MV_CORPUS_DIR"); folder && *folder) return folder;
  const fs::path beside = fs::path(MV_SOURCE_DIR) / ".." / "shared" / "corpus";
  std::error_code ec;
  return fs::is_directory(beside, ec) ? beside : fs::path(MV_SOURCE_DIR) / ".." / ".." / "shared" / "corpus";
}

const fs::path& folder() { return bench::scratchFolder("corpus-memory-bench"); }

// The library's type word of a document, by its extension; empty for others.
std::string typeWord(const fs::path& file) {
  static const std::map<std::string, std::string> words = {
      {".pdf", "PDF"}, {".epub", "EPUB"}, {".docx", "WORD"}, {".xlsx", "EXCEL"}, {".pptx", "PPT"}};
  auto it = words.find(file.extension().string());
  return it == words.end() ? std::string() : it->second;
}

// The largest documents, copied where the library keeps its files.
std::vector<fs::path> largestDocuments() {
  std::vector<std::pair<std::uintmax_t, fs::path>> found;
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(corpusDir(), ec))
    if (entry.is_regular_file() && !typeWord(entry.path()).empty()) found.emplace_back(entry.file_size(), entry.path());
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  if (found.size() > kFiles) found.resize(kFiles);
  std::vector<fs::path> out;
  for (const auto& [size, path] : found) {
    // The readers open what lies in a client's folder of the data root.
    fs::path copy = base::Paths::documents() / "acme" / typeWord(path) / path.filename();
    fs::create_directories(copy.parent_path(), ec);
    fs::copy_file(path, copy, fs::copy_options::overwrite_existing, ec);
    out.push_back(copy);
  }
  return out;
}

double residentMB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The heap in use, all arenas.
double heapInUseMB() {
  const struct mallinfo2 info = ::mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

double peakMB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The viewer on top has shown its first screen: the reader's page sharp, the
// book's first page laid out, the Office document converted and drawn.
bool settled(ui::ViewController* top) {
  if (auto* reader = dynamic_cast<mv::ReaderViewController*>(top)) {
    auto it = reader->contentViews().find(reader->currentPage());
    if (it == reader->contentViews().end() || !it->second->theContentView()) return true;
    return it->second->theContentView()->tiles()->pendingCount() == 0;
  }
  if (auto* book = dynamic_cast<mv::EPUBViewController*>(top))
    return !book->isOpening() && !book->bookView()->isLoading() && !svc::WebEngine::isBusy();
  if (auto* office = dynamic_cast<mv::PPTLoadingViewController*>(top))
    return !office->isLoading() && !office->webView().tilesPending();
  return true;
}

// Opens the file in its viewer, draws until its first screen is sharp, and
// closes it as its back button does; false when it did not open.
bool openAndClose(ui::HeadlessDriver& driver, ui::NavigationController& nav, const fs::path& file) {
  auto decision = mv::LibraryFileOpener::decide(typeWord(file), file, 3);
  const bool opened = mv::LibraryViewers::open(decision, file.stem().string(), &nav);
  driver.flush();
  ui::ViewController* top = nav.topViewController();
  for (int frame = 0; opened && frame < 200; ++frame) {
    driver.render();
    if (frame > 0 && settled(nav.topViewController())) break;
    base::RunLoop::main().runUntil([&] { return settled(nav.topViewController()); }, 1);
    driver.flush();
  }
  // A file the viewer could not read says so: the alert is answered.
  while (driver.visibleAlert()) {
    if (!driver.pressAlertButton(0)) break;
    driver.flush();
  }
  top = nav.topViewController();
  if (auto* reader = dynamic_cast<mv::ReaderViewController*>(top)) {
    reader->dismissReaderViewController();
  } else if (auto* book = dynamic_cast<mv::EPUBViewController*>(top)) {
    book->btnBackClick();
  } else if (auto* office = dynamic_cast<mv::PPTLoadingViewController*>(top)) {
    office->btnBackClick();
  }
  if (nav.viewControllers().size() > 1) nav.popToRootViewControllerAnimated(false);
  // What the closing posted runs, and the screen under it is drawn again.
  base::RunLoop::main().runUntil([] { return !svc::WebEngine::isBusy(); }, 10);
  driver.flush();
  driver.render();
  return opened;
}

void BM_CorpusOpenEach(benchmark::State& state) {
  base::RunLoop::main().adoptCurrentThread();
  (void)folder();
  const auto files = largestDocuments();
  if (files.empty()) {
    state.SkipWithError("no corpus here: set MV_CORPUS_DIR");
    return;
  }
  if (!svc::WebEngine::start()) {
    state.SkipWithError("no display for the web engine");
    return;
  }
  ui::View::setAnimationsEnabled(false);
  mv::LibraryFeature::installViewers();
  auto driver = std::make_unique<ui::HeadlessDriver>();
  auto nav = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
  driver->window().setRootViewController(nav);
  driver->flush();
  std::vector<double> afterRound, heapAfterRound;
  int failed = 0;
  for (auto _ : state) {
    for (int round = 0; round < kRounds; ++round) {
      for (const auto& file : files)
        if (!openAndClose(*driver, *nav, file) && round == 0) {
          ++failed;
          std::fprintf(stderr, "did not open: %s\n", file.filename().c_str());
        }
      heapAfterRound.push_back(heapInUseMB());
      ::malloc_trim(0);
      afterRound.push_back(residentMB());
    }
  }
  state.counters["files"] = static_cast<double>(files.size());
  state.counters["not_opened"] = failed;
  state.counters["peak_MB"] = peakMB();
  state.counters["resident_after_first_round_MB"] = afterRound.front();
  state.counters["resident_after_last_round_MB"] = afterRound.back();
  for (std::size_t i = 0; i < afterRound.size(); ++i)
    state.counters["resident_after_round_" + std::to_string(i + 1) + "_MB"] = afterRound[i];
  // Growth per file over the rounds after the second: the first two still
  // fill what is kept (the allocator's pools, the engines' caches).
  const double opened = static_cast<double>(files.size()) * (kRounds - 2);
  state.counters["growth_KB_per_file"] = (afterRound.back() - afterRound.at(1)) * 1024.0 / opened;
  state.counters["heap_growth_KB_per_file"] = (heapAfterRound.back() - heapAfterRound.at(1)) * 1024.0 / opened;
  nav.reset();
  driver.reset();
}

}  // namespace

BENCHMARK(BM_CorpusOpenEach)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char** argv) {
  folder();
  return bench::runThenRemoveScratch(argc, argv);
}
