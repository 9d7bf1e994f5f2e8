#include "services/WebEngine.hpp"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/CancelTracker.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/OutsideWork.hpp"
#include "platform/base/RunLoop.hpp"
#include "util/Text.hpp"
#include "util/XMLDocument.hpp"

namespace fs = std::filesystem;

namespace svc {
namespace {

struct EngineState {
  bool tried = false;
  bool started = false;
  std::string failure;
  WebKitWebContext* context = nullptr;
  int pages = 0;
  int busy = 0;
  // The pump's next turn on the main loop.
  base::CancelTracker pumpTurns;
  base::CancelTracker::Id pumpTurn = 0;
  double pumpInterval = 0;
  // Each arming of the pump has its number: a turn of an older one ends its line.
  std::uint64_t pumpGeneration = 0;
  std::chrono::steady_clock::time_point armedAt;
  unsigned nextHost = 1;
  unsigned memoryCeiling = WebEngine::kDefaultMemoryCeiling;
  std::map<std::string, fs::path> folders;  // host -> folder
};

EngineState& state() {
  static EngineState s;
  return s;
}

// What a file served to a page is, by its extension; the engine needs the
// type to parse XHTML as XML (MathML, SVG) rather than as HTML.
std::string mimeTypeOf(const fs::path& file) {
  static const std::map<std::string, std::string> known{
      {".xhtml", "application/xhtml+xml"}, {".xht", "application/xhtml+xml"}, {".xml", "application/xml"},
      {".html", "text/html"},          {".htm", "text/html"},          {".css", "text/css"},
      {".svg", "image/svg+xml"},       {".png", "image/png"},          {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},         {".gif", "image/gif"},          {".webp", "image/webp"},
      {".js", "text/javascript"},      {".ttf", "font/ttf"},           {".otf", "font/otf"},
      {".woff", "font/woff"},          {".woff2", "font/woff2"},       {".txt", "text/plain"},
  };
  auto found = known.find(mv::lowercase(file.extension().string()));
  return found != known.end() ? found->second : "application/octet-stream";
}

// The encoding an XML document's declaration names; empty when it names none.
std::string declaredEncoding(std::string_view bytes) {
  if (bytes.compare(0, 5, "<?xml") != 0) return {};
  const std::string_view declaration = bytes.substr(0, bytes.find("?>"));
  const auto at = declaration.find("encoding");
  if (at == std::string_view::npos) return {};
  const auto open = declaration.find_first_of("\"'", at);
  if (open == std::string_view::npos) return {};
  const auto close = declaration.find(declaration[open], open + 1);
  if (close == std::string_view::npos) return {};
  return std::string(declaration.substr(open + 1, close - open - 1));
}

// An XHTML document that is not well-formed stops the engine's XML parser at
// its first error, and the rest of it is lost: such a document goes to the
// HTML parser, which keeps all its text (and inline MathML and SVG). That
// parser reads no XML declaration, so the text is handed over as UTF-8 and
// says so with a byte order mark.
void serveAsHTMLWhenNotWellFormed(std::string& bytes, std::string& type) {
  if (type != "application/xhtml+xml" || mv::XMLDocument::isWellFormed(bytes)) return;
  type = "text/html";
  static constexpr std::string_view kUTF8Mark = "\xEF\xBB\xBF";
  if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0 ||
      bytes.compare(0, kUTF8Mark.size(), kUTF8Mark) == 0)
    return;
  const std::string encoding = mv::lowercase(declaredEncoding(bytes));
  if (!encoding.empty() && encoding != "utf-8" && encoding != "utf8") {
    gsize written = 0;
    gchar* converted = g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", encoding.c_str(), nullptr,
                                 &written, nullptr);
    if (!converted) return;
    bytes.assign(converted, written);
    g_free(converted);
  }
  bytes.insert(0, kUTF8Mark);
}

