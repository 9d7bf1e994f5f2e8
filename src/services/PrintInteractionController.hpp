#pragma once
// Printing, as the order form and the library viewers print their documents.
// Every job is written as one PDF into the spool folder under the data root;
// when the system has a default printer (CUPS), the job also goes to it.
// Screens reach the controller through `sharedPrintController()`; tests
// install fakes.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/base/Error.hpp"
#include "platform/gfx/Image.hpp"

namespace svc {

inline constexpr const char* kPrintErrorDomain = "PrintErrorDomain";
// The system has no printer to send the job to: nothing was printed, and
// nothing prints the spool later; the document stays where it was saved.
inline constexpr long kPrintErrorNoPrinter = 3;

enum class PrintOutputType { General = 0, Photo = 1, Grayscale = 2 };
enum class PrintDuplex { None = 0, LongEdge = 1, ShortEdge = 2 };

struct PrintInfo {
  PrintOutputType outputType = PrintOutputType::General;
  PrintDuplex duplex = PrintDuplex::None;
  std::string jobName;
};

// What is printed: PDF bytes, a PDF file, or pictures, one page each.
using PrintingItem = std::variant<std::vector<std::uint8_t>, std::filesystem::path, std::vector<gfx::ImagePtr>>;

struct PrintOutcome {
  bool completed = false;             // the printer took the job
  std::optional<base::Error> error;   // why it did not
  std::filesystem::path savedAs;      // the document's file, when it was saved unprinted
};

class PrintInteractionController {
 public:
  using Completion = std::function<void(const PrintOutcome& outcome)>;

  virtual ~PrintInteractionController() = default;

  // The controller in use: the one installed, else the spool of the data
  // root with the system's default printer.
  static std::shared_ptr<PrintInteractionController> sharedPrintController();
  static void install(std::shared_ptr<PrintInteractionController> controller);

  // Whether printing is possible at all.
  virtual bool isPrintingAvailable() const = 0;
  // Whether the item is something this controller prints: a PDF that opens,
  // a PDF file that opens, or at least one picture.
  virtual bool canPrint(const PrintingItem& item) const;
  // Prints the item; `done` runs on a later turn of the main loop, on the
  // main thread.
  virtual void print(PrintingItem item, PrintInfo info, Completion done) = 0;
};

class SpoolPrintController : public PrintInteractionController {
 public:
  static constexpr const char* kSpoolFolder = "Spool";

  // `systemPrinters`: also hand each job to the system's default printer;
  // a job that finds none ends with the error `kPrintErrorNoPrinter` and the
  // spool file it was saved as. Without it the spool is where jobs are meant to go.
  // Without a folder jobs go to the spool of whichever account is signed in
  // when they are printed.
  explicit SpoolPrintController(std::optional<std::filesystem::path> spool = std::nullopt,
                                bool systemPrinters = true);
  // The spool of the signed-in account; empty when nobody is signed in.
  static std::filesystem::path defaultSpool();
  // "Spool/<client folder name>" under the data root: the account's, like
  // its outbox. Empty for a name that names no client folder.
  static std::filesystem::path spoolOf(const std::string& clientId);
  std::filesystem::path spool() const { return spool_ ? *spool_ : defaultSpool(); }

  bool isPrintingAvailable() const override;
  void print(PrintingItem item, PrintInfo info, Completion done) override;

  // The PDF bytes of an item: the bytes themselves, the file's, or the
  // pictures drawn one per page at their own size. Nothing when the item
  // holds no printable document.
  static std::optional<std::vector<std::uint8_t>> pdfData(const PrintingItem& item);

 private:
  std::optional<std::filesystem::path> spool_;
  bool systemPrinters_;
};

}  // namespace svc
