#pragma once
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "transport/RequestError.hpp"

namespace mv {

// Everything a transfer needs, copied from its request on the main thread so
// the network thread never reads the request itself.
struct TransferSetup {
  struct FormField {
    std::string key;
    std::string value;
    bool isData = false;  // sent as a file part
    std::string fileName;
    std::string contentType;
  };
  std::uint64_t id = 0;
  std::string url;
  std::string method = "GET";
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  std::vector<FormField> formFields;
  double timeOutSeconds = 10;
  // Below this many bytes a second for `timeOutSeconds` the transfer times
  // out; 0: no floor, only silence counts.
  long lowSpeedBytesPerSecond = 0;
  // A second floor, on the average over a longer window: fewer bytes than
  // `averageFloorBytesPerSecond` a second (both ways together) over the last
  // `averageFloorSeconds`, once the reply has begun to arrive, ends the
  // transfer as too slow. A reply sent just above the short floor would
  // otherwise never end. 0: no such floor.
  long averageFloorBytesPerSecond = 0;
  double averageFloorSeconds = 60;
  bool validatesSecureCertificate = true;
  std::filesystem::path certificateAuthorities;  // a PEM file; empty: the system's
  // Whether a message asks for a compressed reply (downloads never do). A
  // reply in an encoding the request did not ask for is refused.
  bool acceptsGzip = true;
  std::filesystem::path destination;  // empty: the reply body stays in memory
  std::filesystem::path temporary;
  bool allowResume = false;
  // The count of partial files opened (`Transfer::partialFilesOpened`) when
  // the request looked for its partial file and found none. While the count
  // stays the same the transfer trusts that look instead of making it again
  // on the network thread: partial files are the transport's own, and a
  // caller runs one transfer of a file at a time.
  std::optional<std::uint64_t> noPartialFileAt;
  bool wantsData = false;
  // The reply's head and the download's progress are posted as they come
  // only when someone follows them; otherwise the end carries them. A batch
  // of thousands of small files then costs the main loop one event a file.
  bool wantsDownloadProgress = false;
  bool wantsUploadProgress = false;
  std::string username;
  std::string password;
  std::string proxy;
  std::string userAgent;
  bool useCookies = true;
  // False for requests that must not reach the server twice: the HTTP library
  // silently resends a request once when a kept-alive connection turns out to
  // be dead, which would repeat an upload.
  bool reuseConnection = true;
  // Whether a 3xx answer is followed (up to five hops). Off: the answer
  // itself is a failure, so a body never travels to a host it was not meant
  // for.
  bool followsRedirects = true;
  // The most bytes a reply body kept in memory may take, as received and as
  // inflated, and the most a download's file may inflate to: past it the
  // transfer ends as an unreadable reply, so a hostile or broken server
  // cannot exhaust the memory or the disk.
  std::int64_t bodyLimit = std::int64_t{256} << 20;
  // A message whose reply may run past what memory should hold (a table of
  // a whole company) names a file here. Its body is kept in memory up to
  // `kMostHeldBeforeSpill` bytes (or `bodyLimit` when lower) and goes on in
  // the file past that, bounded by the room its disk has above the margin it
  // keeps free (`DiskRoom`) rather than by `bodyLimit`. Where the disk has no
  // such room, from the start or once the file has grown, the body stays in
  // memory or goes back there, bounded as any other whether it came
  // compressed or not, and one that passes `bodyLimit` then fails for want
  // of room (`RequestError::NoRoom`).
  // The file holds the whole body only once the reply ended well; otherwise
  // it is gone. Empty: the body stays in memory.
  std::filesystem::path spillFile;
  static constexpr std::int64_t kMostHeldBeforeSpill = std::int64_t{4} << 20;
  // The room the reader of a spilled reply takes of the same disk while the
  // file is still there, for each byte of it (its store: the rows it holds
  // and, until they are in place, their log). The body goes on in its spill
  // file only while the disk has room above its margin for the whole reply
  // and that beside it, so that the reading never takes the margin;
  // otherwise it stays in memory, as on a disk short of room.
  double spillStoreShare = 0;
  // The most bytes a message's compressed reply may inflate to, wherever it
  // goes (-1: no bound). A reply bound for its spill file is bounded by the
  // disk's room rather than by `bodyLimit`, and a small body that inflates
  // to gigabytes would otherwise fill any disk to its margin before it is
  // refused; past this it ends as too large. Well above the largest reply of
  // an honest company: the customers of a company of 300,000 come to about
  // 420 MB, its 300,000 products to about 310 MB.
  std::int64_t inflatedLimit = std::int64_t{1} << 30;
  // A download's file: the most bytes it may hold (-1: no bound). A reply
  // that announces more is refused before a byte is written, and one that
  // runs on past it stops there, so no server fills the disk. Whatever the
  // bound, a file never takes the margin the disk keeps free (`DiskRoom`):
  // one announced past the room left is refused before a byte is written,
  // and one that runs on past it stops there (`RequestError::NoRoom`).
  std::int64_t fileLimit = -1;
  // Asked once a download's file arrived whole and before it goes into
  // place, whether its bytes are the file asked for: given its first bytes
  // (all of them for a small file), its size and, when it was written as it
  // came, its temporary file. It runs on a worker of the network engine,
  // never on its thread, which goes on with the other transfers while a
  // check reads a picture through; the transfer ends once it answers. An
  // answer with an error says why not (NotTheFile, WrongKindOfFile or
  // FileCutShort, which the transfer then fails with); the file then never
  // goes into place.
  struct FileRefusal {
    RequestError error = RequestError::None;
    std::string reason;
  };
  using FileCheck = std::function<FileRefusal(std::string_view head, std::int64_t size,
                                              const std::filesystem::path& written)>;
  FileCheck fileCheck;
  // The queue it belongs to (0: none): at most `groupLimit` transfers of a
  // group run at once, and after a failure of a group that stops on failure
  // no other one starts.
  std::uint64_t group = 0;
  int groupLimit = 1;
  bool groupStopsOnFailure = false;
  // A further attempt of a transfer that just ended in its group: it starts
  // at once, in the place the ended one had (which a waiting one may have
  // taken meanwhile), rather than behind every transfer still waiting.
  bool keepsGroupPlace = false;
  // The group's transfers handed to the network thread and not yet started
  // there: counted up as one is handed over and down as it starts or is
  // dropped unstarted. While a few wait, one more need not wake the thread,
  // which takes it the next time it turns: a transfer of the group ending
  // turns it, and the ones waiting fill the place meanwhile.
  std::shared_ptr<std::atomic<int>> groupUnstarted;
};

}  // namespace mv
