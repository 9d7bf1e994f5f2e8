#include "services/MoviePlayer.hpp"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstring>
#include <mutex>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/Image.hpp"

namespace svc {
namespace {

enum MessageKind { kEndOfStream = 1, kError = 2 };

// Frames larger than this are not copied (a hostile file could claim any size).
constexpr int kMaxFrameSide = 4096;

void ensureInitialised() {
  static std::once_flag once;
  std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

}  // namespace

struct MoviePlayer::Pipeline {
  GstElement* playbin = nullptr;
  GstBus* bus = nullptr;
  ~Pipeline() {
    if (playbin) {
      gst_element_set_state(playbin, GST_STATE_NULL);
      if (bus) {
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
      }
      gst_object_unref(playbin);
    }
  }
};

// Between GStreamer's threads and the main loop: the newest frame waits here
// (a slow main loop skips frames rather than queueing them), and messages
// are posted on. Only the main loop touches the player, through the weak
// pointer.
struct MoviePlayer::Mailbox {
  std::weak_ptr<MoviePlayer> player;
  std::mutex mutex;
  std::optional<gfx::ImageData> frame;
  bool framePosted = false;

  void frameArrived(gfx::ImageData image, const std::shared_ptr<Mailbox>& self) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      frame = std::move(image);
      if (framePosted) return;
      framePosted = true;
    }
    base::RunLoop::main().post([self] {
      std::optional<gfx::ImageData> newest;
      {
        std::lock_guard<std::mutex> lock(self->mutex);
        self->framePosted = false;
        newest = std::move(self->frame);
        self->frame.reset();
      }
      auto player = self->player.lock();
      if (player && newest) player->showFrame(std::move(*newest));
    });
  }
  void message(int kind, std::string text, const std::shared_ptr<Mailbox>& self) {
    base::RunLoop::main().post([self, kind, text = std::move(text)] {
      if (auto player = self->player.lock()) player->handle(kind, text);
    });
  }
};

namespace {

// The pointer GStreamer keeps for its callbacks.
using MailboxRef = std::shared_ptr<MoviePlayer::Mailbox>;

}  // namespace

std::shared_ptr<MoviePlayer> MoviePlayer::create(std::filesystem::path file, Options options) {
  return std::shared_ptr<MoviePlayer>(new MoviePlayer(std::move(file), options));
}

MoviePlayer::MoviePlayer(std::filesystem::path file, Options options)
    : file_(std::move(file)), options_(options), view_(std::make_shared<ui::ImageView>()) {
  view_->setContentMode(ui::ContentMode::ScaleAspectFit);
  view_->setClipsToBounds(true);
}

MoviePlayer::~MoviePlayer() { teardown(); }

