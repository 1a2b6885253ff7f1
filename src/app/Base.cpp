#include "app/Base.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QStatusBar>
#include <algorithm>
#include <exception>
#include <map>

#include "app/About.h"
#include "app/Begin.h"
#include "console/DJPlayer.h"
#include "console/Remote.h"
#include "core/HelpOfDay.h"
#include "core/MdiChild.h"
#include "platform/Guarded.h"
#include "script/ScriptsBox.h"
#include "script/Stat.h"

// The pictures are compiled into the program's static library, which the linker
// would leave out unless referenced: register them before any window is made.
static int initPictures() {
    Q_INIT_RESOURCE(resources);
    return 0;
}
static const int picturesReady = initPictures();

namespace {

// The client area draws the background picture once at its top left.
class BackgroundArea : public QMdiArea {
  public:
    explicit BackgroundArea(QWidget *parent) : QMdiArea(parent), picture_(":/images/background.png") {
        setBackground(QColor(0x1b, 0x2a, 0x3a));
    }

  protected:
    void paintEvent(QPaintEvent *event) override {
        QMdiArea::paintEvent(event);
        QPainter painter(viewport());
        painter.drawPixmap(0, 0, picture_);
    }

  private:
    QPixmap picture_;
};

const char *const kPanelTexts[3] = {" Prepare Time: 0:00:00", " Current Time: 0:00:00", " Overtime: 0:00:00"};

}  // namespace

Base &BaseInstance() {
    // Lives until the process ends, like the frame it stands for.
    static Base *instance = new Base;
    return *instance;
}

// The console and the script box find the frame through its interface.
static const bool frameRegistered = [] {
    SetFrameFactory([]() -> Frame & { return BaseInstance(); });
    return true;
}();

Base::Base() {
    setObjectName("Base");
    setWindowTitle("Vantelbrook2");
    // The program's own picture on every window in place of the toolkit's.
    QApplication::setWindowIcon(QIcon(":/images/logo.png"));
    resize(1024, 768);

    MDIArea = new BackgroundArea(this);
    MDIArea->setObjectName("MDIArea");
    MDIArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    MDIArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(MDIArea);
    connect(MDIArea, &QMdiArea::subWindowActivated, this, [this] { updateMenus(); });

    auto *bar = new QStatusBar(this);
    bar->setObjectName("StatusBar1");
    for (int i = 0; i < 3; ++i) {
        auto *panel = new QLabel(QString::fromLatin1(kPanelTexts[i]), bar);
        panel->setObjectName(QString("Panels(%1)").arg(i + 1));
        panel->setMinimumWidth(180);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        bar->addWidget(panel);
        Panels[i] = panel;
    }
    setStatusBar(bar);

    buildMenus();
    updateMenus();
    MDIForm_Load();
}

void Base::buildMenus() {
    auto menu = [this](const char *name, const QString &caption) {
        auto *m = new QMenu(caption, this);
        m->setObjectName(name);
        m->menuAction()->setObjectName(name);
        return m;
    };
    auto item = [this](QMenu *parent, const char *name, const QString &caption, const QKeySequence &key,
                       std::function<void()> handler) {
        QAction *a = parent->addAction(caption);
        a->setObjectName(name);
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, [handler] { guarded(handler); });
        return a;
    };
    auto separator = [](QMenu *parent, const char *name) {
        QAction *a = parent->addSeparator();
        a->setObjectName(name);
        return a;
    };

    FF = menu("FF", "File");
    scf = item(FF, "scf", "Open Script File", QKeySequence("Ctrl+O"), [this] { scf_Click(); });
    opss = item(FF, "opss", "Open Statistics", {}, [this] { opss_Click(); });
    w = separator(FF, "w");
    Ext = item(FF, "Ext", "Exit", QKeySequence("Ctrl+F4"), [this] { ext_Click(); });

    pr = menu("pr", "Process");
    oppl = item(pr, "oppl", "Players && DJ Mixpad", {}, [this] { oppl_Click(); });
    opsc = item(pr, "opsc", "Script Box", {}, [this] { opsc_Click(); });

    Help = menu("Help", "Help");
    cnt = item(Help, "cnt", "Contents", QKeySequence(Qt::Key_F1), [this] { cnt_Click(); });
    Tp = item(Help, "Tp", "Tips", {}, [this] { Tp_Click(); });
    sep = separator(Help, "sep");
    Abo = item(Help, "Abo", "About...", {}, [this] { abo_Click(); });
}

