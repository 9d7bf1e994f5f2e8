#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>
#include <utility>
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

// An item that notes the thread it ends on; a moved-from one notes nothing.
struct Noted {
  int index = -1;
  std::vector<std::thread::id>* endedOn = nullptr;
  Noted(int i, std::vector<std::thread::id>* ended) : index(i), endedOn(ended) {}
  Noted(Noted&& other) noexcept : index(std::exchange(other.index, -1)), endedOn(other.endedOn) {}
  Noted& operator=(Noted&& other) noexcept {
    index = std::exchange(other.index, -1);
    endedOn = other.endedOn;
    return *this;
  }
  ~Noted() {
    if (index >= 0) (*endedOn)[static_cast<std::size_t>(index)] = std::this_thread::get_id();
  }
};

TEST(HandOffTest, TakenItemsEndOnTheThreadThatMadeThem) {
  constexpr int kItems = 10;
  std::vector<std::thread::id> endedOn(kItems);
  std::thread::id producer;
  int taken = 0;
  base::produceBeside<Noted>(
      1,
      [&](const std::function<bool(Noted&&)>& hand) {
        producer = std::this_thread::get_id();
        for (int i = 0; i < kItems; ++i) ASSERT_TRUE(hand(Noted(i, &endedOn)));
      },
      [&](Noted& item) {
        EXPECT_EQ(item.index, taken++);
        return true;
      });
  EXPECT_EQ(taken, kItems);
  // An item goes back once taken and ends at the producer's next hand; room
  // for the last hand came only after the one before it was given back, so
  // only the last two can still end here.
  for (int i = 0; i < kItems - 2; ++i) EXPECT_EQ(endedOn[static_cast<std::size_t>(i)], producer) << i;
  for (int i = kItems - 2; i < kItems; ++i) EXPECT_NE(endedOn[static_cast<std::size_t>(i)], std::thread::id()) << i;
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
