// The download check on pictures a hostile service sends, at the size of a
// real attack, each written to disk as a download leaves it and checked as
// the transfer checks it: a few bytes that would hold a reader for minutes.
// Each case counts its own ratio, its seconds against the one second it may
// take.
//
// - a 39.6-Mpx progressive JPEG whose last scan comes 2,000 (and 20,000)
//   times more, without its end marker;
// - a 65,500 x 65,500 PNG of empty rows without IEND (18 MB);
// - a JPEG whose start is followed by 64 MB of fill bytes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "BenchScratch.hpp"
#include "PictureBytes.hpp"
#include "PictureRows.hpp"
#include "sync/DownloadedFileCheck.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace {

const fs::path& folder() { return bench::scratchFolder("hostile-pictures-bench"); }

// The picture written once, under `name`, by `make`; its path.
const fs::path& written(const std::string& name, const std::function<std::string()>& make) {
  static std::map<std::string, fs::path> files;
  auto [it, added] = files.try_emplace(name, folder() / name);
  if (added) std::ofstream(it->second, std::ios::binary | std::ios::trunc) << make();
  return it->second;
}

void check(benchmark::State& state, const fs::path& file) {
  // As the transfer holds it: the first 256 KB.
  std::string head(256 * 1024, '\0');
  std::ifstream in(file, std::ios::binary);
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  const auto size = static_cast<std::int64_t>(fs::file_size(file));
  double seconds = 0;
  bool kept = true;
  for (auto _ : state) {
    const auto started = std::chrono::steady_clock::now();
    const auto verdict =
        mv::DownloadedFileCheck::check(mv::kFileTypeProductImage, file.filename().string(), head, size, file);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    kept = kept && verdict.refusal == mv::DownloadedFileCheck::Refusal::None;
  }
  if (!kept) state.SkipWithError("the picture was refused");
  state.counters["ratio"] = seconds / static_cast<double>(state.iterations());
  state.counters["MB"] = static_cast<double>(size) / 1e6;
}

std::string withoutEnd(const std::string& jpeg) { return jpeg.substr(0, jpeg.size() - 2); }

void BM_CheckRepeatedScans2000(benchmark::State& state) {
  check(state, written("repeated-2000.jpg", [] {
          return withoutEnd(mv::test::progressiveRepeatingItsLastScan(mv::test::kLargePictureWidth,
                                                                      mv::test::kLargePictureHeight, 2000));
        }));
}

void BM_CheckRepeatedScans20000(benchmark::State& state) {
  check(state, written("repeated-20000.jpg", [] {
          return withoutEnd(mv::test::progressiveRepeatingItsLastScan(mv::test::kLargePictureWidth,
                                                                      mv::test::kLargePictureHeight, 20000));
        }));
}

void BM_CheckPngWithoutEnd(benchmark::State& state) {
  check(state, written("empty-rows.png", [] { return mv::test::pngOfEmptyRowsWithoutEnd(65500, 65500, 65500); }));
}

void BM_CheckJpegFill(benchmark::State& state) {
  check(state, written("fill.jpg", [] { return "\xFF\xD8" + std::string(std::size_t(64) << 20, '\xFF'); }));
}

}  // namespace

BENCHMARK(BM_CheckRepeatedScans2000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CheckRepeatedScans20000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CheckPngWithoutEnd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CheckJpegFill)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv) {
  folder();
  return bench::runThenRemoveScratch(argc, argv);
}
