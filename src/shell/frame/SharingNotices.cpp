#include "shell/frame/SharingNotices.hpp"

#include "platform/base/Log.hpp"
#include "shell/config/Language.hpp"
#include "shell/frame/ScreenAlert.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

// One notice with an OK button; the same one twice is shown once.
void notice(const std::string& title, const std::string& message) {
  ScreenAlert{0, title, message, text("OK"), {}}.showOnce({});
}

std::string savedAs(const char* key, const std::filesystem::path& file) {
  return Language::format(text(key), {file.string()});
}

}  // namespace

void SharingNotices::showMailOutcome(const svc::MailOutcome& outcome) {
  switch (outcome.result) {
    case svc::MailComposeResult::Sent:
      notice(text("FILEHAVSBEENEMAILED"), "");
      break;
    case svc::MailComposeResult::HandedOver:
      notice(text("MAILINMAILPROGRAM"), text("MAILINMAILPROGRAMINFO"));
      break;
    case svc::MailComposeResult::Saved:
      notice(text("MAILNOTSENT"), savedAs("MAILSAVEDAS", outcome.savedAs));
      break;
    case svc::MailComposeResult::Failed:
      MV_LOG("mail failed: ", outcome.error ? outcome.error->description : std::string());
      notice(text("MAILFAILED"), "");
      break;
    case svc::MailComposeResult::Cancelled:
      break;
  }
}

void SharingNotices::showPrintOutcome(const svc::PrintOutcome& outcome) {
  if (outcome.completed) return;
  const auto& error = outcome.error;
  if (error && error->code == svc::kPrintErrorNoPrinter && !outcome.savedAs.empty()) {
    notice(text("NOPRINTER"), savedAs("NOPRINTERSAVED", outcome.savedAs));
    return;
  }
  MV_LOG("print failed: ", error ? error->domain + " " + std::to_string(error->code) + " " + error->description : "");
  notice(text("PRINT"), text("PRINTFAILED"));
}

}  // namespace mv