// "mvbook://<host>/<path>": the file inside the folder served under that host.
std::optional<std::pair<fs::path, std::string>> servedFile(const std::string& url, const std::string& host,
                                                           const fs::path& folder) {
  const std::string prefix = std::string(WebEngine::kFolderScheme) + "://" + host + "/";
  if (url.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  std::string rest = url.substr(prefix.size());
  const auto hash = rest.find('#');
  std::string fragment = hash == std::string::npos ? std::string() : mv::percentDecode(rest.substr(hash + 1));
  std::string relative = mv::percentDecode(rest.substr(0, std::min(hash, rest.find('?'))));
  if (relative.empty() || relative.front() == '/' || relative.find('\0') != std::string::npos) return std::nullopt;
  const fs::path root = folder.lexically_normal();
  const fs::path joined = (root / relative).lexically_normal();
  const fs::path inside = joined.lexically_relative(root);
  if (inside.empty() || *inside.begin() == ".." || inside == ".") return std::nullopt;
  return std::make_pair(joined, fragment);
}

void answerFolderRequest(WebKitURISchemeRequest* request, gpointer) {
  const std::string uri = webkit_uri_scheme_request_get_uri(request);
  auto& s = state();
  std::optional<fs::path> file;
  for (const auto& [host, folder] : s.folders) {
    if (auto found = servedFile(uri, host, folder)) {
      file = found->first;
      break;
    }
  }
  std::error_code ec;
  // A link may still be a symbolic link out of the folder: only what really lies inside is read.
  if (file) {
    fs::path real = fs::weakly_canonical(*file, ec);
    bool inside = false;
    for (const auto& [host, folder] : s.folders) {
      fs::path root = fs::weakly_canonical(folder, ec);
      auto rel = real.lexically_relative(root);
      if (!rel.empty() && *rel.begin() != "..") inside = true;
    }
    if (!inside || !fs::is_regular_file(real, ec)) file.reset();
  }
  std::string bytes;
  if (file) {
    std::ifstream in(*file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) file.reset();
  }
  if (!file) {
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "No such file in this folder");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  std::string type = mimeTypeOf(*file);
  serveAsHTMLWhenNotWellFormed(bytes, type);
  GBytes* data = g_bytes_new(bytes.data(), bytes.size());
  GInputStream* stream = g_memory_input_stream_new_from_bytes(data);
  webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(bytes.size()), type.c_str());
  g_object_unref(stream);
  g_bytes_unref(data);
}

void refuseDownload(WebKitWebContext*, WebKitDownload* download, gpointer) {
  // Before any byte arrives or any file is named.
  webkit_download_cancel(download);
}

// Past the ceiling the process is ended, not only asked to let go of caches:
// the pages' processes and the network process alike.
WebKitWebContext* makeContext(unsigned ceiling) {
  WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
  webkit_memory_pressure_settings_set_memory_limit(memory, ceiling);
  webkit_memory_pressure_settings_set_kill_threshold(memory, 1.0);
  webkit_memory_pressure_settings_set_poll_interval(memory, WebEngine::kMemoryCheckInterval);
  webkit_website_data_manager_set_memory_pressure_settings(memory);
  WebKitWebsiteDataManager* data = webkit_website_data_manager_new_ephemeral();
  auto* context = WEBKIT_WEB_CONTEXT(
      g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager", data, "memory-pressure-settings", memory, nullptr));
  g_object_unref(data);
  webkit_memory_pressure_settings_free(memory);
  return context;
}

// The engine's own check runs inside each of its processes, on the thread a
// busy page holds: a page inflating a body or piling up blobs kept growing
// for a minute before it came. This watch runs apart, on a thread of ours,
// while a page is open and, once the last is closed, until the engine's page
// processes have ended (a closed page's process is ended with it, and is
// watched until it has gone): it measures the engine's processes (the pages'
// and the network's, our children) against the ceiling and ends one that
// passes it at once. It reads only our own children, never the whole
// process list.
struct MemoryWatch {
  std::atomic<unsigned> ceiling{WebEngine::kDefaultMemoryCeiling};
  std::function<void()> networkStopped;  // main thread only
  std::mutex mutex;
  // The engine's processes last read near the ceiling or past it, by pid,
  // with when (steady milliseconds), written before the watch ends one so
  // that whoever hears of its end can tell why: the engine's own check may
  // also end one between two readings, and the end it reports then may not
  // say why. One the watch ended itself is known to have ended: its end may
  // be heard before the process is seen to have gone.
  struct Reading {
    std::int64_t when = 0;
    bool ended = false;
  };
  std::map<std::string, Reading> nearCeiling;
  std::condition_variable wake;
  // The pages open; whether the watch's thread is in its turns; the
  // program is ending.
  int pages = 0;
  bool running = false;
  bool exiting = false;
  std::thread thread;
  std::atomic<std::uint64_t> turns{0};
  std::atomic<std::uint64_t> processesRead{0};

  // The thread waits on `wake`: it ends before the watch does.
  ~MemoryWatch() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      exiting = true;
    }
    wake.notify_all();
    if (thread.joinable()) thread.join();
  }
};

MemoryWatch& memoryWatch() {
  static MemoryWatch watch;
  return watch;
}

std::int64_t steadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

enum class EngineProcess { None, Page, Network };

