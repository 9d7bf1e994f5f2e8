#pragma once
// What the sign-in posts on the default notification centre, for whoever
// reports it (the application's terminal lines): a sign-in that completed,
// with userInfo {"how": "online" | "offline" | "demo"}, and one that failed,
// with {"message": what the welcome screen shows}.
namespace mv {

inline constexpr const char* kSignedInNotification = "SignInCompleted";
inline constexpr const char* kSignInFailedNotification = "SignInFailed";

}  // namespace mv
