// Draws the program's pictures into resources/images. Run once when a picture
// changes:  draw_pictures <resources/images>   (QT_QPA_PLATFORM=offscreen works).
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <functional>

namespace {
QString outDir;

void saveAt(const QString &path, const QSize &size, const std::function<void(QPainter &)> &draw) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    draw(p);
    p.end();
    image.save(path);
}

void save(const QString &name, const QSize &size, const std::function<void(QPainter &)> &draw) {
    saveAt(outDir + '/' + name, size, draw);
}

QFont font(int pixelSize, bool bold = true) {
    QFont f("DejaVu Sans");
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// The bars' levels, shared by the drawn pictures and the scalable icon.
double barLevel(int i, double phase) {
    return 0.25 + 0.75 * std::abs(std::sin(i * 0.37 + phase) * std::cos(i * 0.11));
}

// Level bars of a meter, a motif shared by the splash and the background.
void meterBars(QPainter &p, const QRect &area, int bars, double phase, int alpha) {
    const double w = double(area.width()) / bars;
    for (int i = 0; i < bars; ++i) {
        const double level = barLevel(i, phase);
        const int h = int(area.height() * level);
        QLinearGradient g(0, area.bottom(), 0, area.bottom() - area.height());
        g.setColorAt(0.0, QColor(60, 200, 120, alpha));
        g.setColorAt(0.7, QColor(240, 210, 60, alpha));
        g.setColorAt(1.0, QColor(235, 70, 60, alpha));
        p.fillRect(QRectF(area.left() + i * w + 1, area.bottom() - h, w - 2, h), g);
    }
}

// The program's logo on a 64 x 64 grid: a blue tile with six meter bars.
void logo(QPainter &p) {
    QLinearGradient g(0, 0, 0, 64);
    g.setColorAt(0, QColor(0x2a, 0x6c, 0xb8));
    g.setColorAt(1, QColor(0x12, 0x2e, 0x55));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(2, 2, 60, 60, 12, 12);
    meterBars(p, QRect(10, 14, 44, 38), 6, 0.9, 255);
}

// The same logo as SVG, for desktops that scale their icons.
QByteArray logoSvg() {
    const QRect area(10, 14, 44, 38);
    const int bars = 6;
    const double w = double(area.width()) / bars;
    QString out =
        QString(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
            "  <defs>\n"
            "    <linearGradient id=\"tile\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"64\" "
            "gradientUnits=\"userSpaceOnUse\">\n"
            "      <stop offset=\"0\" stop-color=\"#2a6cb8\"/><stop offset=\"1\" stop-color=\"#122e55\"/>\n"
            "    </linearGradient>\n"
            "    <linearGradient id=\"level\" x1=\"0\" y1=\"%1\" x2=\"0\" y2=\"%2\" "
            "gradientUnits=\"userSpaceOnUse\">\n"
            "      <stop offset=\"0\" stop-color=\"#3cc878\"/><stop offset=\"0.7\" stop-color=\"#f0d23c\"/>"
            "<stop offset=\"1\" stop-color=\"#eb463c\"/>\n"
            "    </linearGradient>\n"
            "  </defs>\n"
            "  <rect x=\"2\" y=\"2\" width=\"60\" height=\"60\" rx=\"12\" fill=\"url(#tile)\"/>\n")
            .arg(area.bottom())
            .arg(area.bottom() - area.height());
    for (int i = 0; i < bars; ++i) {
        const int h = int(area.height() * barLevel(i, 0.9));
        out += QString("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"url(#level)\"/>\n")
                   .arg(area.left() + i * w + 1, 0, 'f', 3)
                   .arg(area.bottom() - h)
                   .arg(w - 2, 0, 'f', 3)
                   .arg(h);
    }
    out += "</svg>\n";
    return out.toUtf8();
}

void banner(QPainter &p, const QColor &mark, const QString &sign) {
    QLinearGradient g(0, 0, 320, 0);
    g.setColorAt(0.0, QColor(0xe9, 0xf3, 0xff));
    g.setColorAt(1.0, QColor(0x9c, 0xc6, 0xf0));
    p.fillRect(0, 0, 320, 64, g);
    QRadialGradient disc(30, 28, 26);
    disc.setColorAt(0.0, mark.lighter(140));
    disc.setColorAt(1.0, mark);
    p.setPen(QPen(mark.darker(150), 1.5));
    p.setBrush(disc);
    p.drawEllipse(QPointF(32, 32), 22, 22);
    p.setPen(Qt::white);
    p.setFont(font(30));
    p.drawText(QRect(10, 10, 44, 44), Qt::AlignCenter, sign);
}

void page(QPainter &p, const QColor &paper = QColor(250, 250, 250)) {
    QPainterPath path;
    path.moveTo(5, 2);
    path.lineTo(15, 2);
    path.lineTo(20, 7);
    path.lineTo(20, 22);
    path.lineTo(5, 22);
    path.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 100), 1));
    p.setBrush(paper);
    p.drawPath(path);
    p.drawLine(QPointF(15, 2), QPointF(15, 7));
    p.drawLine(QPointF(15, 7), QPointF(20, 7));
}

