// The console's menus, its load, its close guard, the toolbar's dispatch and
// the menu commands of the window itself.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "console/Broadcast.h"
#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "console/MediaFiles_Jingles.h"
#include "console/Mixer.h"
#include "console/ToolTips.h"
#include "core/Frame.h"
#include "core/Globals.h"
#include "core/HelpOfDay.h"
#include "core/OpenSaveFiles.h"
#include "core/UserInf.h"
#include "core/WarningWindows.h"
#include "platform/Guarded.h"
#include "platform/Settings.h"

namespace {

// Menu arrays with several elements; a one-element array keeps its plain name.
bool isMenuArray(const QString &name) {
    static const QStringList arrays = {"dB", "ft", "cro", "dBA", "fta", "croa", "cor", "cop", "wn"};
    return arrays.contains(name);
}

QString indexed(const QString &name, int index) {
    return index < 0 || !isMenuArray(name) ? name : QStringLiteral("%1(%2)").arg(name).arg(index);
}

// "True"/"False" in any case, or a number (0 false); anything else is the default.
bool settingAsBool(const QString &key, bool defaultValue) {
    const QString v = Settings::get(key, defaultValue ? "True" : "False").trimmed();
    if (v.compare("True", Qt::CaseInsensitive) == 0)
        return true;
    if (v.compare("False", Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? d != 0 : defaultValue;
}

// Restores the pointer however the load ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

void DJPlayer::buildMenus() {
    auto menu = [this](QMenu *parent, const QString &name, int index, const QString &caption) {
        auto *m = new QMenu(caption, this);
        m->setObjectName(indexed(name, index));
        m->menuAction()->setObjectName(indexed(name, index));
        if (parent)
            parent->addMenu(m);
        return m;
    };
    using Handler = void (DJPlayer::*)(int);
    auto item = [this](QMenu *parent, const QString &name, int index, const QString &caption,
                       Handler handler) -> QAction * {
        QAction *a = nullptr;
        if (caption == "-") {
            a = parent->addSeparator();
        } else {
            a = parent->addAction(caption);
            if (handler) {
                const int i = index < 0 ? 0 : index;
                connect(a, &QAction::triggered, this,
                        [this, handler, i] { guarded([&] { (this->*handler)(i); }); });
            }
        }
        a->setObjectName(indexed(name, index));
        return a;
    };
    const QStringList speeds = {"Very Slow", "Slow", "Normal", "Fast", "Very Fast"};

    fil = menu(nullptr, "fil", 0, "&File");
    opsf = item(fil, "opsf", 1, "Open Script File", &DJPlayer::opsf_Click);
    opsf->setShortcut(QKeySequence("Ctrl+O"));
    opss = item(fil, "opss", 4, "Open Statistics", &DJPlayer::opss_Click);
    opscb = item(fil, "opscb", 2, "-", nullptr);
    ext = item(fil, "ext", 3, "Close", &DJPlayer::ext_Click);
    ext->setShortcut(QKeySequence("Ctrl+F4"));

    pla = menu(nullptr, "pla", 1, "&Process");
    cre = menu(pla, "cre", 11, "Create New Playlist");
    plaa = item(cre, "plaa", 111, "Player A", &DJPlayer::plaa_Click);
    plab = item(cre, "plab", 112, "Player B", &DJPlayer::plab_Click);
    del = item(pla, "del", 12, "Delite Playlist", &DJPlayer::del_Click);
    del->setEnabled(false);
    i = item(pla, "i", -1, "-", nullptr);
    jnc = item(pla, "jnc", 13, "Jingle Custom...", &DJPlayer::jnc_Click);
    bctrl = item(pla, "bctrl", 14, "Broadcast Control", &DJPlayer::bctrl_Click);
    opscd = item(pla, "opscd", 15, "Scripts Box", &DJPlayer::opscd_Click);
    rct = item(pla, "rct", 190, "Remote Control", &DJPlayer::rct_Click);

    opt = menu(nullptr, "opt", 2, "&Options");
    tlk = menu(opt, "tlk", 21, "Talk Level");
    dB[211] = item(tlk, "dB", 211, "Default", &DJPlayer::dB_Click);
    dB[211]->setCheckable(true);
    dB[212] = item(tlk, "dB", 212, "-", nullptr);
    dB[213] = item(tlk, "dB", 213, "Custom...", &DJPlayer::dB_Click);
    fdt = menu(opt, "fdt", 22, "Fade Speed");
    for (int k = 0; k < 5; ++k)
        ft[221 + k] = item(fdt, "ft", 221 + k, speeds[k], &DJPlayer::ft_Click);
    crt = menu(opt, "crt", 23, "Cross Fade Speed");
    for (int k = 0; k < 5; ++k)
        cro[231 + k] = item(crt, "cro", 231 + k, speeds[k], &DJPlayer::cro_Click);
    alc = item(opt, "alc", 27, "Emergency File...", &DJPlayer::alc_Click);
    usi = item(opt, "usi", 26, "User Information...", &DJPlayer::usi_Click);
    ss = item(opt, "ss", -1, "-", nullptr);
    dsc = item(opt, "dsc", 24, "Check repetition of names", nullptr);
    dsc->setCheckable(true);
    // The command sets the check itself, so the item does not toggle on its own.
    connect(dsc, &QAction::triggered, this, [this] {
        dsc->setChecked(!dsc->isChecked());
        guarded([&] { dsc_Click(24); });
    });

    win = menu(nullptr, "win", 3, "&Window");
    const QStringList arrange = {"Tile Horizontally", "Tile Vertically", "Cascade", "Arrange Icons"};
    for (int k = 0; k < 4; ++k)
        wn[31 + k] = item(win, "wn", 31 + k, arrange[k], &DJPlayer::wn_Click);
    // Below the arrange commands: the frame's open child windows, the active one ticked.
    connect(win, &QMenu::aboutToShow, this, [this] {
        for (QAction *a : win->actions())
            if (a->property("childWindowItem").toBool())
                win->removeAction(a), a->deleteLater();
        auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget());
        QMdiArea *area = sub ? sub->mdiArea() : nullptr;
        if (!area)
            return;
        int n = 0;
        for (QMdiSubWindow *child : area->subWindowList()) {
            if (!child->isVisible())
                continue;
            QAction *a = n == 0 ? win->addSeparator() : nullptr;
            if (a)
                a->setProperty("childWindowItem", true);
            a = win->addAction(
                QStringLiteral("&%1 %2").arg(++n).arg(child->windowTitle().replace("&", "&&")));
            a->setProperty("childWindowItem", true);
            a->setCheckable(true);
            a->setChecked(child == area->activeSubWindow());
            connect(a, &QAction::triggered, area, [area, child] { area->setActiveSubWindow(child); });
        }
    });

    hlp = menu(nullptr, "hlp", 4, "&Help");
    cnt = item(hlp, "cnt", 40, "Contents", &DJPlayer::cnt_Click);
    cnt->setShortcut(QKeySequence(Qt::Key_F1));
    tip = item(hlp, "tip", 41, "Tips", &DJPlayer::tip_Click);
    w = item(hlp, "w", 27, "-", nullptr);
    abo = item(hlp, "abo", 42, "About...", &DJPlayer::abo_Click);

    sla = menu(nullptr, "sla", 5, "Slider");
    tlka = menu(sla, "tlka", 51, "Talk Level");
    dBA[511] = item(tlka, "dBA", 511, "Default", &DJPlayer::dBA_Click);
    dBA[511]->setCheckable(true);
    dBA[512] = item(tlka, "dBA", 512, "-", nullptr);
    dBA[513] = item(tlka, "dBA", 513, "Hold Level", &DJPlayer::dBA_Click);
    fdta = menu(sla, "fdta", 52, "Fade Speed");
    for (int k = 0; k < 5; ++k)
        fta[521 + k] = item(fdta, "fta", 521 + k, speeds[k], &DJPlayer::ftA_Click);

    cross = menu(nullptr, "cross", 6, "Cross");
    for (int k = 0; k < 5; ++k)
        croa[61 + k] = item(cross, "croa", 61 + k, speeds[k], &DJPlayer::croa_Click);

    edd = menu(nullptr, "edd", 1, "Edit");
    cor[1] = item(edd, "cor", 1, "Copy Playlist to Player B", &DJPlayer::cor_Click);
    cor[2] = item(edd, "cor", 2, "Replace Playlist to Player B", &DJPlayer::cor_Click);
    cor[3] = item(edd, "cor", 3, "Rename Playlist", &DJPlayer::cor_Click);
    ttt = item(edd, "ttt", -1, "-", nullptr);
    rop = item(edd, "rop", 0, "Replace/Copy Files to...", &DJPlayer::rop_Click);
    t = item(edd, "t", -1, "-", nullptr);
    selal = item(edd, "selal", 3, "Select All", &DJPlayer::selal_Click);
    tttt = item(edd, "tttt", -1, "-", nullptr);
    rnma = item(edd, "rnma", 0, "Rename Item", &DJPlayer::rnma_Click);
    prps = item(edd, "prps", 0, "Properties", &DJPlayer::prps_Click);
    for (QAction *a : {tttt, rnma, prps})
        a->setVisible(false);

    eddd = menu(nullptr, "eddd", 1, "Edit");
    cop[1] = item(eddd, "cop", 1, "Copy Playlist to Player A", &DJPlayer::cop_Click);
    cop[2] = item(eddd, "cop", 2, "Replace Playlist to Player A", &DJPlayer::cop_Click);
    cop[3] = item(eddd, "cop", 3, "Rename Playlist", &DJPlayer::cop_Click);
    u = item(eddd, "u", -1, "-", nullptr);
    rep = item(eddd, "rep", 0, "Replace/Copy Files to...", &DJPlayer::rep_Click);
    uu = item(eddd, "uu", -1, "-", nullptr);
    ssel = item(eddd, "ssel", 2, "Select All", &DJPlayer::ssel_Click);
    uuuu = item(eddd, "uuuu", -1, "-", nullptr);
    rnmb = item(eddd, "rnmb", 0, "Rename Item", &DJPlayer::rnmb_Click);
    prp = item(eddd, "prp", 0, "Properties", &DJPlayer::prp_Click);
    for (QAction *a : {uuuu, rnmb, prp})
        a->setVisible(false);

    barMenus_ = {fil, pla, opt, win, hlp};
}

QList<QMenu *> DJPlayer::childMenus() const {
    return barMenus_;
}

void DJPlayer::Show() {
    if (!joinedFrame_) {
        joinedFrame_ = true;
        if (QMdiSubWindow *sub = FrameInstance().addChild(this)) {
            // No minimise or maximise button.
            sub->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                Qt::WindowCloseButtonHint);
            sub->setWindowTitle(windowTitle());
            // Ctrl+F4 is the console's own "Close"; the window's system menu must not claim it too.
            if (QMenu *system = sub->systemMenu())
                for (QAction *a : system->actions())
                    if (a->shortcut() == QKeySequence("Ctrl+F4"))
                        a->setShortcut(QKeySequence());
            Broadcast::fitBand(*this);
        }
    }
    if (!loaded_) {
        loaded_ = true;
        Form_Load();
    }
    QWidget *frame = windowFrame();
    frame->show();
    show();
    frame->raise();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(frame))
        if (sub->mdiArea())
            sub->mdiArea()->setActiveSubWindow(sub);
}

