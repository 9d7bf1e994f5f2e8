#include "shell/sync-screens/SyncScreenPresenter.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/base/UserDefaults.hpp"
#include "sync/SyncLoginSession.hpp"
#include "sync/SyncModel.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {


// A share as a whole per-cent figure written as every row writes it, the
// sign straight after the number. Rounded down: "100%" is only ever shown
// for work that is whole.
std::string percent(float share) {
  char out[32];
  // The small allowance keeps a share like 0.29 from reading 28.
  const double whole = std::floor(std::clamp(static_cast<double>(share), 0.0, 1.0) * 100.0 + 1e-4);
  std::snprintf(out, sizeof out, "%.0f%%", whole);
  return out;
}

}  // namespace

int SyncScreenPresenter::remainMinutes(int seconds) {
  if (seconds <= 0) return 0;
  return seconds / 60 + (seconds % 60 != 0 ? 1 : 0);
}

std::optional<std::string> SyncScreenPresenter::remainTimeText(int seconds) {
  if (seconds <= 60) return text("TIMEREMAININGLESSAMINUTE");
  const int minutes = remainMinutes(seconds);
  if (minutes > kMaxShownMinutes) return std::nullopt;
  return formatWholeNumber(text("TIMEREMAININGXXMINUTES"), minutes);
}

std::optional<SyncRowUpdate> SyncScreenPresenter::progressUpdate(float progress, int imageType) {
  // A share that is not a number counts as none.
  if (std::isnan(progress)) progress = 0;
  switch (imageType) {
    case SyncModel::kImageTypeProduct:
      if (progress >= 1.0f) return SyncRowUpdate{SyncRow::Products, 1.0f, std::nullopt};
      return SyncRowUpdate{SyncRow::Products, progress, percent(progress)};
    case SyncModel::kImageTypeIcon:
      if (progress >= 1.0f) return SyncRowUpdate{SyncRow::Material, kIconShare, percent(kIconShare)};
      return SyncRowUpdate{SyncRow::Material, progress * kIconShare, percent(progress * kIconShare)};
    case SyncModel::kImageTypeCover: {
      if (progress >= 1.0f) return SyncRowUpdate{SyncRow::Material, 1.0f, std::nullopt};
      const float share = progress * (1.0f - kIconShare) + kIconShare;
      return SyncRowUpdate{SyncRow::Material, share, percent(share)};
    }
    default:
      return std::nullopt;
  }
}

std::string SyncScreenPresenter::rowText(float progress) {
  if (progress >= 1.0f) return text("COMPLETED");
  return percent(progress);
}

std::string SyncScreenPresenter::checkingText(float share) {
  if (std::isnan(share)) share = 0;
  return text("CHECKING") + " " + percent(share);
}

bool SyncScreenPresenter::isCheckingText(const std::string& shown) {
  const std::string checking = text("CHECKING");
  return !checking.empty() && shown.rfind(checking, 0) == 0;
}

std::optional<SyncRowUpdate> SyncScreenPresenter::imagesFinishedUpdate(int imageType) {
  switch (imageType) {
    case SyncModel::kImageTypeProduct:
      return SyncRowUpdate{SyncRow::Products, 1.0f, std::nullopt};
    case SyncModel::kImageTypeIcon:
      return SyncRowUpdate{SyncRow::Material, kIconShare, percent(kIconShare)};
    case SyncModel::kImageTypeCover:
      return SyncRowUpdate{SyncRow::Material, 1.0f, std::nullopt};
    default:
      return std::nullopt;
  }
}

SyncRowFrames SyncScreenPresenter::rowFrames(bool catalogShown, bool libraryShown) {
  SyncRowFrames f;
  f.products = base::Rect{kRowX, kFirstRowY, kRowWidth, kRowHeight};
  const double materialY = catalogShown ? kFirstRowY + kRowPitch : kFirstRowY;
  f.material = base::Rect{kRowX, materialY, kRowWidth, kRowHeight};
  const double customersY = libraryShown ? materialY + kRowPitch : materialY;
  f.customers = base::Rect{kRowX, customersY, kRowWidth, kRowHeight};
  return f;
}

SyncRow SyncScreenPresenter::firstShownRow(bool catalogShown, bool libraryShown, bool customersShown) {
  if (catalogShown) return SyncRow::Products;
  if (libraryShown) return SyncRow::Material;
  if (customersShown) return SyncRow::Customers;
  return SyncRow::Products;
}

SyncScreenPresenter::TapOutcome SyncScreenPresenter::tapOutcome(bool byUser, LoginType loginType, bool notWifi) {
  if (!byUser) return TapOutcome::Start;
  if (loginType == LoginType::Demo) return TapOutcome::DemoAlert;
  if (notWifi) return TapOutcome::CellularAlert;
  return TapOutcome::Start;
}

ScreenAlert SyncScreenPresenter::cellularAlert() {
  return ScreenAlert{kCellularAlertTag, text("NONWIFINETWORKUSING"), text("WIFIALERT"), text("OK"), {text("CANCEL")}};
}

ScreenAlert SyncScreenPresenter::breakAlert(LoginType loginType, const std::string& message) {
  if (loginType == LoginType::None) {
    return ScreenAlert{kRequireLoginAlertTag, text("REQUIRELOGIN"), message + text("STAYOFFLINEORLOGIN"),
                       text("CANCEL"), {text("OK")}};
  }
  const std::string expired = text("101");
  if (!expired.empty() && message == expired) {
    return ScreenAlert{kRequireLoginAlertTag, text("REQUIRELOGIN"), message, text("CANCEL"), {text("LOGOUTSETTINGS")}};
  }
  // A run that could not reach a server says which one in its message.
  return ScreenAlert{kFailedAlertTag, text("UPDATEFAILED"), message, text("OK"), {}};
}

ScreenAlert SyncScreenPresenter::notReceivedAlert(const std::string& message) {
  return ScreenAlert{kFailedAlertTag, {}, message, text("OK"), {}};
}

std::optional<std::string> SyncScreenPresenter::lastSyncText(const std::optional<std::string>& stored,
                                                             const std::string& shortDateFormat) {
  if (!stored) return std::nullopt;
  auto when = PublicFunction::dateFromString(*stored, kLastSyncFormat);
  if (!when) return std::nullopt;
  return PublicFunction::stringFromDate(*when, "HH:mm " + shortDateFormat);
}

std::optional<std::string> SyncScreenPresenter::storedLastSync() {
  const std::string client = Session::current().clientID;
  if (isBlank(client)) return std::nullopt;
  auto value = base::UserDefaults::standard().objectForKey(client + "-" + SyncModel::kLastSync);
  if (!value || !value->is_string()) return std::nullopt;
  return value->get<std::string>();
}

std::string SyncScreenPresenter::formatWholeNumber(const std::string& pattern, long long value) {
  std::string out;
  bool used = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size()) {
      if (pattern[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (pattern[i + 1] == 'd' && !used) {
        out += std::to_string(value);
        used = true;
        ++i;
        continue;
      }
    }
    out += pattern[i];
  }
  return out;
}

}  // namespace mv
