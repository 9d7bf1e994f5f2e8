#pragma once
// Who is signed in, as the foundation utilities need to know it: the client
// folder and the file endpoint are per client. The sign-in session installs a
// provider; until it does (and in tests that set fixed values) both ids are
// empty. Safe to read from any thread.
#include <functional>
#include <string>

namespace mv {

class SessionContext {
 public:
  using Provider = std::function<std::string()>;

  // Installs the functions that answer the signed-in client id (as typed at
  // sign-in) and account id. Empty functions mean "nobody signed in".
  static void setProvider(Provider clientID, Provider acountID);
  // Installs fixed ids (tests, tools).
  static void setFixed(const std::string& clientID, const std::string& acountID);
  // Back to nobody signed in.
  static void clear();

  static std::string clientID();
  static std::string acountID();

  // Further fields of the session that the server requests read when they are
  // built: the password as typed (plain text), the device id sent at sign-in
  // and the service's session id from the login reply. Like the ids above they
  // are empty until a provider or a fixed value is installed; `clear` empties
  // them too.
  enum class Field { password, deviceID, sessionId };
  static void setFieldProvider(Field field, Provider provider);
  static void setFixedField(Field field, const std::string& value);

  static std::string password();
  static std::string deviceID();
  static std::string sessionId();

 private:
  static std::string field(Field field);
};

}  // namespace mv