void DJPlayer::Form_Load() {
    // Every step runs even when an earlier one fails, so a first start on an empty
    // program folder gives a working console.
    WaitCursor wait;
    windowFrame()->show();
    show();
    QCoreApplication::processEvents();

    guarded([] { MediaFiles::LoadJingles(); });
    guarded([this] { JingleCheck(); });

    for (int k = 0; k < 2; ++k) {
        const QString letter = k == 0 ? "A" : "B";
        QComboBox *combo = k == 0 ? Combo1 : Combo2;
        bool &unreadable = k == 0 ? NameListUnreadableA : NameListUnreadableB;
        QStringList names;
        try {
            OpenSaveFilesInstance().OpenCombo(names, letter);
            combo->addItems(names);
        } catch (const std::exception &) {
            unreadable = true;
            guarded([&] {
                WarningWindows("Unknown error in opening file: " + OpenSaveFiles::NameListPath(letter), 0);
            });
        }
        combo->setCurrentIndex(-1);
    }

    guarded([this] { dsc->setChecked(settingAsBool("DisName", false)); });
    guarded([this] { CheckLevel(); });
    guarded([] { ToolTips::SetToolTips(1); });
}

bool DJPlayer::QueryUnload() {
    QString refusal;
    if (PlayerAInUse)
        refusal = "Player A in use. Program can't be closed.";
    else if (PlayerBInUse)
        refusal = "Player B in use. Program can't be closed.";
    else if (Command15->property("Tag").toString() != "Cancel")
        refusal = "Broadcast in use. Program can't be closed.";
    if (!refusal.isEmpty()) {
        WarningWindows(refusal, 0);
        return false;
    }
    return true;
}

