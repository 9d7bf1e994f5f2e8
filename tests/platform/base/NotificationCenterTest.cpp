#include <gtest/gtest.h>

#include "TestEnvironment.hpp"
#include "platform/base/NotificationCenter.hpp"

TEST(NotificationCenterTest, ObserverRemovedDuringPostIsNotCalledAndSendersFilter) {
  base::NotificationCenter center;
  int first = 0, second = 0, fromA = 0;
  int senderA = 0, senderB = 0;
  base::NotificationCenter::ObserverId secondId = 0;
  auto firstId = center.addObserver("n", nullptr, [&](const base::Notification&) {
    ++first;
    center.removeObserver(secondId);  // removes the one that would run next
  });
  secondId = center.addObserver("n", nullptr, [&](const base::Notification&) { ++second; });
  center.addObserver("n", &senderA, [&](const base::Notification& n) {
    EXPECT_EQ(n.sender, &senderA);
    EXPECT_EQ(n.userInfo["k"], 1);
    ++fromA;
  });
  center.post("n", &senderB);
  center.post("n", &senderA, base::Value{{"k", 1}});
  center.post("other");
  EXPECT_EQ(first, 2);
  EXPECT_EQ(second, 0);
  EXPECT_EQ(fromA, 1);
  center.removeObserver(firstId);
  EXPECT_EQ(center.observerCount("n"), 1u);
}

TEST(NotificationCenterTest, ObservationEndsWithItsOwner) {
  base::NotificationCenter center;
  int calls = 0;
  {
    base::Observation obs("n", nullptr, [&](const base::Notification&) { ++calls; }, center);
    center.post("n");
    base::Observation moved = std::move(obs);
    center.post("n");
    EXPECT_FALSE(obs.active());
  }
  center.post("n");
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(center.observerCount("n"), 0u);
}
