// The mail composer's outbox and the print controller's spool: what lands on
// disk is read back as a mail program and a PDF reader would read it.
#include <gtest/gtest.h>
#include <gmime/gmime.h>

#include <algorithm>
#include <fstream>

#include "TestEnvironment.hpp"
#include "platform/base/FileIO.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/PdfDocument.hpp"
#include "platform/gfx/PdfWriter.hpp"
#include "services/DesktopLauncher.hpp"
#include "services/DropFolder.hpp"
#include "services/MailComposer.hpp"
#include "services/PrintInteractionController.hpp"

namespace fs = std::filesystem;
using namespace svc;

namespace {

class MailAndPrintTest : public mv::test::TestEnvironment {
 protected:
  void TearDown() override {
    DesktopLauncher::install(nullptr);
    mv::test::TestEnvironment::TearDown();
  }
  // Waits for the worker and the answer it posts.
  template <typename Done>
  void settle(const Done& done) {
    ASSERT_TRUE(runUntil([&] {
      base::WorkQueue::global().waitIdle();
      return done();
    }));
  }
  static std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) out.push_back(entry.path());
    return out;
  }
  static std::vector<std::uint8_t> smallPdf(int pages) {
    auto writer = gfx::PdfWriter::toMemory({0, 0, 200, 100});
    for (int i = 0; i < pages; ++i) {
      writer->beginPage();
      writer->endPage();
    }
    EXPECT_TRUE(writer->close());
    return writer->data();
  }
};

struct Parsed {
  GMimeMessage* message = nullptr;
  ~Parsed() {
    if (message) g_object_unref(message);
  }
};

// The message of an outbox file, as a mail program reads it.
void parse(const fs::path& file, Parsed& out) {
  g_mime_init();
  GMimeStream* stream = g_mime_stream_file_open(file.c_str(), "r", nullptr);
  ASSERT_TRUE(stream);
  GMimeParser* parser = g_mime_parser_new_with_stream(stream);
  out.message = g_mime_parser_construct_message(parser, nullptr);
  g_object_unref(parser);
  g_object_unref(stream);
  ASSERT_TRUE(out.message);
}

std::vector<std::uint8_t> decodedContent(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  GMimeStream* mem = g_mime_stream_mem_new();
  g_mime_data_wrapper_write_to_stream(content, mem);
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem));
  std::vector<std::uint8_t> out(bytes->data, bytes->data + bytes->len);
  g_object_unref(mem);
  return out;
}

TEST_F(MailAndPrintTest, AMailLandsInTheOutboxAsAWholeMessage) {
  OutboxMailComposer composer(root / "Outbox");
  ASSERT_TRUE(composer.canSendMail());
  Mail mail;
  // A typed name can hold anything; none of it becomes a header of its own.
  mail.subject = "[Order-Zoë Müller\r\nBcc: thief@example.com]";
  mail.toRecipients = {"buyer@example.com"};
  mail.body = "The order form is attached.";
  const auto pdf = smallPdf(2);
  mail.attachments.push_back({pdf, "application/pdf", "Order.pdf"});
  std::optional<MailOutcome> result;
  composer.compose(mail, [&](const MailOutcome& outcome) { result = outcome; });
  settle([&] { return result.has_value(); });
  // Written, not sent: the outcome names the file.
  EXPECT_EQ(result->result, MailComposeResult::Saved);
  EXPECT_FALSE(result->error);

  const auto files = filesIn(root / "Outbox");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(result->savedAs, files[0]);
  EXPECT_EQ(files[0].extension(), ".eml");
  const auto raw = base::readFileBytes(files[0]);
  ASSERT_TRUE(raw);
  const std::string text(raw->begin(), raw->end());
  EXPECT_EQ(text.find("\nBcc:"), std::string::npos);
  EXPECT_NE(text.find("\r\nMIME-Version: 1.0\r\n"), std::string::npos);

  Parsed parsed;
  parse(files[0], parsed);
  EXPECT_STREQ(g_mime_message_get_subject(parsed.message), "[Order-Zoë Müller  Bcc: thief@example.com]");
  EXPECT_EQ(internet_address_list_length(g_mime_message_get_bcc(parsed.message)), 0);
  InternetAddressList* to = g_mime_message_get_to(parsed.message);
  ASSERT_EQ(internet_address_list_length(to), 1);
  EXPECT_STREQ(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(internet_address_list_get_address(to, 0))),
               "buyer@example.com");
  EXPECT_TRUE(g_mime_message_get_date(parsed.message));

  GMimeObject* top = g_mime_message_get_mime_part(parsed.message);
  ASSERT_TRUE(GMIME_IS_MULTIPART(top));
  GMimeMultipart* multipart = GMIME_MULTIPART(top);
  ASSERT_EQ(g_mime_multipart_get_count(multipart), 2);
  GMimeObject* attachment = g_mime_multipart_get_part(multipart, 1);
  ASSERT_TRUE(GMIME_IS_PART(attachment));
  GMimeContentType* type = g_mime_object_get_content_type(attachment);
  EXPECT_TRUE(g_mime_content_type_is_type(type, "application", "pdf"));
  EXPECT_STREQ(g_mime_part_get_filename(GMIME_PART(attachment)), "Order.pdf");
  EXPECT_EQ(g_mime_part_get_content_encoding(GMIME_PART(attachment)), GMIME_CONTENT_ENCODING_BASE64);
  EXPECT_TRUE(g_mime_part_is_attachment(GMIME_PART(attachment)));
  EXPECT_EQ(decodedContent(GMIME_PART(attachment)), pdf);
}