bool MoviePlayer::build() {
  ensureInitialised();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file_, ec)) {
    fail("no such file");
    return false;
  }
  auto pipeline = std::make_unique<Pipeline>();
  pipeline->playbin = gst_element_factory_make("playbin", nullptr);
  GstElement* sink = gst_element_factory_make("appsink", nullptr);
  if (!pipeline->playbin || !sink) {
    if (sink) gst_object_unref(sink);
    fail("the movie player is not installed");
    return false;
  }
  gst_object_ref_sink(pipeline->playbin);
  GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGBA", nullptr);
  g_object_set(sink, "caps", caps, "sync", options_.synchronised ? TRUE : FALSE, "max-buffers", 2, "drop", TRUE,
               nullptr);
  gst_caps_unref(caps);
  mailbox_ = std::make_shared<Mailbox>();
  mailbox_->player = weak_from_this();
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = [](GstAppSink* appsink, gpointer data) -> GstFlowReturn {
    GstSample* sample = gst_app_sink_pull_sample(appsink);
    if (!sample) return GST_FLOW_OK;
    GstVideoInfo info;
    GstCaps* sampleCaps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (sampleCaps && buffer && gst_video_info_from_caps(&info, sampleCaps) && info.width > 0 && info.height > 0 &&
        info.width <= kMaxFrameSide && info.height <= kMaxFrameSide && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
      gfx::ImageData frame(info.width, info.height);
      const std::size_t row = static_cast<std::size_t>(info.width) * 4;
      const std::size_t stride = static_cast<std::size_t>(GST_VIDEO_INFO_PLANE_STRIDE(&info, 0));
      if (!frame.empty() && stride >= row && map.size >= stride * static_cast<std::size_t>(info.height - 1) + row) {
        for (int y = 0; y < info.height; ++y) {
          std::memcpy(frame.pixel(0, y), map.data + stride * static_cast<std::size_t>(y), row);
        }
        const auto& box = *static_cast<MailboxRef*>(data);
        box->frameArrived(std::move(frame), box);
      }
      gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
  };
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, new MailboxRef(mailbox_),
                             [](gpointer data) { delete static_cast<MailboxRef*>(data); });
  g_object_set(pipeline->playbin, "video-sink", sink, nullptr);
  if (!options_.sound) {
    if (GstElement* quiet = gst_element_factory_make("fakesink", nullptr)) {
      g_object_set(pipeline->playbin, "audio-sink", quiet, nullptr);
    }
  }
  gchar* uri = gst_filename_to_uri(file_.c_str(), nullptr);
  if (!uri) {
    fail("not a file name");
    return false;
  }
  g_object_set(pipeline->playbin, "uri", uri, nullptr);
  g_free(uri);
  pipeline->bus = gst_element_get_bus(pipeline->playbin);
  gst_bus_set_sync_handler(
      pipeline->bus,
      [](GstBus*, GstMessage* message, gpointer data) -> GstBusSyncReply {
        int kind = 0;
        std::string text;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
          kind = kEndOfStream;
        } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
          GError* error = nullptr;
          gst_message_parse_error(message, &error, nullptr);
          kind = kError;
          text = error && error->message ? error->message : "cannot play the movie";
          if (error) g_error_free(error);
        }
        if (kind != 0) {
          const auto& box = *static_cast<MailboxRef*>(data);
          box->message(kind, std::move(text), box);
        }
        gst_message_unref(message);
        return GST_BUS_DROP;
      },
      new MailboxRef(mailbox_), [](gpointer data) { delete static_cast<MailboxRef*>(data); });
  pipeline_ = std::move(pipeline);
  return true;
}

void MoviePlayer::teardown() {
  // Setting the pipeline to NULL joins its threads; what they posted finds
  // no mailbox to reach the player through.
  pipeline_.reset();
  if (mailbox_) mailbox_->player.reset();
  mailbox_.reset();
}

void MoviePlayer::play() {
  MV_ASSERT_MAIN_THREAD();
  if (state_ == State::Failed) return;
  if (!pipeline_ && !build()) return;
  if (gst_element_set_state(pipeline_->playbin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    fail("cannot play the movie");
    return;
  }
  state_ = State::Playing;
}

void MoviePlayer::pause() {
  MV_ASSERT_MAIN_THREAD();
  if (!pipeline_ || state_ != State::Playing) return;
  gst_element_set_state(pipeline_->playbin, GST_STATE_PAUSED);
  state_ = State::Paused;
}

void MoviePlayer::stop() {
  MV_ASSERT_MAIN_THREAD();
  teardown();
  if (state_ != State::Failed) state_ = State::Stopped;
}

void MoviePlayer::showFrame(gfx::ImageData frame) {
  if (!pipeline_) return;
  frameSize_ = std::make_pair(frame.width, frame.height);
  ++framesShown_;
  view_->setImage(gfx::Image::fromImageData(frame));
}

void MoviePlayer::handle(int kind, const std::string& text) {
  if (!pipeline_) return;
  if (kind == kError) {
    fail(text);
    return;
  }
  if (repeatMode_ == RepeatMode::One) {
    ++restarts_;
    if (!gst_element_seek_simple(pipeline_->playbin, GST_FORMAT_TIME,
                                 static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0)) {
      // A stream that cannot seek is started afresh.
      gst_element_set_state(pipeline_->playbin, GST_STATE_READY);
      gst_element_set_state(pipeline_->playbin, GST_STATE_PLAYING);
    }
    return;
  }
  gst_element_set_state(pipeline_->playbin, GST_STATE_PAUSED);
  state_ = State::Stopped;
  if (onFinished) onFinished();
}

void MoviePlayer::fail(const std::string& text) {
  MV_LOG("movie player: ", file_.string(), ": ", text);
  teardown();
  const bool first = state_ != State::Failed;
  state_ = State::Failed;
  error_ = text;
  if (first && onError) onError(text);
}

}  // namespace svc
