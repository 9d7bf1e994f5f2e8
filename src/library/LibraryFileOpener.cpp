#include "library/LibraryFileOpener.hpp"

#include <algorithm>
#include <array>
#include <cctype>

#include "library/PPTLoadingViewController.hpp"
#include "library/VideoViewController.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/NavigationController.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"

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
    d.failureMessageKey = "THEFILEISCORRUPTED";
  } else if (typeText == "EPUB") {
    d.action = LibraryOpenAction::EpubReader;
  } else if (!PublicFunction::safeSizeOfPath(path, deviceType)) {
    d.action = LibraryOpenAction::OpenIn;
    d.failureMessageKey = "FILETOOLARGEALERT";
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

void LibraryFileOpener::showFailure(const std::string& messageKey) {
  auto alert = std::make_shared<ui::AlertView>(text(kFailureTitleKey), text(messageKey),
                                               std::weak_ptr<ui::AlertViewDelegate>{}, text(kFailureButtonKey));
  alert->setTag(kFailureAlertTag);
  alert->show();
}

bool LibraryFileOpener::openIn(const std::filesystem::path&, const std::string& failureMessageKey) {
  showFailure(failureMessageKey);
  return false;
}

bool LibraryFileOpener::open(const LibraryOpenDecision& decision, const std::string& title,
                             ui::NavigationController& navigation) {
  switch (decision.action) {
    case LibraryOpenAction::Video: {
      auto player = std::make_shared<VideoViewController>();
      player->createWithFilename(title, decision.path);
      navigation.pushViewController(player, true);
      return true;
    }
    case LibraryOpenAction::OfficeViewer: {
      auto viewer = std::make_shared<PPTLoadingViewController>();
      viewer->setFileName(title);
      viewer->setFilePath(decision.path);
      navigation.pushViewController(viewer, true);
      return true;
    }
    case LibraryOpenAction::OpenIn:
      return openIn(decision.path, decision.failureMessageKey);
    case LibraryOpenAction::PdfReader:
    case LibraryOpenAction::EpubReader:
      break;
  }
  showFailure(kNoViewerKey);
  return false;
}

}  // namespace mv
