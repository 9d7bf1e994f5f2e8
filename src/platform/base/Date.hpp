#pragma once
#include <optional>
#include <string>

namespace base {

// Dates are seconds since 1970 (UTC) as doubles. `now()` follows the main
// loop's clock, so a virtual clock moves it too.
struct Date {
  static double now();
};

// ICU pattern formatting ("yyyy-MM-dd HH:mm:ss" and the like). Unless asked
// otherwise it uses the fixed POSIX locale and the process's time zone (TZ).
// Parsing is strict and fails cleanly.
class DateFormatter {
 public:
  explicit DateFormatter(const std::string& pattern, const std::string& locale = "en_US_POSIX",
                         const std::string& timeZone = "");
  ~DateFormatter();
  DateFormatter(const DateFormatter&) = delete;
  DateFormatter& operator=(const DateFormatter&) = delete;
  DateFormatter(DateFormatter&&) noexcept;
  DateFormatter& operator=(DateFormatter&&) noexcept;

  std::string format(double secondsSince1970) const;
  std::optional<double> parse(const std::string& text) const;
  bool valid() const { return impl_ != nullptr; }

 private:
  void* impl_ = nullptr;  // UDateFormat*
};

// Calendar facts in the local time zone.
struct CalendarDate {
  int year, month, day, hour, minute, second;
};
CalendarDate calendarDate(double secondsSince1970, const std::string& timeZone = "");
bool isToday(double secondsSince1970, double now);
bool isYesterday(double secondsSince1970, double now);

}  // namespace base
