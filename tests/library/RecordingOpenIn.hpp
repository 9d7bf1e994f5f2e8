#pragma once
// An open-in opener for the viewers' tests: it records every file offered to
// another application ("name" or "name type") and takes it, or refuses it
// once `taker` is false, or (with `refusesLater`) takes it and answers on the
// next turn of the main loop that nothing opened it, as a desktop does.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/RunLoop.hpp"
#include "services/DocumentInteractionController.hpp"

namespace mv::test {

struct RecordingOpenIn {
  bool taker = true;
  bool refusesLater = false;
  std::vector<std::string> offered;
  // Installs it as the process-wide opener; the test removes it in TearDown.
  void install() {
    svc::DocumentInteractionController::setOpener(
        [this](const std::filesystem::path& file, const std::string& type,
               svc::DocumentInteractionController::Refused refused) -> std::optional<std::string> {
          offered.push_back(type.empty() ? file.filename().string() : file.filename().string() + " " + type);
          if (taker && refusesLater && refused) base::RunLoop::main().post(refused);
          return taker ? std::optional<std::string>("recorder") : std::nullopt;
        });
  }
};

}  // namespace mv::test
