#pragma once
// What a screen hears of the sales library's downloads once it has added
// itself to the download manager (`SaleslibraryModel::addObserver`). Each
// call comes after the manager has updated its own lists; every one is
// optional, and comes on the main thread.
#include <string>

namespace mv {

class DownLoadRequestInfo;
class DownloadRst;
class NetBaseRst;

class LibraryDownloadObserver {
 public:
  virtual ~LibraryDownloadObserver() = default;
  // A file's share so far (`downloadPercent`, 0 to 1), once per whole percent.
  virtual void progressed(const DownLoadRequestInfo& /*info*/) {}
  // A file's download ended: whole on the device ("200"), or failed with the
  // reply's status and message.
  virtual void finished(const DownloadRst& /*reply*/) {}
  // The download's status ended the session (the shell has told the user):
  // the file is off the download list, with no alert of its own to show.
  virtual void endedBySession(const std::string& /*fileName*/, const NetBaseRst& /*reply*/) {}
};

}  // namespace mv
