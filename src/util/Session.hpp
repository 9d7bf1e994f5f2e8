#pragma once
// Who is signed in, and how: one value that the shell publishes when a
// sign-in sets it and whenever the service changes a field of it, and clears
// at logout. Lower layers read it here (a copy, safe from any thread) or take
// the fields they need as parameters; none keeps a copy across run-loop turns,
// and none writes it. Until the shell publishes one, every field is empty and
// nobody is signed in.
#include <cstdint>
#include <string>

namespace mv {

// How the user is signed in; the numbers are the protocol's own.
enum class LoginType { None = -1, Online = 1, Offline = 2, Demo = 3 };

struct Session {
  // As typed at sign-in, or as the service spells the same id; lower-cased it
  // names the client folder.
  std::string clientID;
  std::string acountID;
  // The service's session id from the last accepted login.
  std::string sessionId;
  std::string deviceID;
  std::int64_t vendorId = 0;
  LoginType loginType = LoginType::None;
  // As typed: a silent sign-in sends it again.
  std::string password;

  bool operator==(const Session&) const = default;

  static Session current();
  static void publish(Session session);
  static void clear();
};

}  // namespace mv
