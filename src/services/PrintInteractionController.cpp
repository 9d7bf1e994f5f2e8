#include "services/PrintInteractionController.hpp"

#include <cups/cups.h>

#include <ctime>

#include "platform/base/FileIO.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/PdfDocument.hpp"
#include "platform/gfx/PdfWriter.hpp"
#include "services/DropFolder.hpp"
#include "util/Session.hpp"

namespace fs = std::filesystem;

namespace svc {
namespace {

std::shared_ptr<PrintInteractionController>& installedSlot() {
  static std::shared_ptr<PrintInteractionController> controller;
  return controller;
}

base::Error printError(long code, const std::string& description) {
  return base::Error{kPrintErrorDomain, code, description, {}};
}

bool isPdf(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kMagic[] = "%PDF-";
  if (bytes.size() < sizeof kMagic - 1 || !std::equal(kMagic, kMagic + sizeof kMagic - 1, bytes.begin())) return false;
  auto document = gfx::PdfDocument::openData(bytes);
  return document && document->pageCount() > 0;
}

// Hands the spooled file to the system's default printer. Nothing when it
// went there; the error when the system has no printer (the spool then holds
// the job) or the printer refused it.
std::optional<base::Error> sendToDefaultPrinter(const fs::path& file, const std::string& title,
                                                const PrintInfo& info) {
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  cups_dest_t* dest = cupsGetDest(nullptr, nullptr, count, dests);
  if (!dest) {
    cupsFreeDests(count, dests);
    return printError(kPrintErrorNoPrinter, "No printer is set up; the job was saved as " + file.string() + ".");
  }
  int optionCount = 0;
  cups_option_t* options = nullptr;
  for (int i = 0; i < dest->num_options; ++i) {
    optionCount = cupsAddOption(dest->options[i].name, dest->options[i].value, optionCount, &options);
  }
  if (info.duplex != PrintDuplex::None) {
    optionCount = cupsAddOption(CUPS_SIDES,
                                info.duplex == PrintDuplex::LongEdge ? CUPS_SIDES_TWO_SIDED_PORTRAIT
                                                                     : CUPS_SIDES_TWO_SIDED_LANDSCAPE,
                                optionCount, &options);
  }
  if (info.outputType == PrintOutputType::Grayscale) {
    optionCount = cupsAddOption("print-color-mode", "monochrome", optionCount, &options);
  }
  const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, dest->name, file.c_str(), title.c_str(), optionCount, options);
  cupsFreeOptions(optionCount, options);
  cupsFreeDests(count, dests);
  if (job == 0) return printError(static_cast<long>(cupsLastError()), cupsLastErrorString());
  return std::nullopt;
}

}  // namespace

std::shared_ptr<PrintInteractionController> PrintInteractionController::sharedPrintController() {
  if (auto controller = installedSlot()) return controller;
  return std::make_shared<SpoolPrintController>();
}

void PrintInteractionController::install(std::shared_ptr<PrintInteractionController> controller) {
  installedSlot() = std::move(controller);
}

bool PrintInteractionController::canPrint(const PrintingItem& item) const {
  if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&item)) return isPdf(*bytes);
  if (const auto* path = std::get_if<fs::path>(&item)) {
    auto document = gfx::PdfDocument::open(*path);
    return document && document->pageCount() > 0;
  }
  const auto& images = std::get<std::vector<gfx::ImagePtr>>(item);
  if (images.empty()) return false;
  for (const auto& image : images) {
    if (!image || image->size().width <= 0 || image->size().height <= 0) return false;
  }
  return true;
}

SpoolPrintController::SpoolPrintController(std::optional<fs::path> spool, bool systemPrinters)
    : spool_(std::move(spool)), systemPrinters_(systemPrinters) {}

fs::path SpoolPrintController::defaultSpool() { return spoolOf(mv::Session::current().clientID); }

fs::path SpoolPrintController::spoolOf(const std::string& clientId) {
  return DropFolder::ofAccount(kSpoolFolder, clientId);
}

bool SpoolPrintController::isPrintingAvailable() const { return DropFolder::isWritable(spool()); }

std::optional<std::vector<std::uint8_t>> SpoolPrintController::pdfData(const PrintingItem& item) {
  if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&item)) {
    if (!isPdf(*bytes)) return std::nullopt;
    return *bytes;
  }
  if (const auto* path = std::get_if<fs::path>(&item)) {
    auto bytes = base::readFileBytes(*path);
    if (!bytes || !isPdf(*bytes)) return std::nullopt;
    return bytes;
  }
  const auto& images = std::get<std::vector<gfx::ImagePtr>>(item);
  if (images.empty() || !images.front()) return std::nullopt;
  const base::Size first = images.front()->size();
  auto writer = gfx::PdfWriter::toMemory({0, 0, first.width, first.height});
  if (!writer) return std::nullopt;
  for (const auto& image : images) {
    if (!image) return std::nullopt;
    const base::Size size = image->size();
    if (size.width <= 0 || size.height <= 0) return std::nullopt;
    writer->beginPage({0, 0, size.width, size.height}).drawImage(*image, base::Rect{0, 0, size.width, size.height});
    writer->endPage();
  }
  if (!writer->close()) return std::nullopt;
  return writer->data();
}

void SpoolPrintController::print(PrintingItem item, PrintInfo info, Completion done) {
  auto data = pdfData(item);
  if (!data) {
    base::RunLoop::main().post([done] {
      if (done) done(PrintOutcome{false, printError(1, "Nothing printable was given."), {}});
    });
    return;
  }
  const fs::path spool = this->spool();
  if (spool.empty()) {
    // Jobs are kept for an account: with nobody signed in there is no spool.
    base::RunLoop::main().post([done] {
      if (done) done(PrintOutcome{false, printError(2, "No account is signed in."), {}});
    });
    return;
  }
  const bool systemPrinters = systemPrinters_;
  const double now = static_cast<double>(std::time(nullptr));
  base::WorkQueue::global().async([data = std::move(*data), info = std::move(info), done = std::move(done), spool,
                                   systemPrinters, now](const base::CancelFlag&) {
    PrintOutcome outcome;
    const fs::path file =
        DropFolder::newFile(spool, DropFolder::safeFileName(info.jobName, "Document") + "-", now, ".pdf");
    if (!base::writeFileAtomically(file, data.data(), data.size(), 0600)) {
      outcome.error = printError(2, "The print job could not be written to " + file.string() + ".");
    } else if (systemPrinters) {
      outcome.error = sendToDefaultPrinter(file, info.jobName.empty() ? "Document" : info.jobName, info);
      if (outcome.error && outcome.error->code == kPrintErrorNoPrinter) outcome.savedAs = file;
    }
    outcome.completed = !outcome.error;
    if (outcome.error) MV_LOG("print: ", outcome.error->description);
    base::RunLoop::main().post([done, outcome] {
      if (done) done(outcome);
    });
  });
}

}  // namespace svc
