// The console as the engineer sees it: the rendered pixels of its state marks and
// lamps in every state, on a light and on a dark palette; its size and its controls
// under the frame's window arrangements; where child windows open; and the few
// windows around it (Exit, Emergency File..., the script box's toolbar and menu).
//
// With VB2_SHOTS set to a folder, each state is also saved there as a picture of
// the whole screen (scripts/screenshots.sh runs this under a real X server).
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSlider>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <cmath>
#include <map>

#include "app/About.h"
#include "app/Base.h"
#include "app/Begin.h"
#include "console/AddJingle.h"
#include "console/AutoSt.h"
#include "console/ConsoleGlobals.h"
#include "console/ConsoleLook.h"
#include "console/DJPlayer.h"
#include "console/DeleteLists.h"
#include "console/Faders.h"
#include "console/Property.h"
#include "console/RepCop.h"
#include "console/SelFol.h"
#include "core/Frame.h"
#include "core/Globals.h"
#include "core/HelpOfDay.h"
#include "core/OpenSaveFiles.h"
#include "core/UserInf.h"
#include "core/Warning.h"
#include "platform/Settings.h"
#include "platform/TextFile.h"
#include "script/ScriptsBox.h"
#include "script/Stat.h"
#include "support/AudioFiles.h"
#include "support/ConsoleHarness.h"
#include "support/TestEnv.h"
#include "support/Widgets.h"

