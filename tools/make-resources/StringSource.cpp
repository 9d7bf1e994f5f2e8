#include "StringSource.hpp"

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace mv::resources {
namespace {

// Labels that the customer form finds again by comparing a row's title with
// the text of the key, so two of them sharing a text would swap fields.
const std::vector<std::vector<std::string>> kDistinctGroups = {
    {"BASEINFO", "PRIMARYADDRESS", "ALTERNATEADDRESS", "PRIMARYCONTACT", "ALTERNATECONTACT",
     "NAME", "PHONE", "BANKACCOUNT", "ACTIVE", "STREETADDRESS", "CITY", "STATE", "ZIPCODE",
     "FIRSTNAME", "LASTNAME", "JOBTITLE", "WORKPHONE", "MOBILEPHONE", "EMAILCONTACT", "IM", "NOTE"},
    // choices offered side by side in one picker or segmented control
    {"BYNAME", "BYSKU", "BYPRICE", "BYCMS"},
    {"BYDEFAULT", "BYTITLE", "BYDATE", "BYTYPE", "BYCMS"},
    {"SHOWALL", "NEWADDED", "FAVORITES", "HIDEDOWNLOADED"},
    {"ALL", "SUBMITTED", "UNSUBMITTED"},
    {"BYNAME", "BYCONTACT", "BYSTATE"},
};

std::string trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::optional<std::string> unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    if (++i == s.size()) return std::nullopt;
    switch (s[i]) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      default: return std::nullopt;
    }
  }
  return out;
}

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t tab = line.find('\t', start);
    parts.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return parts;
}

bool isMainKey(const std::string& key) {
  if (key.empty()) return false;
  for (char c : key)
    if (!(std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '_'))
      return false;
  return true;
}

bool hasBadControl(const std::string& s) {
  for (char c : s) {
    auto u = static_cast<unsigned char>(c);
    if ((u < 0x20 && c != '\n' && c != '\t') || u == 0x7f) return true;
  }
  return false;
}

std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& p : v) s += (s.empty() ? "" : " ") + p;
  return s.empty() ? "(none)" : s;
}

}  // namespace

std::vector<StringTable> StringSource::parse(const std::string& text, std::vector<std::string>& errors) {
  std::vector<StringTable> tables;
  std::set<std::pair<std::string, std::string>> seen;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& what) { errors.push_back("line " + std::to_string(number) + ": " + what); };
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (trim(line).empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.back() != ']' || line.size() < 3) {
        fail("malformed table header");
        continue;
      }
      tables.push_back(StringTable{line.substr(1, line.size() - 2), {}});
      continue;
    }
    if (tables.empty()) {
      fail("text before the first table header");
      continue;
    }
    auto parts = splitTabs(line);
    if (parts.size() != 3) {
      fail("expected key, English and Chinese separated by tabs, found " + std::to_string(parts.size()) + " fields");
      continue;
    }
    StringTable& table = tables.back();
    auto english = unescape(parts[1]);
    auto chinese = unescape(parts[2]);
    if (!english || !chinese) {
      fail("unknown escape in a text of \"" + parts[0] + "\"");
      continue;
    }
    if (trim(parts[0]).empty() || trim(parts[0]) != parts[0]) {
      fail("blank key or key with surrounding space");
      continue;
    }
    if (!seen.insert({table.name, parts[0]}).second) {
      fail("duplicate key \"" + parts[0] + "\" in table " + table.name);
      continue;
    }
    table.entries.push_back(StringEntry{parts[0], *english, *chinese, number});
  }
  // the same rules that the written tables are checked against
  for (const auto& table : tables) {
    TextMap en, cn;
    for (const auto& e : table.entries) {
      en[e.key] = e.english;
      cn[e.key] = e.chinese;
    }
    for (auto& problem : checkTables(table.name, en, cn)) errors.push_back(std::move(problem));
  }
  return tables;
}

std::optional<std::vector<StringTable>> StringSource::read(const std::filesystem::path& file,
                                                           std::vector<std::string>& errors) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    errors.push_back("cannot read " + file.string());
    return std::nullopt;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  return parse(ss.str(), errors);
}

std::optional<std::vector<std::string>> StringSource::placeholders(const std::string& text) {
  std::vector<std::string> found;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    std::size_t j = i + 1;
    if (j < text.size() && text[j] == '%') {
      i = j;
      continue;
    }
    while (j < text.size() && std::string_view("-0").find(text[j]) != std::string_view::npos) ++j;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
    if (j < text.size() && text[j] == '.') {
      ++j;
      while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
    }
    while (j < text.size() && std::string_view("hlqzjtL").find(text[j]) != std::string_view::npos) ++j;
    if (j >= text.size() || std::string_view("@diouxXfFeEgGcsSp").find(text[j]) == std::string_view::npos)
      return std::nullopt;
    found.push_back(text.substr(i, j - i + 1));
    i = j;
  }
  return found;
}

std::vector<std::string> StringSource::checkTables(const std::string& name, const TextMap& english,
                                                   const TextMap& chinese) {
  std::vector<std::string> problems;
  auto report = [&](const std::string& key, const std::string& what) {
    problems.push_back(name + " \"" + key + "\": " + what);
  };
  for (const auto& [key, text] : english)
    if (!chinese.count(key)) report(key, "missing from the Chinese table");
  for (const auto& [key, text] : chinese)
    if (!english.count(key)) report(key, "missing from the English table");
  const bool main = name == mainTable;
  for (const auto& [key, en] : english) {
    auto it = chinese.find(key);
    if (it == chinese.end()) continue;
    const std::string& cn = it->second;
    if (main && !isMainKey(key)) report(key, "keys are upper-case letters, digits and '_'");
    if (!main && en != key) report(key, "the English text must equal its key, which is the fall-back shown");
    if (trim(en).empty()) report(key, "blank English text");
    if (trim(cn).empty()) report(key, "blank Chinese text");
    if (hasBadControl(en) || hasBadControl(cn)) report(key, "control character in a text");
    auto pe = placeholders(en);
    auto pc = placeholders(cn);
    if (!pe) report(key, "stray '%' in the English text (write %% for a percent sign)");
    if (!pc) report(key, "stray '%' in the Chinese text (write %% for a percent sign)");
    if (pe && pc && *pe != *pc)
      report(key, "placeholders differ: English " + joined(*pe) + ", Chinese " + joined(*pc));
  }
  if (main) {
    for (const auto& group : kDistinctGroups) {
      for (const TextMap* table : {&english, &chinese}) {
        std::map<std::string, std::string> owner;
        for (const auto& key : group) {
          auto it = table->find(key);
          if (it == table->end()) continue;
          auto [pos, fresh] = owner.emplace(it->second, key);
          if (!fresh)
            report(key, std::string("same ") + (table == &english ? "English" : "Chinese") + " text as \"" +
                            pos->second + "\", but screens tell the two apart by their text");
        }
      }
    }
  }
  return problems;
}

}  // namespace mv::resources
