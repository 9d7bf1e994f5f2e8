#include <curl/curl.h>
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "transport/EasyHandlePool.hpp"

namespace mv::test {
namespace {

TEST(EasyHandlePoolTest, AHandleGivenBackServesTheNextTakeAndTheBoundFreesTheRest) {
  EasyHandlePool pool;
  CURL* first = pool.take();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(pool.idleCount(), 0u);
  curl_easy_setopt(first, CURLOPT_URL, "http://127.0.0.1:1/");
  pool.give(first);
  EXPECT_EQ(pool.idleCount(), 1u);
  // The same handle again, its options back at their defaults: no URL.
  CURL* again = pool.take();
  EXPECT_EQ(again, first);
  EXPECT_EQ(pool.idleCount(), 0u);
  char* url = nullptr;
  curl_easy_getinfo(again, CURLINFO_EFFECTIVE_URL, &url);
  EXPECT_TRUE(url == nullptr || std::string(url).empty());

  // More handles than the bound come back: the pool keeps the bound only.
  std::vector<CURL*> many{again};
  for (std::size_t i = 0; i < EasyHandlePool::kMostIdle + 3; ++i) many.push_back(pool.take());
  EXPECT_EQ(std::set<CURL*>(many.begin(), many.end()).size(), many.size());
  for (CURL* easy : many) pool.give(easy);
  EXPECT_EQ(pool.idleCount(), EasyHandlePool::kMostIdle);
  pool.give(nullptr);
  EXPECT_EQ(pool.idleCount(), EasyHandlePool::kMostIdle);
  pool.clear();
  EXPECT_EQ(pool.idleCount(), 0u);
}

}  // namespace
}  // namespace mv::test