namespace {

using vb2test::child;
using vb2test::Modals;

// Contrast ratio as the accessibility guidelines define it (relative luminance).
double lum(QRgb c) {
    auto ch = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * ch(qRed(c)) + 0.7152 * ch(qGreen(c)) + 0.0722 * ch(qBlue(c));
}
double ratio(QRgb a, QRgb b) {
    const double la = lum(a), lb = lum(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette darkPalette() {
    QPalette p;
    const QColor window(0x35, 0x35, 0x35), text(0xee, 0xee, 0xee);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    return p;
}

// A palette whose text hardly differs from its window: grey on grey, light or dark.
QPalette greyPalette(bool light) {
    QPalette p = QApplication::style()->standardPalette();
    const QColor window = light ? QColor(0xc0, 0xc0, 0xc0) : QColor(0x40, 0x40, 0x40);
    const QColor text = light ? QColor(0xa8, 0xa8, 0xa8) : QColor(0x58, 0x58, 0x58);
    for (auto role : {QPalette::Window, QPalette::Button, QPalette::Base, QPalette::AlternateBase})
        p.setColor(role, window);
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        p.setColor(role, text);
    return p;
}

// Whether every text of a window shows whole and reads: each visible label, button, check
// box, group box title and menu bar of `window` (a top-level window, shown) is measured in its own
// font against the room its style gives the text, and the text's pixels in the rendered
// window are looked for at 3:1 against the commonest colour of that room. Returns what
// does not, one line each.
QStringList textFaults(QWidget *window, const QString &where, bool read = true) {
    QCoreApplication::processEvents();
    const QImage image = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QStringList faults;
    auto fault = [&](const QWidget *w, const QString &text, const QString &what) {
        faults << QString("%1: %2 \"%3\" %4").arg(where, w->objectName(), text.left(60), what);
    };
    // Pixels of `room` (in w) that stand out at 3:1 from the commonest colour there.
    auto inked = [&](const QWidget *w, const QRect &room) {
        const QRect r = QRect(w->mapTo(window, room.topLeft()), room.size()).intersected(image.rect());
        std::map<QRgb, int> count;
        for (int x = r.left(); x <= r.right(); ++x)
            for (int y = r.top(); y <= r.bottom(); ++y)
                ++count[image.pixel(x, y)];
        QRgb back = 0;
        int most = -1;
        for (const auto &[c, n] : count)
            if (n > most)
                back = c, most = n;
        int n = 0;
        for (const auto &[c, k] : count)
            n += ratio(c, back) >= 3.0 ? k : 0;
        return n;
    };
    auto withoutMnemonics = [](QString t) {
        t.replace(QRegularExpression("&(.)"), "\\1");
        return t;
    };
    for (QWidget *w : window->findChildren<QWidget *>()) {
        // Shown, and not cut away by its parents (the strip's row below a console without it).
        if (!w->isVisibleTo(window) || w->visibleRegion().isEmpty())
            continue;
        // A control another lies over (the emergency banner over the strip) is not seen.
        const QPoint centre = w->mapTo(window, w->rect().center());
        if (QWidget *top = window->childAt(centre);
            top && top != w && !w->isAncestorOf(top) && !top->isAncestorOf(w))
            continue;
        QString text;
        QRect room;
        int need = 0, needHeight = 0;
        bool readable = read;
        const QFontMetrics fm(w->font());
        if (auto *l = qobject_cast<QLabel *>(w)) {
            text = l->text();
            if (text.isEmpty())
                continue;
            const int m = l->margin();
            room = l->contentsRect().adjusted(m, m, -m, -m);
            const bool rich = l->textFormat() == Qt::RichText ||
                              (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
            if (rich) {
                QTextDocument doc;
                doc.setDefaultFont(l->font());
                doc.setDocumentMargin(0);
                doc.setHtml(text);
                if (l->wordWrap())
                    doc.setTextWidth(room.width());
                need = int(std::ceil(doc.idealWidth()));
                needHeight = int(std::ceil(doc.size().height()));
            } else {
                const int flags = Qt::AlignLeft | Qt::AlignTop | (l->wordWrap() ? Qt::TextWordWrap : 0);
                const QRect r = fm.boundingRect(QRect(0, 0, l->wordWrap() ? room.width() : 1 << 20, 1 << 20),
                                                flags, text);
                need = r.width();
                needHeight = r.height();
            }
        } else if (auto *b = qobject_cast<QPushButton *>(w)) {
            text = withoutMnemonics(b->text());
            if (text.isEmpty())
                continue;
            QStyleOptionButton opt;
            opt.initFrom(b);
            opt.text = b->text();
            if (b->autoDefault() || b->isDefault())
                opt.features |= QStyleOptionButton::AutoDefaultButton;
            room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
            need = fm.horizontalAdvance(text) + (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
            needHeight = fm.height();
        } else if (qobject_cast<QCheckBox *>(w) || qobject_cast<QRadioButton *>(w)) {
            auto *b = static_cast<QAbstractButton *>(w);
            text = withoutMnemonics(b->text());
            if (text.isEmpty())
                continue;
            QStyleOptionButton opt;
            opt.initFrom(b);
            opt.text = b->text();
            room = b->style()->subElementRect(
                qobject_cast<QCheckBox *>(w) ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents,
                &opt, b);
            need = fm.horizontalAdvance(text);
            needHeight = fm.height();
        } else if (auto *bar = qobject_cast<QMenuBar *>(w)) {
            // The bar lays its titles out itself; they must read on it.
            for (const QAction *a : bar->actions())
                text += withoutMnemonics(a->text()) + ' ';
            if (text.isEmpty())
                continue;
            room = bar->rect();
        } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
            text = withoutMnemonics(g->title());
            if (text.isEmpty())
                continue;
            // The title stands on the frame, a few pixels in from either side.
            room = QRect(0, 0, g->width() - 8, fm.height());
            need = fm.horizontalAdvance(text);
            needHeight = fm.height();
            readable = false;  // drawn by the style over its frame line
        } else {
            continue;
        }
        if (need > room.width() || needHeight > room.height())
            fault(w, text,
                  QString("needs %1 x %2 px, has %3 x %4")
                      .arg(need)
                      .arg(needHeight)
                      .arg(room.width())
                      .arg(room.height()));
        else if (readable && w->isEnabled() && inked(w, room) < 2)
            fault(w, text, "does not read (under 2 pixels at 3:1 against its background)");
    }
    return faults;
}

// A picture of the console and the place of its controls in it.
struct Shot {
    QImage image;
    const QWidget *console;

    QRect rectOf(const QWidget *w) const { return QRect(w->mapTo(console, QPoint(0, 0)), w->size()); }
    QRgb at(int x, int y) const { return image.pixel(x, y); }

    // The colour around a control: the commonest colour of a ring just outside it.
    QRgb around(const QRect &r, int gap = 1) const {
        std::map<QRgb, int> count;
        const QRect out = r.adjusted(-gap - 1, -gap - 1, gap + 1, gap + 1);
        for (int x = out.left(); x <= out.right(); ++x)
            for (int y : {out.top(), out.bottom()})
                if (image.rect().contains(x, y))
                    ++count[at(x, y)];
        for (int y = out.top(); y <= out.bottom(); ++y)
            for (int x : {out.left(), out.right()})
                if (image.rect().contains(x, y))
                    ++count[at(x, y)];
        QRgb best = 0;
        int most = -1;
        for (const auto &[c, n] : count)
            if (n > most)
                best = c, most = n;
        return best;
    }
    // Share of the pixels of r (less the rects in `except`) at least `min` apart from `back`.
    double share(const QRect &r, QRgb back, double min, const QList<QRect> &except = {}) const {
        int n = 0, hit = 0;
        for (int x = r.left(); x <= r.right(); ++x)
            for (int y = r.top(); y <= r.bottom(); ++y) {
                bool skip = false;
                for (const QRect &e : except)
                    skip = skip || e.contains(x, y);
                if (skip)
                    continue;
                ++n;
                hit += ratio(at(x, y), back) >= min;
            }
        return n ? double(hit) / n : 0.0;
    }
};

}  // namespace

class TestConsoleLook : public QObject {
    Q_OBJECT

    DJPlayer *w_ = nullptr;
    QTemporaryDir audio_;
    QString shots_ = qEnvironmentVariable("VB2_SHOTS");
    QString paletteName_;

    Shot grab() {
        QCoreApplication::processEvents();
        return Shot{w_->grab().toImage().convertToFormat(QImage::Format_RGB32), w_};
    }
    // The whole screen as a user sees it, when pictures are asked for.
    void screenshot(const QString &name) {
        if (shots_.isEmpty())
            return;
        QTest::qWait(150);
        QString file = paletteName_ + "-" + name;
        file.replace(QRegularExpression("[^A-Za-z0-9]+"), "-");
        if (QScreen *s = QGuiApplication::primaryScreen())
            s->grabWindow(0).save(shots_ + "/" + file + ".png");
    }

    // A filled mark shows: nearly all its pixels stand out at least 3:1 from around it.
    void filled(const Shot &s, const QWidget *mark, const char *what, double least = 0.9) {
        QVERIFY2(mark->isVisible(), what);
        const QRect r = s.rectOf(mark);
        const QRgb back = s.around(r, 1);
        const double share = s.share(r, back, 3.0);
        QVERIFY2(share >= least,
                 qPrintable(QString("%1 %2: %3 of its pixels at 3:1").arg(paletteName_, what).arg(share)));
    }
    // A line mark shows: its pixels include a run that stands out at least 3:1.
    void drawn(const Shot &s, const QWidget *mark, const QRgb back, const char *what) {
        QVERIFY2(mark->isVisible(), what);
        const QRect r = s.rectOf(mark);
        const double share = s.share(r, back, 3.0);
        QVERIFY2(share * r.width() * r.height() >= 8,
                 qPrintable(QString("%1 %2: %3 of its pixels at 3:1").arg(paletteName_, what).arg(share)));
    }
    // An outlined shape shows: the middle of each side (clear of round corners) stands
    // out at least 3:1.
    void outlined(const Shot &s, const QWidget *shape, const char *what) {
        const QRect r = s.rectOf(shape);
        const QRgb back = s.around(r, 1);
        const int qx = r.width() * 3 / 10, qy = r.height() * 3 / 10;
        const QRect sides[4] = {QRect(r.left() + qx, r.top(), r.width() - 2 * qx, 1),
                                QRect(r.left() + qx, r.bottom(), r.width() - 2 * qx, 1),
                                QRect(r.left(), r.top() + qy, 1, r.height() - 2 * qy),
                                QRect(r.right(), r.top() + qy, 1, r.height() - 2 * qy)};
        for (const QRect &side : sides)
            QVERIFY2(s.share(side, back, 3.0) >= 0.9,
                     qPrintable(QString("%1 %2: a side below 3:1").arg(paletteName_, what)));
    }
    // A hidden mark leaves no trace: its place (less the marks shown over it) is background.
    void absent(const Shot &s, const QWidget *mark, QRgb back, const QList<const QWidget *> &shown,
                const char *what) {
        QVERIFY2(mark->isHidden(), what);
        QList<QRect> except;
        for (const QWidget *o : shown)
            except << s.rectOf(o).adjusted(-1, -1, 1, 1);
        QVERIFY2(s.share(s.rectOf(mark), back, 1.5, except) == 0.0,
                 qPrintable(QString("%1 %2 leaves a trace").arg(paletteName_, what)));
    }

    struct Marks {
        QList<const QWidget *> play, pause, lamps;
        const QWidget *stop;
        const QWidget *frame;  // rounded frame around the marks
        const QWidget *column;
    };
    Marks marksOf(int deck) {
        const bool a = deck == 0;
        Marks m;
        for (QWidget *l : a ? w_->Line3 : w_->Line4)
            m.play << l;
        for (QWidget *b : a ? w_->Shape8 : w_->Shape9)
            m.pause << b;
        for (QWidget *l : a ? w_->Ind1 : w_->Ind2)
            m.lamps << l;
        m.stop = a ? w_->Shape6 : w_->Shape7;
        m.frame = a ? w_->Shape4 : w_->Shape5;
        m.column = w_->Shape10[a ? 0 : 1];
        return m;
    }

    // Checks the state marks of deck A against the state: "none", "stop", "play", "pause",
    // with lamp `lit` lit (-1: none).
    void checkMarks(const QString &state, int lit) {
        const Shot s = grab();
        const Marks m = marksOf(0);
        // Inside the marks' frame, left of the marks.
        const QRect frame = s.rectOf(m.frame);
        const QRgb back = s.at(frame.left() + 3, frame.center().y());
        outlined(s, m.frame, "marks' frame");
        outlined(s, m.column, "running light's column");
        QList<const QWidget *> shown;
        if (state == "stop") {
            filled(s, m.stop, "stop mark");
            shown << m.stop;
        } else if (state == "pause") {
            for (const QWidget *b : m.pause)
                filled(s, b, "pause bar");
            shown << m.pause;
        } else if (state == "play") {
            for (const QWidget *l : m.play)
                drawn(s, l, back, "play mark's side");
            shown << m.play;
        }
        for (const QWidget *mark : m.play + m.pause + QList<const QWidget *>{m.stop})
            if (!shown.contains(mark))
                absent(s, mark, back, shown, "state mark");
        const QRgb inColumn = s.around(s.rectOf(m.lamps[0]), 1);
        for (int k = 0; k < 6; ++k) {
            if (k == lit)
                filled(s, m.lamps[k], "lit lamp");
            else
                absent(s, m.lamps[k], inColumn, {}, "lamp");
        }
    }

    void choosePlaylist(const QStringList &paths) {
        const int n = w_->Combo1->count();
        OpenSaveFiles::AppendComboName("A", "Look");
        QStringList lines;
        for (const QString &p : paths)
            lines << QFileInfo(p).completeBaseName() << p;
        TextFile::writeLines(OpenSaveFiles::PlaylistPath("A", n), lines);
        w_->Combo1->addItem("Look");
        w_->Combo1->setCurrentIndex(n);
        emit w_->Combo1->activated(n);
    }
    void clickRow(QListWidget *list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
        QTest::qWait(20);
    }
    QMdiSubWindow *subOf(QWidget *w) { return qobject_cast<QMdiSubWindow *>(w->parentWidget()); }
    QAction *button(const char *key) { return w_->Toolbar1Button(QString::fromLatin1(key)); }

  private slots:
    void initTestCase() {
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        // As the program does at start-up: every window in the design font.
        QApplication::setFont(DesignFont());
        w_ = vb2test::showConsole();
        BaseInstance().resize(1024, 768);
        QVERIFY(QTest::qWaitForWindowExposed(&BaseInstance()));
        const QString wav = audio_.path() + "/Overture.wav";
        vb2test::writeSineWav(wav, 30.0, 8000);
        choosePlaylist({wav});
    }

    // Every mark and lamp of the console in every state of a player and of the broadcast,
    // read off the rendered window: a mark shown stands out at least 3:1 from what is
    // around it, a mark hidden leaves no trace.
    // On a light and a dark palette every text of the console shows whole and reads too. On
    // the grey palettes (text hardly differing from the window) the players' marks stand out
    // by their own choice of black or white; the strip's design colours are not made for them.
    void marksShowInEveryState_data() {
        QTest::addColumn<QPalette>("palette");
        QTest::addColumn<bool>("whole");
        QTest::newRow("light") << QApplication::style()->standardPalette() << true;
        QTest::newRow("dark") << darkPalette() << true;
        QTest::newRow("grey-light") << greyPalette(true) << false;
        QTest::newRow("grey-dark") << greyPalette(false) << false;
    }
    void marksShowInEveryState() {
        QFETCH(QPalette, palette);
        QFETCH(bool, whole);
        paletteName_ = QTest::currentDataTag();
        const QPalette before = QApplication::palette();
        QApplication::setPalette(palette);
        QStringList faults;
        auto readable = [&](const QString &state) {
            if (whole)
                faults << textFaults(&BaseInstance(), paletteName_ + " console " + state);
        };
        w_->Show();
        w_->Command13_Click();

        // Cued: the stop mark.
        clickRow(w_->List1, 0);
        QVERIFY(w_->Command9->isEnabled());
        checkMarks("stop", -1);
        {
            // The level sliders' tick marks, on both sides, stand out 3:1 from the mixer.
            const Shot s = grab();
            for (const QSlider *slider : {w_->Slider1, w_->Slider2}) {
                const QRect r = s.rectOf(slider);
                const QRgb back = s.around(r, 1);
                for (const QRect &side : {QRect(r.left(), r.top(), 4, r.height()),
                                          QRect(r.right() - 3, r.top(), 4, r.height())}) {
                    const double pixels = s.share(side, back, 3.0) * side.width() * side.height();
                    QVERIFY2(pixels >= 8 * 2, qPrintable(QString("%1 %2: %3 tick pixels at 3:1")
                                                             .arg(paletteName_, slider->objectName())
                                                             .arg(pixels)));
                }
            }
        }
        {
            // The cued title reads on its light yellow.
            const Shot s = grab();
            const QRect title = s.rectOf(w_->Label1);
            QCOMPARE(QColor(s.at(title.right() - 2, title.center().y())), QColor(255, 255, 192));
            QVERIFY2(s.share(title, qRgb(255, 255, 192), 3.0) > 0.03, "the cued title does not read");
        }
        screenshot("cued");
        readable("cued");

        // Playing: the play mark, and the running light in two of its phases.
        w_->Command9->click();
        QVERIFY(PlayingA);
        w_->Timer10->stop();  // its phases are stepped here, not by the clock
        w_->RunLightStepA = 0;
        w_->Timer10_Timer();
        checkMarks("play", 0);
        screenshot("playing-1");
        readable("playing-1");
        for (int k = 0; k < 3; ++k)
            w_->Timer10_Timer();
        checkMarks("play", 3);
        screenshot("playing-2");
        readable("playing-2");

        // Paused: the two bars; the lamp lit last stays lit.
        w_->Command9->click();
        QVERIFY(!PlayingA && PlayerAInUse);
        checkMarks("pause", 3);
        screenshot("paused");
        readable("paused");

        // Stopped: the square, no lamp.
        w_->Command13->click();
        checkMarks("stop", -1);
        screenshot("stopped");
        readable("stopped");
        if (!whole) {
            QApplication::setPalette(before);
            return;
        }

        // The broadcast strip: the on-air lamp's border shows while it is out.
        button("Broadcon")->trigger();
        Shot s = grab();
        outlined(s, w_->Shape3, "on-air lamp (out)");
        outlined(s, w_->Shape1, "begin time's frame");
        outlined(s, w_->Shape2, "limit time's frame");

        // Prepare: "Prepare" reads on the light yellow lamp.
        w_->Command12->click();
        s = grab();
        const QRect lamp = s.rectOf(w_->Shape3);
        const QRgb yellow = s.at(lamp.left() + 4, lamp.center().y());
        QCOMPARE(QColor(yellow), QColor(255, 255, 192));
        QVERIFY2(s.share(s.rectOf(w_->Label21), yellow, 3.0) > 0.03, "\"Prepare\" does not read on its lamp");
        screenshot("prepare");
        readable("prepare");

        // On the air: the red lamp, with "On Air" on it; its dark phase keeps the border.
        w_->Command12->click();
        QCOMPARE(w_->Command15->property("Tag").toString(), QString("Stop"));
        w_->Timer6->stop();
        if (w_->Shape3->property("BackStyle").toInt() != 1)
            w_->Timer6_Timer();
        s = grab();
        const QRgb red = s.at(lamp.left() + 4, lamp.center().y());
        QCOMPARE(QColor(red), QColor(255, 0, 0));
        QVERIFY2(ratio(red, s.around(lamp, 1)) >= 3.0, "the on-air lamp does not stand out");
        outlined(s, w_->Shape3, "on-air lamp");
        QVERIFY2(s.share(s.rectOf(w_->Label21), red, 3.0) > 0.03, "\"On Air\" does not read on its lamp");
        screenshot("on-air");
        readable("on-air");
        w_->Timer6_Timer();
        s = grab();
        outlined(s, w_->Shape3, "on-air lamp (blinking out)");
        QVERIFY(ratio(s.at(lamp.left() + 4, lamp.center().y()), red) > 1.5);

        // Emergency: the red banner with its white words lies over the whole strip.
        button("Alarm")->trigger();
        QVERIFY(w_->Frame10->isVisible());
        w_->Timer9->stop();
        for (QLabel *l : w_->Label22)
            l->show();
        s = grab();
        // Red all over but for its white words.
        filled(s, w_->Frame10, "emergency banner", 0.6);
        const QRect banner = s.rectOf(w_->Frame10);
        for (QLabel *l : w_->Label22)
            QVERIFY2(s.share(s.rectOf(l), qRgb(255, 0, 0), 3.0) > 0.05,
                     "\"Emergency\" does not read on the banner");
        const QList<QWidget *> row = {w_->Label15, w_->Label16, w_->Shape1,  w_->Shape2,    w_->Shape3,
                                      w_->Label21, w_->Check4,  w_->Check5,  w_->Command12, w_->Command15,
                                      w_->Label17, w_->Label18, w_->Label19, w_->Label20};
        for (QWidget *c : row)
            QVERIFY2(banner.contains(s.rectOf(c)), qPrintable(c->objectName() + " shows beside the banner"));
        for (int k = 0; k < 2; ++k)
            for (QLineEdit *e : {w_->Text1[k], w_->Text2[k], w_->Text3[k]})
                QVERIFY2(banner.contains(s.rectOf(e)),
                         qPrintable(e->objectName() + " shows beside the banner"));
        screenshot("emergency");
        readable("emergency");

        button("Alarm")->trigger();
        QVERIFY(w_->Frame10->isHidden());
        w_->Command15->click();  // the broadcast stops
        button("Broadcon")->trigger();
        QApplication::setPalette(before);
        QVERIFY2(faults.isEmpty(), qPrintable("\n" + faults.join("\n")));
    }

    // The playlist that has the keyboard wears a ring; the other does not.
    void focusedPlaylistIsMarked() {
        paletteName_ = "light";
        BaseInstance().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&BaseInstance()));
        w_->List1->setEnabled(true);
        w_->List2->setEnabled(true);
        for (QListWidget *focused : {w_->List1, w_->List2}) {
            QListWidget *other = focused == w_->List1 ? w_->List2 : w_->List1;
            focused->setFocus();
            QTRY_VERIFY_WITH_TIMEOUT(focused->hasFocus(), 2000);
            const Shot s = grab();
            const QRect list = s.rectOf(focused);
            const QRect ring = list.adjusted(-2, -2, 2, 2);
            const QRgb back = s.around(ring, 1);
            const QRect top(ring.left() + 10, ring.top(), ring.width() - 20, 2);
            const QRect left(ring.left(), ring.top() + 10, 2, ring.height() - 20);
            QVERIFY2(s.share(top, back, 3.0) >= 0.9 && s.share(left, back, 3.0) >= 0.9,
                     qPrintable(focused->objectName() + " has the keyboard and no ring shows"));
            const QRect otherTop = s.rectOf(other).adjusted(8, -2, -8, 0);
            QCOMPARE(s.share(QRect(otherTop.topLeft(), QSize(otherTop.width(), 2)), back, 3.0), 0.0);
        }
        screenshot("focus");
        w_->List2->clearFocus();
    }

    // Open Statistics, a found report and OK: the caption names the day with its year,
    // and the script box opens wholly inside the frame.
    void statisticsOpenTheScriptBoxInsideTheFrame() {
        const QDate today = QDate::currentDate();
        const QString report = StatisticsReportPath(today);
        QDir().mkpath(QFileInfo(report).path());
        TextFile::writeLines(report, {"|12:00 | 03:00 | Overture"});
        QString caption;
        Modals modals;
        modals.window("Stat", [&](QWidget *top) {
            auto *stat = static_cast<Stat *>(top);
            emit stat->Calendar1->clicked(today);
            stat->Command1->click();
            caption = stat->Label2->text();
            vb2test::clickLater(stat->Command2);
        });
        w_->opss_Click(4);
        QVERIFY(modals.done());
        QVERIFY2(caption.endsWith(" " + QString::number(today.year())), qPrintable(caption));
        QVERIFY(caption.startsWith(" Found a Statistics file about " + QString::number(today.day()) + " "));
        QMdiSubWindow *box = subOf(&ScriptsBoxInstance());
        QVERIFY(box && box->isVisible());
        QTest::qWait(20);
        const QRect area = BaseInstance().mdiArea()->viewport()->rect();
        QVERIFY2(area.contains(box->geometry()), "the script box opened outside the frame");
    }

    // Every window of the program, in a light and a dark palette: each label, button,
    // check box and group box title shows its whole text in the design font, and reads.
    // Texts written at run time are given their longest: the viewer's result for a long
    // month, a message of 300 characters, a full disk's reason with its path, a tip.
    void everyWindowShowsItsTextsWhole_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void everyWindowShowsItsTextsWhole() {
        QFETCH(bool, dark);
        paletteName_ = dark ? "dark" : "light";
        const QPalette before = QApplication::palette();
        QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
        QStringList faults;
        auto check = [&](QWidget *window, const QString &where) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            faults << textFaults(window, where);
            screenshot(where);
        };

        // The statistics viewer: its result for the longest month's name, found and not.
        const QDate longest(2026, 9, 30);
        const QString report = StatisticsReportPath(longest);
        QDir().mkpath(QFileInfo(report).path());
        TextFile::writeLines(report, {"|12:00 | 03:00 | Overture"});
        {
            Stat stat(false, w_);
            stat.Calendar1->setSelectedDate(longest);
            stat.Command1->click();
            QCOMPARE(stat.Label2->text(), QString(" Found a Statistics file about 30 September 2026"));
            check(&stat, "Stat found");
            stat.Calendar1->setSelectedDate(longest.addDays(-1));
            stat.Command1->click();
            check(&stat, "Stat not found");
        }
        // Messages: 300 characters, and a full disk's reason naming a deep path.
        QString message;
        while (message.size() < 300)
            message += "The playlist cannot be saved while the player plays from it. ";
        message.truncate(300);
        const QString fullDisk =
            "Cannot write file: /home/stage-manager/.local/share/Vantelbrook2/"
            "Statistics/2026/30 September.txt (No space left on device)";
        for (const auto &[text, type] :
             {std::pair{message, 0}, std::pair{fullDisk, 0}, std::pair{message, 3}}) {
            Warning box;
            box.Prepare(text, type);
            check(&box, QString("Warning type %1, %2 characters").arg(type).arg(text.size()));
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            QVERIFY(box.width() <= screen.width() && box.height() <= screen.height());
        }
        {
            HelpOfDay tip;  // Tips.tps missing: the longest text it shows
            check(&tip, "HelpOfDay");
        }
        {
            // Every tip the program ships.
            QFile::copy(QStringLiteral(VB2_TEST_DATA "/../../resources/Tips.tps"),
                        vb2test::env()->home() + "/Tips.tps");
            HelpOfDay::TipList.clear();
            HelpOfDay::TipIndex = 0;
            HelpOfDay tip;
            QVERIFY(HelpOfDay::TipList.size() >= 10);
            check(&tip, "HelpOfDay tip 1");
            for (int k = 1; k < HelpOfDay::TipList.size(); ++k) {
                tip.cmdNextTip->click();
                faults << textFaults(&tip, QString("HelpOfDay tip %1").arg(k + 1));
            }
            QFile::remove(vb2test::env()->home() + "/Tips.tps");
        }
        {
            UserInf info;
            check(&info, "UserInf");
        }
        {
            Begin about;
            check(&about, "Begin");
        }
        {
            About splash;
            splash.lblVersion->setText(About::VersionText());
            check(&splash, "About");
        }
        {
            AutoSt options;
            check(&options, "AutoSt");
            // As the remote control opens it.
            options.Label1->setText("Select a playlist from which will use the script.");
            check(&options, "AutoSt from the remote control");
        }
        {
            AddJingle jingles;
            check(&jingles, "AddJingle");
        }
        {
            SelFol folders(audio_.path());
            check(&folders, "SelFol");
        }
        {
            DeleteLists lists(*w_);
            check(&lists, "DeleteLists");
        }
        {
            // The folder to copy to, deep in a station's folders.
            const QString folder =
                audio_.path() + "/Recordings/2026/Autumn season/The Winter's Tale, act two";
            QDir().mkpath(folder);
            Settings::save("ReplaceDir", folder);
            RepCop copy(*w_);
            check(&copy, "RepCop");
        }
        {
            // An item deep in a station's folders: the properties show its whole path.
            const QString deep = audio_.path() +
                                 "/Recordings/2026/Autumn season/The Winter's Tale, act two/" +
                                 "Sheep-shearing feast, scene 3.wav";
            QDir().mkpath(QFileInfo(deep).path());
            QFile::copy(audio_.path() + "/Overture.wav", deep);
            w_->Show();
            choosePlaylist({deep});
            clickRow(w_->List1, 0);
            w_->List1_GotFocus();  // the click gives it the keyboard where a window manager lets it
            Property properties(*w_);
            QVERIFY(properties.Form_Load());
            check(&properties, "Property");
        }
        Faders::load();
        check(Faders::loaded(), "Faders");
        Faders::unload();
        w_->rct_Click(190);
        QWidget *remote = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->objectName() == "Remote" && top->isVisible())
                remote = top;
        QVERIFY(remote);
        check(remote, "Remote");
        remote->close();
        w_->Show();  // the bar stands in for the console while it is up
        // The frame with the console and the script box.
        ScriptsBoxInstance().Show();
        check(&BaseInstance(), "frame with the console and the script box");