// On a desktop the mail program gets the message and its attachment as a
// file; a desktop without one (xdg-email's status 3) gets it saved whole.
TEST_F(MailAndPrintTest, TheDesktopsMailProgramGetsTheMessageOrItIsSaved) {
  std::vector<std::vector<std::string>> started;
  std::vector<std::uint8_t> attached;
  int status = 0;
  DesktopLauncher::install([&](const std::vector<std::string>& argv, DesktopLauncher::Done done) {
    started.push_back(argv);
    // The mail program reads the attachment while it runs.
    const auto at = std::find(argv.begin(), argv.end(), "--attach");
    if (at != argv.end() && at + 1 != argv.end()) attached = base::readFileBytes(*(at + 1)).value_or(attached);
    base::RunLoop::main().post([done, status] { done(status); });
  });
  DesktopMailComposer composer(root / "Outbox");
  Mail mail;
  mail.subject = "[Order-Zoë\nX]";
  mail.toRecipients = {"buyer@example.com"};
  const auto pdf = smallPdf(1);
  mail.attachments.push_back({pdf, "application/pdf", "../Order.pdf"});
  std::vector<MailOutcome> outcomes;
  auto record = [&](const MailOutcome& outcome) { outcomes.push_back(outcome); };
  composer.compose(mail, record);
  settle([&] { return outcomes.size() == 1; });
  EXPECT_EQ(outcomes[0].result, MailComposeResult::HandedOver);
  ASSERT_EQ(started.size(), 1u);
  const auto& argv = started[0];
  ASSERT_GE(argv.size(), 7u);
  EXPECT_EQ(argv[0], "xdg-email");
  EXPECT_EQ(std::vector<std::string>(argv.begin() + 1, argv.begin() + 4),
            (std::vector<std::string>{"--utf8", "--subject", "[Order-Zoë X]"}));
  EXPECT_EQ(argv.back(), "buyer@example.com");
  EXPECT_EQ(attached, pdf);
  const auto at = std::find(argv.begin(), argv.end(), "--attach");
  ASSERT_NE(at + 1, argv.end());
  EXPECT_EQ(fs::path(*(at + 1)).filename(), "_Order.pdf");

  status = DesktopLauncher::kNoApplication;
  composer.compose(mail, record);
  settle([&] { return outcomes.size() == 2; });
  EXPECT_EQ(outcomes[1].result, MailComposeResult::Saved);
  ASSERT_TRUE(fs::is_regular_file(outcomes[1].savedAs));
  EXPECT_EQ(outcomes[1].savedAs.extension(), ".eml");
  // Only the saved message and the first mail's attachment are left.
  EXPECT_EQ(filesIn(root / "Outbox").size(), 2u);

  // A recipient that is no address never reaches the command line.
  mail.toRecipients = {"--help"};
  composer.compose(mail, record);
  settle([&] { return outcomes.size() == 3; });
  EXPECT_EQ(outcomes[2].result, MailComposeResult::Failed);
  EXPECT_EQ(started.size(), 2u);
}

