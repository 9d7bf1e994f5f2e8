#include "util/DateHelpers.hpp"

#include "platform/base/Date.hpp"

namespace mv {

bool isToday(double secondsSince1970) { return base::isToday(secondsSince1970, base::Date::now()); }
bool isYesterday(double secondsSince1970) { return base::isYesterday(secondsSince1970, base::Date::now()); }
int hour(double secondsSince1970) { return base::calendarDate(secondsSince1970).hour; }
int minute(double secondsSince1970) { return base::calendarDate(secondsSince1970).minute; }

}  // namespace mv