        QApplication::setPalette(before);
        QVERIFY2(faults.isEmpty(), qPrintable("\n" + faults.join("\n")));
    }

    // The Window menu's arrangements with the console and the script box open, the strip
    // and the banner shown and hidden in between: the console keeps its designed size,
    // lies wholly inside the frame with every control of it, the script box lies inside the
    // frame too, and no other window covers the console in a tiling.
    void arrangementsKeepTheConsoleWhole() {
        ScriptsBoxInstance().Show();
        QMdiSubWindow *console = subOf(w_), *box = subOf(&ScriptsBoxInstance());
        QVERIFY(console && box);
        const QSize designed(688, 397), band(0, 45);
        const QSize frameSize = console->size();
        const QRect area = BaseInstance().mdiArea()->viewport()->rect();
        // The controls of the designed area, and those of the band below it (the strip's
        // row and its line), which the window shows only with the band.
        QStringList controls, inBand;
        for (QWidget *c : w_->findChildren<QWidget *>()) {
            if (c->objectName().isEmpty() || !c->isVisibleTo(w_) ||
                qobject_cast<QToolBar *>(c->parentWidget()))
                continue;
            const bool below = c->mapTo(w_, QPoint(0, c->height())).y() > designed.height();
            (below ? inBand : controls) << c->objectName();
        }
        QVERIFY(inBand.contains("Command12") && inBand.contains("Text1(0)"));
        QVERIFY(controls.contains("Command9") && controls.contains("Scrol2") && controls.contains("Check3"));

        auto check = [&](const QString &when, bool withBand) {
            QTest::qWait(10);
            QCOMPARE(w_->size(), designed + (withBand ? band : QSize(0, 0)));
            QCOMPARE(console->size(), frameSize + (withBand ? band : QSize(0, 0)));
            QVERIFY2(area.contains(console->geometry()),
                     qPrintable(when + ": the console is cut by the frame"));
            for (const QString &name : withBand ? controls + inBand : controls) {
                QWidget *c = w_->findChild<QWidget *>(name);
                if (!c || !c->isVisibleTo(w_))
                    continue;
                const QRect r(c->mapTo(w_, QPoint(0, 0)), c->size());
                QVERIFY2(w_->rect().contains(r), qPrintable(when + ": " + name + " is cut by the console"));
            }
            QVERIFY2(box->width() >= 160 && box->height() >= 120,
                     qPrintable(when + ": the script box shrank"));
            QVERIFY2(area.contains(box->geometry()),
                     qPrintable(when + ": the script box reaches out of the frame"));
        };
        const std::pair<int, const char *> arrangements[] = {
            {33, "Cascade"}, {31, "Tile Horizontally"}, {32, "Tile Vertically"}, {34, "Arrange Icons"}};
        for (const auto &[index, name] : arrangements) {
            w_->wn_Click(index);
            check(name, false);
            if (index == 33) {
                QList<QMdiSubWindow *> shown;
                for (QMdiSubWindow *sub : BaseInstance().mdiArea()->subWindowList(QMdiArea::StackingOrder))
                    if (sub->isVisible())
                        shown << sub;
                QVERIFY2(shown.last() == console, "Cascade: a window lies over the console");
            }
            if (index == 31 || index == 32)
                QVERIFY2(!box->geometry().intersects(console->geometry()),
                         qPrintable(QString(name) + ": the script box covers the console"));
            button("Broadcon")->trigger();
            check(QString(name) + " with the strip", true);
            w_->wn_Click(index);
            check(QString(name) + " again with the strip", true);
            button("Alarm")->trigger();
            check(QString(name) + " in emergency", true);
            w_->wn_Click(index);
            check(QString(name) + " arranged in emergency", true);
            button("Alarm")->trigger();
            check(QString(name) + " after emergency", true);
            button("Broadcon")->trigger();
            check(QString(name) + " without the strip", false);
            button("Alarm")->trigger();
            check(QString(name) + " in emergency without the strip", true);
            w_->wn_Click(index);
            check(QString(name) + " arranged in emergency without the strip", true);
            button("Alarm")->trigger();
            check(QString(name) + " after emergency without the strip", false);
        }
        // The script box's own Window menu does the same.
        ScriptsBoxInstance().wn_Click(33);
        check("Cascade from the script box", false);
        paletteName_ = "light";
        screenshot("cascade");
        ScriptsBoxInstance().wn_Click(32);
        check("Tile Vertically from the script box", false);
        screenshot("tile-vertically");
    }

    // The script box: its Window menu lists the console by its caption, "&" and all, and
    // Cut, Copy and Paste have pictures of their own.
    void scriptBoxMenuAndPictures() {
        ScriptsBox &sb = ScriptsBoxInstance();
        sb.Show();
        emit sb.win->aboutToShow();
        QStringList texts;
        for (QAction *a : sb.win->actions())
            texts << a->text();
        QVERIFY2(texts.contains("Players && DJ Mixpad"), qPrintable(texts.join(" | ")));
        // Three pictures, each its own.
        QList<QImage> pictures;
        for (const char *key : {"Cut", "Copy", "Paste"}) {
            QAction *a = sb.Toolbar1Button(key);
            QVERIFY2(a && !a->icon().isNull(), key);
            QVERIFY(!pictures.contains(a->icon().pixmap(24).toImage()));
            pictures << a->icon().pixmap(24).toImage();
        }
    }

    // "Emergency File..." opens with the title, filter position and file name that the
    // console's last file command, A's Add, left.
    void emergencyFileKeepsTheLastDialogsChoice() {
        QString title, filter;
        int filters = 0;
        Modals modals;
        modals.window("CommonDialog1", [](QWidget *top) { static_cast<QDialog *>(top)->reject(); });
        modals.window("CommonDialog1", [&](QWidget *top) {
            auto *d = static_cast<QFileDialog *>(top);
            title = d->windowTitle();
            filter = d->selectedNameFilter();
            filters = int(d->nameFilters().indexOf(filter));
            d->reject();
        });
        QVERIFY(w_->Command1->isEnabled());
        w_->Command1->click();
        w_->alc_Click(27);
        QVERIFY(modals.done());
        QCOMPARE(title, QString("Add audio file to Playlist"));
        QCOMPARE(filters, 4);
        QVERIFY(filter.startsWith("All audio files"));
    }

    // Exit: the script box's save question comes while the console is still shown, and
    // its Cancel leaves the frame as it was.
    void exitAsksBeforeAnyWindowGoes() {
        ScriptsBox &sb = ScriptsBoxInstance();
        sb.Show();
        w_->Show();
        sb.Text1->setPlainText("Act one");
        QVERIFY(ScriptModified);
        // Whether the console was on the screen while the question was; then Cancel.
        bool asked = false, consoleShownWhileAsked = false;
        QTimer watch;
        watch.setInterval(5);
        connect(&watch, &QTimer::timeout, this, [&] {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top->objectName() == "Warning" && top->isVisible() && !asked) {
                    asked = true;
                    consoleShownWhileAsked = subOf(w_)->isVisible();
                    if (auto *cancel = top->findChild<QPushButton *>("Command1(7)"))
                        QMetaObject::invokeMethod(cancel, "click", Qt::QueuedConnection);
                }
        });
        watch.start();
        QVERIFY(!BaseInstance().ext_Click());
        QVERIFY(asked);
        QVERIFY(consoleShownWhileAsked);
        QVERIFY(subOf(w_)->isVisible());
        QVERIFY(subOf(&sb)->isVisible());
        QCOMPARE(sb.Text1->toPlainText(), QString("Act one"));
        ScriptModified = false;
    }

    // The time boxes' refusal comes in a box wide enough for its title.
    void timeEntryMessageHasRoomForItsTitle() {
        button("Broadcon")->trigger();
        int width = 0, room = 0;
        QTimer answer;
        answer.setInterval(5);
        connect(&answer, &QTimer::timeout, this, [&] {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(top); box && box->isVisible() && !width) {
                    width = box->width();
                    room = ConsoleLook::titleRoom(box->windowTitle());
                    screenshot("time-entry-message");
                    QMetaObject::invokeMethod(box->button(QMessageBox::Ok), "click", Qt::QueuedConnection);
                }
        });
        answer.start();
        QLineEdit *hours = w_->Text1[0];
        hours->setFocus();
        hours->selectAll();
        QTest::keyClicks(hours, "77");
        QTRY_VERIFY_WITH_TIMEOUT(width > 0, 3000);
        QVERIFY2(width >= room, qPrintable(QString("%1 < %2").arg(width).arg(room)));
        answer.stop();
        QTest::qWait(20);
        hours->setText("00");
        button("Broadcon")->trigger();
    }

    // The talk level window keeps its title whole too.
    void talkLevelWindowHasRoomForItsTitle() {
        w_->dB_Click(213);
        Faders *f = Faders::loaded();
        QVERIFY(f && f->isVisible());
        QVERIFY(f->width() >= ConsoleLook::titleRoom(f->windowTitle()));
        screenshot("talk-level");
        Faders::unload();
    }
};

VB2_TEST_MAIN(TestConsoleLook)
#include "test_console_look.moc"
