#include "console/Broadcast.h"

#include <QTime>
#include <cmath>

#include "core/ApplicationFunctions.h"

namespace Broadcast {

std::function<int()> SecondsOfDay = [] { return QTime::currentTime().msecsSinceStartOfDay() / 1000; };

namespace {
int dayOf(double seconds) {
    const long long s = static_cast<long long>(std::floor(seconds));
    return static_cast<int>(((s % SecondsPerDay) + SecondsPerDay) % SecondsPerDay);
}
}  // namespace

int remaining(double beginSeconds, int now) {
    const int begin = dayOf(beginSeconds);
    const int left = begin - now;
    return left < 0 ? SecondsPerDay - now + begin : left;
}

bool beginReached(int previous, int now, double beginSeconds) {
    const int begin = dayOf(beginSeconds);
    if (previous < 0)
        return now == begin;
    const int step = ((now - previous) % SecondsPerDay + SecondsPerDay) % SecondsPerDay;
    if (step == 0)
        return false;
    if (step > MaxTickGap)
        return now == begin;
    const int ahead = ((begin - previous) % SecondsPerDay + SecondsPerDay) % SecondsPerDay;
    return ahead >= 1 && ahead <= step;
}

QString clockForm(double seconds) {
    if (!(seconds >= 0))
        seconds = 0;
    if (seconds < SecondsPerDay)
        return ApplicationFunctionsInstance().TimeFormHour(seconds);
    const long long s = static_cast<long long>(std::floor(seconds));
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

bool timeTextInvalid(const QString &text, const QString &bound) {
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return true;
    return QString::compare(text, bound, Qt::CaseSensitive) > 0;
}

}  // namespace Broadcast
