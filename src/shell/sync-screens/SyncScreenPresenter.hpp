#pragma once
// What the Sync tab shows, decided apart from its views: the time-left text,
// what each progress report does to the rows, where the rows stand for the
// modules shown, what a tap on the sync button leads to, the alerts of a
// broken run, and the last-sync text. Texts come from the interface's string
// table (`textForKey`).
#include <optional>
#include <string>

#include "platform/base/Geometry.hpp"
#include "shell/frame/ScreenAlert.hpp"
#include "util/Session.hpp"

namespace mv {

enum class SyncRow { Products, Material, Customers };

// A row's bar and, when given, its text (a whole bar reads "COMPLETED" by
// itself).
struct SyncRowUpdate {
  SyncRow row = SyncRow::Products;
  float progress = 0;
  std::optional<std::string> text;
  bool operator==(const SyncRowUpdate&) const = default;
};

struct SyncRowFrames {
  base::Rect products;
  base::Rect material;
  base::Rect customers;
};

class SyncScreenPresenter {
 public:
  static constexpr long kFailedAlertTag = 255;
  static constexpr long kRequireLoginAlertTag = 256;
  static constexpr long kCellularAlertTag = 1001;
  // Above this many minutes an estimate is not worth showing.
  static constexpr int kMaxShownMinutes = 1000;
  static constexpr double kRowX = 20;
  static constexpr double kRowWidth = 900;
  static constexpr double kRowHeight = 45;
  static constexpr double kFirstRowY = 70;
  static constexpr double kRowPitch = 65;
  // The share of the sales-material bar the icons fill; the covers fill the rest.
  static constexpr float kIconShare = 0.2f;

  enum class TapOutcome { DemoAlert, CellularAlert, Start };

  // Whole minutes, rounded up.
  static int remainMinutes(int seconds);
  // The time-left label's text; nothing when the label keeps what it shows.
  static std::optional<std::string> remainTimeText(int seconds);

  // What a progress report of an image kind (1 product images, 3 icons,
  // 4 library covers) does; nothing for any other kind.
  static std::optional<SyncRowUpdate> progressUpdate(float progress, int imageType);
  // The text of a row whose bar stands at `progress`, when nothing more
  // telling is known (a run ended while the row still said it was checking).
  static std::string rowText(float progress);
  // "Checking..." with the share of the changed files removed ("Checking...
  // 45%"), and whether a row's text is one of those or "Checking..." alone.
  static std::string checkingText(float share);
  static bool isCheckingText(const std::string& shown);
  // The same when the kind had nothing to fetch.
  static std::optional<SyncRowUpdate> imagesFinishedUpdate(int imageType);

  // The rows for the modules shown: products first, the sales material below
  // them when the catalogue is shown, the customers below the sales material
  // when the library is shown.
  static SyncRowFrames rowFrames(bool catalogShown, bool libraryShown);
  // The row that says a run is being checked: the first one shown.
  static SyncRow firstShownRow(bool catalogShown, bool libraryShown, bool customersShown);

  // A tap by the user is stopped in the demo account and on a cellular
  // network (the demo account meets `DemoLimitAlert`); a run the engine
  // asks for starts straight away.
  static TapOutcome tapOutcome(bool byUser, LoginType loginType, bool notWifi);
  static ScreenAlert cellularAlert();
  // The alert of a run that broke with `message`.
  static ScreenAlert breakAlert(LoginType loginType, const std::string& message);
  // The note after a finished run of the files it did not keep.
  static ScreenAlert notReceivedAlert(const std::string& message);

  // The stored "lastsync" ("HH:mm MM/dd/yy") as "HH:mm <short date>";
  // nothing when absent or unreadable.
  static std::optional<std::string> lastSyncText(const std::optional<std::string>& stored,
                                                 const std::string& shortDateFormat);
  // The signed-in client's "lastsync", when it is a text.
  static std::optional<std::string> storedLastSync();

  // A table text with one whole-number argument: its first "%d" takes the
  // value and "%%" stands for "%"; nothing else in it is a pattern.
  static std::string formatWholeNumber(const std::string& pattern, long long value);
};

}  // namespace mv
