#pragma once
// Mail with attachments, as the order form and the library viewers share
// their documents. The application has no mail account of its own: on a
// desktop the message goes to the user's own mail program to be sent from
// there; where there is none, it is written as one RFC 5322 message (MIME,
// attachments in Base64) into the outbox folder under the data root, and the
// outcome names the file. Nothing here claims a message was sent.
// Screens reach the composer through `shared()`; tests install fakes.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Error.hpp"

namespace svc {

inline constexpr const char* kMailErrorDomain = "MailComposerErrorDomain";

struct MailAttachment {
  std::vector<std::uint8_t> data;
  std::string mimeType;  // "type/subtype"; anything else goes as "application/octet-stream"
  std::string fileName;
};

struct Mail {
  std::vector<std::string> toRecipients;
  std::string subject;
  std::string body;  // plain text
  std::vector<MailAttachment> attachments;
};

// Saved: written as a file for the user to send; HandedOver: open in the
// user's mail program, to be sent from there.
enum class MailComposeResult { Cancelled = 0, Saved = 1, Sent = 2, Failed = 3, HandedOver = 4 };

struct MailOutcome {
  MailComposeResult result = MailComposeResult::Failed;
  std::optional<base::Error> error;  // why it failed
  std::filesystem::path savedAs;     // the message file of a saved mail
};

class MailComposer {
 public:
  using Completion = std::function<void(const MailOutcome& outcome)>;

  virtual ~MailComposer() = default;

  // The composer in use: the one installed, else the outbox of the data root.
  static std::shared_ptr<MailComposer> shared();
  // Installs a composer (null goes back to the outbox).
  static void install(std::shared_ptr<MailComposer> composer);

  // Whether mail can go out at all; screens tell the user when it cannot.
  virtual bool canSendMail() const = 0;
  // Hands the mail on; `done` runs on a later turn of the main loop, on the
  // main thread, with the outcome.
  virtual void compose(Mail mail, Completion done) = 0;
};

// Writes mail into a folder, one ".eml" file per mail: saved, not sent.
class OutboxMailComposer : public MailComposer {
 public:
  static constexpr const char* kOutboxFolder = "Outbox";
  // The sender named in every message: the device itself.
  static constexpr const char* kSenderName = "Marvisto";
  static constexpr const char* kSenderAddress = "marvisto@localhost";

  // Without a folder the composer writes into the outbox of whichever
  // account is signed in when a mail goes out.
  explicit OutboxMailComposer(std::optional<std::filesystem::path> outbox = std::nullopt);
  // The outbox of the signed-in account; empty when nobody is signed in,
  // for mail belongs to an account.
  static std::filesystem::path defaultOutbox();
  // "Outbox/<client folder name>" under the data root: outside the client
  // folder, so a full resync keeps the mail, but the account's, so it goes
  // with the account and no other account sees it. Empty for a name that
  // names no client folder.
  static std::filesystem::path outboxOf(const std::string& clientId);
  std::filesystem::path outbox() const { return outbox_ ? *outbox_ : defaultOutbox(); }

  // The outbox exists, or can be made, and takes files.
  bool canSendMail() const override;
  void compose(Mail mail, Completion done) override;

  // The whole message for a mail dated `secondsSince1970`. Header texts are
  // encoded as RFC 2047 words where they need it, so no text of the mail
  // can add a header line; a recipient that is no address is refused.
  static std::optional<std::string> messageText(const Mail& mail, double secondsSince1970, base::Error* error);

 private:
  std::optional<std::filesystem::path> outbox_;
};

// The desktop's mail: the message, with its attachments written as files
// into a folder of the outbox, goes to the user's mail program through
// xdg-email. A desktop without one (xdg-email missing, or saying it found no
// mail program) gets the message saved in the outbox instead, and the
// outcome says so.
class DesktopMailComposer : public OutboxMailComposer {
 public:
  using OutboxMailComposer::OutboxMailComposer;
  void compose(Mail mail, Completion done) override;

  // The xdg-email command for a mail whose attachments are `files`; nothing
  // when a recipient is no mail address.
  static std::optional<std::vector<std::string>> command(const Mail& mail,
                                                         const std::vector<std::filesystem::path>& files);
};

}  // namespace svc
