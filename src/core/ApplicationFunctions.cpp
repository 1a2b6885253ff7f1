#include "core/ApplicationFunctions.h"

#include <cmath>
#include <limits>

#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "platform/VbError.h"

namespace {

// VB's "Invalid procedure call or argument".
constexpr int InvalidArgument = 5;

QString twoDigits(long long n) {
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}

}  // namespace

QString ApplicationFunctions::OStrk(const QString &Path) const {
    if (Path.endsWith(QLatin1Char('/')))
        return Path;
    return Path + QLatin1Char('/');
}

QString ApplicationFunctions::FileNameOnly(const QString &Name) const {
    if (Name.size() < 4)
        throw VbError(QStringLiteral("Invalid procedure call or argument"), InvalidArgument);
    return Name.left(Name.size() - 4);
}

bool ApplicationFunctions::CheckIsFile(const QString &Path) const {
    try {
        return FileSystem::isExistingFile(Path);
    } catch (...) {
        return false;
    }
}

QString ApplicationFunctions::TimeForm(int &Seconds) const {
    if (Seconds < 0)
        Seconds = 0;
    // Minutes are not wrapped at the hour, so an item of an hour or more keeps the "nn:ss" shape.
    const long long m = Seconds / 60;
    const long long s = Seconds - 60 * m;
    return twoDigits(m) + QLatin1Char(':') + twoDigits(s);
}

double ApplicationFunctions::ConvToPositiveNum(double Digit) const {
    return Digit >= 0 ? Digit : Digit * -1;
}

QString ApplicationFunctions::TimeFormHour(double Time) const {
    const double t = std::floor(Time);
    // The form is a time of day: anything outside one day cannot be shown, and each caller
    // decides what to display instead.
    if (!(t >= 0 && t < 86400))
        throw VbError(QStringLiteral("Overflow"), 6);
    const int total = static_cast<int>(t);
    const int h = total / 3600;
    const int m = (total - 3600 * h) / 60;
    const int s = total - 3600 * h - 60 * m;
    return QString::number(h) + QLatin1Char(':') + twoDigits(m) + QLatin1Char(':') + twoDigits(s);
}

QString ApplicationFunctions::FileNameFromPath(const QString &Path) const {
    const qsizetype slash = Path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? Path : Path.mid(slash + 1);
}

QString ApplicationFunctions::MinusToDigital(const QString &Data) const {
    if (Data == QLatin1String("0"))
        return Data;
    return QLatin1Char('-') + Data;
}

void ApplicationFunctions::CopyListToList(const QStringList &Combo, QStringList &List) const {
    // A copy first: Combo and List may be the same list.
    const QStringList items = Combo;
    List += items;
}

void ApplicationFunctions::ConvertToM3U(const QStringList &NameList, const QStringList &PathList,
                                        const QString &Path) const {
    if (PathList.size() < NameList.size())
        throw VbError(QStringLiteral("Subscript out of range"), 9);
    QStringList lines;
    lines.reserve(1 + 2 * NameList.size());
    lines << QStringLiteral("#EXTM3U");
    for (qsizetype i = 0; i < NameList.size(); ++i) {
        const QString file = FileNameFromPath(PathList.at(i));
        // A line break would split an entry and shift every later one.
        if (TextFile::holdsLineBreak(NameList.at(i)) || TextFile::holdsLineBreak(file))
            throw VbError(QStringLiteral("Bad file name or number: %1").arg(PathList.at(i)), 52);
        lines << QStringLiteral("#EXTINF:0,") + NameList.at(i) << file;
    }
    TextFile::writeLines(Path, lines);
}

ApplicationFunctions &ApplicationFunctionsInstance() {
    static ApplicationFunctions instance;
    return instance;
}

int RoundSeconds(double seconds) {
    if (!std::isfinite(seconds))
        return 0;
    // Halves go to the even number under the default rounding mode.
    const double r = std::nearbyint(seconds);
    if (r >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (r <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(r);
}
