#include "library/LibraryDownloadButton.hpp"

#include <algorithm>

#include "platform/base/MainThread.hpp"

namespace mv {

void LibraryDownloadButton::setBtnStatusToCancel(bool cancel) {
  // Only the library tab cancels all.
  const bool starts = cancel && libraryTab_ == 0 && !isBtnCancel_;
  isBtnCancel_ = cancel && libraryTab_ == 0;
  // A new download-all tells its own failures, whatever the one before it
  // (ended or cancelled) told.
  if (starts) told_.clear();
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
    told_.clear();
    dismiss = true;
  }
  hidden_ = !(isBtnCancel_ || anyQualifies);
  return dismiss;
}

LibraryDownloadButton::Failure LibraryDownloadButton::failure(const std::string& message, bool alertUp) {
  MV_ASSERT_MAIN_THREAD();
  if (!isBtnCancel_) return Failure::Alert;
  if (std::find(told_.begin(), told_.end(), message) != told_.end()) return Failure::Told;
  told_.push_back(message);
  return alertUp ? Failure::Join : Failure::Alert;
}

}  // namespace mv
