#include "console/Faders.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <algorithm>

#include "console/ConsoleLook.h"
#include "console/Mixer.h"
#include "console/ToolTips.h"
#include "core/ApplicationFunctions.h"
#include "core/Frame.h"
#include "platform/FixedWindow.h"
#include "platform/Guarded.h"
#include "platform/Settings.h"

namespace {

// Designed size in twips (15 to a pixel).
constexpr int DesignWidth = 1815, DesignHeight = 3780;

Faders *&current() {
    static Faders *window = nullptr;
    return window;
}

}  // namespace

Faders *Faders::loaded() {
    return current();
}

Faders &Faders::load() {
    if (!current()) {
        static bool registered = false;
        if (!registered) {
            registered = true;
            // The frame's Exit unloads the window before it asks its child windows.
            FrameInstance().addUnloadFirst([] { Faders::unload(); });
        }
        current() = new Faders();
        current()->Form_Load();
    }
    return *current();
}

void Faders::unload() {
    Faders *window = current();
    if (!window)
        return;
    current() = nullptr;
    window->hide();
    // Later: unloading may be asked from one of the window's own handlers.
    window->deleteLater();
}

Faders::Faders() : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName("Faders");
    setWindowTitle("Talk Level");
    FixedWindow::make(this);
    // Wider than designed where the window manager would cut the title short.
    setFixedSize(std::max(DesignWidth / 15, ConsoleLook::titleRoom(windowTitle())), DesignHeight / 15);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName("Frame1");
    Frame1->setGeometry(8, 4, 58, 204);

    Slider1 = new QSlider(Qt::Vertical, Frame1);
    Slider1->setObjectName("Slider1");
    Slider1->setGeometry(8, 12, 42, 184);
    Slider1->setRange(0, Mixer::LevelMax);
    Slider1->setValue(0);
    // 0 dB of attenuation at the top, as on the console's level sliders.
    Slider1->setInvertedAppearance(true);
    Slider1->setInvertedControls(true);
    Slider1->setTickPosition(QSlider::TicksBothSides);
    Slider1->setTickInterval(6);
    // The level is stored when a drag ends, not at every step of it.
    Slider1->setTracking(false);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(70, 96, 50, 20);

    Command1 = new QPushButton("OK", this);
    Command1->setObjectName("Command1");
    Command1->setGeometry(8, 216, 105, 25);
    Command1->setDefault(true);

    connect(Slider1, &QSlider::sliderMoved, this, [this] { guarded([this] { Slider1_Scroll(); }); });
    connect(Slider1, &QSlider::valueChanged, this, [this] { guarded([this] { Slider1_Change(); }); });
    connect(Command1, &QPushButton::clicked, this, [this] { guarded([this] { Command1_Click(); }); });
}

Faders::~Faders() {
    if (current() == this)
        current() = nullptr;
}

void Faders::showTopmost(QWidget *console) {
    QPoint origin = console ? console->mapToGlobal(QPoint(0, 0)) : QPoint(0, 0);
    origin += QPoint(700, 48);
    QScreen *screen = console && console->screen() ? console->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        origin.setX(std::clamp(origin.x(), area.left(), std::max(area.left(), area.right() - width())));
        origin.setY(std::clamp(origin.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    }
    move(origin);
    show();
    raise();
    activateWindow();
}

void Faders::Form_Load() {
    Slider1->setValue(Mixer::talkLevel());
    Slider1_Scroll();
}

void Faders::Slider1_Scroll() {
    // While dragging, the label follows the handle.
    Label1->setText(
        ApplicationFunctionsInstance().MinusToDigital(QString::number(Slider1->sliderPosition())) + "dB");
}

void Faders::Slider1_Change() {
    Label1->setText(ApplicationFunctionsInstance().MinusToDigital(QString::number(Slider1->value())) + "dB");
    Settings::save("LastFadeLevel", QString::number(Slider1->value()));
    ToolTips::SetToolTips(1);
}

void Faders::Command1_Click() {
    unload();
}

void Faders::closeEvent(QCloseEvent *event) {
    // The close box unloads the window, as "OK" does.
    event->accept();
    guarded([] { unload(); });
}
