#include "platform/Clock.h"

#include <QLocale>
#include <cmath>
#include <optional>

namespace platform::clock {

namespace {
std::optional<QDateTime> fixedNow;
std::optional<QDate> fixedToday;
std::optional<QChar> fixedSeparator;

const QDateTime &epoch()
{
    static const QDateTime e(QDate(1899, 12, 30), QTime(0, 0));
    return e;
}
} // namespace

QDate today()
{
    if (fixedToday)
        return *fixedToday;
    if (fixedNow)
        return fixedNow->date();
    return QDate::currentDate();
}

QDateTime now()
{
    if (fixedNow)
        return *fixedNow;
    QDateTime n = QDateTime::currentDateTime();
    if (fixedToday)
        n.setDate(*fixedToday);
    return n;
}

QChar dateSeparator()
{
    if (fixedSeparator)
        return *fixedSeparator;
    const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    for (QChar c : format)
        if (!c.isLetter() && !c.isSpace() && c != QLatin1Char('\''))
            return c;
    return QLatin1Char('/');
}

void setNow(const QDateTime &n)
{
    fixedNow = n;
    fixedToday.reset();
}

void setToday(const QDate &t)
{
    fixedToday = t;
}

void setDateSeparator(QChar separator)
{
    fixedSeparator = separator;
}

bool isFixed()
{
    return fixedNow.has_value();
}

void reset()
{
    fixedNow.reset();
    fixedToday.reset();
    fixedSeparator.reset();
}

double toDays(const QDateTime &moment)
{
    const QDateTime local(moment.date(), moment.time());
    return double(epoch().msecsTo(local)) / 86400000.0;
}

QDateTime fromDays(double days)
{
    return epoch().addMSecs(qint64(std::llround(days * 86400000.0)));
}

} // namespace platform::clock