// Whether the process whose "stat" fields follow its name (" state ppid
// ... flags ...") has begun to end: the kernel marks it so before it lets
// its memory go.
bool isExiting(const std::string& fields) {
  constexpr unsigned long kExitingFlag = 0x4;
  std::istringstream in(fields);
  std::string field;
  // The state, the parent, the group, the session, the terminal, its group,
  // then the flags.
  for (int i = 0; i < 7 && in >> field; ++i) {
  }
  char* end = nullptr;
  const unsigned long flags = std::strtoul(field.c_str(), &end, 10);
  return in && end && *end == '\0' && (flags & kExitingFlag) != 0;
}

// Which of the engine's processes our child is, by its name.
EngineProcess engineProcessOf(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return EngineProcess::None;
  // "pid (name) state ...": the name may hold spaces and parentheses.
  const auto open = line.find('(');
  const auto close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos) return EngineProcess::None;
  const std::string name = line.substr(open + 1, close - open - 1);
  // One that has ended and awaits its parent holds nothing any more; one
  // that is ending lets its memory go as it is read, and that is no reading
  // of what it held while it lived.
  if (line.compare(close + 1, 3, " Z ") == 0 || isExiting(line.substr(close + 1))) return EngineProcess::None;
  if (name.rfind("WebKitWebProces", 0) == 0) return EngineProcess::Page;
  if (name.rfind("WebKitNetworkPr", 0) == 0) return EngineProcess::Network;
  return EngineProcess::None;
}

// The process's parent, from its status; 0 when it cannot be read.
pid_t parentOf(const std::string& pid) {
  std::ifstream status("/proc/" + pid + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("PPid:", 0) == 0) return static_cast<pid_t>(std::strtol(line.c_str() + 5, nullptr, 10));
  return 0;
}

// The processes this one started, from any of its threads. A kernel that
// does not list a thread's children leaves the process list to be read.
std::vector<std::string> ownChildren() {
  std::vector<std::string> children;
  bool listed = false;
  std::error_code ec;
  for (auto it = fs::directory_iterator("/proc/self/task", ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::ifstream list(it->path() / "children");
    listed = listed || list.is_open();
    for (std::string pid; list >> pid;) children.push_back(pid);
  }
  if (listed) return children;
  const pid_t self = ::getpid();
  for (auto it = fs::directory_iterator("/proc", ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string pid = it->path().filename().string();
    if (!pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos && parentOf(pid) == self)
      children.push_back(pid);
  }
  return children;
}

// What the process holds of its own (resident or swapped), in megabytes.
double ownMegabytes(const std::string& pid) {
  std::ifstream status("/proc/" + pid + "/status");
  double kilobytes = 0;
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("RssAnon:", 0) == 0 || line.rfind("VmSwap:", 0) == 0)
      kilobytes += std::strtod(line.c_str() + line.find(':') + 1, nullptr);
  }
  return kilobytes / 1024;
}

// Two thirds of the ceiling: what a page growing fast passes well before
// the next reading could see it past the ceiling.
bool nearTheCeiling(double megabytes, unsigned ceiling) { return megabytes * 3 > ceiling * 2.0; }

// Whether an end heard now may be taken for that reading's: one read near
// the ceiling a moment ago, or one the watch ended itself, however long the
// main loop, busy elsewhere, takes to hear of that end.
bool stillTold(const MemoryWatch::Reading& reading, std::int64_t now) {
  const double reach = reading.ended ? WebEngine::kMemoryEndedReach : WebEngine::kMemoryStopReach;
  return now - reading.when <= static_cast<std::int64_t>(reach * 1000);
}

void noteReading(const std::string& pid, double megabytes, unsigned ceiling) {
  auto& watch = memoryWatch();
  const std::int64_t now = steadyMilliseconds();
  std::lock_guard<std::mutex> lock(watch.mutex);
  std::erase_if(watch.nearCeiling, [&](const auto& entry) { return !stillTold(entry.second, now); });
  // One ended is read on, its memory let go, until it has gone.
  if (const auto it = watch.nearCeiling.find(pid); it != watch.nearCeiling.end() && it->second.ended) return;
  if (nearTheCeiling(megabytes, ceiling)) {
    watch.nearCeiling[pid] = {now, false};
  } else {
    watch.nearCeiling.erase(pid);
  }
}