MdiChild *Base::shownChild() const {
    auto childOf = [](QMdiSubWindow *sub) -> MdiChild * {
        if (!sub || sub->isHidden() || !sub->widget() || sub->widget()->isHidden())
            return nullptr;
        return qobject_cast<MdiChild *>(sub->widget());
    };
    if (MdiChild *child = childOf(MDIArea->currentSubWindow()))
        return child;
    // The current child was hidden: the frontmost child still shown takes its place.
    const auto subs = MDIArea->subWindowList(QMdiArea::StackingOrder);
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
        if (MdiChild *child = childOf(*it))
            return child;
    }
    return nullptr;
}

void Base::updateMenus() {
    const MdiChild *child = shownChild();
    const QList<QMenu *> wanted = child ? child->childMenus() : QList<QMenu *>{FF, pr, Help};
    if (wanted == shownMenus_ && menuBar()->actions().size() == wanted.size())
        return;
    menuBar()->clear();
    for (QMenu *m : wanted) {
        if (m)
            menuBar()->addAction(m->menuAction());
    }
    shownMenus_ = wanted;
}

QMdiSubWindow *Base::addChild(MdiChild *child) {
    QMdiSubWindow *sub = nullptr;
    for (QMdiSubWindow *existing : MDIArea->subWindowList()) {
        if (existing->widget() == child)
            sub = existing;
    }
    if (!sub) {
        sub = MDIArea->addSubWindow(child);
        // The child decides what closing means (the console and the script box hide).
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        sub->installEventFilter(this);
        child->installEventFilter(this);
        connect(child, &QObject::destroyed, this, [this] { updateMenus(); });
    }
    if (!isVisible())
        show();
    updateMenus();
    return sub;
}

bool Base::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
        case QEvent::Show:
            // A child window opens inside the frame's visible area, once the area has placed it.
            if (auto *sub = qobject_cast<QMdiSubWindow *>(watched)) {
                QPointer<QMdiSubWindow> shown(sub);
                QMetaObject::invokeMethod(
                    this, [this, shown] { keepInside(shown); }, Qt::QueuedConnection);
            }
            [[fallthrough]];
        case QEvent::Hide:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            // Let the area settle its current window first.
            QMetaObject::invokeMethod(
                this, [this] { updateMenus(); }, Qt::QueuedConnection);
            updateMenus();
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Base::setPanelText(int panel, const QString &text) {
    if (panel >= 1 && panel <= 3)
        Panels[panel - 1]->setText(text);
}

QString Base::panelText(int panel) const {
    if (panel >= 1 && panel <= 3)
        return Panels[panel - 1]->text();
    return {};
}

void Base::ArrangeFromWindowMenu(int index) {
    static const std::map<int, int> arrangement = {{31, 1}, {32, 2}, {33, 0}, {34, 3}};
    const auto found = arrangement.find(index);
    if (found != arrangement.end())
        Arrange(found->second);
}

namespace {

// A window whose size is fixed (the console) keeps it in every arrangement.
bool fixedSize(const QMdiSubWindow *sub) {
    return sub->minimumSize() == sub->maximumSize();
}

// The smallest size a resizable window is given: its title bar and a few lines below it.
QSize smallest(const QMdiSubWindow *sub) {
    return sub->minimumSizeHint().expandedTo(QSize(160, 120));
}

}  // namespace

