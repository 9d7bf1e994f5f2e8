// The download check on pictures a hostile service sends, at the size of a
// real attack, and on pages served under a letter's name, at the sizes a
// network's page or a hostile service sends: each written to disk as a
// download leaves it and checked as the transfer checks it: a few bytes that
// would hold a reader for minutes. Each case counts its own ratio, its
// seconds against the one second it may take, and fails when the file is
// not kept or refused as the case expects.
//
// - a 39.6-Mpx progressive JPEG whose last scan comes 2,000 (and 20,000)
//   times more, without its end marker;
// - a 65,500 x 65,500 PNG of empty rows without IEND (18 MB);
// - a JPEG whose start is followed by 64 MB of fill bytes;
// - a note with a link to accept, padded with blanks to 3 MB;
// - a sign-in whose password field comes after a 300 KB comment;
// - a report of 64 MB of short paragraphs (read to the parse's bound);
// - 64 MB of elements each inside the last (read to the parse's depth);
// - a sign-in whose script joins 4 MB of quoted pieces ('a'+'b'+...) before
//   it makes its password field.
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

const fs::path& folder() { return bench::scratchFolder("hostile-downloads-bench"); }

// The file written once, under `name`, by `make`; its path.
const fs::path& written(const std::string& name, const std::function<std::string()>& make) {
  static std::map<std::string, fs::path> files;
  auto [it, added] = files.try_emplace(name, folder() / name);
  if (added) std::ofstream(it->second, std::ios::binary | std::ios::trunc) << make();
  return it->second;
}

// Checks the file as a download of `type` listed at its own size, which the
// check must keep (`keep`) or refuse.
void check(benchmark::State& state, const fs::path& file, int type = mv::kFileTypeProductImage, bool keep = true) {
  // As the transfer holds it: the first 256 KB.
  std::string head(256 * 1024, '\0');
  std::ifstream in(file, std::ios::binary);
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  const auto size = static_cast<std::int64_t>(fs::file_size(file));
  double seconds = 0;
  bool asExpected = true;
  for (auto _ : state) {
    const auto started = std::chrono::steady_clock::now();
    const auto verdict = mv::DownloadedFileCheck::check(type, file.filename().string(), head, size, file, size);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    asExpected = asExpected && (verdict.refusal == mv::DownloadedFileCheck::Refusal::None) == keep;
  }
  if (!asExpected) state.SkipWithError(keep ? "the file was refused" : "the page in its place was kept");
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

void BM_CheckPagePaddedTo3MB(benchmark::State& state) {
  check(state, written("terms.doc", [] {
          std::string page = "<html><body><table><tr><td><p>By going on you accept the terms of use.</p>"
                             "<a href=\"http://wifi.hotel.example/accept\">Accept</a></td></tr></table>";
          return page + std::string(std::size_t(3) << 20, ' ') + "</body></html>";
        }), mv::kFileTypeWord, false);
}

void BM_CheckPasswordAfterLongComment(benchmark::State& state) {
  check(state, written("guest.doc", [] {
          return "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\"><head><!--" +
                 std::string(300 * 1024, 'x') +
                 "--></head><body><form method=post>Password <input type=password name=pw></form></body></html>";
        }), mv::kFileTypeWord, false);
}

void BM_CheckReportOfShortParagraphs(benchmark::State& state) {
  check(state, written("report.doc", [] {
          std::string page = "<html><body>";
          while (page.size() < (std::size_t(64) << 20)) page += "<p>Oak chair, 12.50</p>\n";
          return page + "</body></html>";
        }), mv::kFileTypeWord, true);
}

void BM_CheckElementsEachInsideTheLast(benchmark::State& state) {
  check(state, written("nested.doc", [] {
          std::string page = "<html><body>";
          while (page.size() < (std::size_t(64) << 20)) page += "<div><span>";
          return page;
        }), mv::kFileTypeWord, false);
}

void BM_CheckScriptOfJoinedPieces(benchmark::State& state) {
  check(state, written("joined.doc", [] {
          std::string page = "<html><body><form method=post><input name=pw id=pw></form><script>var s='a";
          while (page.size() < (std::size_t(4) << 20)) page += "'+'a";
          return page + "';document.getElementById('pw').type='pass'+'word';</script></body></html>";
        }), mv::kFileTypeWord, false);
}

}  // namespace

BENCHMARK(BM_CheckRepeatedScans2000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CheckRepeatedScans20000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CheckPngWithoutEnd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CheckJpegFill)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CheckPagePaddedTo3MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CheckPasswordAfterLongComment)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CheckReportOfShortParagraphs)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CheckElementsEachInsideTheLast)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CheckScriptOfJoinedPieces)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv) {
  folder();
  return bench::runThenRemoveScratch(argc, argv);
}
