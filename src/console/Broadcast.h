#pragma once
// The broadcast clock's arithmetic, apart from the window: the countdown to the
// begin time, the moment of the automatic start, the clocks' text and the time
// boxes' check. Below it, the few window-side helpers that the broadcast strip
// and emergency mode share.
#include <QString>
#include <functional>

class DJPlayer;

namespace Broadcast {

constexpr int SecondsPerDay = 86400;
// A step of the day's clock longer than this between two countdown ticks is the
// clock being set, not a late tick.
constexpr int MaxTickGap = 60;

// Whole seconds since local midnight (the fraction cut off). Tests replace it.
extern std::function<int()> SecondsOfDay;

// Seconds from now to the begin time: today's, or the next day's once it has passed.
int remaining(double beginSeconds, int now);

// The begin second was reached at this tick: it lies after the previous tick's second
// and no later than now, over midnight too. A late tick that skipped the second still
// finds it; an early tick that sees the same second twice does not find it again.
// previous < 0 (no earlier tick) or a clock step beyond MaxTickGap: only now itself counts.
bool beginReached(int previous, int now, double beginSeconds);

// "h:mm:ss" of the whole seconds; the hours go on past 23 (a day or more on the air).
QString clockForm(double seconds);

// A time box's text that must be refused: above its bound compared as strings
// (character by character, a prefix being the smaller), or not made of digits.
bool timeTextInvalid(const QString &text, const QString &bound);

// The band below the console's designed area (680 twips) is in the window's height
// while the broadcast strip or the emergency banner is shown, and only then.
void fitBand(DJPlayer &w);

}  // namespace Broadcast
