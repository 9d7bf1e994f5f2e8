#include "services/DropFolder.hpp"

#include <atomic>
#include <ctime>
#include <system_error>

#include "platform/base/Paths.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace svc {
namespace {

std::string fileStamp(double secondsSince1970) {
  const std::time_t t = static_cast<std::time_t>(secondsSince1970);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
  return buf;
}

}  // namespace

fs::path DropFolder::ofAccount(const std::string& kind, const std::string& clientId) {
  auto client = mv::PublicFunction::clientFolder(clientId);
  if (!client) return {};
  return base::Paths::root() / kind / client->filename();
}

bool DropFolder::isWritable(const fs::path& folder) {
  if (folder.empty()) return false;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec)) return false;
  // A folder the process may not write into takes no jobs.
  const auto perms = fs::status(folder, ec).permissions();
  return !ec && (perms & fs::perms::owner_write) != fs::perms::none;
}

fs::path DropFolder::newFile(const fs::path& folder, const std::string& prefix, double secondsSince1970,
                             const std::string& extension) {
  // Jobs are written from worker threads: the number is taken atomically.
  static std::atomic<unsigned> counter{0};
  std::error_code ec;
  fs::create_directories(folder, ec);
  const std::string stem = prefix + fileStamp(secondsSince1970) + "-" + std::to_string(counter++ % 1000000);
  fs::path file = folder / (stem + extension);
  for (int i = 1; fs::exists(file, ec); ++i) file = folder / (stem + "-" + std::to_string(i) + extension);
  return file;
}

std::string DropFolder::safeFileName(const std::string& name, const std::string& fallback) {
  std::string out;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f || c == '/' || c == '\\') {
      out += '_';
    } else {
      out += c;
    }
  }
  while (!out.empty() && (out.front() == '.' || out.front() == ' ')) out.erase(out.begin());
  if (out.size() > kMaxNameBytes) {
    out.resize(kMaxNameBytes);
    // Never leave half of a UTF-8 character at the end.
    std::size_t lead = out.size();
    while (lead > 0 && (static_cast<unsigned char>(out[lead - 1]) & 0xC0) == 0x80) --lead;
    if (lead > 0) {
      const auto first = static_cast<unsigned char>(out[lead - 1]);
      const std::size_t length = first < 0x80 ? 1 : first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : 2;
      if (out.size() - (lead - 1) < length) out.resize(lead - 1);
    }
  }
  return out.empty() ? fallback : out;
}

}  // namespace svc
