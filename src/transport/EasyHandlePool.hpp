#pragma once
#include <cstddef>
#include <vector>

#include "transport/CurlHandles.hpp"

namespace mv {

// Easy handles kept between transfers on the network thread. Making and
// freeing one per file cost a batch of small pictures about a twentieth of
// the network thread; a handle that comes back is reset to libcurl's defaults
// and serves the next transfer. Connections, the DNS cache and TLS sessions
// live with the multi handle and the share either way. Network thread only.
class EasyHandlePool {
 public:
  EasyHandlePool() = default;
  ~EasyHandlePool();
  EasyHandlePool(const EasyHandlePool&) = delete;
  EasyHandlePool& operator=(const EasyHandlePool&) = delete;

  // A handle with every option at its default (a kept one, else a new one);
  // nullptr when none can be made.
  [[nodiscard]] CURL* take();
  // Hands back a handle that is in no multi handle. It is reset at once, so
  // nothing it pointed to (headers, buffers, the form) is read again; past
  // the bound it is freed.
  void give(CURL* easy);
  // Frees every kept handle.
  void clear();
  std::size_t idleCount() const { return idle_.size(); }

  // Enough for the connections of a batch and a few messages beside it.
  static constexpr std::size_t kMostIdle = 8;

 private:
  std::vector<CURL*> idle_;
};

}  // namespace mv