void watchMemory() {
  auto& watch = memoryWatch();
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(watch.mutex);
      watch.wake.wait_for(lock, std::chrono::duration<double>(WebEngine::kMemoryWatchInterval),
                          [&] { return watch.exiting; });
      if (watch.exiting) {
        watch.running = false;
        return;
      }
    }
    const unsigned ceiling = watch.ceiling.load();
    bool networkEnded = false;
    int pageProcesses = 0;
    for (const std::string& pid : ownChildren()) {
      watch.processesRead.fetch_add(1);
      const EngineProcess kind = engineProcessOf(pid);
      if (kind == EngineProcess::Page) ++pageProcesses;
      if (kind == EngineProcess::None) continue;
      const double megabytes = ownMegabytes(pid);
      noteReading(pid, megabytes, ceiling);
      if (megabytes <= ceiling) continue;
      // Known as ended before it ends: its end may be heard at once.
      if (kind == EngineProcess::Page) {
        std::lock_guard<std::mutex> lock(watch.mutex);
        watch.nearCeiling[pid] = {steadyMilliseconds(), true};
      }
      ::kill(static_cast<pid_t>(std::stol(pid)), SIGKILL);
      MV_LOG("web engine: ended the ", kind == EngineProcess::Page ? "page's" : "network", " process ", pid,
             ": more than ", ceiling, " MB");
      if (kind == EngineProcess::Network) {
        // Its pages are stopped for it below: no other end is taken for it.
        networkEnded = true;
        std::lock_guard<std::mutex> lock(watch.mutex);
        watch.nearCeiling.erase(pid);
      }
    }
    watch.turns.fetch_add(1);
    // The pages that kept the network process busy live on in processes of
    // their own: they are stopped too, each saying why.
    if (networkEnded) {
      base::RunLoop::main().post([] {
        if (memoryWatch().networkStopped) memoryWatch().networkStopped();
      });
    }
    std::lock_guard<std::mutex> lock(watch.mutex);
    if (watch.pages == 0 && pageProcesses == 0) {
      watch.running = false;
      return;
    }
  }
}

// The watch starts with the first page opened; it ends on its own once no
// page is open and no page's process is left.
void watchMemoryWhilePagesOpen(int pages) {
  auto& watch = memoryWatch();
  std::lock_guard<std::mutex> lock(watch.mutex);
  watch.pages = pages;
  if (pages <= 0 || watch.running) return;
  // A watch that ended has left its turns: it is done, or about to be.
  if (watch.thread.joinable()) watch.thread.join();
  watch.running = true;
  watch.thread = std::thread(watchMemory);
}

void schedulePump() {
  auto& s = state();
  const double wanted = s.busy > 0 ? WebEngine::kBusyPumpInterval : WebEngine::kIdlePumpInterval;
  const bool needed = s.pages > 0 || s.busy > 0;
  // A turn that has not come long after it was due was dropped with the
  // main loop's queue (tests empty it between them): the pump is armed anew.
  const bool overdue = std::chrono::steady_clock::now() - s.armedAt > std::chrono::seconds(2);
  if (s.pumpTurn && s.pumpTurns.isTracked(s.pumpTurn) && needed && s.pumpInterval == wanted && !overdue) return;
  if (s.pumpTurn) s.pumpTurns.cancel(s.pumpTurn);
  s.pumpTurn = 0;
  ++s.pumpGeneration;
  if (!needed) return;
  s.pumpInterval = wanted;
  s.armedAt = std::chrono::steady_clock::now();
  s.pumpTurn = s.pumpTurns.after(wanted, [generation = s.pumpGeneration] {
    auto& state_ = state();
    if (generation != state_.pumpGeneration) return;
    state_.pumpTurn = 0;
    WebEngine::pump();
    schedulePump();
  });
}

}  // namespace

