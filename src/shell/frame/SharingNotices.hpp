#pragma once
// What the user is told when a document was mailed or printed: the outcome
// as it is. A message open in the user's mail program is to be sent from
// there; one saved in the outbox was not sent, and the notice says where it
// is; a document saved for want of a printer was not printed, likewise.
#include "services/MailComposer.hpp"
#include "services/PrintInteractionController.hpp"

namespace mv {

class SharingNotices {
 public:
  static void showMailOutcome(const svc::MailOutcome& outcome);
  // Nothing for a job the printer took.
  static void showPrintOutcome(const svc::PrintOutcome& outcome);
};

}  // namespace mv