TEST_F(MailAndPrintTest, RefusedMailLeavesNothingBehind) {
  OutboxMailComposer composer(root / "Outbox");
  std::vector<MailComposeResult> results;
  auto record = [&](const MailOutcome& outcome) {
    results.push_back(outcome.result);
    EXPECT_TRUE(outcome.error);
  };
  Mail mail;
  mail.toRecipients = {"not an address"};
  composer.compose(mail, record);
  settle([&] { return results.size() == 1; });
  EXPECT_EQ(results.back(), MailComposeResult::Failed);
  EXPECT_TRUE(filesIn(root / "Outbox").empty());

  // An outbox that cannot be a folder: no mail can go.
  std::ofstream(root / "Blocked") << "a file";
  OutboxMailComposer blocked(root / "Blocked");
  EXPECT_FALSE(blocked.canSendMail());
  blocked.compose(Mail{}, record);
  settle([&] { return results.size() == 2; });
  EXPECT_EQ(results.back(), MailComposeResult::Failed);
}

// What went wrong reaches the log as words, not as a format nobody filled in.
TEST_F(MailAndPrintTest, FailuresAreLoggedWithTheirReason) {
  const bool logging = base::logEnabled();
  base::setLogEnabled(true);
  testing::internal::CaptureStderr();
  std::optional<base::Error> mailError, printError;
  OutboxMailComposer composer(root / "Outbox");
  Mail mail;
  mail.toRecipients = {"not an address"};
  composer.compose(mail, [&](const MailOutcome& outcome) { mailError = outcome.error; });
  std::ofstream(root / "Blocked") << "a file";
  SpoolPrintController printer(root / "Blocked", false);
  printer.print(smallPdf(1), {}, [&](const PrintOutcome& outcome) { printError = outcome.error; });
  settle([&] { return mailError.has_value() && printError.has_value(); });
  const std::string log = testing::internal::GetCapturedStderr();
  base::setLogEnabled(logging);
  EXPECT_EQ(log.find('%'), std::string::npos) << log;
  EXPECT_NE(log.find("mail: " + mailError->description), std::string::npos) << log;
  EXPECT_NE(log.find("print: " + printError->description), std::string::npos) << log;
}

TEST_F(MailAndPrintTest, AnAttachmentTypeThatIsNoTypeGoesAsPlainBytes) {
  Mail mail;
  mail.attachments.push_back({{1, 2, 3}, "pdf", "a\"b\r\n.pdf"});
  base::Error error;
  auto text = OutboxMailComposer::messageText(mail, 0, &error);
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("Content-Type: application/octet-stream"), std::string::npos);
  EXPECT_EQ(text->find("\r\n.pdf"), std::string::npos);
}

TEST_F(MailAndPrintTest, PrintJobsLandInTheSpool) {
  SpoolPrintController printer(root / "Spool", false);
  ASSERT_TRUE(printer.isPrintingAvailable());
  const auto pdf = smallPdf(3);
  ASSERT_TRUE(printer.canPrint(pdf));
  std::vector<bool> completed;
  auto record = [&](const PrintOutcome& outcome) {
    completed.push_back(outcome.completed);
    EXPECT_EQ(outcome.completed, !outcome.error);
  };
  printer.print(pdf, PrintInfo{PrintOutputType::General, PrintDuplex::None, "../../Order"}, record);
  settle([&] { return completed.size() == 1; });
  EXPECT_TRUE(completed.back());
  auto files = filesIn(root / "Spool");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].parent_path(), root / "Spool");
  EXPECT_EQ(files[0].filename().string().rfind("_.._Order-", 0), 0u) << files[0];
  EXPECT_EQ(files[0].extension(), ".pdf");
  EXPECT_EQ(base::readFileBytes(files[0]), pdf);

  // Pictures print one per page at their own size.
  const std::vector<gfx::ImagePtr> pictures{gfx::Image::blank({300, 200}), gfx::Image::blank({100, 400})};
  ASSERT_TRUE(printer.canPrint(pictures));
  printer.print(pictures, PrintInfo{PrintOutputType::Photo, PrintDuplex::None, "Slides"}, record);
  settle([&] { return completed.size() == 2; });
  EXPECT_TRUE(completed.back());
  files = filesIn(root / "Spool");
  ASSERT_EQ(files.size(), 2u);
  for (const auto& file : files) {
    if (file.filename().string().rfind("Slides-", 0) != 0) continue;
    auto document = gfx::PdfDocument::open(file);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->pageCount(), 2);
    EXPECT_EQ(document->pageSize(1), (base::Size{100, 400}));
  }
}

