#include "transport/EasyHandlePool.hpp"

#include <curl/curl.h>

namespace mv {

EasyHandlePool::~EasyHandlePool() { clear(); }

CURL* EasyHandlePool::take() {
  if (idle_.empty()) return curl_easy_init();
  CURL* easy = idle_.back();
  idle_.pop_back();
  return easy;
}

void EasyHandlePool::give(CURL* easy) {
  if (!easy) return;
  if (idle_.size() >= kMostIdle) {
    curl_easy_cleanup(easy);
    return;
  }
  // A reset neither frees the list of cookie files (set to "" to turn the
  // cookie engine on) nor lets go of the share, and with it the cookie jar:
  // both go first, and the next transfer sets them again only if it takes
  // cookies. The shared cookies themselves stay.
  curl_easy_setopt(easy, CURLOPT_COOKIEFILE, nullptr);
  curl_easy_setopt(easy, CURLOPT_SHARE, nullptr);
  curl_easy_reset(easy);
  idle_.push_back(easy);
}

void EasyHandlePool::clear() {
  for (CURL* easy : idle_) curl_easy_cleanup(easy);
  idle_.clear();
}

}  // namespace mv
