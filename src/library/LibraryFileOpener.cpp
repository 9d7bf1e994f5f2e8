#include "library/LibraryFileOpener.hpp"

#include <algorithm>
#include <array>
#include <cctype>

#include "library/ReaderDocument.hpp"
#include "library/ReaderViewController.hpp"
#include "platform/ui/AlertView.hpp"
#include "services/DocumentInteractionController.hpp"
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

// Pops the reader off the navigation controller that shows it: animated, as
// the library closes its viewers.
class ReaderCloser : public ReaderViewControllerDelegate {
 public:
  void dismissReaderViewController(ReaderViewController& reader) override {
    if (auto* nav = reader.navigationController()) nav->popViewControllerAnimated(true);
  }
};

std::shared_ptr<ReaderCloser> readerCloser() {
  static auto closer = std::make_shared<ReaderCloser>();
  return closer;
}


}  // namespace

void LibraryFileOpener::showFailure(const std::string& messageKey) {
  auto alert = std::make_shared<ui::AlertView>(text(kFailureTitleKey), text(messageKey),
                                               std::weak_ptr<ui::AlertViewDelegate>{}, text(kFailureButtonKey));
  alert->setTag(kFailureAlertTag);
  alert->show();
}

std::shared_ptr<ReaderViewController> LibraryFileOpener::openPdfReader(const std::filesystem::path& path,
                                                                       const std::string& title,
                                                                       ui::NavigationController& navigation) {
  auto document = ReaderDocument::withDocumentFilePath(path);
  if (document) document->updateProperties();
  // A file that does not open or unlock has no pages: said at once, never an
  // empty reader.
  if (!document || document->pageCount().value_or(0) < 1) {
    showFailure("THEFILEISCORRUPTED");
    return nullptr;
  }
  auto reader = ReaderViewController::initWithReaderDocument(document, title);
  reader->setDelegate(readerCloser());
  navigation.pushViewController(reader, true);
  return reader;
}

bool LibraryFileOpener::open(const LibraryOpenDecision& decision, const std::string& title,
                             ui::NavigationController& navigation) {
  switch (decision.action) {
    case LibraryOpenAction::PdfReader:
      openPdfReader(decision.path, title, navigation);
      return true;
    case LibraryOpenAction::OpenIn:
      if (!svc::DocumentInteractionController::shared()->presentOpenInMenu(decision.path, {}))
        showFailure(decision.failureMessageKey);
      return true;
    default:
      return false;
  }
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

}  // namespace mv
