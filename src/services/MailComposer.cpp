#include "services/MailComposer.hpp"

#include <gmime/gmime.h>

#include <cstdio>
#include <ctime>
#include <mutex>

#include "platform/base/FileIO.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "services/DesktopLauncher.hpp"
#include "services/DropFolder.hpp"
#include "util/Session.hpp"

namespace fs = std::filesystem;

namespace svc {
namespace {

std::shared_ptr<MailComposer>& installedSlot() {
  static std::shared_ptr<MailComposer> composer;
  return composer;
}

void initializeMime() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

// Owns one GObject reference.
struct Unref {
  void operator()(void* object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using GPtr = std::unique_ptr<T, Unref>;

// A header text on one line: line breaks and other control characters
// become spaces, so nothing a user typed can start a header of its own.
std::string oneLine(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  }
  return out;
}

base::Error mailError(long code, const std::string& description) {
  return base::Error{kMailErrorDomain, code, description, {}};
}

// "type/subtype" split; nothing when the text is not of that form.
std::optional<std::pair<std::string, std::string>> splitMimeType(const std::string& mimeType) {
  const auto slash = mimeType.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == mimeType.size()) return std::nullopt;
  auto token = [](const std::string& s) {
    for (char c : s) {
      const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      std::string_view("!#$&-^_.+").find(c) != std::string_view::npos;
      if (!ok) return false;
    }
    return true;
  };
  std::string type = mimeType.substr(0, slash), subtype = mimeType.substr(slash + 1);
  if (!token(type) || !token(subtype)) return std::nullopt;
  return std::pair{type, subtype};
}

// The recipient as a list of the one mailbox it names; null when it names
// no mailbox, or more than one.
GPtr<InternetAddressList> mailbox(const std::string& recipient) {
  initializeMime();
  GPtr<InternetAddressList> parsed(internet_address_list_parse(nullptr, oneLine(recipient).c_str()));
  if (!parsed || internet_address_list_length(parsed.get()) != 1) return nullptr;
  InternetAddress* address = internet_address_list_get_address(parsed.get(), 0);
  if (!INTERNET_ADDRESS_IS_MAILBOX(address)) return nullptr;
  // A bare word is a local name, no address to mail; one that starts with a
  // dash would read as an option to a mail program.
  const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
  const std::string_view text = addr ? addr : "";
  const auto at = text.find('@');
  if (at == std::string_view::npos || at == 0 || at + 1 == text.size() || text.front() == '-') return nullptr;
  return parsed;
}

base::Error notAnAddress(const std::string& recipient) { return mailError(1, "Not a mail address: " + oneLine(recipient)); }

}  // namespace

std::shared_ptr<MailComposer> MailComposer::shared() {
  if (auto composer = installedSlot()) return composer;
  return std::make_shared<OutboxMailComposer>();
}

void MailComposer::install(std::shared_ptr<MailComposer> composer) { installedSlot() = std::move(composer); }

OutboxMailComposer::OutboxMailComposer(std::optional<fs::path> outbox) : outbox_(std::move(outbox)) {}

fs::path OutboxMailComposer::defaultOutbox() { return outboxOf(mv::Session::current().clientID); }

fs::path OutboxMailComposer::outboxOf(const std::string& clientId) {
  return DropFolder::ofAccount(kOutboxFolder, clientId);
}

bool OutboxMailComposer::canSendMail() const { return DropFolder::isWritable(outbox()); }

std::optional<std::string> OutboxMailComposer::messageText(const Mail& mail, double secondsSince1970,
                                                           base::Error* error) {
  initializeMime();
  GPtr<GMimeMessage> message(g_mime_message_new(TRUE));
  g_mime_message_add_mailbox(message.get(), GMIME_ADDRESS_TYPE_FROM, kSenderName, kSenderAddress);
  for (const auto& recipient : mail.toRecipients) {
    GPtr<InternetAddressList> parsed = mailbox(recipient);
    if (!parsed) {
      if (error) *error = notAnAddress(recipient);
      return std::nullopt;
    }
    internet_address_list_append(g_mime_message_get_addresses(message.get(), GMIME_ADDRESS_TYPE_TO), parsed.get());
  }
  g_mime_message_set_subject(message.get(), oneLine(mail.subject).c_str(), "utf-8");
  GDateTime* date = g_date_time_new_from_unix_local(static_cast<gint64>(secondsSince1970));
  g_mime_message_set_date(message.get(), date);
  g_date_time_unref(date);
  {
    gchar* id = g_mime_utils_generate_message_id("marvisto.localhost");
    g_mime_message_set_message_id(message.get(), id);
    g_free(id);
  }

  GPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
  GPtr<GMimeTextPart> text(g_mime_text_part_new_with_subtype("plain"));
  g_mime_text_part_set_text(text.get(), mail.body.c_str());
  g_mime_multipart_add(mixed.get(), GMIME_OBJECT(text.get()));

  for (const auto& attachment : mail.attachments) {
    const auto type = splitMimeType(attachment.mimeType).value_or(std::pair{"application", "octet-stream"});
    GPtr<GMimePart> part(g_mime_part_new_with_type(type.first.c_str(), type.second.c_str()));
    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(
        reinterpret_cast<const char*>(attachment.data.data()), attachment.data.size()));
    GPtr<GMimeDataWrapper> content(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part.get(), content.get());
    g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);
    // The name is a parameter value: GMime quotes or encodes it as needed.
    const std::string name = oneLine(attachment.fileName);
    g_mime_object_set_disposition(GMIME_OBJECT(part.get()), GMIME_DISPOSITION_ATTACHMENT);
    if (!name.empty()) g_mime_part_set_filename(part.get(), name.c_str());
    g_mime_multipart_add(mixed.get(), GMIME_OBJECT(part.get()));
  }
  g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(mixed.get()));

  GMimeFormatOptions* options = g_mime_format_options_clone(nullptr);
  g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
  gchar* written = g_mime_object_to_string(GMIME_OBJECT(message.get()), options);
  g_mime_format_options_free(options);
  if (!written) {
    if (error) *error = mailError(2, "The message could not be written.");
    return std::nullopt;
  }
  std::string out(written);
  g_free(written);
  return out;
}

