#pragma once
// How a library file on the device is opened, by the type word stored for it:
// one decision for every screen that opens library files (the library grid,
// a product's related materials). The caller carries it out with its own
// viewers and shows the alert when the viewer or the open-in menu fails.
#include <filesystem>
#include <optional>
#include <memory>
#include <string>

#include "platform/ui/NavigationController.hpp"

namespace mv {

class ReaderViewController;

enum class LibraryOpenAction {
  Video,         // the video player
  PdfReader,     // the paged reader; "THEFILEISCORRUPTED" when it cannot read the file
  EpubReader,    // the book reader
  OfficeViewer,  // the Office document viewer
  OpenIn,        // the open-in menu; the failure message when no application takes it
};

struct LibraryOpenDecision {
  LibraryOpenAction action = LibraryOpenAction::OpenIn;
  std::filesystem::path path;
  // The message key of alert 1001 when the action fails.
  std::string failureMessageKey;
};

class LibraryFileOpener {
 public:
  // The alert every opening failure raises: tag, title and its one button.
  static constexpr int kFailureAlertTag = 1001;
  static constexpr const char* kFailureTitleKey = "FILEOPENFAILED";
  static constexpr const char* kFailureButtonKey = "OK";

  // The type word is compared exactly ("VEDIO", "PDF", "EPUB"); other files
  // go to the Office viewer only when their size is safe for the device and
  // the path's extension (any case) is an Office one.
  static LibraryOpenDecision decide(const std::string& typeText, const std::filesystem::path& path, int deviceType);
  // The same for a file of the signed-in client by its name and type word, on
  // this device; nothing when the name cannot be a local file.
  static std::optional<LibraryOpenDecision> decideForFile(const std::string& fileName, const std::string& typeText);

  // Carries out the decision's part that is the library's own, on the
  // application's root navigation controller: the PDF reader (alert 1001
  // with "THEFILEISCORRUPTED" when the file has no page to show: it does not
  // open, or stays locked) and the open-in menu (alert 1001 with the
  // decision's message when nobody takes the file). False for the viewers
  // the caller opens itself (video, EPUB, Office).
  static bool open(const LibraryOpenDecision& decision, const std::string& title,
                   ui::NavigationController& navigation);
  // The reader pushed for the file, which pops it when it closes; nothing
  // (and the alert shown) when the file cannot be read.
  static std::shared_ptr<ReaderViewController> openPdfReader(const std::filesystem::path& path,
                                                             const std::string& title,
                                                             ui::NavigationController& navigation);
  // Alert 1001: "FILEOPENFAILED" with the message, one "OK" button.
  static void showFailure(const std::string& messageKey);
};

}  // namespace mv
