#include "console/ConsoleLook.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>
#include <QSlider>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>

namespace ConsoleLook {

namespace {

double channel(double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &c) {
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

QColor mix(const QColor &a, const QColor &b, double share) {
    return QColor::fromRgbF(float(a.redF() * share + b.redF() * (1 - share)),
                            float(a.greenF() * share + b.greenF() * (1 - share)),
                            float(a.blueF() * share + b.blueF() * (1 - share)));
}

// The colour behind a shape: its own window colour (the group boxes and the console
// draw theirs with it).
QColor background(const QPalette &palette) {
    return palette.color(QPalette::Window);
}

// Red of the design, 0x000000FF.
const QColor DesignRed(255, 0, 0);

QColor fromBgr(unsigned bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

}  // namespace

double contrast(const QColor &a, const QColor &b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor markColor(const QPalette &palette) {
    const QColor text = palette.color(QPalette::WindowText);
    // A palette whose text hardly differs from its window still gets a mark that shows.
    if (contrast(text, background(palette)) >= 4.5)
        return text;
    return luminance(background(palette)) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
}

QColor lineColor(const QPalette &palette) {
    const QColor text = markColor(palette), back = background(palette);
    for (double share = 0.55; share < 1.0; share += 0.05) {
        const QColor c = mix(text, back, share);
        if (contrast(c, back) >= 3.5)
            return c;
    }
    return text;
}

QColor lampColor(const QPalette &palette) {
    const QColor back = background(palette);
    // Brightest first: the first that reads clearly on this window.
    static const QColor greens[] = {QColor(0x2f, 0xbf, 0x3a), QColor(0x1e, 0x9c, 0x2a),
                                    QColor(0x13, 0x7a, 0x1f), QColor(0x0b, 0x5e, 0x14),
                                    QColor(0x5e, 0xf0, 0x6b), QColor(0x9a, 0xf7, 0xa3)};
    QColor best = greens[0];
    for (const QColor &g : greens) {
        if (contrast(g, back) >= 4.5)
            return g;
        if (contrast(g, back) > contrast(best, back))
            best = g;
    }
    return contrast(best, back) >= 3.0 ? best : markColor(palette);
}

QColor textOn(const QColor &fill, const QColor &wanted) {
    if (contrast(wanted, fill) >= 4.5)
        return wanted;
    return contrast(Qt::black, fill) >= contrast(Qt::white, fill) ? QColor(Qt::black) : QColor(Qt::white);
}

Shape::Shape(QWidget *parent, Kind kind) : QFrame(parent), kind_(kind) {
    setAttribute(Qt::WA_TransparentForMouseEvents, kind != Banner);
}

void Shape::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const QPalette &pal = palette();
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    switch (kind_) {
        case Fill:
            p.fillRect(rect(), markColor(pal));
            break;
        case Banner:
            p.fillRect(rect(), DesignRed);
            break;
        case Outline:
            p.setPen(QPen(lineColor(pal), 1));
            p.drawRect(box);
            break;
        case Rounded:
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(lineColor(pal), 1));
            p.drawRoundedRect(box, 6, 6);
            break;
        case StateLamp: {
            p.setRenderHint(QPainter::Antialiasing);
            const QVariant color = property("BackColor");
            if (property("BackStyle").toInt() == 1)
                p.setBrush(fromBgr(color.isValid() ? color.toUInt() : 0x00C0FFFFu));
            // The border always shows, so the lamp's place is seen while it is out.
            p.setPen(QPen(lineColor(pal), 1));
            p.drawRoundedRect(box, 5, 5);
            break;
        }
    }
}

Lamp::Lamp(QWidget *parent) : QLabel(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Lamp::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), lampColor(palette()));
}

int titleRoom(const QString &title) {
    // Title bars use the desktop's own (often bold, larger) font: measured in a bold
    // face a little larger than ours, with about four buttons' room.
    QFont f = QApplication::font();
    f.setBold(true);
    f.setPointSizeF(std::max(10.0, f.pointSizeF() * 1.2));
    return QFontMetrics(f).horizontalAdvance(title) + 4 * 24 + 16;
}