void DJPlayer::Unload() {
    HideConsole();
}

void DJPlayer::Toolbar1_ButtonClick(const QString &key) {
    static const std::map<QString, std::function<void(DJPlayer *)>> dispatch = {
        {"script", [](DJPlayer *d) { d->opscd_Click(1); }},
        {"Remote", [](DJPlayer *d) { d->rct_Click(190); }},
        {"NewA", [](DJPlayer *d) { d->plaa_Click(111); }},
        {"NewB", [](DJPlayer *d) { d->plab_Click(112); }},
        {"jin", [](DJPlayer *d) { d->jnc_Click(13); }},
        {"Delete", [](DJPlayer *d) { d->del_Click(12); }},
        {"Broadcon", [](DJPlayer *d) { d->BroadC(); }},
        {"Talk", [](DJPlayer *d) { d->dB_Click(213); }},
        {"Alarm", [](DJPlayer *d) { d->Emerg(); }},
        {"Help", [](DJPlayer *d) { d->cnt_Click(40); }},
    };
    const auto found = dispatch.find(key);
    if (found == dispatch.end())
        return;
    // An error of the command ends the click quietly.
    try {
        found->second(this);
    } catch (...) {
    }
}

void DJPlayer::opsf_Click(int) {
    FrameInstance().openScriptFile(this);
}