void newPlaylist(QPainter &p, const QString &letter, const QColor &colour) {
    page(p);
    p.setPen(QPen(QColor(150, 150, 160), 1));
    for (int y = 10; y <= 19; y += 3)
        p.drawLine(7, y, 12, y);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(16, 16), 7, 7);
    p.setPen(Qt::white);
    p.setFont(font(11));
    p.drawText(QRect(9, 9, 14, 14), Qt::AlignCenter, letter);
}
}  // namespace

int main(int argc, char *argv[]) {
    QGuiApplication app(argc, argv);
    outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(outDir);

    save("splash.png", QSize(480, 300), [](QPainter &p) {
        QLinearGradient g(0, 0, 0, 300);
        g.setColorAt(0, QColor(0x1d, 0x4e, 0x89));
        g.setColorAt(1, QColor(0x0c, 0x1c, 0x33));
        p.fillRect(0, 0, 480, 300, g);
        meterBars(p, QRect(20, 150, 440, 120), 44, 0.4, 150);
        p.setPen(QColor(255, 255, 255, 40));
        for (int x = 0; x < 480; x += 3) {
            const double y = 120 + 26 * std::sin(x / 23.0) * std::sin(x / 97.0);
            p.drawLine(QPointF(x, 120), QPointF(x, y));
        }
        p.setPen(Qt::white);
        p.setFont(font(44));
        p.drawText(QRect(0, 36, 480, 60), Qt::AlignCenter, "Vantelbrook2");
        p.setFont(font(15, false));
        p.setPen(QColor(0xc8, 0xdc, 0xf5));
        p.drawText(QRect(0, 92, 480, 24), Qt::AlignCenter, "Live-show audio console");
    });

    save("background.png", QSize(1024, 768), [](QPainter &p) {
        QLinearGradient g(0, 0, 1024, 768);
        g.setColorAt(0, QColor(0x24, 0x38, 0x4e));
        g.setColorAt(1, QColor(0x10, 0x1b, 0x28));
        p.fillRect(0, 0, 1024, 768, g);
        meterBars(p, QRect(0, 520, 1024, 248), 64, 1.3, 38);
        p.setPen(QPen(QColor(255, 255, 255, 22), 2));
        for (int k = 0; k < 3; ++k) {
            QPainterPath wave;
            wave.moveTo(0, 380 + k * 30);
            for (int x = 0; x <= 1024; x += 8)
                wave.lineTo(x, 380 + k * 30 + 40 * std::sin(x / (70.0 + k * 25)) * std::cos(x / 310.0));
            p.drawPath(wave);
        }
        p.setPen(QColor(255, 255, 255, 34));
        p.setFont(font(64));
        p.drawText(QRect(0, 640, 1000, 100), Qt::AlignRight | Qt::AlignVCenter, "Vantelbrook2");
    });

    save("banner_warning.png", QSize(320, 64), [](QPainter &p) { banner(p, QColor(0xd3, 0x2f, 0x2f), "!"); });
    save("banner_question.png", QSize(320, 64),
         [](QPainter &p) { banner(p, QColor(0x2e, 0x9d, 0x3f), "?"); });

    save("logo.png", QSize(64, 64), [](QPainter &p) { logo(p); });

    // The program's icon for desktop menus and launchers, in the sizes desktops ask for.
    const QString icons = outDir + "/../icons/hicolor";
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QString("%1/%2x%2/apps").arg(icons).arg(size);
        QDir().mkpath(folder);
        saveAt(folder + "/vantelbrook2.png", QSize(size, size), [size](QPainter &p) {
            p.scale(size / 64.0, size / 64.0);
            logo(p);
        });
    }
    QDir().mkpath(icons + "/scalable/apps");
    QFile svg(icons + "/scalable/apps/vantelbrook2.svg");
    if (svg.open(QIODevice::WriteOnly | QIODevice::Truncate))
        svg.write(logoSvg());

    save("tip.png", QSize(48, 48), [](QPainter &p) {
        QRadialGradient glow(24, 18, 16);
        glow.setColorAt(0, QColor(255, 250, 190));
        glow.setColorAt(1, QColor(250, 200, 40));
        p.setPen(QPen(QColor(170, 120, 0), 1.5));
        p.setBrush(glow);
        p.drawEllipse(QPointF(24, 19), 13, 13);
        p.setBrush(QColor(150, 150, 160));
        p.drawRoundedRect(QRectF(18, 31, 12, 10), 2, 2);
        p.drawLine(18, 35, 30, 35);
        p.setPen(QPen(QColor(250, 200, 40, 160), 2));
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4;
            p.drawLine(QPointF(24 + 16 * std::cos(a), 19 + 16 * std::sin(a)),
                       QPointF(24 + 21 * std::cos(a), 19 + 21 * std::sin(a)));
        }
    });

    const QSize icon(24, 24);
    save("tb_newa.png", icon, [](QPainter &p) { newPlaylist(p, "A", QColor(0x1e, 0x6f, 0xd0)); });
    save("tb_newb.png", icon, [](QPainter &p) { newPlaylist(p, "B", QColor(0xd0, 0x6a, 0x1e)); });
    save("tb_jingles.png", icon, [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x6a, 0x3d, 0xb8));
        p.drawEllipse(QPointF(7, 18), 4, 3);
        p.drawEllipse(QPointF(17, 16), 4, 3);
        p.setPen(QPen(QColor(0x6a, 0x3d, 0xb8), 2));
        p.drawLine(QPointF(10.5, 18), QPointF(10.5, 5));
        p.drawLine(QPointF(20.5, 16), QPointF(20.5, 3));
        p.setPen(QPen(QColor(0x6a, 0x3d, 0xb8), 3));
        p.drawLine(QPointF(10.5, 5), QPointF(20.5, 3));
    });
    save("tb_delete.png", icon, [](QPainter &p) {
        page(p);
        p.setPen(QPen(QColor(0xd3, 0x2f, 0x2f), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(9, 11, 19, 21);
        p.drawLine(19, 11, 9, 21);
    });
    save("tb_broadcast.png", icon, [](QPainter &p) {
        p.setPen(QPen(QColor(0x33, 0x33, 0x3a), 2));
        p.drawLine(QPointF(12, 11), QPointF(7, 22));
        p.drawLine(QPointF(12, 11), QPointF(17, 22));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xe5, 0x39, 0x35));
        p.drawEllipse(QPointF(12, 10), 3, 3);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0xe5, 0x39, 0x35), 1.6));
        p.drawArc(QRectF(6, 4, 12, 12), 30 * 16, 120 * 16);
        p.drawArc(QRectF(2, 0, 20, 20), 35 * 16, 110 * 16);
    });
    save("tb_talk.png", icon, [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x45, 0x55, 0x66));
        p.drawRoundedRect(QRectF(8.5, 2, 7, 12), 3.5, 3.5);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x45, 0x55, 0x66), 1.8));
        p.drawArc(QRectF(5, 5, 14, 12), 180 * 16, 180 * 16);
        p.drawLine(QPointF(12, 17), QPointF(12, 21));
        p.drawLine(QPointF(8, 21.5), QPointF(16, 21.5));
    });
    save("tb_script.png", icon, [](QPainter &p) {
        page(p, QColor(255, 252, 235));
        p.setPen(QPen(QColor(150, 150, 160), 1));
        for (int y = 9; y <= 19; y += 3)
            p.drawLine(7, y, 17, y);
        p.setPen(QPen(QColor(0x1e, 0x6f, 0xd0), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 20), QPointF(21, 11));
    });
    save("tb_alarm.png", icon, [](QPainter &p) {
        QPainterPath tri;
        tri.moveTo(12, 2);
        tri.lineTo(22.5, 21);
        tri.lineTo(1.5, 21);
        tri.closeSubpath();
        p.setPen(QPen(QColor(0x9a, 0x10, 0x10), 1.2));
        p.setBrush(QColor(0xe5, 0x39, 0x35));
        p.drawPath(tri);
        p.setPen(Qt::white);
        p.setFont(font(13));
        p.drawText(QRect(6, 6, 12, 15), Qt::AlignCenter, "!");
    });
    // The script box's Cut, Copy and Paste.
    save("tb_cut.png", icon, [](QPainter &p) {
        p.setPen(QPen(QColor(0x30, 0x34, 0x3c), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 2.5), QPointF(15.5, 15));
        p.drawLine(QPointF(16, 2.5), QPointF(8.5, 15));
        p.setPen(QPen(QColor(0xc6, 0x28, 0x28), 2));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(7, 18), 3.5, 3.5);
        p.drawEllipse(QPointF(17, 18), 3.5, 3.5);
    });
    auto sheet = [](QPainter &p, const QRectF &r) {
        p.setPen(QPen(QColor(0x45, 0x4a, 0x55), 1.2));
        p.setBrush(Qt::white);
        p.drawRect(r);
        p.setPen(QPen(QColor(0x8a, 0x90, 0x9c), 1));
        for (qreal y = r.top() + 3.5; y < r.bottom() - 2; y += 3)
            p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
    };
    save("tb_copy.png", icon, [sheet](QPainter &p) {
        sheet(p, QRectF(3.5, 2.5, 11, 14));
        sheet(p, QRectF(9.5, 7.5, 11, 14));
    });
    save("tb_paste.png", icon, [sheet](QPainter &p) {
        p.setPen(QPen(QColor(0x6d, 0x4c, 0x2a), 1.2));
        p.setBrush(QColor(0xc8, 0x93, 0x5a));
        p.drawRoundedRect(QRectF(2.5, 4.5, 14, 17), 2, 2);
        p.setBrush(QColor(0x9e, 0xa4, 0xae));
        p.setPen(QPen(QColor(0x45, 0x4a, 0x55), 1));
        p.drawRoundedRect(QRectF(6.5, 2.5, 6, 4), 1, 1);
        sheet(p, QRectF(10.5, 9.5, 10, 12));
    });
    save("tb_help.png", icon, [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1e, 0x6f, 0xd0));
        p.drawEllipse(QPointF(12, 12), 10, 10);
        p.setPen(Qt::white);
        p.setFont(font(14));
        p.drawText(QRect(2, 2, 20, 20), Qt::AlignCenter, "?");
    });
    return 0;
}