QColor focusColor(const QPalette &palette) {
    const QColor highlight = palette.color(QPalette::Highlight);
    return contrast(highlight, background(palette)) >= 3.0 ? highlight : markColor(palette);
}

FocusRing::FocusRing(QWidget *control) : QWidget(control->parentWidget()), control_(control) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    control->installEventFilter(this);
    follow();
    hide();
}

void FocusRing::follow() {
    setGeometry(control_->geometry().adjusted(-Width, -Width, Width, Width));
    stackUnder(control_);
}

bool FocusRing::eventFilter(QObject *watched, QEvent *event) {
    if (watched == control_) {
        switch (event->type()) {
            case QEvent::FocusIn:
                follow();
                show();
                break;
            case QEvent::FocusOut:
            case QEvent::Hide:
                hide();
                break;
            case QEvent::Move:
            case QEvent::Resize:
                follow();
                break;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const QColor c = focusColor(palette());
    const QRect r = rect();
    p.fillRect(QRect(r.left(), r.top(), r.width(), Width), c);
    p.fillRect(QRect(r.left(), r.bottom() - Width + 1, r.width(), Width), c);
    p.fillRect(QRect(r.left(), r.top(), Width, r.height()), c);
    p.fillRect(QRect(r.right() - Width + 1, r.top(), Width, r.height()), c);
}

namespace {

// The application's style but for the sliders' tick marks, which it draws itself.
class TickStyle : public QProxyStyle {
  public:
    TickStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget) const override {
        const auto *slider = qstyleoption_cast<const QStyleOptionSlider *>(option);
        if (control != CC_Slider || !slider || !(slider->subControls & SC_SliderTickmarks)) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        QStyleOptionSlider rest = *slider;
        rest.subControls &= ~SC_SliderTickmarks;
        QProxyStyle::drawComplexControl(control, &rest, painter, widget);
        drawTickMarks(*slider, painter, widget);
    }

  private:
    void drawTickMarks(const QStyleOptionSlider &slider, QPainter *painter, const QWidget *widget) const {
        const bool horizontal = slider.orientation == Qt::Horizontal;
        const QRect r = slider.rect;
        const int handle = pixelMetric(PM_SliderLength, &slider, widget);
        const int depth = std::max(2, pixelMetric(PM_SliderTickmarkOffset, &slider, widget));
        const int span = (horizontal ? r.width() : r.height()) - handle;
        int step = slider.tickInterval > 0 ? slider.tickInterval : std::max(1, slider.pageStep);
        painter->save();
        painter->setPen(QPen(lineColor(slider.palette), 1));
        for (long v = slider.minimum; v <= slider.maximum; v += step) {
            const int at =
                sliderPositionFromValue(slider.minimum, slider.maximum, int(v), span, slider.upsideDown) +
                handle / 2;
            if (horizontal) {
                if (slider.tickPosition & QSlider::TicksAbove)
                    painter->drawLine(r.left() + at, r.top() + 1, r.left() + at, r.top() + depth);
                if (slider.tickPosition & QSlider::TicksBelow)
                    painter->drawLine(r.left() + at, r.bottom() - 1, r.left() + at, r.bottom() - depth);
            } else {
                if (slider.tickPosition & QSlider::TicksLeft)
                    painter->drawLine(r.left() + 1, r.top() + at, r.left() + depth, r.top() + at);
                if (slider.tickPosition & QSlider::TicksRight)
                    painter->drawLine(r.right() - 1, r.top() + at, r.right() - depth, r.top() + at);
            }
        }
        painter->restore();
    }
};

}  // namespace

void drawTicks(QSlider *slider) {
    // One style for every slider of the program, kept until the application ends.
    static QPointer<TickStyle> style;
    if (!style) {
        style = new TickStyle;
        style->setParent(qApp);
    }
    slider->setStyle(style);
}

}  // namespace ConsoleLook
