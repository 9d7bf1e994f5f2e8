#include "library/LibraryDownloadButton.hpp"

#include "platform/base/MainThread.hpp"

namespace mv {

void LibraryDownloadButton::setBtnStatusToCancel(bool cancel) {
  // Only the library tab cancels all.
  const bool starts = cancel && libraryTab_ == 0 && !isBtnCancel_;
  isBtnCancel_ = cancel && libraryTab_ == 0;
  // A new download-all reports its own first failure, whatever the one
  // before it (ended or cancelled) showed.
  if (starts) alreadyShowDownloadError_ = false;
}

std::string LibraryDownloadButton::imageName() const {
  if (isBtnCancel_) return "btn_cancel_all.png";
  return libraryTab_ == 1 ? "btn_update_all.png" : "btn_download_all.png";
}

const char* LibraryDownloadButton::nameKey() const {
  if (isBtnCancel_) return "CANCELALLDOWNLOADS";
  return libraryTab_ == 1 ? "UPDATEALLFILES" : "DOWNLOADALLFILES";
}

bool LibraryDownloadButton::update(int selectedCategory, bool anyActive, bool anyQualifies) {
  MV_ASSERT_MAIN_THREAD();
  if (selectedCategory != -1) {
    hidden_ = true;
    return false;
  }
  bool dismiss = false;
  if (libraryTab_ == 0 && isBtnCancel_ && !anyActive) {
    isBtnCancel_ = false;
    alreadyShowDownloadError_ = false;
    dismiss = true;
  }
  hidden_ = !(isBtnCancel_ || anyQualifies);
  return dismiss;
}

bool LibraryDownloadButton::shouldShowFailure() {
  if (!isBtnCancel_) return true;
  if (alreadyShowDownloadError_) return false;
  alreadyShowDownloadError_ = true;
  return true;
}

}  // namespace mv
