// The movie player on clips the tests make with GStreamer itself: frames
// reach the player's view on the main loop, the end is heard, repeat one
// starts the clip again, stop lets go at once, and a file that is no movie
// reports its error once.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <fstream>

#include "TestEnvironment.hpp"
#include "services/MoviePlayer.hpp"

namespace fs = std::filesystem;
using namespace svc;

namespace {

class MoviePlayerTest : public mv::test::TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    // GStreamer's clock runs in real time.
    useRealClock();
  }

  // A clip of `frames` frames of 160 x 120 at 30 per second, JPEG in AVI.
  fs::path makeClip(int frames) {
    gst_init(nullptr, nullptr);
    const fs::path clip = root / "clip.avi";
    const std::string description = "videotestsrc num-buffers=" + std::to_string(frames) +
                                    " ! video/x-raw,width=160,height=120,framerate=30/1 ! jpegenc ! avimux ! "
                                    "filesink location=" +
                                    clip.string();
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    EXPECT_TRUE(pipeline) << (error ? error->message : "");
    if (error) g_error_free(error);
    if (!pipeline) return clip;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(bus, 20 * GST_SECOND,
                                                 static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    EXPECT_TRUE(end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS);
    if (end) gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return clip;
  }

  static constexpr MoviePlayer::Options kQuick{false, false};
};

TEST_F(MoviePlayerTest, PlaysAClipToItsEndWithFramesInTheView) {
  const auto clip = makeClip(10);
  auto player = MoviePlayer::create(clip, kQuick);
  int finished = 0;
  player->onFinished = [&] { ++finished; };
  player->onError = [](const std::string& e) { ADD_FAILURE() << e; };
  player->play();
  EXPECT_EQ(player->state(), MoviePlayer::State::Playing);
  ASSERT_TRUE(runUntil([&] { return finished == 1; }, 20));
  EXPECT_GT(player->framesShown(), 0);
  EXPECT_EQ(player->frameSize(), std::make_pair(160, 120));
  ASSERT_TRUE(player->view()->image());
  EXPECT_EQ(player->state(), MoviePlayer::State::Stopped);
  EXPECT_EQ(player->restarts(), 0);
}

TEST_F(MoviePlayerTest, RepeatOneStartsAgainUntilStopped) {
  const auto clip = makeClip(6);
  auto player = MoviePlayer::create(clip, kQuick);
  int finished = 0;
  player->onFinished = [&] { ++finished; };
  EXPECT_EQ(player->repeatMode(), MoviePlayer::RepeatMode::None);
  player->setRepeatMode(MoviePlayer::RepeatMode::One);
  player->play();
  ASSERT_TRUE(runUntil([&] { return player->restarts() >= 2; }, 20));
  EXPECT_EQ(finished, 0);
  player->stop();
  EXPECT_EQ(player->state(), MoviePlayer::State::Stopped);
  const long shown = player->framesShown();
  runUntil([] { return false; }, 0.3);
  EXPECT_EQ(player->framesShown(), shown) << "nothing arrives after stop";
  // Played again from the start after a stop.
  player->setRepeatMode(MoviePlayer::RepeatMode::None);
  player->play();
  ASSERT_TRUE(runUntil([&] { return finished == 1; }, 20));
}

TEST_F(MoviePlayerTest, AFileThatIsNoMovieFailsOnce) {
  const fs::path broken = root / "broken.mp4";
  std::ofstream(broken, std::ios::binary) << "this is not a movie at all, only some text";
  for (const fs::path& file : {broken, root / "missing.mov"}) {
    auto player = MoviePlayer::create(file, kQuick);
    std::vector<std::string> errors;
    player->onError = [&](const std::string& e) { errors.push_back(e); };
    player->play();
    ASSERT_TRUE(runUntil([&] { return !errors.empty(); }, 20)) << file;
    runUntil([] { return false; }, 0.2);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(player->state(), MoviePlayer::State::Failed);
    player->play();
    EXPECT_EQ(player->state(), MoviePlayer::State::Failed);
    EXPECT_EQ(errors.size(), 1u);
  }
}

}  // namespace
