#include "services/OfficeConverter.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/base/Log.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"

extern char** environ;

namespace fs = std::filesystem;

namespace svc {
namespace {

std::string lowerExtension(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

std::optional<fs::path> findOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (!path) return std::nullopt;
  std::string all(path);
  std::size_t start = 0;
  while (start <= all.size()) {
    const auto end = all.find(':', start);
    const fs::path dir = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!dir.empty()) {
      const fs::path candidate = dir / name;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return std::nullopt;
}

// FNV-1a over the text: a stable name for the cache entry.
std::string hashOf(const std::string& text) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char out[17];
  std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
  return out;
}

// Runs the program and waits at most `timeout`; the child is killed past it.
bool run(const std::vector<std::string>& args, double timeout, std::string* error) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    if (error) *error = "cannot start the converter";
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0) {
      if (error) *error = "lost the converter";
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      if (error) *error = "the conversion took too long";
      return false;
    }
    // A worker thread waits for a child process here, never the main loop.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    if (error) *error = "the converter failed";
    return false;
  }
  return true;
}

}  // namespace

std::optional<fs::path> OfficeConverter::program() {
  if (auto p = findOnPath("soffice")) return p;
  return findOnPath("libreoffice");
}

bool OfficeConverter::isLegacyOfficeFile(const fs::path& path) {
  const std::string ext = lowerExtension(path);
  return ext == ".doc" || ext == ".xls" || ext == ".ppt";
}

fs::path OfficeConverter::defaultCacheFolder() { return base::Paths::library() / "Caches" / "OfficePreviews"; }

std::optional<fs::path> OfficeConverter::cachedPdfPath(const fs::path& source, const fs::path& cacheFolder) {
  std::error_code ec;
  const auto canonical = fs::weakly_canonical(source, ec);
  const auto size = fs::file_size(source, ec);
  if (ec) return std::nullopt;
  const auto stamp = fs::last_write_time(source, ec);
  if (ec) return std::nullopt;
  const std::string key = canonical.string() + "|" + std::to_string(size) + "|" +
                          std::to_string(stamp.time_since_epoch().count());
  return cacheFolder / (hashOf(key) + ".pdf");
}

std::optional<fs::path> OfficeConverter::convertToPdf(const fs::path& source, const fs::path& cacheFolder,
                                                      double timeoutSeconds, std::string* error) {
  auto target = cachedPdfPath(source, cacheFolder);
  if (!target) {
    if (error) *error = "cannot read the file";
    return std::nullopt;
  }
  std::error_code ec;
  if (fs::is_regular_file(*target, ec) && fs::file_size(*target, ec) > 0) return target;
  auto converter = program();
  if (!converter) {
    if (error) *error = "LibreOffice is not installed";
    return std::nullopt;
  }
  // A folder of its own per conversion: the converter's profile and output.
  const fs::path work = cacheFolder / ("work-" + target->stem().string() + "-" + std::to_string(::getpid()));
  fs::remove_all(work, ec);
  fs::create_directories(work / "out", ec);
  if (ec) {
    if (error) *error = "cannot write the cache";
    return std::nullopt;
  }
  // The source goes in under a plain name, so odd names reach the converter whole.
  const fs::path input = work / ("document" + lowerExtension(source));
  fs::copy_file(source, input, ec);
  bool ok = !ec && run({converter->string(), "--headless", "--norestore", "--nologo",
                        "-env:UserInstallation=file://" + (work / "profile").string(), "--convert-to", "pdf",
                        "--outdir", (work / "out").string(), input.string()},
                       timeoutSeconds, error);
  const fs::path produced = work / "out" / "document.pdf";
  if (ok && !(fs::is_regular_file(produced, ec) && fs::file_size(produced, ec) > 0)) {
    ok = false;
    if (error) *error = "the converter wrote no PDF";
  }
  if (ok) {
    fs::rename(produced, *target, ec);
    ok = !ec;
    if (!ok && error) *error = "cannot write the cache";
  }
  fs::remove_all(work, ec);
  if (!ok) MV_LOG("office conversion of ", source.string(), " failed");
  return ok ? target : std::nullopt;
}

void OfficeConverter::convertAsync(fs::path source, fs::path cacheFolder, double timeoutSeconds, Done done) {
  // Conversions take long: they queue on their own worker, one at a time.
  static base::WorkQueue conversions(1);
  conversions.async([source = std::move(source), cacheFolder = std::move(cacheFolder), timeoutSeconds,
                                   done = std::move(done)](const base::CancelFlag&) mutable {
    std::string error;
    auto pdf = convertToPdf(source, cacheFolder, timeoutSeconds, &error);
    base::RunLoop::main().post([done = std::move(done), pdf = std::move(pdf), error = std::move(error)] { done(pdf, error); });
  });
}

}  // namespace svc
