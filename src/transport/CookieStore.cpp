#include "transport/CookieStore.hpp"

#include <curl/curl.h>

namespace mv {

namespace {
// libcurl's global set-up is not thread safe; do it once, before any handle.
struct CurlGlobal {
  CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};
}  // namespace

struct CookieStoreLocks {
  static std::mutex& mutexFor(CookieStore& store, curl_lock_data data) {
    switch (data) {
      case CURL_LOCK_DATA_COOKIE: return store.cookieMutex_;
      case CURL_LOCK_DATA_DNS: return store.dnsMutex_;
      default: return store.shareMutex_;
    }
  }
  static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    mutexFor(*static_cast<CookieStore*>(user), data).lock();
  }
  static void unlock(CURL*, curl_lock_data data, void* user) {
    mutexFor(*static_cast<CookieStore*>(user), data).unlock();
  }
};

CookieStore& CookieStore::sharedInstance() {
  static CookieStore store;
  return store;
}

CookieStore::CookieStore() {
  static CurlGlobal global;
  share_ = curl_share_init();
  if (share_) {
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &CookieStoreLocks::lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &CookieStoreLocks::unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  }
}

CookieStore::~CookieStore() {
  if (share_) curl_share_cleanup(share_);
}

std::vector<std::string> CookieStore::cookies() const {
  std::vector<std::string> out;
  if (!share_) return out;
  // The jar is read through a handle attached to the share.
  CURL* easy = curl_easy_init();
  if (!easy) return out;
  curl_easy_setopt(easy, CURLOPT_SHARE, share_);
  curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
  struct curl_slist* list = nullptr;
  if (curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &list) == CURLE_OK) {
    for (auto* item = list; item; item = item->next) out.emplace_back(item->data);
  }
  curl_slist_free_all(list);
  curl_easy_cleanup(easy);
  return out;
}

void CookieStore::deleteAllCookies() {
  if (!share_) return;
  CURL* easy = curl_easy_init();
  if (!easy) return;
  curl_easy_setopt(easy, CURLOPT_SHARE, share_);
  curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
  curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
  curl_easy_cleanup(easy);
}

}  // namespace mv
