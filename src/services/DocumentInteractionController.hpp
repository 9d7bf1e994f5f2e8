#pragma once
// Handing a file to another application (the open-in menu). On a desktop the
// file goes to the application the system names for its type; without a
// display, or when no application takes the type, nobody takes it and the
// caller tells the user. Screens reach it through `shared()`; tests install
// fakes.
#include <filesystem>
#include <memory>
#include <string>

namespace svc {

class DocumentInteractionController {
 public:
  virtual ~DocumentInteractionController() = default;

  // The controller in use: the one installed, else the desktop's.
  static std::shared_ptr<DocumentInteractionController> shared();
  static void install(std::shared_ptr<DocumentInteractionController> controller);

  // Offers the file to the application that opens its type
  // (`typeIdentifier` such as "com.adobe.pdf", else told by the file);
  // false when no application takes it.
  virtual bool presentOpenInMenu(const std::filesystem::path& file, const std::string& typeIdentifier) = 0;

  // The media type of a type identifier ("com.adobe.pdf" -> "application/pdf"),
  // or empty for one not known here.
  static std::string mediaTypeForIdentifier(const std::string& typeIdentifier);
};

// The system's default application for the type, through GIO; nobody when
// there is no display.
class DesktopDocumentInteraction : public DocumentInteractionController {
 public:
  bool presentOpenInMenu(const std::filesystem::path& file, const std::string& typeIdentifier) override;
  static bool hasDisplay();
};

// Opening addresses (links in documents, web pages) in the desktop's
// browser or mail program: installs the application's URL handler.
class URLOpener {
 public:
  // Addresses go to the system's default handler for their scheme through
  // GIO; without a display nothing opens them.
  static void install();
  static bool openOnDesktop(const std::string& url);
};

}  // namespace svc
