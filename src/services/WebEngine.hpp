#pragma once
// The process's web engine: WebKitGTK pages kept in offscreen GTK windows,
// their GLib main context pumped from the main run loop. Pages are made by
// `WebView`; this is what they share: starting GTK once (it needs a display),
// the one ephemeral engine context (no cache or cookies written to disk,
// certificates checked against the system's authorities and refused when
// they fail), the pump, and the folders served to pages under the "mvbook"
// scheme.
//
// The engine saves nothing a page offers for download: every download is
// cancelled as it starts. A page's process that passes the memory ceiling
// is ended by the engine (its view then stops the page); one that fills the
// network process stops every page likewise.
//
// The engine renders in processes of its own, in real time. While a load,
// a script or a picture is under way the engine counts as busy, and the main
// loop's waits keep step with real time (see base::beginOutsideWork).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace svc {

class WebEngine {
 public:
  // Starts GTK and the engine on first use; false (with the reason) when no
  // display can be opened.
  [[nodiscard]] static bool start(std::string* error = nullptr);
  static bool isStarted();

  // Pages alive: the pump runs while there is one.
  static void pageOpened();
  static void pageClosed();
  // A load, a script or a picture under way; each begin has its end.
  static void beginWork();
  static void endWork();
  static bool isBusy();
  // Runs what the GLib main context has ready, without waiting.
  static void pump();
  // Runs the GLib main context until nothing has come for a few
  // milliseconds (at most `seconds`): input handed to a page is taken in
  // order, each before the next, as the engine acknowledges it.
  static void settle(double seconds);
  static constexpr unsigned kQuietMilliseconds = 5;

  // A folder whose files pages may read as "mvbook://<host>/<path>", and
  // nothing else: names that leave the folder are refused. XHTML files are
  // served as XHTML when they are well-formed and to the HTML parser when
  // not (which keeps all their text). Unregistered when the handle goes.
  class ServedFolder {
   public:
    ~ServedFolder();
    ServedFolder(const ServedFolder&) = delete;
    ServedFolder& operator=(const ServedFolder&) = delete;
    const std::string& host() const { return host_; }
    const std::filesystem::path& folder() const { return folder_; }
    // The address of a file inside the folder; nothing for one outside it.
    std::optional<std::string> urlOf(const std::filesystem::path& file) const;
    // The file an address of this folder names (without its fragment), and
    // the fragment; nothing for any other address or a name outside.
    std::optional<std::pair<std::filesystem::path, std::string>> fileOf(const std::string& url) const;

   private:
    friend class WebEngine;
    ServedFolder(std::string host, std::filesystem::path folder);
    std::string host_;
    std::filesystem::path folder_;
  };
  static std::unique_ptr<ServedFolder> serveFolder(const std::filesystem::path& folder);
  static constexpr const char* kFolderScheme = "mvbook";

  // The most memory, in megabytes, a page's process may take. Set before
  // the engine starts (tests set a low one); false once it has.
  [[nodiscard]] static bool setMemoryCeiling(unsigned megabytes);
  static unsigned memoryCeiling();
  static constexpr unsigned kDefaultMemoryCeiling = 1536;
  // How often, in seconds, a page's process measures itself against it.
  static constexpr double kMemoryCheckInterval = 0.5;
  // How often, in seconds, the engine measures its processes (the pages'
  // and the network's) from outside while a page is open, and after the
  // last is closed until the pages' processes have ended; one past the
  // ceiling is ended at once, however busy it is.
  static constexpr double kMemoryWatchInterval = 0.25;
  // Whether the watch runs; its turns so far, and the processes it read in
  // them.
  static bool isWatchingMemory();
  struct MemoryWatchCount {
    std::uint64_t turns = 0;
    std::uint64_t processesRead = 0;
  };
  static MemoryWatchCount memoryWatchCount();
  // A process of the engine read near its memory ceiling or past it within
  // the last kMemoryStopReach seconds has ended since (each such end told
  // once): a page whose process ended now ended for that.
  static bool endedForMemoryRecently();
  static constexpr double kMemoryStopReach = 5;
  // How long an end the watch made itself waits to be heard.
  static constexpr double kMemoryEndedReach = 60;
  // Called on the main thread when the network process was ended for its
  // memory: the pages that filled it are to be stopped.
  static void setNetworkStoppedForMemory(std::function<void()> handler);

  // The engine's context (a WebKitWebContext*), once started.
  static void* context();

  // The pump's period while pages are busy, and while they sit idle.
  static constexpr double kBusyPumpInterval = 1.0 / 120;
  static constexpr double kIdlePumpInterval = 0.1;
};

}  // namespace svc
