#pragma once
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "transport/CurlHandles.hpp"

namespace mv {

// The one cookie jar of the process, in memory, shared by every request: a
// cookie set by a reply goes back with later requests to the host (and path)
// that set it, as the session cookie of a sign-in must.
class CookieStore {
 public:
  enum class AcceptPolicy { Always, Never };

  static CookieStore& sharedInstance();

  // Always: store every cookie a reply sets and send the matching ones.
  // Never: requests neither store nor send cookies.
  void setCookieAcceptPolicy(AcceptPolicy policy) { policy_.store(policy); }
  AcceptPolicy cookieAcceptPolicy() const { return policy_.load(); }

  // The stored cookies, one line each in the classic cookie-file layout
  // (domain, subdomains flag, path, secure flag, expiry, name, value).
  std::vector<std::string> cookies() const;
  void deleteAllCookies();

  // The shared handle requests attach to (transport internal).
  CURLSH* share() const { return share_; }

  CookieStore(const CookieStore&) = delete;
  CookieStore& operator=(const CookieStore&) = delete;

 private:
  CookieStore();
  ~CookieStore();
  // libcurl's lock callbacks, in the source.
  friend struct CookieStoreLocks;

  CURLSH* share_ = nullptr;
  // libcurl's share locks: transfers on the network thread and cookie reads
  // and writes on the main thread use one jar.
  std::mutex cookieMutex_;
  std::mutex shareMutex_;
  std::mutex dnsMutex_;
  std::atomic<AcceptPolicy> policy_{AcceptPolicy::Always};
};

}  // namespace mv
