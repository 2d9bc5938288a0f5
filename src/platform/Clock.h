#pragma once
// The program's one clock: today, now and the system's date separator. Tests set them.
#include <QChar>
#include <QDate>
#include <QDateTime>

namespace platform::clock {

QDate today();
QDateTime now();
// The separator of the system's short date format ('/' when the locale names none).
QChar dateSeparator();

// Tests: fix the clock. setNow also fixes today; setToday keeps the time of day running.
void setNow(const QDateTime &now);
void setToday(const QDate &today);
void setDateSeparator(QChar separator);
// Back to the system clock and the locale's separator.
void reset();
// Whether a test has fixed now (setNow); timers then run on the fixed clock (Timer.h).
bool isFixed();

// Date-time values as days since 30 December 1899 with the time as the fraction, the form
// in which durations and moments are kept in the program's fields.
double toDays(const QDateTime &moment);
QDateTime fromDays(double days);

} // namespace platform::clock
