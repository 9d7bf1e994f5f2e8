#pragma once
// The application as the binary launches it, for the benchmarks that run it
// whole in a process of their own: headless, its features installed, its
// main loop on this thread.
#include <functional>
#include <memory>

namespace mv {
class MarvistoAppDelegate;
}  // namespace mv

namespace bench {

// Launches the application over the data root set beforehand, with
// `applySettings` run where the command line's settings are (the server's);
// waits for the demo data a first launch unpacks and skips the guide a
// first launch shows, as a user does. Null when there is no welcome screen.
std::shared_ptr<mv::MarvistoAppDelegate> launchApplication(std::function<void()> applySettings = {});
// Runs the main loop, laying out the pending views at each turn, until
// `done` or for `seconds`; whether `done` came.
bool runApplicationUntil(const std::function<bool()>& done, double seconds);

}  // namespace bench