void DJPlayer::opss_Click(int) {
    FrameInstance().showStatistics();
}

void DJPlayer::opscd_Click(int) {
    FrameInstance().showScriptBox();
}

void DJPlayer::ext_Click(int) {
    HideConsole();
}

void DJPlayer::usi_Click(int) {
    UserInf::ShowModal();
}

void DJPlayer::dsc_Click(int) {
    dsc->setChecked(!dsc->isChecked());
    Settings::save("DisName", dsc->isChecked() ? "True" : "False");
}

void DJPlayer::wn_Click(int Index) {
    FrameInstance().ArrangeFromWindowMenu(Index);
}

void DJPlayer::cnt_Click(int) {
    ShowHelpContents();
}

void DJPlayer::tip_Click(int) {
    HelpOfDay::ShowModal();
}

void DJPlayer::abo_Click(int) {
    FrameInstance().showAbout();
}

void DJPlayer::JingleCheck() {
    for (int k = 0; k < 12; ++k)
        if (!JinglePath[k].isEmpty())
            Command11[k]->setEnabled(true);
}

void DJPlayer::CheckLevel() {
    // The same reading the talk keys use, so a damaged setting ticks "Default" as it fades to 18.
    if (Mixer::talkLevel() == 18) {
        dB[211]->setChecked(true);
        dBA[511]->setChecked(true);
    }
}