TEST_F(MailAndPrintTest, WhatIsNoDocumentDoesNotPrint) {
  SpoolPrintController printer(root / "Spool", false);
  const std::vector<std::uint8_t> notPdf{'%', 'P', 'D', 'F', '-', '1', '.', '4', '\n', 'x'};
  EXPECT_FALSE(printer.canPrint(notPdf));
  EXPECT_FALSE(printer.canPrint(std::vector<gfx::ImagePtr>{}));
  EXPECT_FALSE(printer.canPrint(root / "missing.pdf"));
  std::optional<base::Error> failure;
  printer.print(notPdf, {}, [&](const PrintOutcome& outcome) {
    EXPECT_FALSE(outcome.completed);
    failure = outcome.error;
  });
  settle([&] { return failure.has_value(); });
  EXPECT_EQ(failure->domain, kPrintErrorDomain);
  EXPECT_TRUE(filesIn(root / "Spool").empty());

  std::ofstream(root / "Blocked") << "a file";
  EXPECT_FALSE(SpoolPrintController(root / "Blocked", false).isPrintingAvailable());
}

// Jobs of the same second each get a file of their own, and a name taken on
// disk is never written over.
TEST_F(MailAndPrintTest, JobsOfTheSameSecondNeverShareAFile) {
  const fs::path folder = root / "Jobs";
  const double noon = 1780000000.0;
  const fs::path first = DropFolder::newFile(folder, "Order-", noon, ".pdf");
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(first.parent_path(), folder);
  EXPECT_EQ(first.filename().string().rfind("Order-", 0), 0u) << first;
  EXPECT_EQ(first.extension(), ".pdf");
  std::ofstream(first) << "taken";
  const fs::path second = DropFolder::newFile(folder, "Order-", noon, ".pdf");
  EXPECT_NE(second, first);
  std::ofstream(second) << "taken";
  // Every later name of that second is taken too: the next one steps aside.
  const std::string stem = second.stem().string();
  const std::size_t dash = stem.rfind('-') + 1;
  const std::string next = stem.substr(0, dash) + std::to_string(std::stoul(stem.substr(dash)) + 1);
  std::ofstream(folder / (next + ".pdf")) << "taken";
  EXPECT_EQ(DropFolder::newFile(folder, "Order-", noon, ".pdf"), folder / (next + "-1.pdf"));
  EXPECT_TRUE(DropFolder::isWritable(folder));
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(DropFolder::isWritable(folder));
  fs::permissions(folder, fs::perms::owner_all);
}

TEST(DropFolderNameTest, NamesStayOneSafeSegment) {
  EXPECT_EQ(DropFolder::safeFileName("", "Document"), "Document");
  EXPECT_EQ(DropFolder::safeFileName("a/b\\c\nd", "Document"), "a_b_c_d");
  EXPECT_EQ(DropFolder::safeFileName("..", "Document"), "Document");
  EXPECT_EQ(DropFolder::safeFileName("Prices.pdf", "Document"), "Prices.pdf");
  const std::string longName(98, 'x');
  EXPECT_EQ(DropFolder::safeFileName(longName + "é€", "Document"), longName + "é");
}

}  // namespace
