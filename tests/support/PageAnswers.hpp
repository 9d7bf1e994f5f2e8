#pragma once
// What a web page answers a script, for tests that read the page: asked the
// way the screens ask (nothing waits inside the view), with the main loop
// run until the answer comes. A template so that the fixtures need not link
// the web engine: `Page` is svc::WebView.
#include <optional>
#include <string>

#include "platform/base/CancelTracker.hpp"
#include "platform/base/OutsideWork.hpp"
#include "platform/base/RunLoop.hpp"

namespace mv::test {

// The script's value as text; empty for none, or when no answer came within
// `timeout` seconds. The answer comes from the page's process in real time:
// the loop's clock keeps step with it until then, however long the engine
// itself waits for a page before it takes it for one that no longer answers
// (on a busy machine a long page may answer later than that, and the
// virtual clock would otherwise move straight on to the end of the wait).
template <typename Page>
std::string answerOf(Page& page, const std::string& script, double timeout = 10) {
  base::CancelTracker asking;
  std::optional<std::string> answer;
  const auto underWay = base::holdOutsideWork();
  page.evaluateJavaScript(script, asking, [&](const std::string& value) { answer = value; });
  base::RunLoop::main().runUntil([&] { return answer.has_value(); }, timeout);
  return answer.value_or("");
}

}  // namespace mv::test
