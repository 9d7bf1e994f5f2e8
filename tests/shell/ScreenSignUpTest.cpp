// Signing up a new company: the form's checks case by case, the Register
// button, and the whole sign-up against the local sales service, including a
// refusal and a reply that comes after the form has closed.
#include "ScreenTestSupport.hpp"
#include "platform/ui/NavigationController.hpp"
#include "sales-service/FaultInjector.hpp"
#include "shell/config/Language.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/signup/RegisterMessageViewController.hpp"
#include "shell/signup/RegisterNavigationController.hpp"
#include "shell/signup/RegisterViewController.hpp"
#include "util/PublicFunction.hpp"

namespace mv::test {
namespace {

using Entries = RegisterViewController::Entries;

Entries valid() {
  Entries e;
  e.companyName = "Initrode";
  e.companyId = "initrode";
  e.email = "ann@initrode.com";
  e.phone = "555 0100";
  e.userName = "ann";
  e.password = "secret1";
  e.passwordRetype = "secret1";
  return e;
}

std::optional<std::string> check(const std::function<void(Entries&)>& change) {
  Entries e = valid();
  change(e);
  const auto refusal = RegisterViewController::checkInput(e);
  return refusal ? std::optional<std::string>(refusal->message) : std::nullopt;
}

// The row the refusal speaks of.
std::optional<int> refusedRow(const std::function<void(Entries&)>& change) {
  Entries e = valid();
  change(e);
  const auto refusal = RegisterViewController::checkInput(e);
  return refusal ? std::optional<int>(refusal->row) : std::nullopt;
}

TEST(SignUpChecks, TheLastFailingCheckSpeaks) {
  EXPECT_EQ(check([](Entries&) {}), std::nullopt);
  // A short password and a short user name: the later check wins.
  EXPECT_EQ(check([](Entries& e) {
              e.password = e.passwordRetype = "12345";
              e.userName = "ab";
            }),
            "USERNAMETOOSHORT");
  EXPECT_EQ(check([](Entries& e) { e.password = e.passwordRetype = "12345"; }), "PASSWORDTOOSHORT");
  EXPECT_EQ(check([](Entries& e) { e.passwordRetype = "secret2"; }), "PASSWORDRETYPENOTMATCH");
  EXPECT_EQ(check([](Entries& e) { e.passwordRetype = ""; }), "PASSWORDRETYPENOTMATCH");
  // User names: empty, short, or other than letters, digits and "_".
  EXPECT_EQ(check([](Entries& e) { e.userName = ""; }), "NEEDINPUTEUSERNAME");
  EXPECT_EQ(check([](Entries& e) { e.userName = "a-b"; }), "USERNAMENOTVALID");
  EXPECT_EQ(check([](Entries& e) { e.userName = "äbc"; }), "USERNAMENOTVALID");
  EXPECT_EQ(check([](Entries& e) { e.userName = "a_1"; }), std::nullopt);
  // The e-mail: an empty one with a telephone fails the format check ...
  EXPECT_EQ(check([](Entries& e) { e.email = ""; }), "EMAILNOTVALID");
  // ... without a telephone, the telephone speaks ...
  EXPECT_EQ(check([](Entries& e) {
              e.email = "";
              e.phone = "";
            }),
            "NEEDINPUTETEL");
  // ... and a later failure speaks over both.
  EXPECT_EQ(check([](Entries& e) {
              e.email = "";
              e.companyName = "";
            }),
            "NEEDINPUTCOMPANYNAME");
  // The address's last part is 2 to 6 letters; text around it is fine.
  EXPECT_EQ(check([](Entries& e) { e.email = "a@b.cd"; }), std::nullopt);
  EXPECT_EQ(check([](Entries& e) { e.email = "a@b.museum"; }), std::nullopt);
  EXPECT_EQ(check([](Entries& e) { e.email = "a@b.c"; }), "EMAILNOTVALID");
  EXPECT_EQ(check([](Entries& e) { e.email = "a@b.abcdefg"; }), "EMAILNOTVALID");
  EXPECT_EQ(check([](Entries& e) { e.email = "write to ann@mail.initrode.co today"; }), std::nullopt);
  EXPECT_EQ(check([](Entries& e) { e.email = "ann at initrode"; }), "EMAILNOTVALID");
  // The client id.
  EXPECT_EQ(check([](Entries& e) { e.companyId = ""; }), "NEEDINPUTCOMPANYID");
  EXPECT_EQ(check([](Entries& e) { e.companyId = "ab"; }), "COMPANYIDTOOSHORT");
  EXPECT_EQ(check([](Entries& e) { e.companyId = "a b c"; }), "COMPANYIDNOTVALID");
  EXPECT_EQ(check([](Entries& e) { e.companyId = "../x"; }), "COMPANYIDNOTVALID");
  EXPECT_EQ(check([](Entries& e) { e.companyName = ""; }), "NEEDINPUTCOMPANYNAME");
  // Each refusal names the row it speaks of: the highest that failed.
  using R = RegisterViewController;
  EXPECT_EQ(refusedRow([](Entries& e) { e.passwordRetype = ""; }), R::kPasswordRetype);
  EXPECT_EQ(refusedRow([](Entries& e) { e.password = e.passwordRetype = "12345"; }), R::kPassword);
  EXPECT_EQ(refusedRow([](Entries& e) { e.userName = "a-b"; }), R::kUserName);
  EXPECT_EQ(refusedRow([](Entries& e) { e.email = "a@b.c"; }), R::kEmail);
  EXPECT_EQ(refusedRow([](Entries& e) {
              e.email = "";
              e.phone = "";
            }),
            R::kTelephone);
  EXPECT_EQ(refusedRow([](Entries& e) {
              e.companyId = "ab";
              e.userName = "";
            }),
            R::kCompanyId);
  EXPECT_EQ(refusedRow([](Entries& e) { e.companyName = ""; }), R::kCompanyName);
}

class SignUpTest : public ScreenFlowTest {
 protected:
  RegisterViewController* openForm() {
    LoginCheckBox& panel = welcome()->loginCheckBox();
    tap(panel.registerBut());
    auto* nav = dynamic_cast<RegisterNavigationController*>(welcome()->presentedViewController());
    if (!nav) return nullptr;
    EXPECT_EQ(nav->modalPresentationStyle(), ui::ModalPresentationStyle::FormSheet);
    EXPECT_FALSE(nav->disablesAutomaticKeyboardDismissal());
    return dynamic_cast<RegisterViewController*>(nav->viewControllers()[0].get());
  }
  // Types into each field in turn, moving on with the return key.
  void fill(RegisterViewController& form, const Entries& e) {
    const std::string values[] = {e.companyName, e.companyId, e.email, e.phone, e.userName, e.password, e.passwordRetype};
    tap(form.field(0));
    for (int row = 0; row < RegisterViewController::kRowCount; ++row) {
      ASSERT_EQ(driver().firstResponder(), &form.field(row)) << row;
      typeKeys(values[row]);
      if (row == RegisterViewController::kRowCount - 1) break;
      if (values[row].empty()) {
        // The return key does nothing in an empty field: the next one is tapped.
        driver().pressReturn();
        EXPECT_EQ(driver().firstResponder(), &form.field(row));
        tap(form.field(row + 1));
      } else {
        driver().pressReturn();
        settle();
      }
    }
  }
};

TEST_F(SignUpTest, ANewCompanySignsUpAndThenSignsIn) {
  launchAgainstService();
  RegisterViewController* form = openForm();
  ASSERT_TRUE(form);
  EXPECT_EQ(form->title(), en("NEWACCOUNT"));
  EXPECT_FALSE(form->registerButton().isEnabled());
  EXPECT_EQ(form->field(1).placeholder(), en("REGISTERATLEAST3"));
  EXPECT_TRUE(form->field(5).isSecureTextEntry());
  EXPECT_EQ(form->footerLable().text(), en("COMPANYIDNOTCHANGEBLE"));

  // Everything but the e-mail: Register is enabled, and the e-mail check refuses.
  Entries e = valid();
  e.email = "";
  fill(*form, e);
  EXPECT_TRUE(form->registerButton().isEnabled());
  // Emptying the telephone disables it again, whatever the e-mail holds.
  tap(form->field(RegisterViewController::kTelephone));
  driver().pressClear();
  settle();
  EXPECT_FALSE(form->registerButton().isEnabled());
  typeKeys("555 0100");
  EXPECT_TRUE(form->registerButton().isEnabled());
  service->clearRequestLog();
  ASSERT_TRUE(form->registerButton().trigger());
  settle();
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), en("REGISTERINPUTERROR"));
  EXPECT_EQ(alert()->message(), en("EMAILNOTVALID"));
  press(0);
  EXPECT_TRUE(messages("register").empty());
  // Read, the alert leaves the user in the field it spoke of, and Tab goes
  // on from there.
  EXPECT_EQ(driver().firstResponder(), &form->field(RegisterViewController::kEmail));
  EXPECT_TRUE(driver().window().moveFocusToNextField(false));
  EXPECT_EQ(driver().firstResponder(), &form->field(RegisterViewController::kTelephone));

