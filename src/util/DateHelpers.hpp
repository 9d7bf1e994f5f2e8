#pragma once
// Calendar questions about a date (seconds since 1970) in the local time zone,
// measured against the main loop's clock.
namespace mv {

bool isToday(double secondsSince1970);
bool isYesterday(double secondsSince1970);
int hour(double secondsSince1970);
int minute(double secondsSince1970);

}  // namespace mv
