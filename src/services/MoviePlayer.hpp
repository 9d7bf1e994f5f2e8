#pragma once
// Plays a local movie file with GStreamer: a `playbin` decodes it and its
// frames, converted to RGBA, are shown in the player's view, scaled to fit.
// Repeat one starts the movie again when it ends. A file that cannot be
// played (missing, not a movie, no decoder for it) reports its error once.
// The pipeline runs on GStreamer's own threads; everything the owner hears
// and every frame shown arrives on the main run loop. Main thread only.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/gfx/ImageData.hpp"
#include "platform/ui/ImageView.hpp"

namespace svc {

class MoviePlayer : public std::enable_shared_from_this<MoviePlayer> {
 public:
  enum class RepeatMode { None, One };
  enum class State { Stopped, Playing, Paused, Failed };

  // How the pipeline is built. Tests play without a clock (as fast as the
  // frames decode) and without sound.
  struct Options {
    bool synchronised = true;
    bool sound = true;
  };

  static std::shared_ptr<MoviePlayer> create(std::filesystem::path file, Options options);
  static std::shared_ptr<MoviePlayer> create(std::filesystem::path file) { return create(std::move(file), Options{}); }
  ~MoviePlayer();
  MoviePlayer(const MoviePlayer&) = delete;
  MoviePlayer& operator=(const MoviePlayer&) = delete;

  // The view the frames are drawn in; the owner places it.
  const std::shared_ptr<ui::ImageView>& view() const { return view_; }
  void play();
  void pause();
  // Stops at once and lets go of the file; `play` starts from the beginning.
  void stop();

  RepeatMode repeatMode() const { return repeatMode_; }
  void setRepeatMode(RepeatMode mode) { repeatMode_ = mode; }
  State state() const { return state_; }
  const std::string& error() const { return error_; }
  // How often the movie started again under repeat one.
  int restarts() const { return restarts_; }
  // Frames shown so far, and the size of the last one.
  long framesShown() const { return framesShown_; }
  std::optional<std::pair<int, int>> frameSize() const { return frameSize_; }

  // The movie could not be played (told once).
  std::function<void(const std::string& error)> onError;
  // The movie ended without repeat.
  std::function<void()> onFinished;

  // What GStreamer's threads reach (the implementation's own).
  struct Mailbox;

 private:
  struct Pipeline;
  MoviePlayer(std::filesystem::path file, Options options);
  bool build();
  void teardown();
  // On the main loop.
  void showFrame(gfx::ImageData frame);
  void handle(int kind, const std::string& text);
  void fail(const std::string& text);

  std::filesystem::path file_;
  Options options_;
  std::shared_ptr<ui::ImageView> view_;
  std::unique_ptr<Pipeline> pipeline_;
  RepeatMode repeatMode_ = RepeatMode::None;
  State state_ = State::Stopped;
  std::string error_;
  int restarts_ = 0;
  long framesShown_ = 0;
  std::optional<std::pair<int, int>> frameSize_;
  // What GStreamer's threads hand over; they never hold the player itself.
  std::shared_ptr<Mailbox> mailbox_;
};

}  // namespace svc