  // Backspace in a password field that was left and entered again takes one character.
  tap(form->field(RegisterViewController::kPassword));
  driver().pressBackspace();
  settle();
  EXPECT_EQ(form->field(RegisterViewController::kPassword).text(), "secret");
  typeKeys("1");
  // A cut of one character (Ctrl+X on the desktop) takes it out of the
  // field and hands it to the clipboard, as any cut does.
  auto& phone = form->field(RegisterViewController::kTelephone);
  tap(phone);
  phone.setSelectedRange({phone.text().size() - 1, 1});
  EXPECT_EQ(phone.cutSelection(), std::optional<std::string>("0"));
  EXPECT_EQ(phone.text(), "555 010");
  typeKeys("0");
  EXPECT_EQ(phone.text(), "555 0100");

  // With the e-mail: sent, under a wait box, and the confirmation page follows.
  tap(form->field(RegisterViewController::kEmail));
  typeKeys("ann@initrode.com");
  ASSERT_TRUE(form->registerButton().trigger());
  EXPECT_EQ(MessageBox::sharedInstance().currentText(), en("REGISTERING"));
  ASSERT_TRUE(waitFor([&] { return form->navigationController() &&
                                   form->navigationController()->viewControllers().size() == 2; }));
  EXPECT_EQ(MessageBox::sharedInstance().boxCount(), 0u);
  auto* page = dynamic_cast<RegisterMessageViewController*>(form->navigationController()->topViewController());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->emailAddress(), "ann@initrode.com");
  EXPECT_EQ(page->emailTextView().text(), Language::format(en("REGISTERSUCCESSWITHEMAIL"), {"ann@initrode.com"}));
  EXPECT_EQ(page->contactTextView().text(),
            Language::format(en("REGISTERCONTACTUS"), {en("SUPPORTPHONE"), en("SUPPORTEMAIL")}));
  EXPECT_TRUE(page->navigationItem().hidesBackButton());
  // The request carried the password enciphered, never as typed.
  auto sent = messages("register");
  ASSERT_EQ(sent.size(), 1u);
  const std::string cipher = sent[0].parameters["password"];
  EXPECT_NE(cipher, "secret1");
  EXPECT_EQ(PublicFunction::TripleDES(cipher, 1), "secret1");
  EXPECT_EQ(sent[0].parameters["companyid"], "initrode");
  EXPECT_EQ(sent[0].parameters["email"], "ann@initrode.com");
  // Done closes the form sheet.
  page->doneButtonTapped();
  settle();
  EXPECT_FALSE(welcome()->presentedViewController());

  // The new account signs in.
  LoginCheckBox& panel = welcome()->loginCheckBox();
  panel.userNameInputText().setText("ann");
  panel.passWordInputText().setText("secret1");
  panel.clientIDInputText().setText("initrode");
  tap(panel.loginBut());
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot(); }));
  EXPECT_EQ(LoginMode::sharedInstance()->clientID(), "initrode");
}

