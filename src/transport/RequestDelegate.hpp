#pragma once
#include <string_view>

namespace mv {

class FormDataRequest;

// What a request tells its delegate, always on the main thread. The delegate
// is not owned: whoever sets it clears it (or calls `clearDelegatesAndCancel`)
// before going away.
class RequestDelegate {
 public:
  virtual ~RequestDelegate() = default;
  // Any HTTP answer, whatever its status.
  virtual void requestFinished(FormDataRequest& /*request*/) {}
  // No answer: `request.error()` says why.
  virtual void requestFailed(FormDataRequest& /*request*/) {}
  // Each received chunk of the reply body (inflated), in order, before the
  // request finishes. A download still writes the chunk to its file. Chunks are
  // copied to the main thread only for delegates that ask for them.
  virtual bool wantsReceivedData() const { return false; }
  virtual void request(FormDataRequest& /*request*/, std::string_view /*data*/) {}
};

}  // namespace mv
