#include "customer/CustomerUploadRefusals.hpp"

#include <memory>

#include "platform/base/MainThread.hpp"
#include "platform/ui/AlertView.hpp"
#include "shell/config/Language.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

using Cause = CustomerUploadIds::Cause;

std::string quoted(const std::string& name) { return "\u201C" + name + "\u201D"; }

// The cause and, after a blank line, that the customers stay.
std::string withStay(const std::string& cause) {
  const std::string stays = text("CUSTOMERSTAYSLOCAL");
  return cause.empty() ? stays : cause + "\n\n" + stays;
}

}  // namespace

void CustomerUploadRefusals::showFailed(const std::string& cause) {
  MV_ASSERT_MAIN_THREAD();
  auto alert = std::make_shared<ui::AlertView>(text("SUBMITTINGFAILED"), withStay(cause),
                                               std::weak_ptr<ui::AlertViewDelegate>(), text("OK"));
  alert->show();
}

std::string CustomerUploadRefusals::message(const std::vector<CustomerUploadIds::Refused>& refused,
                                            const std::function<std::string(int)>& nameOf) {
  std::string causes;
  for (const auto& r : refused) {
    const std::string name = quoted(nameOf(r.localId));
    std::string cause;
    switch (r.cause) {
      case Cause::UnsoundIds:
        cause = Language::format(text("CUSTOMERUNSOUNDIDS"), {name});
        break;
      case Cause::AnotherCustomers:
        cause = Language::format(text("CUSTOMERIDOFANOTHER"), {name, quoted(nameOf(r.holderId))});
        break;
      case Cause::MaybeItsCopy:
        cause = Language::format(text("CUSTOMERSENTBEFOREMESSAGE"), {name, quoted(nameOf(r.holderId))});
        break;
    }
    causes += (causes.empty() ? "" : "\n") + cause;
  }
  return withStay(causes);
}

void CustomerUploadRefusals::show(const std::vector<CustomerUploadIds::Refused>& refused,
                                  const std::function<std::string(int)>& nameOf,
                                  std::function<void(const Pairs&)> combine) {
  MV_ASSERT_MAIN_THREAD();
  if (refused.empty()) return;
  Pairs maybeCopies;
  for (const auto& r : refused) {
    if (r.cause == Cause::MaybeItsCopy) maybeCopies.emplace_back(r.localId, r.holderId);
  }
  const bool onlyQuestions = maybeCopies.size() == refused.size();
  std::vector<std::string> others;
  if (!maybeCopies.empty()) others.push_back(text("COMBINE"));
  auto alert = std::make_shared<ui::AlertView>(text(onlyQuestions ? "CUSTOMERSENTBEFORE" : "SUBMITTINGFAILED"),
                                               message(refused, nameOf), std::weak_ptr<ui::AlertViewDelegate>(),
                                               text(maybeCopies.empty() ? "OK" : "LATER"), others);
  if (!maybeCopies.empty()) {
    // "Later" changes nothing: the customers stay as they are.
    alert->setBackOutButtonIndex(alert->cancelButtonIndex());
    alert->onClicked = [maybeCopies, combine = std::move(combine)](ui::AlertView& shown, long index) {
      if (index == shown.firstOtherButtonIndex() && combine) combine(maybeCopies);
    };
  }
  alert->show();
}

}  // namespace mv
