#pragma once
// A folder where each job handed over becomes one new file: the mail outbox
// and the print spool. Names carry the local time of the job and a running
// number, so jobs of the same second never overwrite each other.
#include <cstddef>
#include <filesystem>
#include <string>

namespace svc {

class DropFolder {
 public:
  static constexpr std::size_t kMaxNameBytes = 100;

  // "<kind>/<client folder name>" under the data root: the drop folder of one
  // account. Empty when `clientId` names no client folder (nobody signed in).
  static std::filesystem::path ofAccount(const std::string& kind, const std::string& clientId);
  // Makes the folder when it is missing; true when the process may write in
  // it. False for the empty path.
  static bool isWritable(const std::filesystem::path& folder);
  // "<prefix>YYYYMMDD-HHMMSS-<n><extension>" in the folder (local time of
  // `secondsSince1970`), with "-1", "-2"... before the extension while such a
  // file exists. Makes the folder when it is missing; the caller writes the file.
  static std::filesystem::path newFile(const std::filesystem::path& folder, const std::string& prefix,
                                       double secondsSince1970, const std::string& extension);
  // A name usable as a file's: one path segment of at most kMaxNameBytes
  // bytes (never half a UTF-8 character), `fallback` when nothing is left.
  static std::string safeFileName(const std::string& name, const std::string& fallback);
};

}  // namespace svc