void OutboxMailComposer::compose(Mail mail, Completion done) {
  const fs::path outbox = this->outbox();
  if (outbox.empty()) {
    // Mail is kept for an account: with nobody signed in there is no outbox.
    base::RunLoop::main().post([done] {
      if (done) done(MailOutcome{MailComposeResult::Failed, mailError(3, "No account is signed in."), {}});
    });
    return;
  }
  const double now = static_cast<double>(std::time(nullptr));
  base::WorkQueue::global().async([mail = std::move(mail), done = std::move(done), outbox, now](
                                      const base::CancelFlag&) {
    MailOutcome outcome;
    base::Error error;
    if (auto text = messageText(mail, now, &error)) {
      // The file appears whole or not at all.
      const fs::path file = DropFolder::newFile(outbox, "", now, ".eml");
      if (base::writeFileAtomically(file, *text, 0600)) {
        outcome.result = MailComposeResult::Saved;
        outcome.savedAs = file;
      } else {
        error = mailError(3, "The mail could not be written to " + file.string() + ".");
      }
    }
    if (outcome.result == MailComposeResult::Failed) {
      MV_LOG("mail: ", error.description);
      outcome.error = error;
    }
    base::RunLoop::main().post([done, outcome] {
      if (done) done(outcome);
    });
  });
}

std::optional<std::vector<std::string>> DesktopMailComposer::command(const Mail& mail,
                                                                     const std::vector<fs::path>& files) {
  std::vector<std::string> argv{"xdg-email", "--utf8"};
  if (!mail.subject.empty()) argv.insert(argv.end(), {"--subject", oneLine(mail.subject)});
  if (!mail.body.empty()) argv.insert(argv.end(), {"--body", mail.body});
  for (const auto& file : files) argv.insert(argv.end(), {"--attach", file.string()});
  // Only addresses follow the options: nothing typed can pass for one of them.
  for (const auto& recipient : mail.toRecipients) {
    if (!mailbox(recipient)) return std::nullopt;
    argv.push_back(oneLine(recipient));
  }
  return argv;
}

void DesktopMailComposer::compose(Mail mail, Completion done) {
  MV_ASSERT_MAIN_THREAD();
  for (const auto& recipient : mail.toRecipients) {
    if (mailbox(recipient)) continue;
    base::RunLoop::main().post([done, error = notAnAddress(recipient)] {
      if (done) done(MailOutcome{MailComposeResult::Failed, error, {}});
    });
    return;
  }
  const fs::path outbox = this->outbox();
  // No account's outbox to write the attachments into: the outbox's own
  // answer (a failure) is given.
  if (outbox.empty()) return OutboxMailComposer(outbox).compose(std::move(mail), std::move(done));
  auto shared = std::make_shared<const Mail>(std::move(mail));
  const double now = static_cast<double>(std::time(nullptr));
  // The mail program attaches files: the attachments are written into a
  // folder of their own, off the main thread. Nothing when one could not be.
  using Files = std::optional<std::vector<fs::path>>;
  base::WorkQueue::global().async(
      std::function<Files(const base::CancelFlag&)>([shared, outbox, now](const base::CancelFlag&) -> Files {
        std::vector<fs::path> files;
        if (shared->attachments.empty()) return files;
        const fs::path folder = DropFolder::newFile(outbox, "", now, "");
        std::error_code ec;
        fs::create_directories(folder, ec);
        for (const auto& attachment : shared->attachments) {
          const std::string name = DropFolder::safeFileName(attachment.fileName, "Attachment");
          fs::path file = folder / name;
          for (int i = 1; fs::exists(file, ec); ++i) file = folder / (std::to_string(i) + "-" + name);
          if (ec || !base::writeFileAtomically(file, attachment.data.data(), attachment.data.size(), 0600)) {
            fs::remove_all(folder, ec);
            return std::nullopt;
          }
          files.push_back(file);
        }
        return files;
      }),
      std::function<void(Files)>([shared, outbox, done](Files files) {
        // Saved whole in the outbox: what a desktop without a mail program gets.
        auto save = [shared, outbox, done] { OutboxMailComposer(outbox).compose(*shared, done); };
        auto argv = files ? command(*shared, *files) : std::nullopt;
        if (!argv) return save();
        DesktopLauncher::launch(*argv, [save, done, files = *files](int status) {
          if (status == 0) {
            if (done) done(MailOutcome{MailComposeResult::HandedOver, std::nullopt, {}});
            return;
          }
          MV_LOG("mail: xdg-email ended with ", status, "; the message is saved in the outbox instead");
          std::error_code ec;
          if (!files.empty()) fs::remove_all(files.front().parent_path(), ec);
          save();
        });
      }));
}

}  // namespace svc
