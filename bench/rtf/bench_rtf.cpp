// Opens generated worst-case scripts of about 1 MiB in the script box, as a user
// does with Open Script File, and saves them again. For each case: the time the
// reader alone takes into a document off screen, the time the open takes, the time
// until the editor has laid the whole text out, the longest stall of the event loop
// from the open to the end of the layout (a 1 ms heartbeat timer measures it), the
// time Ctrl+End takes right after the open (it lays out everything before the end),
// and the time of a save; min/median/max over the repeats. The fonts case is a
// font table of 20,000 names the system lacks, each used by one run.
//
//   bench_rtf [repeats] [case...]   cases: runs paragraph fonts paragraphs nesting
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/Rtf.h"
#include "platform/Settings.h"
#include "script/ScriptsBox.h"
#include "support/BenchEnv.h"

namespace {

constexpr int kTarget = 1 << 20;
const QByteArray kHead =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 "
    "Tahoma;}}\r\n\\viewkind4\\uc1\\pard\\fs20 ";

// Bold and italic runs of one word each, alternating, a paragraph every 40 words.
QByteArray alternatingRuns(int) {
    QByteArray out = kHead;
    for (int k = 0; out.size() < kTarget; ++k) {
        out += (k % 2) ? "\\b0\\i word " : "\\i0\\b word ";
        if (k % 40 == 39)
            out += "\\par\r\n";
    }
    return out + "\\par\r\n}\r\n";
}

// 1 MiB of one-word runs, bold and italic in turn, all in one paragraph.
QByteArray oneParagraph(int) {
    QByteArray out = kHead;
    for (int k = 0; out.size() < kTarget; ++k)
        out += (k % 2) ? "\\b0\\i word " : "\\i0\\b word ";
    return out + "\\par\r\n}\r\n";
}

// 20,000 fonts in the table, each used by one run; names new to each repeat, as the
// program remembers fonts it has met.
QByteArray manyFonts(int repeat) {
    constexpr int kFonts = 20000;
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl";
    for (int k = 0; k < kFonts; ++k)
        out += "{\\f" + QByteArray::number(k) + "\\fnil\\fcharset204 Font Family " +
               QByteArray::number(repeat) + "-" + QByteArray::number(k) + ";}";
    out += "}\r\n\\viewkind4\\uc1\\pard\\fs20 ";
    for (int k = 0; out.size() < kTarget; ++k) {
        out += "\\f" + QByteArray::number(k % kFonts) + " text ";
        if (k % 20 == 19)
            out += "\\par\r\n";
    }
    return out + "\\par\r\n}\r\n";
}

QByteArray manyParagraphs(int) {
    QByteArray out = kHead;
    for (int k = 0; k < 200000; ++k)
        out += "x\\par\n";
    return out + "}\r\n";
}

// Groups nested as deep as 1 MiB allows, each changing the format of its text, a
// paragraph every 40 groups.
QByteArray deepNesting(int) {
    QByteArray out = kHead;
    int depth = 0;
    for (; out.size() < kTarget - depth; ++depth) {
        out += (depth % 2) ? "{\\b0 x" : "{\\b y";
        if (depth % 40 == 39)
            out += "\\par\r\n";
    }
    out += QByteArray(depth, '}');
    return out + "\\par\r\n}\r\n";
}

struct Figures {
    std::vector<double> read, open, laidOut, stall, toEnd, save;
};

QString range(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return QString::asprintf("%8.1f %8.1f %8.1f", v.front(), v[v.size() / 2], v.back());
}

// One open and save of the file in the box, inside a running event loop.
void measure(ScriptsBox &box, const QByteArray &bytes, const QString &path, const QString &endPath,
             const QString &savePath, Figures &f) {
    {
        QTextDocument offScreen;
        QElapsedTimer readClock;
        readClock.start();
        Rtf::read(bytes, &offScreen);
        f.read.push_back(readClock.nsecsElapsed() / 1e6);
    }
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 lastBeat = -1, longest = 0, opened = 0, settledAt = 0;
    QTimer beat;
    beat.setInterval(1);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 gap = lastBeat >= 0 ? now - lastBeat : 0;
        longest = std::max(longest, gap);
        lastBeat = now;
        if (!opened)
            return;
        // The editor lays the text out in steps between events after the open; it is
        // done when no step has held the loop for 15 ms or more in the last 500 ms.
        // (Asking the layout for the document's size would lay it all out at once.)
        if (gap >= 15'000'000)
            settledAt = now;
        if (now - settledAt > 500'000'000 || now > 60'000'000'000LL)
            loop.quit();
    });
    clock.start();
    beat.start();
    QTimer::singleShot(5, [&] {
        const qint64 start = clock.nsecsElapsed();
        box.LoadTextFile(path);
        opened = clock.nsecsElapsed();
        settledAt = opened;
        f.open.push_back((opened - start) / 1e6);
    });
    loop.exec();
    f.laidOut.push_back((settledAt - opened) / 1e6);
    f.stall.push_back(longest / 1e6);
    QElapsedTimer saveClock;
    saveClock.start();
    box.SaveTextFile(savePath);
    f.save.push_back(saveClock.nsecsElapsed() / 1e6);

