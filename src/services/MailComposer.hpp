#pragma once
// Mail with attachments, as the order form and the library viewers share
// their documents. This platform has no mail account of its own: the
// composer writes each mail as one RFC 5322 message (MIME, attachments in
// Base64) into the outbox folder under the data root, where a mail program
// or a person picks it up, and answers "sent" once the file is whole.
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

enum class MailComposeResult { Cancelled = 0, Saved = 1, Sent = 2, Failed = 3 };

class MailComposer {
 public:
  using Completion = std::function<void(MailComposeResult result, const std::optional<base::Error>& error)>;

  virtual ~MailComposer() = default;

  // The composer in use: the one installed, else the outbox of the data root.
  static std::shared_ptr<MailComposer> shared();
  // Installs a composer (null goes back to the outbox).
  static void install(std::shared_ptr<MailComposer> composer);

  // Whether mail can go out at all; screens tell the user when it cannot.
  virtual bool canSendMail() const = 0;
  // Sends the mail; `done` runs on a later turn of the main loop, on the
  // main thread, with the result (and the error of a failure).
  virtual void compose(Mail mail, Completion done) = 0;
};

// Writes mail into a folder, one ".eml" file per mail.
class OutboxMailComposer : public MailComposer {
 public:
  static constexpr const char* kOutboxFolder = "Outbox";
  // The sender named in every message: the device itself.
  static constexpr const char* kSenderName = "Marvisto";
  static constexpr const char* kSenderAddress = "marvisto@localhost";

  explicit OutboxMailComposer(std::filesystem::path outbox = defaultOutbox());
  // "Outbox" under the data root.
  static std::filesystem::path defaultOutbox();
  const std::filesystem::path& outbox() const { return outbox_; }

  // The outbox exists, or can be made, and takes files.
  bool canSendMail() const override;
  void compose(Mail mail, Completion done) override;

  // The whole message for a mail dated `secondsSince1970`. Header texts are
  // encoded as RFC 2047 words where they need it, so no text of the mail
  // can add a header line; a recipient that is no address is refused.
  static std::optional<std::string> messageText(const Mail& mail, double secondsSince1970, base::Error* error);

 private:
  std::filesystem::path outbox_;
};

}  // namespace svc
