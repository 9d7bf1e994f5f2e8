#include "services/OfficeConverter.hpp"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string_view>
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
#include "platform/gfx/PdfDocument.hpp"
#include "services/OfficePreviewCache.hpp"

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

// What a format's bytes must look like before the suite is given them: the
// suite reads whatever it does not recognise as plain text and shows its
// bytes, so a damaged file would come out as gibberish.
enum class Shape {
  None,     // not converted here; the kind only names it
  Package,  // a ZIP package: the newer Microsoft formats, OpenDocument
  Binary,   // the older Microsoft formats: a compound file, or text some tools write under their names
  Text,     // RTF and flat OpenDocument
};

struct Format {
  const char* extension;
  OfficeConverter::Kind kind;
  Shape shape;
  const char* mimeType;
};

using K = OfficeConverter::Kind;
constexpr Format kFormats[] = {
    {".doc", K::Text, Shape::Binary, "application/msword"},
    {".dot", K::Text, Shape::Binary, "application/msword"},
    {".docx", K::Text, Shape::Package, "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {".docm", K::Text, Shape::Package, "application/vnd.ms-word.document.macroEnabled.12"},
    {".dotx", K::Text, Shape::Package, "application/vnd.openxmlformats-officedocument.wordprocessingml.template"},
    {".dotm", K::Text, Shape::Package, "application/vnd.ms-word.template.macroEnabled.12"},
    {".odt", K::Text, Shape::Package, "application/vnd.oasis.opendocument.text"},
    {".ott", K::Text, Shape::Package, "application/vnd.oasis.opendocument.text-template"},
    {".fodt", K::Text, Shape::Text, "application/vnd.oasis.opendocument.text-flat-xml"},
    {".rtf", K::Text, Shape::Text, "application/rtf"},
    {".pages", K::Text, Shape::None, "application/vnd.apple.pages"},
    {".xls", K::Spreadsheet, Shape::Binary, "application/vnd.ms-excel"},
    {".xlt", K::Spreadsheet, Shape::Binary, "application/vnd.ms-excel"},
    {".xlsx", K::Spreadsheet, Shape::Package, "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {".xlsm", K::Spreadsheet, Shape::Package, "application/vnd.ms-excel.sheet.macroEnabled.12"},
    {".xlsb", K::Spreadsheet, Shape::Package, "application/vnd.ms-excel.sheet.binary.macroEnabled.12"},
    {".xltx", K::Spreadsheet, Shape::Package, "application/vnd.openxmlformats-officedocument.spreadsheetml.template"},
    {".xltm", K::Spreadsheet, Shape::Package, "application/vnd.ms-excel.template.macroEnabled.12"},
    {".ods", K::Spreadsheet, Shape::Package, "application/vnd.oasis.opendocument.spreadsheet"},
    {".ots", K::Spreadsheet, Shape::Package, "application/vnd.oasis.opendocument.spreadsheet-template"},
    {".fods", K::Spreadsheet, Shape::Text, "application/vnd.oasis.opendocument.spreadsheet-flat-xml"},
    {".numbers", K::Spreadsheet, Shape::None, "application/vnd.apple.numbers"},
    {".ppt", K::Presentation, Shape::Binary, "application/vnd.ms-powerpoint"},
    {".pps", K::Presentation, Shape::Binary, "application/vnd.ms-powerpoint"},
    {".pot", K::Presentation, Shape::Binary, "application/vnd.ms-powerpoint"},
    {".pptx", K::Presentation, Shape::Package,
     "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
    {".pptm", K::Presentation, Shape::Package, "application/vnd.ms-powerpoint.presentation.macroEnabled.12"},
    {".ppsx", K::Presentation, Shape::Package, "application/vnd.openxmlformats-officedocument.presentationml.slideshow"},
    {".ppsm", K::Presentation, Shape::Package, "application/vnd.ms-powerpoint.slideshow.macroEnabled.12"},
    {".potx", K::Presentation, Shape::Package, "application/vnd.openxmlformats-officedocument.presentationml.template"},
    {".potm", K::Presentation, Shape::Package, "application/vnd.ms-powerpoint.template.macroEnabled.12"},
    {".odp", K::Presentation, Shape::Package, "application/vnd.oasis.opendocument.presentation"},
    {".otp", K::Presentation, Shape::Package, "application/vnd.oasis.opendocument.presentation-template"},
    {".fodp", K::Presentation, Shape::Text, "application/vnd.oasis.opendocument.presentation-flat-xml"},
    {".key", K::Presentation, Shape::None, "application/vnd.apple.keynote"},
    // Other documents the suite opens: older word processors, the suite's
    // own older formats, drawings.
    {".wpd", K::Text, Shape::Binary, "application/vnd.wordperfect"},
    {".wps", K::Text, Shape::Binary, "application/vnd.ms-works"},
    {".wri", K::Text, Shape::Binary, "application/x-mswrite"},
    {".abw", K::Text, Shape::Text, "application/x-abiword"},
    {".sxw", K::Text, Shape::Package, "application/vnd.sun.xml.writer"},
    {".wk1", K::Spreadsheet, Shape::Binary, "application/vnd.lotus-1-2-3"},
    {".123", K::Spreadsheet, Shape::Binary, "application/vnd.lotus-1-2-3"},
    {".sxc", K::Spreadsheet, Shape::Package, "application/vnd.sun.xml.calc"},
    {".sxi", K::Presentation, Shape::Package, "application/vnd.sun.xml.impress"},
    {".odg", K::Other, Shape::Package, "application/vnd.oasis.opendocument.graphics"},
    {".otg", K::Other, Shape::Package, "application/vnd.oasis.opendocument.graphics-template"},
    {".fodg", K::Other, Shape::Text, "application/vnd.oasis.opendocument.graphics-flat-xml"},
    {".sxd", K::Other, Shape::Package, "application/vnd.sun.xml.draw"},
    {".vsd", K::Other, Shape::Binary, "application/vnd.visio"},
    {".vsdx", K::Other, Shape::Package, "application/vnd.ms-visio.drawing"},
    {".pub", K::Other, Shape::Binary, "application/x-mspublisher"},
};

const Format* formatOf(const fs::path& path) {
  const std::string ext = lowerExtension(path);
  for (const auto& format : kFormats) {
    if (ext == format.extension) return &format;
  }
  return nullptr;
}

// Text in any 8-bit encoding, or marked as UTF-16: no control characters
// but those of line and page breaks.
bool isText(std::string_view head) {
  if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) return true;
  return !head.empty() && std::none_of(head.begin(), head.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != '\f';
  });
}

std::string headOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string head(4096, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return head;
}

// Markup of a web page: what an office suite writes when it saves a
// document as a page under the document's own name.
bool isPage(std::string_view head) {
  std::string start(head.substr(0, 1024));
  std::transform(start.begin(), start.end(), start.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return start.find("<html") != std::string::npos;
}

using namespace std::string_view_literals;

// The first bytes of documents the suite reads whatever their name says: a
// file saved by one program under another's extension is still opened.
constexpr std::string_view kDocumentStarts[] = {
    "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv,  // a compound file: Word, Excel, PowerPoint since 1997, Works, Visio, Publisher
    "PK\x03\x04"sv,                        // a ZIP package: the newer Microsoft formats, OpenDocument
    "{\\rtf"sv,                             // RTF
    "\xFFWPC"sv,                            // WordPerfect 5 and later
    "\xCB\x0A"sv,                           // WordPerfect 4.2: its first function group
    "\xDB\xA5"sv,                           // Word for Windows 2
    "\x9B\xA5"sv,                           // Word for Windows 1
    "\x31\xBE\x00\x00"sv,                   // Word for DOS, Write
    "\x32\xBE\x00\x00"sv,                   // Write with pictures
    "\xFE\x37\x00"sv,                       // Word for the Macintosh
    "\x09\x00"sv,                           // Excel 2 to 4, the first record
    "\x09\x02"sv,
    "\x09\x04"sv,
    "\x00\x00\x02\x00"sv,                   // Lotus 1-2-3, first versions
    "\x00\x00\x1A\x00"sv,                   // Lotus 1-2-3, later versions
};

// What surely is no document the suite opens, and is refused before the
// suite sees it: nothing at all, or bytes under an older format's name that
// start like no document and are no text; under a package format's name,
// bytes that are no package nor any document (the suite would show them as
// text). Anything else goes to the suite, whose answer is trusted.
bool surelyNoDocument(std::string_view head, Shape shape) {
  if (head.empty()) return true;
  const bool knownStart =
      std::any_of(std::begin(kDocumentStarts), std::end(kDocumentStarts), [&](std::string_view start) {
        return head.starts_with(start);
      });
  switch (shape) {
    case Shape::None: return true;
    case Shape::Package: return !knownStart;
    case Shape::Binary: return !knownStart && !isText(head);
    case Shape::Text: return !knownStart && !isText(head);
  }
  return true;
}

// The characters the suite shows for the bytes `head` starts with when it
// reads a file as plain text in a single-byte encoding: the printable ones,
// up to the first that might part cells. Empty when too few to tell.
std::string rawTextStart(std::string_view head) {
  std::string shown;
  int count = 0;
  for (std::size_t i = 0; i < std::min<std::size_t>(head.size(), 32) && count < 8; ++i) {
    const auto u = static_cast<unsigned char>(head[i]);
    if (u == ',' || u == ';' || u == '\t' || u == ' ' || u == '"' || u == '\'' || u == '\n' || u == '\r') break;
    if (u < 0x21 || u == 0x7F || (u >= 0x80 && u < 0xA0)) continue;
    if (u < 0x80) {
      shown.push_back(static_cast<char>(u));
    } else {  // Latin-1, as UTF-8
      shown.push_back(static_cast<char>(0xC0 | (u >> 6)));
      shown.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
    ++count;
  }
  return count >= 4 ? shown : std::string();
}

// The suite's answer for a spreadsheet it could not read is its last
// resort: the file read as text, cell by cell, its bytes shown as letters.
// A spreadsheet of binary bytes whose first page shows those very bytes is
// that answer, and the file is damaged.
bool isRawTextOfBinary(const fs::path& pdf, std::string_view head) {
  if (isText(head)) return false;
  const std::string start = rawTextStart(head);
  if (start.empty()) return false;
  auto document = gfx::PdfDocument::open(pdf);
  if (!document || document->pageCount() < 1) return false;
  std::string text = document->text(0);
  text.erase(std::remove_if(text.begin(), text.end(),
                            [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }),
             text.end());
  return text.find(start) != std::string::npos;
}

// The pages the suite has written so far. Its PDF export writes each page's
// content, as it lays the page out, as one stream of the shape
// "N 0 obj\n<</Length M 0 R/Filter/FlateDecode>>\nstream\n" into a temporary
// file of its own (under TMPDIR), and only the finished document goes to the
// output folder; fonts, pictures and the page tree follow the pages.
class WrittenPages {
 public:
  explicit WrittenPages(fs::path folder) : folder_(std::move(folder)) {}

  // Reads what the suite added since the last call.
  int count() {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code kind;
      if (it->is_regular_file(kind)) readOn(it->path(), files_[it->path()]);
    }
    int pages = 0;
    for (const auto& [path, file] : files_) pages = std::max(pages, file.pages);
    return pages;
  }

 private:
  struct File {
    std::uintmax_t read = 0;
    std::string tail;  // the last bytes read, for a mark that spans two reads
    int pages = 0;
    bool pdf = true;
  };
  static constexpr std::size_t kTail = 96;
  static constexpr std::string_view kStream = "\nstream\n";

  static bool pageContentEndsAt(std::string_view before) {
    constexpr std::string_view kFilter = "/Filter/FlateDecode";
    if (!before.ends_with(">>")) return false;
    before.remove_suffix(2);
    if (before.ends_with(kFilter)) before.remove_suffix(kFilter.size());
    if (!before.ends_with(" 0 R")) return false;
    before.remove_suffix(4);
    std::size_t digits = 0;
    while (digits < before.size() && std::isdigit(static_cast<unsigned char>(before[before.size() - 1 - digits])))
      ++digits;
    before.remove_suffix(digits);
    return digits > 0 && before.ends_with("obj\n<</Length ");
  }

  static void readOn(const fs::path& path, File& file) {
    if (!file.pdf) return;
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(file.read));
    std::string bytes(1 << 20, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.empty()) return;
    if (file.read == 0 && !bytes.starts_with("%PDF-")) {
      file.pdf = false;
      return;
    }
    file.read += bytes.size();
    const std::string text = file.tail + bytes;
    // A mark wholly inside the tail was counted with the read before.
    for (auto at = text.find(kStream); at != std::string::npos; at = text.find(kStream, at + 1)) {
      if (at + kStream.size() > file.tail.size() && pageContentEndsAt(std::string_view(text).substr(0, at)))
        ++file.pages;
    }
    file.tail = text.substr(text.size() - std::min(text.size(), kTail));
  }

  fs::path folder_;
  std::map<fs::path, File> files_;
};

// The suite's own settings that keep a conversion off the network: no
// content provider for web and file-sharing addresses, so that no style
// sheet, picture or frame a document links to is fetched (a page saved as
// a document names any host, a .docx may link its pictures), and links of
// documents from untrusted places blocked. The conversion also runs without
// a network of its own where the machine allows one; these hold where it
// does not.
constexpr std::string_view kOfflineSettings =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop oor:name=\"BlockUntrustedRefererLinks\" "
    "oor:op=\"fuse\"><value>true</value></prop></item>\n";
constexpr const char* kRemovedProviders[] = {"Provider3",   "Provider4",   "Provider4a", "Provider6",
                                             "Provider12",  "Provider12a", "Provider12b", "Provider43"};

// Makes the profile afresh with the settings above unless it was made with
// them (the suite keeps them when it fills the profile in): false when it
// cannot be written.
bool settleOfflineProfile(const fs::path& profile) {
  const fs::path made = profile / "offline";
  std::error_code ec;
  if (fs::exists(made, ec)) return true;
  fs::remove_all(profile, ec);
  fs::create_directories(profile / "user", ec);
  if (ec) return false;
  std::string settings(kOfflineSettings);
  for (const char* provider : kRemovedProviders) {
    settings += "<item oor:path=\"/org.openoffice.ucb.Configuration/ContentProviders/Local/SecondaryKeys/Office/"
                "ProviderData\"><node oor:name=\"";
    settings += provider;
    settings += "\" oor:op=\"remove\"/></item>";
    settings += '\n';
  }
  settings += "</oor:items>\n";
  std::ofstream out(profile / "user" / "registrymodifications.xcu", std::ios::binary | std::ios::trunc);
  out << settings;
  out.close();
  if (!out) return false;
  std::ofstream mark(made);
  return static_cast<bool>(mark);
}

enum class RunEnd { Finished, Failed, TimedOut, TooLarge, Cancelled, NotStarted };

// What the processes of the group `group` hold of their own (resident or
// swapped), in megabytes. A process still a copy of this one (forked, not yet
// started on the suite) is no part of the suite's cost.
double groupMegabytes(pid_t group) {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  double kilobytes = 0;
  for (auto it = fs::directory_iterator("/proc", ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string pid = it->path().filename().string();
    if (pid.empty() || !std::isdigit(static_cast<unsigned char>(pid.front()))) continue;
    std::ifstream stat(it->path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // "pid (name) state ppid pgrp ...": the name may hold spaces and parentheses.
    const auto close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream fields(line.substr(close + 1));
    std::string state;
    long parent = 0, processGroup = 0;
    if (!(fields >> state >> parent >> processGroup) || processGroup != group) continue;
    std::error_code linkError;
    if (fs::read_symlink(it->path() / "exe", linkError) == self && !linkError) continue;
    std::ifstream status(it->path() / "status");
    for (std::string entry; std::getline(status, entry);) {
      if (entry.rfind("RssAnon:", 0) == 0 || entry.rfind("VmSwap:", 0) == 0)
        kilobytes += std::strtod(entry.c_str() + entry.find(':') + 1, nullptr);
    }
  }
  return kilobytes / 1024;
}

// The guard of the suite's process group: a small process outside our own
// group that holds the reading end of a pipe only the application writes
// to. The pipe closes when the application ends, however it ends (a kill
// included), or when the conversion is over; the guard then kills the whole
// group, so the suite never works on for an application that is gone.
// Between fork and exit it makes only calls that are safe in the child of a
// threaded process.
pid_t startGuard(pid_t group, int lifeline) {
  const pid_t guard = ::fork();
  if (guard != 0) return guard;
  ::setsid();  // out of our group: what is sent to the application's group is not sent here
  if (lifeline > 0) ::close_range(0, static_cast<unsigned>(lifeline) - 1, 0);
  ::close_range(static_cast<unsigned>(lifeline) + 1, ~0U, 0);
  char byte = 0;
  while (::read(lifeline, &byte, 1) < 0 && errno == EINTR) {
  }
  ::kill(-group, SIGKILL);
  ::_exit(0);
}

// Runs the program in a process group of its own and waits at most
// `timeout`, while the group holds at most `ceiling` megabytes. The suite
// starts helpers of its own: past either limit, on cancel, after a normal end
// and when the application ends, the whole group is killed, so nothing it
// started lives on.
// `temporary` is the program's TMPDIR; `poll` runs while it works.
RunEnd run(const std::vector<std::string>& args, const fs::path& temporary, double timeout, unsigned ceiling,
           const base::CancelFlag* cancel, const std::function<void()>& poll) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const std::string tmpdir = "TMPDIR=" + temporary.string();
  std::vector<char*> envp;
  for (char** e = environ; e && *e; ++e) {
    if (!std::string_view(*e).starts_with("TMPDIR=")) envp.push_back(*e);
  }
  envp.push_back(const_cast<char*>(tmpdir.c_str()));
  envp.push_back(nullptr);
  const int nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  int lifeline[2] = {-1, -1};
  // The converter starts only once its guard is there: it waits for a byte
  // on `go`, and ends unstarted when the application ended before sending it.
  int go[2] = {-1, -1};
  const auto closeAll = [&] {
    for (int fd : {nothing, lifeline[0], lifeline[1], go[0], go[1]}) {
      if (fd >= 0) ::close(fd);
    }
  };
  if (nothing < 0 || ::pipe2(lifeline, O_CLOEXEC) != 0 || ::pipe2(go, O_CLOEXEC) != 0) {
    closeAll();
    return RunEnd::NotStarted;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);
    ::close(go[1]);
    char byte = 0;
    ssize_t got = 0;
    while ((got = ::read(go[0], &byte, 1)) < 0 && errno == EINTR) {
    }
    if (got != 1) ::_exit(127);
    // A network of its own, with nothing but a loopback that is down: no
    // document it converts reaches any host. A machine that allows no
    // namespaces leaves the suite's own settings to keep it off the network.
    (void)::unshare(CLONE_NEWUSER | CLONE_NEWNET);
    ::dup2(nothing, STDIN_FILENO);
    ::dup2(nothing, STDOUT_FILENO);
    ::dup2(nothing, STDERR_FILENO);
    // The suite and the helpers it leaves running keep none of the
    // application's open files: a pipe the application's parent waits on
    // would stay open for as long as they live.
    ::close_range(STDERR_FILENO + 1, ~0U, 0);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  if (pid < 0) {
    closeAll();
    return RunEnd::NotStarted;
  }
  ::close(nothing);
  ::close(go[0]);
  ::setpgid(pid, pid);  // from here too: the group exists whichever side runs first
  const pid_t guard = startGuard(pid, lifeline[0]);
  ::close(lifeline[0]);
  if (guard < 0) MV_LOG("office conversion: no guard for the converter");
  const char start = 1;
  while (::write(go[1], &start, 1) < 0 && errno == EINTR) {
  }
  ::close(go[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
  RunEnd end = RunEnd::Finished;
  for (unsigned turn = 1;; ++turn) {
    // Seen ended but not yet reaped: its group keeps its number until the
    // group is killed below.
    siginfo_t info{};
    const int seen = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    if (seen == 0 && info.si_pid == pid) break;
    if (seen < 0 && errno != EINTR) {
      end = RunEnd::Failed;
      break;
    }
    const bool late = std::chrono::steady_clock::now() >= deadline;
    if (late || (cancel && cancel->isCancelled())) {
      end = late ? RunEnd::TimedOut : RunEnd::Cancelled;
      break;
    }
    if (poll) poll();
    // A worker thread waits for a child process here, never the main loop.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // Reading the group's memory walks /proc: four times a second is soon
    // enough to end a document bomb before it costs the machine.
    if (turn % 5 == 0 && groupMegabytes(pid) > ceiling) {
      MV_LOG("office conversion: the suite holds more than ", ceiling, " MB; ended");
      end = RunEnd::TooLarge;
      break;
    }
  }
  ::kill(-pid, SIGKILL);
  ::close(lifeline[1]);
  if (guard > 0) {
    while (::waitpid(guard, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (end == RunEnd::Finished && (!WIFEXITED(status) || WEXITSTATUS(status) != 0)) end = RunEnd::Failed;
  return end;
}

}  // namespace

std::optional<fs::path> OfficeConverter::program() {
  if (auto p = findOnPath("soffice")) return p;
  return findOnPath("libreoffice");
}

bool OfficeConverter::isOfficeFile(const fs::path& path) {
  const Format* format = formatOf(path);
  return format && format->shape != Shape::None;
}

OfficeConverter::Kind OfficeConverter::kindOf(const fs::path& path) {
  const Format* format = formatOf(path);
  return format ? format->kind : Kind::Other;
}

std::string OfficeConverter::mimeTypeForPath(const fs::path& path) {
  const Format* format = formatOf(path);
  return format ? format->mimeType : "application/octet-stream";
}

const char* OfficeConverter::describe(Failure failure) {
  switch (failure) {
    case Failure::None: return "converted";
    case Failure::NotOffice: return "not an Office file";
    case Failure::Unreadable: return "cannot read the file";
    case Failure::Damaged: return "the file is damaged";
    case Failure::NoSuite: return "the office suite is not installed";
    case Failure::TooLong: return "the conversion took too long";
    case Failure::TooLarge: return "the conversion needed more memory than allowed";
    case Failure::NotConverted: return "cannot write the cache or start the converter";
    case Failure::Cancelled: return "the conversion was cancelled";
  }
  return "unknown";
}

unsigned OfficeConverter::defaultMemoryCeiling() {
  const long pages = ::sysconf(_SC_PHYS_PAGES), pageBytes = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageBytes <= 0) return kLeastMemoryCeiling;
  return memoryCeilingFor(static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(pageBytes) >> 20);
}

fs::path OfficeConverter::defaultCacheFolder() { return base::Paths::library() / "Caches" / "OfficePreviews"; }

bool OfficeConverter::dropPreviews(const fs::path& path) { return OfficePreviewCache(defaultCacheFolder()).drop(path); }

std::optional<fs::path> OfficeConverter::convertToPdf(const fs::path& source, const fs::path& cacheFolder,
                                                      double timeoutSeconds, Failure* failure,
                                                      const base::CancelFlag* cancel, const Progress& progress) {
  auto fail = [&](Failure why) -> std::optional<fs::path> {
    if (failure) *failure = why;
    MV_LOG("office conversion of ", source.filename().string(), " failed: ", describe(why));
    return std::nullopt;
  };
  if (failure) *failure = Failure::None;
  const Format* format = formatOf(source);
  if (!format || format->shape == Shape::None) return fail(Failure::NotOffice);
  const OfficePreviewCache cache(cacheFolder);
  auto target = cache.pdfPathFor(source);
  if (!target) return fail(Failure::Unreadable);
  std::error_code ec;
  if (fs::is_regular_file(*target, ec) && fs::file_size(*target, ec) > 0) {
    cache.markUsed(*target);
    return target;
  }
  const std::string head = headOf(source);
  if (surelyNoDocument(head, format->shape)) return fail(Failure::Damaged);
  auto converter = program();
  if (!converter) return fail(Failure::NoSuite);
  // A folder of its own per conversion for the output; the profile is kept
  // between conversions, which run one at a time, since making it takes
  // seconds.
  auto work = cache.makeWorkFolder();
  if (!work) return fail(Failure::NotConverted);
  const fs::path profile = cacheFolder / "profile";
  if (!settleOfflineProfile(profile)) return fail(Failure::NotConverted);
  // The suite's temporary files go in the work folder too: they go with it,
  // and the pages it writes can be counted there.
  const fs::path temporary = work->path() / "tmp";
  fs::create_directories(work->path() / "out", ec);
  if (!ec) fs::create_directories(temporary, ec);
  if (ec) return fail(Failure::NotConverted);
  // The source goes in under a plain name, so odd names reach the converter whole.
  const fs::path input = work->path() / ("document" + lowerExtension(source));
  fs::copy_file(source, input, ec);
  if (ec) {
    std::error_code gone;
    return fail(fs::is_regular_file(source, gone) ? Failure::NotConverted : Failure::Unreadable);
  }
  WrittenPages written(temporary);
  int told = 0;
  std::vector<std::string> args = {converter->string(), "--headless", "--norestore", "--nologo", "--nolockcheck",
                                   "-env:UserInstallation=file://" + profile.string()};
  // A letter saved as a page is read as a letter: read as a web page, its
  // first paragraph is left out of the PDF.
  if (format->kind == OfficeConverter::Kind::Text && isPage(head)) args.push_back("--infilter=HTML (StarWriter)");
  args.insert(args.end(), {"--convert-to", "pdf", "--outdir", (work->path() / "out").string(), input.string()});
  const RunEnd end = run(args, temporary, timeoutSeconds, memoryCeiling(), cancel, [&] {
    if (!progress) return;
    if (const int pages = written.count(); pages > told) progress(told = pages);
  });
  const fs::path produced = work->path() / "out" / "document.pdf";
  Failure why = Failure::None;
  switch (end) {
    case RunEnd::NotStarted: why = Failure::NotConverted; break;
    case RunEnd::TimedOut: why = Failure::TooLong; break;
    case RunEnd::TooLarge: why = Failure::TooLarge; break;
    case RunEnd::Cancelled: why = Failure::Cancelled; break;
    // The suite ends in failure, or writes nothing, for a file it cannot read.
    case RunEnd::Failed: why = Failure::Damaged; break;
    case RunEnd::Finished:
      if (!(fs::is_regular_file(produced, ec) && fs::file_size(produced, ec) > 0)) why = Failure::Damaged;
      break;
  }
  // A converter killed halfway may leave its profile locked or half made.
  if (end == RunEnd::TimedOut || end == RunEnd::TooLarge || end == RunEnd::Cancelled) fs::remove_all(profile, ec);
  if (why == Failure::None && format->kind == OfficeConverter::Kind::Spreadsheet && isRawTextOfBinary(produced, head)) {
    why = Failure::Damaged;
  }
  if (why == Failure::None) {
    fs::rename(produced, *target, ec);
    if (ec) why = Failure::NotConverted;
  }
  if (why != Failure::None) return fail(why);
  cache.added(source, *target);
  return target;
}

base::CancelFlag OfficeConverter::convertAsync(fs::path source, fs::path cacheFolder, double timeoutSeconds,
                                               Done done, Progress progress) {
  // Conversions take long: they queue on their own worker, one at a time.
  static base::WorkQueue conversions(1);
  return conversions.async([source = std::move(source), cacheFolder = std::move(cacheFolder), timeoutSeconds,
                            done = std::move(done), progress = std::move(progress)](const base::CancelFlag& cancel) mutable {
    Failure failure = Failure::Cancelled;
    std::optional<fs::path> pdf;
    Progress told;
    if (progress) {
      told = [&progress, cancel](int pages) {
        base::RunLoop::main().post([progress, pages, cancel] {
          if (!cancel.isCancelled()) progress(pages);
        });
      };
    }
    // What the suite writes is made from a file of an account: deleting the
    // account's folder stops the suite and waits for it, and none starts after.
    if (auto pass = base::FolderWriters::shared().enter(source, cancel)) {
      pdf = convertToPdf(source, cacheFolder, timeoutSeconds, &failure, &cancel, told);
    }
    if (cancel.isCancelled()) return;
    base::RunLoop::main().post([done = std::move(done), pdf = std::move(pdf), failure, cancel] {
      if (!cancel.isCancelled()) done(pdf, failure);
    });
  });
}

}  // namespace svc
