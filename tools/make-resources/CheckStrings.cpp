// Checks the string tables as built: both languages of every table hold the
// same keys with written texts and matching placeholders, they say what the
// source file says, and every key the application's code looks up by a
// literal exists in the main table.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "StringSource.hpp"
#include "platform/base/PropertyList.hpp"

namespace fs = std::filesystem;
using mv::resources::StringSource;
using mv::resources::TextMap;

namespace {

std::optional<TextMap> loadTable(const fs::path& file, std::vector<std::string>& problems) {
  auto value = base::PropertyList::read(file);
  if (!value || !value->is_object()) {
    problems.push_back(file.string() + ": missing or not a dictionary");
    return std::nullopt;
  }
  TextMap map;
  for (auto it = value->begin(); it != value->end(); ++it) {
    if (!it.value().is_string()) {
      problems.push_back(file.string() + " \"" + it.key() + "\": not a string");
      continue;
    }
    map[it.key()] = it.value().get<std::string>();
  }
  return map;
}

// The string literal opening the argument list of a text lookup on `line` at
// `pos` (just past the function's name), or std::nullopt.
std::optional<std::string> literalArgument(const std::string& line, std::size_t pos) {
  auto skipSpace = [&] {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
  };
  skipSpace();
  if (pos >= line.size() || line[pos] != '(') return std::nullopt;
  ++pos;
  skipSpace();
  if (pos >= line.size() || line[pos] != '"') return std::nullopt;
  std::string key;
  for (++pos; pos < line.size(); ++pos) {
    if (line[pos] == '\\' && pos + 1 < line.size()) key += line[++pos];
    else if (line[pos] == '"') return key;
    else key += line[pos];
  }
  return std::nullopt;
}

bool isIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Literal keys handed to the text lookup, e.g. Language::stringWithName("LOGINERRO").
void scanSources(const fs::path& root, const TextMap& table, std::vector<std::string>& problems, int& uses) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; it != end; it.increment(ec)) {
    if (ec) break;
    const auto ext = it->path().extension();
    if (!it->is_regular_file() || (ext != ".cpp" && ext != ".hpp" && ext != ".h" && ext != ".cc")) continue;
    std::ifstream in(it->path());
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      for (const std::string name : {"stringWithName", "textForKey"}) {
        for (std::size_t at = line.find(name); at != std::string::npos; at = line.find(name, at + 1)) {
          if (at > 0 && isIdentifierChar(line[at - 1])) continue;
          auto key = literalArgument(line, at + name.size());
          if (!key) continue;
          ++uses;
          if (!table.count(*key))
            problems.push_back(it->path().string() + ":" + std::to_string(number) + ": text key \"" + *key +
                               "\" is not in the string tables");
        }
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s STRINGS.tsv RESOURCE_DIR SOURCE_DIR\n", argv[0]);
    return 2;
  }
  const fs::path resources = argv[2];
  std::vector<std::string> problems;
  auto tables = StringSource::read(argv[1], problems);
  if (!tables) tables.emplace();

  TextMap mainEnglish;
  bool sawMain = false;
  std::size_t keys = 0;
  for (const auto& table : *tables) {
    auto en = loadTable(resources / StringSource::englishFile(table.name), problems);
    auto cn = loadTable(resources / StringSource::chineseFile(table.name), problems);
    if (!en || !cn) continue;
    for (auto& p : StringSource::checkTables(table.name, *en, *cn)) problems.push_back(std::move(p));
    // a stale build would ship texts the source no longer has
    for (const auto& e : table.entries) {
      auto ie = en->find(e.key);
      auto ic = cn->find(e.key);
      if (ie == en->end() || ic == cn->end() || ie->second != e.english || ic->second != e.chinese)
        problems.push_back(table.name + " \"" + e.key + "\": the built table differs from the source");
    }
    if (en->size() != table.entries.size())
      problems.push_back(table.name + ": the built table holds keys the source does not have");
    if (table.name == StringSource::mainTable) {
      mainEnglish = *en;
      sawMain = true;
    }
    keys += en->size();
  }
  if (!sawMain) problems.push_back(std::string("no table \"") + StringSource::mainTable + "\"");

  int uses = 0;
  scanSources(argv[3], mainEnglish, problems, uses);

  for (const auto& p : problems) std::fprintf(stderr, "%s\n", p.c_str());
  std::printf("%zu keys in %zu tables, %d literal lookups in the code, %zu problems\n", keys, tables->size(), uses,
              problems.size());
  return problems.empty() ? 0 : 1;
}
