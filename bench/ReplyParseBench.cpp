// Reading a reply's JSON into a value, as every reply but the product table
// is read. The cases are replies of one object of many members (a damaged
// or hostile sign-in or customer table reply: 1 MB, and 10 MB, refused past
// the most members an object may have), the largest object read whole, and
// 240 MB of empty objects, under the transport's body limit, whose values
// would take some forty times the text (refused past the bound on what a
// reply may build; its peak memory, text included, is the row's figure).
// The floors read an array of as many names as the object has members (the
// same texts made, no members to keep apart), or only walk 10 MB of text.
// A customer table of 100,000 rows of a dozen members, the largest honest
// reply read whole, must stay under that bound; its floor walks its text.
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

std::string customerTable(int rows) {
  std::string table = R"({"content":[)";
  for (int i = 0; i < rows; ++i) {
    table += (i ? "," : "") + std::string(R"({"customerId":)") + std::to_string(i + 1) +
             R"(,"customerName":"Customer number )" + std::to_string(i) +
             R"(","customerInfoId":"C-1000","customerPublish":1,"customerOrdering":2,"customerDiscount":"0.15",)"
             R"("address":"1 Main Street","city":"Springfield","state":"ST","zip_code":"12345",)"
             R"("attributes":[{"attributeId":7,"attributeFieldsId":2,"attributeValue":"gold"}]})";
  }
  return table + R"(],"results":[{"status":"200"}]})";
}

void BM_TableOf100000Rows(benchmark::State& state) { readOnce(state, customerTable(100000), true); }
void BM_BaselineWalkTableOf100000Rows(benchmark::State& state) {
  const std::string text = customerTable(100000);
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
BENCHMARK(BM_TableOf100000Rows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineWalkTableOf100000Rows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmptyObjectsOf240MB)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
