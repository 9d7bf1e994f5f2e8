#include "library/LibraryFileOpener.hpp"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/gfx/PdfDocument.hpp"
#include "util/PublicFunction.hpp"

namespace mv {
namespace {

bool isOfficeExtension(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  if (!ext.empty()) ext.erase(0, 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  static constexpr std::array<const char*, 6> kOffice = {"pptx", "ppt", "xls", "xlsx", "doc", "docx"};
  return std::find(kOffice.begin(), kOffice.end(), ext) != kOffice.end();
}

}  // namespace

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
  } else if (isOfficeExtension(path)) {
    d.action = LibraryOpenAction::OfficeViewer;
  } else {
    d.action = LibraryOpenAction::OpenIn;
    d.failureMessageKey = "PLEASEDOWNLOADKEYNOTE";
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