    // Ctrl+End before the editor's own steps have laid the text out (a file of its
    // own: fonts met in the first open would be known by now).
    box.NewFileScr();
    QApplication::processEvents();
    box.LoadTextFile(endPath);
    QElapsedTimer endClock;
    endClock.start();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(box.Text1, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(box.Text1, &release);
    QApplication::processEvents();
    f.toEnd.push_back(endClock.nsecsElapsed() / 1e6);
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char *argv[]) {
    QTemporaryDir root;
    vb2bench::isolate(root.path());
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Settings::save("Show Tips", "0");

    const int repeats = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QStringList chosen;
    for (int k = 2; k < argc; ++k)
        chosen << QString::fromLocal8Bit(argv[k]);
    const std::pair<const char *, std::function<QByteArray(int)>> cases[] = {{"runs", alternatingRuns},
                                                                             {"paragraph", oneParagraph},
                                                                             {"fonts", manyFonts},
                                                                             {"paragraphs", manyParagraphs},
                                                                             {"nesting", deepNesting}};

    ScriptsBox &box = ScriptsBoxInstance();
    box.Show();
    if (QWidget *frame = box.parentWidget())
        frame->resize(800, 600);
    std::printf("%d repeats; figures in ms as min / median / max\n", repeats);
    std::printf("%-11s %6s | %-26s | %-26s | %-26s | %-26s | %-26s | %-26s\n", "case", "KiB",
                "read off screen", "open in the box", "then laid out", "longest event-loop stall",
                "Ctrl+End after the open", "save");
    for (const auto &[name, make] : cases) {
        if (!chosen.isEmpty() && !chosen.contains(QLatin1String(name)))
            continue;
        Figures f;
        qsizetype size = 0;
        for (int r = 0; r < repeats; ++r) {
            const QByteArray bytes = make(2 * r);
            size = bytes.size();
            const QString path = root.path() + "/" + name + ".rtf";
            const QString endPath = root.path() + "/" + name + "-end.rtf";
            if (!writeFile(path, bytes) || !writeFile(endPath, make(2 * r + 1)))
                return 1;
            box.NewFileScr();
            QApplication::processEvents();
            measure(box, bytes, path, endPath, root.path() + "/saved.rtf", f);
        }
        std::printf("%-11s %6lld | %s | %s | %s | %s | %s | %s\n", name, static_cast<long long>(size / 1024),
                    qPrintable(range(f.read)), qPrintable(range(f.open)), qPrintable(range(f.laidOut)),
                    qPrintable(range(f.stall)), qPrintable(range(f.toEnd)), qPrintable(range(f.save)));
        std::fflush(stdout);
    }
    return 0;
}
