#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/base/HandOff.hpp"

namespace {

using Hand = std::function<bool(int&&)>;

TEST(HandOffTest, EveryItemIsTakenOnTheCallingThreadInTheOrderHanded) {
  const std::thread::id caller = std::this_thread::get_id();
  std::thread::id producer;
  std::vector<int> taken;
  std::atomic<int> handed{0};
  int mostAhead = 0;
  base::produceBeside<int>(
      2,
      [&](const Hand& hand) {
        producer = std::this_thread::get_id();
        for (int i = 0; i < 100; ++i) {
          ++handed;
          ASSERT_TRUE(hand(int(i)));
        }
      },
      [&](int& item) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        // The one taken, the two queued and the one the producer holds
        // while it waits for room.
        mostAhead = std::max(mostAhead, handed.load() - static_cast<int>(taken.size()));
        taken.push_back(item);
        return true;
      });
  EXPECT_NE(producer, caller);
  ASSERT_EQ(taken.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(taken[i], i);
  EXPECT_LE(mostAhead, 4);
}

TEST(HandOffTest, AnEmptyProductionEndsAtOnce) {
  int takes = 0;
  base::produceBeside<int>(1, [](const Hand&) {}, [&](int&) {
    ++takes;
    return true;
  });
  EXPECT_EQ(takes, 0);
}

TEST(HandOffTest, ARefusalStopsTheTakingAndTellsTheProducer) {
  std::vector<int> taken;
  std::vector<bool> answers;
  base::produceBeside<int>(
      1,
      [&](const Hand& hand) {
        // The producer reads on to its end, as a reply is read whole.
        for (int i = 0; i < 50; ++i) answers.push_back(hand(int(i)));
      },
      [&](int& item) {
        taken.push_back(item);
        return item < 2;
      });
  EXPECT_EQ(taken, (std::vector<int>{0, 1, 2}));
  ASSERT_EQ(answers.size(), 50u);
  EXPECT_TRUE(answers[0]);
  // After the refusal every hand is refused; the few queued before it may
  // have been accepted, but none of them was taken.
  EXPECT_FALSE(answers.back());
  for (std::size_t i = 1; i < answers.size(); ++i) EXPECT_TRUE(answers[i - 1] || !answers[i]) << i;
}

TEST(HandOffTest, AFailureOfEitherSideComesOutAfterTheOtherHasEnded) {
  // The producer throws: what it handed before is taken, then the failure.
  std::vector<int> taken;
  EXPECT_THROW(base::produceBeside<int>(
                   1,
                   [](const Hand& hand) {
                     for (int i = 0; i < 3; ++i) {
                       if (!hand(int(i))) return;
                     }
                     throw std::runtime_error("broken text");
                   },
                   [&](int& item) {
                     taken.push_back(item);
                     return true;
                   }),
               std::runtime_error);
  EXPECT_EQ(taken, (std::vector<int>{0, 1, 2}));

  // The taker throws while the producer waits for room: the producer is let
  // go (its hands refused) and joined before the failure comes out.
  std::atomic<bool> producerEnded{false};
  std::vector<bool> answers;
  EXPECT_THROW(base::produceBeside<int>(
                   1,
                   [&](const Hand& hand) {
                     for (int i = 0; i < 20; ++i) answers.push_back(hand(int(i)));
                     producerEnded = true;
                   },
                   [](int&) -> bool { throw std::logic_error("store failed"); }),
               std::logic_error);
  EXPECT_TRUE(producerEnded);
  ASSERT_EQ(answers.size(), 20u);
  EXPECT_FALSE(answers.back());
}

}  // namespace
