#include "BenchScratch.hpp"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "platform/base/Paths.hpp"

namespace fs = std::filesystem;

namespace bench {

const fs::path& scratchFolder(const std::string& stem) {
  static const fs::path dir = [&stem] {
    fs::path d = fs::temp_directory_path() / (stem + "-" + std::to_string(::getpid()));
    fs::create_directories(d);
    base::Paths::setRoot(d / "root");
    return d;
  }();
  return dir;
}

int runThenRemoveScratch(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(scratchFolder(), ec);
  return 0;
}

}  // namespace bench