bool WebEngine::start(std::string* error) {
  MV_ASSERT_MAIN_THREAD();
  auto& s = state();
  if (!s.tried) {
    s.tried = true;
    // The engine draws into our windows, never into its own: no X input
    // method and no accessibility bus for windows nobody sees.
    setenv("GTK_IM_MODULE", "gtk-im-context-simple", 0);
    setenv("NO_AT_BRIDGE", "1", 0);
    if (!gtk_init_check(nullptr, nullptr)) {
      s.failure = "no display for the web engine";
    } else {
      s.context = makeContext(s.memoryCeiling);
      memoryWatch().ceiling.store(s.memoryCeiling);
      g_signal_connect(s.context, "download-started", G_CALLBACK(refuseDownload), nullptr);
      webkit_web_context_set_cache_model(s.context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
      // A page whose server cannot prove who it is does not load: the
      // system's authorities decide, as for every other transfer.
      webkit_website_data_manager_set_tls_errors_policy(webkit_web_context_get_website_data_manager(s.context),
                                                        WEBKIT_TLS_ERRORS_POLICY_FAIL);
      webkit_web_context_register_uri_scheme(s.context, kFolderScheme, answerFolderRequest, nullptr, nullptr);
      s.started = true;
    }
    if (!s.started) MV_LOG("web engine: ", s.failure);
  }
  if (!s.started && error) *error = s.failure;
  return s.started;
}

bool WebEngine::isStarted() { return state().started; }

bool WebEngine::setMemoryCeiling(unsigned megabytes) {
  auto& s = state();
  if (s.tried || megabytes == 0) return false;
  s.memoryCeiling = megabytes;
  return true;
}

unsigned WebEngine::memoryCeiling() { return state().memoryCeiling; }

bool WebEngine::endedForMemoryRecently() {
  auto& watch = memoryWatch();
  const std::int64_t now = steadyMilliseconds();
  // Each such end is told once, and no other is taken for it.
  std::lock_guard<std::mutex> lock(watch.mutex);
  for (auto it = watch.nearCeiling.begin(); it != watch.nearCeiling.end(); ++it) {
    if (stillTold(it->second, now) && (it->second.ended || engineProcessOf(it->first) == EngineProcess::None)) {
      watch.nearCeiling.erase(it);
      return true;
    }
  }
  return false;
}

void WebEngine::setNetworkStoppedForMemory(std::function<void()> handler) {
  MV_ASSERT_MAIN_THREAD();
  memoryWatch().networkStopped = std::move(handler);
}

void* WebEngine::context() { return state().context; }

void WebEngine::pageOpened() {
  watchMemoryWhilePagesOpen(++state().pages);
  schedulePump();
}

void WebEngine::pageClosed() {
  watchMemoryWhilePagesOpen(--state().pages);
  schedulePump();
}

bool WebEngine::isWatchingMemory() {
  std::lock_guard<std::mutex> lock(memoryWatch().mutex);
  return memoryWatch().running;
}

WebEngine::MemoryWatchCount WebEngine::memoryWatchCount() {
  return {memoryWatch().turns.load(), memoryWatch().processesRead.load()};
}

void WebEngine::beginWork() {
  if (state().busy++ == 0) base::beginOutsideWork();
  schedulePump();
}

void WebEngine::endWork() {
  auto& s = state();
  if (s.busy <= 0) return;
  if (--s.busy == 0) base::endOutsideWork();
  schedulePump();
}

bool WebEngine::isBusy() { return state().busy > 0; }

void WebEngine::pump() {
  if (!state().started) return;
  // Bounded: a source that is always ready must not hold the main loop.
  for (int i = 0; i < 200 && g_main_context_iteration(nullptr, FALSE); ++i) {
  }
}

void WebEngine::settle(double seconds) {
  if (!state().started) return;
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < until) {
    bool quiet = false;
    guint wake = g_timeout_add(kQuietMilliseconds, [](gpointer data) -> gboolean {
      *static_cast<bool*>(data) = true;
      return G_SOURCE_REMOVE;
    }, &quiet);
    g_main_context_iteration(nullptr, TRUE);
    if (quiet) return;
    if (GSource* source = g_main_context_find_source_by_id(nullptr, wake)) g_source_destroy(source);
  }
}

WebEngine::ServedFolder::ServedFolder(std::string host, fs::path folder)
    : host_(std::move(host)), folder_(std::move(folder)) {}

WebEngine::ServedFolder::~ServedFolder() { state().folders.erase(host_); }

std::optional<std::string> WebEngine::ServedFolder::urlOf(const fs::path& file) const {
  const fs::path rel = file.lexically_normal().lexically_relative(folder_.lexically_normal());
  if (rel.empty() || *rel.begin() == ".." || rel == ".") return std::nullopt;
  std::string path;
  for (const auto& part : rel) {
    if (!path.empty()) path += "/";
    path += mv::percentEscapePathSegment(part.string());
  }
  return std::string(kFolderScheme) + "://" + host_ + "/" + path;
}

std::optional<std::pair<fs::path, std::string>> WebEngine::ServedFolder::fileOf(const std::string& url) const {
  return servedFile(url, host_, folder_);
}

std::unique_ptr<WebEngine::ServedFolder> WebEngine::serveFolder(const fs::path& folder) {
  auto& s = state();
  std::string host = "f" + std::to_string(s.nextHost++);
  s.folders[host] = folder.lexically_normal();
  return std::unique_ptr<ServedFolder>(new ServedFolder(host, folder.lexically_normal()));
}

}  // namespace svc
