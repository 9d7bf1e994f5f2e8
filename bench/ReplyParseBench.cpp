// Reading a reply's JSON into a value, as every reply but the product table
// is read. The cases are replies of one object of many members (a damaged
// or hostile sign-in or customer table reply: 1 MB, and 10 MB, refused past
// the most members an object may have), the largest object read whole, and
// 240 MB of empty objects, under the transport's body limit, whose values
// would take some forty times the text (refused past the bound on what a
// reply may build; its peak memory, text included, is the row's figure).
// The floors read an array of as many names as the object has members (the
// same texts made, no members to keep apart), or only walk 10 MB of text.
//
//   bench_ReplyParseBench [benchmark options]
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <string>

#include "util/JSONReader.hpp"
#include "util/Json.hpp"

namespace {

std::string objectOf(std::size_t members) {
  std::string text = R"({"content":{)";
  for (std::size_t i = 0; i < members; ++i) text += (i ? ",\"m" : "\"m") + std::to_string(i) + "\":0";
  return text + "}}";
}

std::string namesOf(std::size_t names) {
  std::string text = R"({"content":[)";
  for (std::size_t i = 0; i < names; ++i) text += (i ? ",\"m" : "\"m") + std::to_string(i) + "\"";
  return text + "]}";
}

// Members in about `bytes` of text.
std::size_t membersIn(std::size_t bytes) { return bytes / 11; }

void readOnce(benchmark::State& state, const std::string& text, bool whole) {
  for (auto _ : state) {
    auto value = mv::JSONValue(text);
    if (value.has_value() != whole) state.SkipWithError("read or refused unlike the case says");
    benchmark::DoNotOptimize(value);
  }
  state.counters["text_MB"] = static_cast<double>(text.size()) / (1 << 20);
}

void BM_OneObjectOf1MB(benchmark::State& state) { readOnce(state, objectOf(membersIn(1 << 20)), false); }
void BM_OneObjectOf10MB(benchmark::State& state) { readOnce(state, objectOf(membersIn(10 << 20)), false); }
void BM_ObjectOfMostMembers(benchmark::State& state) { readOnce(state, objectOf(mv::kJSONMaxMembers), true); }
void BM_BaselineNamesOf1MB(benchmark::State& state) { readOnce(state, namesOf(membersIn(1 << 20)), true); }
void BM_BaselineNamesOfMostMembers(benchmark::State& state) {
  readOnce(state, namesOf(mv::kJSONMaxMembers), true);
}
void BM_BaselineWalk10MB(benchmark::State& state) {
  const std::string text = objectOf(membersIn(10 << 20));
  for (auto _ : state) {
    mv::JSONReader reader(text);
    if (!reader.finish()) state.SkipWithError("not JSON");
  }
}

void BM_EmptyObjectsOf240MB(benchmark::State& state) {
  std::string text = R"({"content":[)";
  text.reserve(std::size_t{240} << 20);
  while (text.size() < (std::size_t{240} << 20)) text += "{},";
  text += "{}]}";
  readOnce(state, text, false);
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

BENCHMARK(BM_OneObjectOf1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneObjectOf10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjectOfMostMembers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineNamesOf1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineNamesOfMostMembers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineWalk10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmptyObjectsOf240MB)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
