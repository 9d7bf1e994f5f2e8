#pragma once
// How a library file on the device is opened, by the type word stored for it:
// one decision for every screen that opens library files (the library grid,
// a product's related materials). The caller carries it out with its own
// viewers and shows the alert when the viewer or the open-in menu fails.
#include <filesystem>
#include <optional>
#include <string>

namespace mv {

enum class LibraryOpenAction {
  Video,         // the video player
  PdfReader,     // the paged reader; "THEFILEISLOCKED" when the file needs a password, else
                 // "THEFILEISCORRUPTED" when it cannot read the file
  EpubReader,    // the book reader
  OfficeViewer,  // the Office document viewer
  OpenIn,        // the open-in menu; the failure message, naming the file's kind, when no application takes it
  None,          // nothing can open it (the file is missing or empty): the failure message
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
  // the path's extension (any case) is one the office suite converts; the
  // rest go to other applications. A missing or empty file of another type
  // opens nowhere ("FILEMISSINGOREMPTY"); one too large for the device is
  // offered to other applications ("FILETOOLARGEALERT").
  static LibraryOpenDecision decide(const std::string& typeText, const std::filesystem::path& path, int deviceType);
  // The same for a file of the signed-in client by its name and type word, on
  // this device; nothing when the name cannot be a local file.
  static std::optional<LibraryOpenDecision> decideForFile(const std::string& fileName, const std::string& typeText);
  // The message when no application takes the file, naming its kind: a
  // text document, a spreadsheet, a presentation, or a file.
  static const char* noApplicationKey(const std::filesystem::path& path);
};

}  // namespace mv
