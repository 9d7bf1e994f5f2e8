// Build step: turns resources/strings/strings.tsv into the string tables the
// application loads (<table>_en.plist and <table>_cn.plist). Any broken rule
// fails the build, so a table with a missing translation never ships.
#include <cstdio>
#include <filesystem>

#include "StringSource.hpp"
#include "platform/base/PropertyList.hpp"

namespace fs = std::filesystem;
using mv::resources::StringSource;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s STRINGS.tsv OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  std::vector<std::string> errors;
  auto tables = StringSource::read(argv[1], errors);
  if (!tables || !errors.empty()) {
    for (const auto& e : errors) std::fprintf(stderr, "%s: %s\n", argv[1], e.c_str());
    return 1;
  }
  const fs::path out = argv[2];
  for (const auto& table : *tables) {
    base::Value en = base::Value::object(), cn = base::Value::object();
    for (const auto& e : table.entries) {
      en[e.key] = e.english;
      cn[e.key] = e.chinese;
    }
    for (const auto& [value, file] : {std::pair{&en, StringSource::englishFile(table.name)},
                                      std::pair{&cn, StringSource::chineseFile(table.name)}}) {
      if (!base::PropertyList::write(*value, out / file)) {
        std::fprintf(stderr, "cannot write %s\n", (out / file).c_str());
        return 1;
      }
    }
  }
  return 0;
}
