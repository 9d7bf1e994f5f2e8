#include "services/OfficeConverter.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <map>
#include <set>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/base/FolderWriters.hpp"
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

// SHA-256 of the file's bytes, read in pieces: a changed file gets a new
// cache entry, a file copied elsewhere keeps its old one.
std::optional<std::string> checksumOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) return std::nullopt;
  std::vector<char> buffer(64 * 1024);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const std::streamsize n = in.gcount();
    if (n > 0 && EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<std::size_t>(n)) != 1) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1) return std::nullopt;
  std::string hex;
  char two[3];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(two, sizeof two, "%02x", digest[i]);
    hex += two;
  }
  return hex;
}

// The newer formats are ZIP packages; the suite would read anything else as
// plain text and show its bytes, so such a file is taken as damaged. The older
// formats come in more shapes (some tools write HTML or RTF under them), and
// the suite judges those.
bool looksLikeItsType(const fs::path& path) {
  const std::string ext = lowerExtension(path);
  if (ext != ".docx" && ext != ".xlsx" && ext != ".pptx") return true;
  std::ifstream in(path, std::ios::binary);
  char magic[4] = {};
  return in.read(magic, 4) && magic[0] == 'P' && magic[1] == 'K' && magic[2] == 3 && magic[3] == 4;
}

enum class RunEnd { Finished, Failed, TimedOut, Cancelled, NotStarted };

// Runs the program in a process group of its own and waits at most
// `timeout`. The suite starts helpers of its own: past the limit, on cancel
// and after a normal end, the whole group is killed, so nothing it started
// lives on.
RunEnd run(const std::vector<std::string>& args, double timeout, const base::CancelFlag* cancel) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return RunEnd::NotStarted;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
  int status = 0;
  RunEnd end = RunEnd::Finished;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) {
      end = RunEnd::Failed;
      break;
    }
    const bool late = std::chrono::steady_clock::now() >= deadline;
    if (late || (cancel && cancel->isCancelled())) {
      ::kill(-pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return late ? RunEnd::TimedOut : RunEnd::Cancelled;
    }
    // A worker thread waits for a child process here, never the main loop.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(-pid, SIGKILL);
  if (end == RunEnd::Finished && (!WIFEXITED(status) || WEXITSTATUS(status) != 0)) end = RunEnd::Failed;
  return end;
}

}  // namespace

std::optional<fs::path> OfficeConverter::program() {
  if (auto p = findOnPath("soffice")) return p;
  return findOnPath("libreoffice");
}

bool OfficeConverter::isOfficeFile(const fs::path& path) {
  static const std::set<std::string> kExtensions = {".doc", ".docx", ".xls", ".xlsx", ".ppt", ".pptx"};
  return kExtensions.count(lowerExtension(path)) > 0;
}

std::string OfficeConverter::mimeTypeForPath(const fs::path& path) {
  static const std::map<std::string, std::string> kTypes = {
      {".ppt", "application/vnd.ms-powerpoint"},
      {".pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
      {".xls", "application/vnd.ms-excel"},
      {".xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
      {".doc", "application/msword"},
      {".docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
  };
  auto it = kTypes.find(lowerExtension(path));
  return it == kTypes.end() ? "application/octet-stream" : it->second;
}

fs::path OfficeConverter::defaultCacheFolder() { return base::Paths::library() / "Caches" / "OfficePreviews"; }

std::optional<fs::path> OfficeConverter::cachedPdfPath(const fs::path& source, const fs::path& cacheFolder) {
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) return std::nullopt;
  auto sum = checksumOf(source);
  if (!sum) return std::nullopt;
  // The extension joins the key: the same bytes read as another type give
  // another document.
  return cacheFolder / (*sum + "-" + lowerExtension(source).substr(1) + ".pdf");
}

std::optional<fs::path> OfficeConverter::convertToPdf(const fs::path& source, const fs::path& cacheFolder,
                                                      double timeoutSeconds, std::string* error,
                                                      const base::CancelFlag* cancel) {
  auto fail = [&](const char* why) -> std::optional<fs::path> {
    if (error) *error = why;
    MV_LOG("office conversion of ", source.filename().string(), " failed: ", why);
    return std::nullopt;
  };
  if (!isOfficeFile(source)) return fail("not an Office file");
  auto target = cachedPdfPath(source, cacheFolder);
  if (!target) return fail("cannot read the file");
  std::error_code ec;
  if (fs::is_regular_file(*target, ec) && fs::file_size(*target, ec) > 0) return target;
  if (!looksLikeItsType(source)) return fail("the file is damaged");
  auto converter = program();
  if (!converter) return fail("the office suite is not installed");
  // A folder of its own per conversion for the output; the profile is kept
  // between conversions, which run one at a time, since making it takes
  // seconds.
  const fs::path work = cacheFolder / ("work-" + target->stem().string() + "-" + std::to_string(::getpid()));
  const fs::path profile = cacheFolder / "profile";
  fs::remove_all(work, ec);
  fs::create_directories(work / "out", ec);
  if (ec) return fail("cannot write the cache");
  // The source goes in under a plain name, so odd names reach the converter whole.
  const fs::path input = work / ("document" + lowerExtension(source));
  fs::copy_file(source, input, ec);
  if (ec) {
    fs::remove_all(work, ec);
    return fail("cannot read the file");
  }
  const RunEnd end = run({converter->string(), "--headless", "--norestore", "--nologo", "--nolockcheck",
                          "-env:UserInstallation=file://" + profile.string(), "--convert-to", "pdf", "--outdir",
                          (work / "out").string(), input.string()},
                         timeoutSeconds, cancel);
  const fs::path produced = work / "out" / "document.pdf";
  const char* why = nullptr;
  switch (end) {
    case RunEnd::NotStarted: why = "cannot start the converter"; break;
    case RunEnd::TimedOut: why = "the conversion took too long"; break;
    case RunEnd::Cancelled: why = "the conversion was cancelled"; break;
    case RunEnd::Failed: why = "the converter failed"; break;
    case RunEnd::Finished:
      if (!(fs::is_regular_file(produced, ec) && fs::file_size(produced, ec) > 0)) why = "the converter wrote no PDF";
      break;
  }
  // A converter killed halfway may leave its profile locked or half made.
  if (end == RunEnd::TimedOut || end == RunEnd::Cancelled) fs::remove_all(profile, ec);
  if (!why) {
    fs::rename(produced, *target, ec);
    if (ec) why = "cannot write the cache";
  }
  fs::remove_all(work, ec);
  if (why) return fail(why);
  return target;
}

base::CancelFlag OfficeConverter::convertAsync(fs::path source, fs::path cacheFolder, double timeoutSeconds,
                                               Done done) {
  // Conversions take long: they queue on their own worker, one at a time.
  static base::WorkQueue conversions(1);
  return conversions.async([source = std::move(source), cacheFolder = std::move(cacheFolder), timeoutSeconds,
                            done = std::move(done)](const base::CancelFlag& cancel) mutable {
    std::string error = "the conversion was cancelled";
    std::optional<fs::path> pdf;
    // What the suite writes is made from a file of an account: deleting the
    // account's folder stops the suite and waits for it, and none starts after.
    if (auto pass = base::FolderWriters::shared().enter(source, cancel)) {
      pdf = convertToPdf(source, cacheFolder, timeoutSeconds, &error, &cancel);
    }
    if (cancel.isCancelled()) return;
    base::RunLoop::main().post([done = std::move(done), pdf = std::move(pdf), error = std::move(error), cancel] {
      if (!cancel.isCancelled()) done(pdf, error);
    });
  });
}

}  // namespace svc