void Base::Arrange(int how) {
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *sub : MDIArea->subWindowList(QMdiArea::CreationOrder)) {
        if (sub->isVisible() && !sub->isMinimized())
            windows.append(sub);
    }
    for (QMdiSubWindow *sub : windows) {
        if (sub->isMaximized())
            sub->showNormal();
    }
    const QRect area = MDIArea->viewport()->rect();
    switch (how) {
        case 0: {  // each one title bar lower and further right
            // The console (a window of fixed size) in front, whole; the others' title bars show
            // above and left of it.
            QList<QMdiSubWindow *> order, front;
            for (QMdiSubWindow *sub : MDIArea->subWindowList(QMdiArea::StackingOrder)) {
                if (windows.contains(sub))
                    (fixedSize(sub) ? front : order).append(sub);
            }
            order += front;
            int step = 0;
            for (QMdiSubWindow *sub : order)
                step = std::max(step, sub->contentsMargins().top());
            step = std::max(step, 20);
            for (int i = 0; i < int(order.size()); ++i) {
                QMdiSubWindow *sub = order[i];
                const QPoint at(i * step, i * step);
                if (fixedSize(sub))
                    sub->move(at);
                else  // its own size, as much of it as the area holds from there
                    sub->setGeometry(
                        QRect(at, sub->size()
                                      .boundedTo(QSize(area.width() - at.x(), area.height() - at.y()))
                                      .expandedTo(smallest(sub))));
                sub->raise();
            }
            // The window in front is the one the keys and the menu bar serve.
            if (!order.isEmpty())
                MDIArea->setActiveSubWindow(order.last());
            break;
        }
        case 1:    // one above the other, each as wide as the area
        case 2: {  // side by side, each as high as the area
            if (windows.isEmpty())
                break;
            const bool stacked = how == 1;
            // Fixed windows take their own room; the others share what is left.
            int fixedRoom = 0, shared = 0;
            for (QMdiSubWindow *sub : windows) {
                if (fixedSize(sub))
                    fixedRoom += stacked ? sub->height() : sub->width();
                else
                    ++shared;
            }
            const int room = std::max(0, (stacked ? area.height() : area.width()) - fixedRoom);
            int at = 0, placed = 0;
            for (QMdiSubWindow *sub : windows) {
                if (fixedSize(sub)) {
                    sub->move(stacked ? QPoint(0, at) : QPoint(at, 0));
                    at += stacked ? sub->height() : sub->width();
                    continue;
                }
                ++placed;
                const int share = placed == shared ? room - (room / shared) * (shared - 1) : room / shared;
                QRect r = stacked ? QRect(0, at, area.width(), share) : QRect(at, 0, share, area.height());
                r.setSize(r.size().expandedTo(smallest(sub)));
                sub->setGeometry(r);
                at += stacked ? r.height() : r.width();
            }
            break;
        }
        case 3: {  // minimised windows in a row along the bottom
            int x = 0;
            for (QMdiSubWindow *sub : MDIArea->subWindowList(QMdiArea::CreationOrder)) {
                if (!sub->isVisible() || !sub->isMinimized())
                    continue;
                const QSize s = sub->size();
                if (x > 0 && x + s.width() > area.width())
                    x = 0;
                sub->move(x, area.height() - s.height());
                x += s.width();
            }
            break;
        }
        default:
            break;
    }
}

void Base::keepInside(QMdiSubWindow *sub) {
    if (!sub || !sub->isVisible() || sub->isMinimized() || sub->isMaximized())
        return;
    const QRect area = MDIArea->viewport()->rect();
    if (area.isEmpty())
        return;
    QRect r = sub->geometry();
    // A resizable window larger than the area is made to fit; a fixed one keeps its size.
    if (!fixedSize(sub))
        r.setSize(r.size().boundedTo(area.size()).expandedTo(smallest(sub)));
    r.moveLeft(std::clamp(r.left(), 0, std::max(0, area.width() - r.width())));
    r.moveTop(std::clamp(r.top(), 0, std::max(0, area.height() - r.height())));
    if (r != sub->geometry())
        sub->setGeometry(r);
}

void Base::addUnloadFirst(std::function<void()> closer) {
    unloadFirst_.push_back(std::move(closer));
}

bool Base::ext_Click(int) {
    for (const auto &closer : unloadFirst_) {
        guarded([&] {
            if (closer)
                closer();
        });
    }
    // Every child is asked before any goes: a refusal leaves the frame as it was.
    QList<MdiChild *> children;
    for (QMdiSubWindow *sub : MDIArea->subWindowList(QMdiArea::CreationOrder)) {
        if (auto *child = qobject_cast<MdiChild *>(sub->widget()))
            children.append(child);
    }
    for (MdiChild *child : children) {
        bool allowed = false;
        guarded([&] { allowed = child->QueryUnload(); });
        if (!allowed)
            return false;
    }
    for (MdiChild *child : children)
        guarded([&] { child->Unload(); });
    closingDown_ = true;
    hide();
    closingDown_ = false;
    QCoreApplication::quit();
    return true;
}

void Base::closeEvent(QCloseEvent *event) {
    if (closingDown_ || ext_Click(1))
        event->accept();
    else
        event->ignore();
}

void Base::changeEvent(QEvent *event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        guarded([this] { MDIForm_Activate(); });
    QMainWindow::changeEvent(event);
}

void Base::MDIForm_Activate() {
    About::Unload();
}

void Base::scf_Click(int) {
    OpenScriptFileIntoBox(this);
}

void Base::openScriptFile(QWidget *dialogParent) {
    OpenScriptFileIntoBox(dialogParent);
}

void Base::showRemoteControl() {
    DJPlayerInstance().rct_Click(190);
}

void Base::opss_Click(int) {
    Stat::ShowModal(true);
}

void Base::oppl_Click(int) {
    if (QWidget *remote = RemoteIfLoaded())
        remote->hide();
    DJPlayerInstance().Show();
}

void Base::opsc_Click(int) {
    ScriptsBoxInstance().Show();
}

void Base::cnt_Click(int) {
    ShowHelpContents();
}

void Base::Tp_Click(int) {
    HelpOfDay::ShowModal();
}

void Base::abo_Click(int) {
    Begin::ShowModal();
}
