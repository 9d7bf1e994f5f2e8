#include "platform/base/Date.hpp"

#include <unicode/ucal.h>
#include <unicode/udat.h>
#include <unicode/ustring.h>

#include <vector>

#include "platform/base/RunLoop.hpp"

namespace base {
namespace {

std::u16string toU16(const std::string& s) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = 0;
  u_strFromUTF8(nullptr, 0, &len, s.data(), static_cast<int32_t>(s.size()), &status);
  std::u16string out(static_cast<std::size_t>(len), u'\0');
  status = U_ZERO_ERROR;
  u_strFromUTF8(reinterpret_cast<UChar*>(out.data()), len, nullptr, s.data(), static_cast<int32_t>(s.size()),
                &status);
  if (U_FAILURE(status)) return {};
  return out;
}

std::string toU8(const UChar* s, int32_t n) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = 0;
  u_strToUTF8(nullptr, 0, &len, s, n, &status);
  std::string out(static_cast<std::size_t>(len), '\0');
  status = U_ZERO_ERROR;
  u_strToUTF8(out.data(), len, nullptr, s, n, &status);
  if (U_FAILURE(status)) return {};
  return out;
}

UDateFormat* fmt(void* p) { return static_cast<UDateFormat*>(p); }

}  // namespace

double Date::now() { return RunLoop::main().clock().wallNow(); }

DateFormatter::DateFormatter(const std::string& pattern, const std::string& locale, const std::string& timeZone) {
  std::u16string pat = toU16(pattern);
  std::u16string tz = toU16(timeZone);
  UErrorCode status = U_ZERO_ERROR;
  UDateFormat* f = udat_open(UDAT_PATTERN, UDAT_PATTERN, locale.c_str(),
                             timeZone.empty() ? nullptr : reinterpret_cast<const UChar*>(tz.data()),
                             timeZone.empty() ? -1 : static_cast<int32_t>(tz.size()),
                             reinterpret_cast<const UChar*>(pat.data()), static_cast<int32_t>(pat.size()), &status);
  if (U_FAILURE(status)) {
    if (f) udat_close(f);
    return;
  }
  udat_setLenient(f, false);
  impl_ = f;
}

DateFormatter::~DateFormatter() {
  if (impl_) udat_close(fmt(impl_));
}

DateFormatter::DateFormatter(DateFormatter&& o) noexcept : impl_(o.impl_) { o.impl_ = nullptr; }

DateFormatter& DateFormatter::operator=(DateFormatter&& o) noexcept {
  if (this != &o) {
    if (impl_) udat_close(fmt(impl_));
    impl_ = o.impl_;
    o.impl_ = nullptr;
  }
  return *this;
}

std::string DateFormatter::format(double secondsSince1970) const {
  if (!impl_) return {};
  UErrorCode status = U_ZERO_ERROR;
  UChar buf[256];
  int32_t n = udat_format(fmt(impl_), secondsSince1970 * 1000.0, buf, 256, nullptr, &status);
  if (U_FAILURE(status) || n > 256) return {};
  return toU8(buf, n);
}

std::optional<double> DateFormatter::parse(const std::string& text) const {
  if (!impl_ || text.empty()) return std::nullopt;
  std::u16string t = toU16(text);
  if (t.empty()) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  int32_t pos = 0;
  UDate d = udat_parse(fmt(impl_), reinterpret_cast<const UChar*>(t.data()), static_cast<int32_t>(t.size()), &pos,
                       &status);
  // The whole text must be the date: "12/31/2026 10:00:00 junk" is not one.
  if (U_FAILURE(status) || pos != static_cast<int32_t>(t.size())) return std::nullopt;
  return d / 1000.0;
}

CalendarDate calendarDate(double secondsSince1970, const std::string& timeZone) {
  std::u16string tz = toU16(timeZone);
  UErrorCode status = U_ZERO_ERROR;
  UCalendar* cal = ucal_open(timeZone.empty() ? nullptr : reinterpret_cast<const UChar*>(tz.data()),
                             timeZone.empty() ? -1 : static_cast<int32_t>(tz.size()), "en_US_POSIX",
                             UCAL_GREGORIAN, &status);
  CalendarDate c{};
  if (U_FAILURE(status)) return c;
  ucal_setMillis(cal, secondsSince1970 * 1000.0, &status);
  c.year = ucal_get(cal, UCAL_YEAR, &status);
  c.month = ucal_get(cal, UCAL_MONTH, &status) + 1;
  c.day = ucal_get(cal, UCAL_DATE, &status);
  c.hour = ucal_get(cal, UCAL_HOUR_OF_DAY, &status);
  c.minute = ucal_get(cal, UCAL_MINUTE, &status);
  c.second = ucal_get(cal, UCAL_SECOND, &status);
  ucal_close(cal);
  return c;
}

namespace {
bool sameDay(const CalendarDate& a, const CalendarDate& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}
}  // namespace

bool isToday(double secondsSince1970, double now) {
  return sameDay(calendarDate(secondsSince1970), calendarDate(now));
}

bool isYesterday(double secondsSince1970, double now) {
  // Step back from noon of today so days of 23 or 25 hours still land on yesterday.
  CalendarDate t = calendarDate(now);
  double noon = now + (12 - t.hour) * 3600.0 - t.minute * 60.0 - t.second;
  return sameDay(calendarDate(secondsSince1970), calendarDate(noon - 86400.0));
}

}  // namespace base
