#include "library/LibraryFileOpener.hpp"

#include "platform/gfx/PdfDocument.hpp"
#include "services/OfficeConverter.hpp"
#include "util/PublicFunction.hpp"

namespace mv {

const char* LibraryFileOpener::noApplicationKey(const std::filesystem::path& path) {
  switch (svc::OfficeConverter::kindOf(path)) {
    case svc::OfficeConverter::Kind::Text: return "NOAPPFORTEXTDOCUMENT";
    case svc::OfficeConverter::Kind::Spreadsheet: return "NOAPPFORSPREADSHEET";
    case svc::OfficeConverter::Kind::Presentation: return "PLEASEDOWNLOADKEYNOTE";
    case svc::OfficeConverter::Kind::Other: break;
  }
  return "NOAPPFORFILE";
}

LibraryOpenDecision LibraryFileOpener::decide(const std::string& typeText, const std::filesystem::path& path,
                                              int deviceType) {
  LibraryOpenDecision d;
  d.path = path;
  // Readers of their own open any size.
  if (typeText == "VEDIO") {
    d.action = LibraryOpenAction::Video;
  } else if (typeText == "PDF") {
    d.action = LibraryOpenAction::PdfReader;
    // The library gives no password: a file that needs one is locked, not damaged.
    d.failureMessageKey = gfx::PdfDocument::needsPassword(path) ? "THEFILEISLOCKED" : "THEFILEISCORRUPTED";
  } else if (typeText == "EPUB") {
    d.action = LibraryOpenAction::EpubReader;
  } else if (!PublicFunction::safeSizeOfPath(path, deviceType)) {
    // Unsafe for two reasons the user must not confuse: nothing there to
    // open, or more than the device opens.
    std::error_code ec;
    const bool nothing = !std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) == 0 || ec;
    d.action = nothing ? LibraryOpenAction::None : LibraryOpenAction::OpenIn;
    d.failureMessageKey = nothing ? "FILEMISSINGOREMPTY" : "FILETOOLARGEALERT";
  } else if (svc::OfficeConverter::isOfficeFile(path)) {
    d.action = LibraryOpenAction::OfficeViewer;
  } else {
    d.action = LibraryOpenAction::OpenIn;
    d.failureMessageKey = noApplicationKey(path);
  }
  return d;
}

std::optional<LibraryOpenDecision> LibraryFileOpener::decideForFile(const std::string& fileName,
                                                                    const std::string& typeText) {
  auto path = PublicFunction::filePathWithName(fileName, PublicFunction::getFileType(typeText));
  if (!path) return std::nullopt;
  return decide(typeText, *path, PublicFunction::getDeviceType());
}

}  // namespace mv
