#pragma once
// The viewers library files open in (video, PDF reader, book reader, Office
// viewer), installed by each viewer when the application starts, and the one
// way every screen carries out a `LibraryOpenDecision`: the viewer pushed on
// the screen's navigation stack, the file handed to another application, or
// the "FILEOPENFAILED" alert (tag 1001) with the reason.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "library/LibraryFileOpener.hpp"
#include "platform/base/Error.hpp"
#include "platform/ui/NavigationController.hpp"

namespace mv {

class DataAccessManager;

class LibraryViewers {
 public:
  // Makes the viewer of a file, or nothing when the file cannot be shown
  // (a PDF the reader cannot read).
  using Maker = std::function<std::shared_ptr<ui::ViewController>(const std::filesystem::path& path,
                                                                   const std::string& title)>;
  // The message when no viewer of that kind is installed.
  static constexpr const char* kNoViewerKey = "NOVIEWERFORFILE";

  // An empty maker removes the viewer.
  static void install(LibraryOpenAction action, Maker maker);
  static bool has(LibraryOpenAction action);

  // Pushes the decided viewer, animated, or offers the file to another
  // application; false (and the alert shown) when no viewer could be made
  // or no application takes the file.
  static bool open(const LibraryOpenDecision& decision, const std::string& title, ui::NavigationController* nav);
  // Opens a library file of the signed-in client by its name and stored
  // type word (the grid and a product's related materials both open files
  // this way), titled with the file's title in `store`; the alert when it
  // cannot be.
  static bool openFile(DataAccessManager& store, const std::string& fileName, const std::string& typeText,
                       ui::NavigationController* nav);
  // The application's navigation stack `screen` is shown in, where viewers
  // are pushed over the tab bar.
  static ui::NavigationController* navigationFor(ui::ViewController& screen);
  // The "FILEOPENFAILED" alert (tag 1001) with the message of `messageKey`:
  // what a viewer shows when the file it was given turns out unreadable.
  static void showFailure(const std::string& messageKey);
  // An alert with its title, message and "OK", the viewers' way of telling
  // what became of an action; nothing when the same alert is up already (a
  // second tap before the answer says nothing new).
  static void showNotice(const std::string& titleKey, const std::string& messageKey);
};

}  // namespace mv
