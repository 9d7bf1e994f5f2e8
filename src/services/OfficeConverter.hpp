#pragma once
// Turns an office document (the Microsoft formats old and new, OpenDocument,
// RTF, older word processors' files, drawings) into PDF with the office
// suite, when it is installed: `soffice` runs headless in a process group of
// its own, with a profile kept in the cache folder and a time limit that ends
// the whole group (as does the application's end, however it ends), and its
// PDF is kept in the cache (OfficePreviewCache), so a file is converted once
// per version. Bytes that surely are no document the suite opens are refused
// as damaged before the suite sees them; the rest is the suite's to judge,
// but for a spreadsheet it could only show as its raw bytes, which is
// damaged too. The suite's processes together are held to a memory ceiling
// as they are to the time limit. Without the suite nothing is converted, and
// each failure names its cause for the caller to tell.
#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/base/WorkQueue.hpp"

namespace svc {

class OfficeConverter {
 public:
  // A 300-page document takes about half a minute on a loaded machine; a
  // conversion past this is taken as hung.
  static constexpr double kDefaultTimeoutSeconds = 120;
  // A long document takes the suite a few hundred megabytes, one of sixty
  // camera pictures more than a gigabyte; a document built to unpack into
  // millions of paragraphs grows for as long as it runs. The suite may take
  // half the machine's memory, never less than the least nor more than the
  // most here.
  static constexpr unsigned kLeastMemoryCeiling = 1024;
  static constexpr unsigned kMostMemoryCeiling = 4096;
  static constexpr unsigned memoryCeilingFor(unsigned long long machineMegabytes) {
    const unsigned long long half = machineMegabytes / 2;
    return half < kLeastMemoryCeiling ? kLeastMemoryCeiling
           : half > kMostMemoryCeiling ? kMostMemoryCeiling
                                       : static_cast<unsigned>(half);
  }
  // The ceiling for this machine's memory.
  static unsigned defaultMemoryCeiling();

  // Why no PDF came.
  enum class Failure {
    None,
    NotOffice,     // the extension names no format converted here
    Unreadable,    // the file cannot be read
    Damaged,       // no document of its format, or one the suite could not read
    NoSuite,       // the office suite is not installed
    TooLong,       // the suite passed the time limit and was ended
    TooLarge,      // the suite passed the memory ceiling and was ended
    NotConverted,  // the cache could not be written, or the suite not started
    Cancelled,
  };
  // The cause in words, for the log.
  static const char* describe(Failure failure);

  using Done = std::function<void(std::optional<std::filesystem::path> pdf, Failure failure)>;
  // The pages the suite has written so far, told each time there are more.
  using Progress = std::function<void(int pages)>;

  // The kind of document an extension names, converted here or not (a
  // message names it).
  enum class Kind { Other, Text, Spreadsheet, Presentation };

  // The converter program found on the PATH ("soffice", else "libreoffice").
  static std::optional<std::filesystem::path> program();
  // The extension is one the suite turns into the PDF shown.
  static bool isOfficeFile(const std::filesystem::path& path);
  static Kind kindOf(const std::filesystem::path& path);
  // The MIME type a mail gives the file, by its extension.
  static std::string mimeTypeForPath(const std::filesystem::path& path);
  // The megabytes the suite's processes may hold together (resident or
  // swapped) before the suite is ended; for conversions that start later.
  static void setMemoryCeiling(unsigned megabytes) { limits().megabytes.store(megabytes); }
  static unsigned memoryCeiling() { return limits().megabytes.load(); }
  // The time limit the viewers convert with.
  static void setTimeLimit(double seconds) { limits().seconds.store(seconds); }
  static double timeLimit() { return limits().seconds.load(); }

  // Converts now (blocking; run it off the main thread) or finds the cached
  // PDF; nothing, with the cause, when it cannot. A set `cancel` ends a
  // running conversion; `progress` is called on the converting thread.
  static std::optional<std::filesystem::path> convertToPdf(const std::filesystem::path& source,
                                                           const std::filesystem::path& cacheFolder,
                                                           double timeoutSeconds, Failure* failure,
                                                           const base::CancelFlag* cancel = nullptr,
                                                           const Progress& progress = {});
  // The same on the conversions' own worker, one at a time; `done` and
  // `progress` run on the main run loop unless the returned flag was
  // cancelled.
  static base::CancelFlag convertAsync(std::filesystem::path source, std::filesystem::path cacheFolder,
                                       double timeoutSeconds, Done done, Progress progress = {});
  // The cache the application uses: under the data root's Library/Caches.
  static std::filesystem::path defaultCacheFolder();
  // What that cache keeps of the file at `path` (deleted, or its bytes
  // replaced), or of the files inside the folder at `path`; true when none
  // of it is left.
  static bool dropPreviews(const std::filesystem::path& path);

 private:
  struct Limits {
    std::atomic<unsigned> megabytes{defaultMemoryCeiling()};
    std::atomic<double> seconds{kDefaultTimeoutSeconds};
  };
  static Limits& limits() {
    static Limits kept;
    return kept;
  }
};

}  // namespace svc