TEST_F(SignUpTest, RefusalsAndLateReplies) {
  launchAgainstService();
  RegisterViewController* form = openForm();
  ASSERT_TRUE(form);
  // A client id that is taken: the service's refusal, and the form keeps its entries.
  Entries e = valid();
  e.companyId = "acme";
  fill(*form, e);
  ASSERT_TRUE(form->registerButton().trigger());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }));
  EXPECT_EQ(alert()->title(), en("REGISTERFAILEDTITLE"));
  EXPECT_FALSE(alert()->message().empty());
  EXPECT_EQ(MessageBox::sharedInstance().boxCount(), 0u);
  press(0);
  EXPECT_EQ(form->field(RegisterViewController::kCompanyId).text(), "acme");

  // The user gives up waiting (Escape on the box): the form stays as typed
  // and the late answer shows nothing.
  service->addFault(sales::FaultRule::stallFor("register", 1.0));
  form->field(RegisterViewController::kCompanyId).setText("umbrella");
  const std::size_t sent = messages("register").size();
  ASSERT_TRUE(tapControl(en("REGISTER")));
  EXPECT_EQ(MessageBox::sharedInstance().currentText(), en("REGISTERING"));
  // Given up once the service has it.
  EXPECT_TRUE(waitFor([&] { return messages("register").size() > sent; }, 5));
  EXPECT_TRUE(driver().window().pressEscape());
  settle();
  EXPECT_EQ(MessageBox::sharedInstance().boxCount(), 0u);
  EXPECT_TRUE(welcome()->presentedViewController());
  ASSERT_TRUE(form->navigationController());
  EXPECT_FALSE(waitFor(
      [&] { return alert() != nullptr || form->navigationController()->topViewController() != form; }, 3));
  EXPECT_EQ(form->navigationController()->topViewController(), form);
  EXPECT_EQ(form->field(RegisterViewController::kCompanyId).text(), "umbrella");
  service->clearFaults();

  // A reply that comes after the form has closed reaches nobody.
  service->addFault(sales::FaultRule::stallFor("register", 1.0));
  form->field(RegisterViewController::kCompanyId).setText("initrode");
  ASSERT_TRUE(form->registerButton().trigger());
  EXPECT_EQ(MessageBox::sharedInstance().boxCount(), 1u);
  std::weak_ptr<ui::ViewController> weakForm = form->shared_from_this();
  std::weak_ptr<RegisterModel> weakModel = form->registerModel();
  form->cancelButtonTapped();
  form = nullptr;
  settle();
  EXPECT_FALSE(welcome()->presentedViewController());
  EXPECT_TRUE(weakForm.expired());
  // The closed form took its wait box with it.
  EXPECT_EQ(MessageBox::sharedInstance().boxCount(), 0u);
  ASSERT_TRUE(waitFor([&] { return !messages("register").empty() && messages("register").back().completed; }, 5));
  waitFor([] { return false; }, 0.5);
  EXPECT_FALSE(alert());
  // The sign-up went with its form: nothing is left to hear the reply.
  EXPECT_TRUE(weakModel.expired());

  // The sign-up given up above reached the service all the same: sent again,
  // its client id is taken, and the form offers to sign in with it.
  ASSERT_TRUE(waitFor(
      [&] {
        for (const auto& m : messages("register"))
          if (!m.completed) return false;
        return true;
      },
      5));
  form = openForm();
  ASSERT_TRUE(form);
  e.companyId = "umbrella";
  fill(*form, e);
  ASSERT_TRUE(form->registerButton().trigger());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }));
  EXPECT_EQ(alert()->title(), en("REGISTERFAILEDTITLE"));
  EXPECT_NE(alert()->message().find(en("SIGNINREGISTERED")), std::string::npos) << alert()->message();
  ASSERT_EQ(alert()->buttonTitleAtIndex(alert()->firstOtherButtonIndex()), en("LOGINBUT"));
  press(alert()->firstOtherButtonIndex());
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot() || alert() != nullptr; }, 10));
  EXPECT_FALSE(app->isWelcomeRoot()) << (alert() ? alert()->message() : std::string());
  EXPECT_EQ(LoginMode::sharedInstance()->clientID(), "umbrella");
  EXPECT_EQ(LoginMode::sharedInstance()->acountID(), "ann");
}

}  // namespace
}  // namespace mv::test
