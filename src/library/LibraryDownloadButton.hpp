#pragma once
#include <string>
#include <vector>

namespace mv {

// The grid's head bar button: download all (tab 0) or update all (tab 1),
// hidden, or cancel all (tab 0, while a download-all started on Wi-Fi runs).
class LibraryDownloadButton {
 public:
  explicit LibraryDownloadButton(int libraryTab) : libraryTab_(libraryTab) {}

  bool isBtnCancel() const { return isBtnCancel_; }
  bool isHidden() const { return hidden_; }
  void setBtnStatusToCancel(bool cancel);
  // "btn_cancel_all.png", "btn_update_all.png" or "btn_download_all.png".
  std::string imageName() const;
  // The text key of what the picture says ("CANCELALLDOWNLOADS", ...).
  const char* nameKey() const;

  // Recomputes the button. `anyActive`: something is downloading or paused;
  // `anyQualifies`: a file shown can be downloaded (tab 0) or updated (tab 1).
  // Answers true when a cancel-all question still shown must be dismissed.
  bool update(int selectedCategory, bool anyActive, bool anyQualifies);
  // How a failed download's `message` is told. Outside a download-all each
  // failure has its alert. During one, every reason is told once: a new one
  // joins the failure alert still up (`alertUp`), or opens one, so that the
  // user learns of every file that failed and no reason twice.
  enum class Failure { Alert, Join, Told };
  Failure failure(const std::string& message, bool alertUp);

 private:
  int libraryTab_;
  bool isBtnCancel_ = false;
  bool hidden_ = false;
  // The reasons told during the download-all that runs.
  std::vector<std::string> told_;
};

}  // namespace mv
