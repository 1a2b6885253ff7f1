#include "script/ScriptsBox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGroupBox>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QPointer>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QThread>
#include <QToolBar>
#include <atomic>
#include <exception>
#include <functional>
#include <map>
#include <memory>

#include "core/ApplicationFunctions.h"
#include "core/Frame.h"
#include "core/Globals.h"
#include "core/HelpOfDay.h"
#include "core/WarningWindows.h"
#include "platform/FileSystem.h"
#include "platform/Guarded.h"
#include "platform/Rtf.h"
#include "platform/TextFile.h"
#include "platform/VbError.h"
#include "script/Stat.h"

namespace {

const char *const kUnknownScript = "Unknown Script";
const char *const kSaveQuestion = "Do you want to save changes in Script?";
// The clipboard forms of rich text other programs offer; the first is ours.
const char *const kRtfFormats[] = {"text/rtf", "application/rtf", "text/richtext"};

int px(int twips) {
    return twips / 15;
}

QFont designFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    return font;
}

QFont firstDialogFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(10);
    return font;
}

// The shared open and save dialog; "" when cancelled.
QString chooseScriptFile(QWidget *parent, bool save) {
    QFileDialog dialog(parent,
                       save ? QStringLiteral("Save Script File") : QStringLiteral("Open Script File"));
    dialog.setObjectName(QStringLiteral("CommonDialog1"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Only a saved name gets the extension: an existing file is opened by the name it has.
    if (save)
        dialog.setDefaultSuffix(QStringLiteral("rtf"));
    // Both cases: names from Windows disks often end in .RTF or .TXT.
    dialog.setNameFilters({QStringLiteral("RTF file(*.rtf *.RTF)"), QStringLiteral("Text files(*.txt *.TXT)"),
                           QStringLiteral("All files(*)")});
    if (save && !ScriptFilePath.isEmpty())
        dialog.selectFile(ScriptFilePath);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

// A script file's document: RTF when the bytes are RTF, else plain text. A new
// document starts with nothing to undo: a loaded file is where undoing stops.
void buildDocument(const QByteArray &bytes, const QFont &font, QTextDocument *document) {
    document->setDefaultFont(font);
    document->setUndoRedoEnabled(false);
    if (Rtf::isRtf(bytes)) {
        Rtf::read(bytes, document);
    } else {
        QString text = TextFile::decode(bytes);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        document->setPlainText(text);
    }
    document->setUndoRedoEnabled(true);
}

}  // namespace

// ---- the rich-text box ----

QMimeData *ScriptText::createMimeDataFromSelection() const {
    auto *data = new QMimeData;
    const QTextCursor cursor = textCursor();
    data->setData(QString::fromLatin1(kRtfFormats[0]), Rtf::writeSelection(cursor));
    // The same text for programs that take no rich text, so they never paste an older copy.
    data->setText(cursor.selection().toPlainText());
    return data;
}

bool ScriptText::canInsertFromMimeData(const QMimeData *source) const {
    for (const char *format : kRtfFormats) {
        if (source->hasFormat(QString::fromLatin1(format)))
            return true;
    }
    return source->hasText();
}

void ScriptText::insertFromMimeData(const QMimeData *source) {
    for (const char *format : kRtfFormats) {
        const QByteArray bytes = source->data(QString::fromLatin1(format));
        if (Rtf::isRtf(bytes)) {
            QTextCursor cursor = textCursor();
            Rtf::insert(bytes, cursor);
            setTextCursor(cursor);
            ensureCursorVisible();
            return;
        }
    }
    if (source->hasText()) {
        textCursor().insertText(source->text());
        ensureCursorVisible();
    }
}

// ---- the window ----

ScriptsBox &ScriptsBoxInstance() {
    // Lives as long as the program, like the frame that holds it.
    static ScriptsBox *instance = new ScriptsBox;
    return *instance;
}

ScriptsBox::ScriptsBox() : MdiChild(nullptr) {
    setObjectName(QStringLiteral("ScriptsBox"));
    setWindowTitle(QString::fromLatin1(kUnknownScript));
    resize(px(9600), px(6600));
    dialogFont_ = firstDialogFont();

    buildToolbar();
    Text1 = new ScriptText(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setFont(designFont());
    Text1->document()->setDefaultFont(designFont());
    Text1->setAcceptRichText(true);
    connect(Text1->document(), &QTextDocument::contentsChanged, this,
            [this] { guarded([this] { Text1_Change(); }); });
    buildMenus();
    setSaveEnabled(false);
    Form_Resize();
}

void ScriptsBox::buildToolbar() {
    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setIconSize(QSize(24, 24));
    struct Button {
        const char *key;  // null: a separator
        QIcon icon;
        const char *tip;
    };
    QStyle *s = style();
    const Button buttons[] = {
        {"New", s->standardIcon(QStyle::SP_FileIcon), "Новый"},
        {"Open", s->standardIcon(QStyle::SP_DialogOpenButton), "Открыть файл"},
        {"Save", s->standardIcon(QStyle::SP_DialogSaveButton), "Сохранить файл"},
        {"Print", QIcon::fromTheme(QStringLiteral("document-print")), "Печать"},
        {nullptr, {}, nullptr},
        {"Cut", QIcon(QStringLiteral(":/images/tb_cut.png")), "Вырезать"},
        {"Copy", QIcon(QStringLiteral(":/images/tb_copy.png")), "Копировать"},
        {"Paste", QIcon(QStringLiteral(":/images/tb_paste.png")), "Вставить"},
        {nullptr, {}, nullptr},
        {"Help", QIcon(QStringLiteral(":/images/tb_help.png")), "Справка"},
    };
    for (const Button &b : buttons) {
        if (!b.key) {
            toolbarButtons_.append(Toolbar1->addSeparator());
            continue;
        }
        auto *action = new QAction(this);
        action->setObjectName(QString::fromLatin1(b.key));
        action->setText(QString::fromLatin1(b.key));
        action->setToolTip(QString::fromUtf8(b.tip));
        action->setIcon(b.icon);
        Toolbar1->addAction(action);
        if (QWidget *button = Toolbar1->widgetForAction(action))
            button->setObjectName(QString::fromLatin1(b.key));
        const QString key = QString::fromLatin1(b.key);
        connect(action, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
        toolbarButtons_.append(action);
    }
    // No printing is offered.
    Toolbar1Button(QStringLiteral("Print"))->setVisible(false);
}

QAction *ScriptsBox::Toolbar1Button(const QString &key) const {
    for (QAction *a : toolbarButtons_) {
        if (!a->isSeparator() && a->objectName() == key)
            return a;
    }
    return nullptr;
}

void ScriptsBox::buildMenus() {
    auto menu = [this](const char *name, const QString &caption) {
        auto *m = new QMenu(caption, this);
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        barMenus_.append(m);
        return m;
    };
    using Handler = void (ScriptsBox::*)(int);
    // Array elements carry their index in the object name.
    auto item = [this](QMenu *parent, const QString &name, int index, const QString &caption, Handler handler,
                       const QKeySequence &key = {}) {
        QAction *a = parent->addAction(caption);
        a->setObjectName(name);
        if (!key.isEmpty())
            a->setShortcut(key);
        if (handler) {
            connect(a, &QAction::triggered, this,
                    [this, handler, index] { guarded([&] { (this->*handler)(index); }); });
        }
        return a;
    };
    auto arrayItem = [&](QMenu *parent, const char *name, int index, const QString &caption, Handler handler,
                         const QKeySequence &key = {}) {
        return item(parent, QStringLiteral("%1(%2)").arg(QString::fromLatin1(name)).arg(index), index,
                    caption, handler, key);
    };

    Fi = menu("Fi", QStringLiteral("File"));
    ns = item(Fi, "ns", 14, "New Script", &ScriptsBox::ns_Click, QKeySequence("Ctrl+N"));
    oo = item(Fi, "oo", 11, "Open Script File", &ScriptsBox::oo_Click, QKeySequence("Ctrl+O"));
    ssfa = item(Fi, "ssfa", 13, "Save Script File", &ScriptsBox::ssfa_Click, QKeySequence("Ctrl+S"));
    ssf = item(Fi, "ssf", 12, "Save Script File As...", &ScriptsBox::ssf_Click);
    Fi->addSeparator();
    opss = item(Fi, "opss", 18, "Open Statistics", &ScriptsBox::opss_Click);
    Fi->addSeparator()->setVisible(false);
    // No printing is offered: the item is never shown.
    prt = item(Fi, "prt", 15, "Print", nullptr, QKeySequence("Ctrl+P"));
    prt->setVisible(false);
    Fi->addSeparator();
    ll = item(Fi, "ll", 17, "Close", &ScriptsBox::ll_Click, QKeySequence("Ctrl+F4"));

    ee = menu("ee", QStringLiteral("Edit"));
    const char *const edits[] = {"Cut", "Copy", "Paste", "Delete", "Select All"};
    for (int k = 0; k < 5; ++k)
        edt[k] = arrayItem(ee, "edt", 51 + k, edits[k], k < 4 ? &ScriptsBox::edt_Click : nullptr,
                           k == 4 ? QKeySequence("Ctrl+A") : QKeySequence());
    edt[4]->setVisible(false);

    pr = menu("pr", QStringLiteral("Process"));
    sh = item(pr, "sh", 15, "Players && DJ Mixpad", &ScriptsBox::sh_Click);
    rmt = item(pr, "rmt", 52, "Remote Control", &ScriptsBox::rmt_Click);

    op = menu("op", QStringLiteral("Font"));
    ffs = item(op, "ffs", 21, "Fonts...", &ScriptsBox::ffs_Click);
    op->addSeparator();
    const char *const styles[] = {"Bold", "Italic", "Underline"};
    for (int k = 0; k < 3; ++k) {
        // The handler inverts the check itself (it is also called without the menu),
        // so the menu's own toggle is taken back first.
        QAction *a = op->addAction(styles[k]);
        a->setObjectName(QStringLiteral("fnt(%1)").arg(22 + k));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a, k] {
            a->setChecked(!a->isChecked());
            guarded([&] { fnt_Click(22 + k); });
        });
        fnt[k] = a;
    }

    win = menu("win", QStringLiteral("Window"));
    const char *const arranges[] = {"Tile Horizontally", "Tile Vertically", "Cascade", "Arrange Icons"};
    for (int k = 0; k < 4; ++k)
        wn[k] = arrayItem(win, "wn", 31 + k, arranges[k], &ScriptsBox::wn_Click);
    // The frame's child windows follow the arrange commands.
    connect(win, &QMenu::aboutToShow, this, [this] {
        const QList<QAction *> actions = win->actions();
        for (int k = 4; k < actions.size(); ++k) {
            win->removeAction(actions[k]);
            actions[k]->deleteLater();
        }
        QMdiArea *area = FrameInstance().mdiArea();
        bool first = true;
        for (QMdiSubWindow *sub : area->subWindowList(QMdiArea::CreationOrder)) {
            if (!sub->isVisible())
                continue;
            if (first)
                win->addSeparator();
            first = false;
            // "&" in a title is a letter, not an access-key mark.
            QAction *a = win->addAction(sub->windowTitle().replace(QLatin1Char('&'), QStringLiteral("&&")));
            a->setCheckable(true);
            a->setChecked(sub == area->activeSubWindow());
            connect(a, &QAction::triggered, area, [area, sub] { area->setActiveSubWindow(sub); });
        }
    });

    hlp = menu("hlp", QStringLiteral("Help"));
    cnt = item(hlp, "cnt", 40, "Contents", &ScriptsBox::cnt_Click, QKeySequence(Qt::Key_F1));
    tip = item(hlp, "tip", 41, "Tips", &ScriptsBox::tip_Click);
    reg = item(hlp, "reg", 44, "User Information", nullptr);
    reg->setVisible(false);
    hlp->addSeparator();
    abo = item(hlp, "abo", 43, "About...", &ScriptsBox::abo_Click);
}

QList<QMenu *> ScriptsBox::childMenus() const {
    return barMenus_;
}

QWidget *ScriptsBox::windowFrame() {
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        return sub;
    return this;
}

void ScriptsBox::Load() {
    if (!joinedFrame_) {
        joinedFrame_ = true;
        if (QMdiSubWindow *sub = FrameInstance().addChild(this)) {
            sub->setWindowTitle(windowTitle());
            sub->setWindowIcon(QIcon(QStringLiteral(":/images/tb_script.png")));
            // Ctrl+F4 is the box's own "Close"; the window's system menu must not claim it too.
            if (QMenu *system = sub->systemMenu()) {
                for (QAction *a : system->actions()) {
                    if (a->shortcut() == QKeySequence("Ctrl+F4"))
                        a->setShortcut(QKeySequence());
                }
            }
            sub->resize(px(9600), px(6600));
        }
    }
    if (!loaded_) {
        // A child window shows itself when it is loaded.
        loaded_ = true;
        windowFrame()->show();
        show();
    }
}

void ScriptsBox::Show() {
    Load();
    QWidget *frame = windowFrame();
    frame->show();
    show();
    frame->raise();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(frame)) {
        if (sub->mdiArea())
            sub->mdiArea()->setActiveSubWindow(sub);
    }
}

void ScriptsBox::setCaption(const QString &caption) {
    setWindowTitle(caption);
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->setWindowTitle(caption);
}

void ScriptsBox::SetCaption(const QString &caption) {
    setCaption(caption);
}

void ScriptsBox::setSaveEnabled(bool enabled) {
    ssfa->setEnabled(enabled);
    Toolbar1Button(QStringLiteral("Save"))->setEnabled(enabled);
}

QString ScriptsBox::CaptionOf(const QString &path) {
    const QString title = QFileInfo(path).fileName();
    // A title too short to lose an extension is shown whole.
    if (title.size() < 4)
        return title;
    return ApplicationFunctionsInstance().FileNameOnly(title);
}

void ScriptsBox::LoadTextFile(const QString &path) {
    // One load at a time: a command that would start another while one is running fails.
    if (loadingText_)
        throw VbError(QStringLiteral("A script is being opened"));
    if (!FileSystem::isExistingFile(path))
        throw VbError(QStringLiteral("No such file: ") + path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw VbError(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw VbError(file.errorString());
    file.close();

    // The text is built away from the screen, on a thread of its own, and handed to
    // the editor whole: an editor on screen filled piece by piece lays itself out
    // again and again, and the console's timers keep running while a large script
    // is read. The user's clicks and keys wait until the script is in.
    loadingText_ = true;
    const QFont font = Text1->document()->defaultFont();
    QThread *const uiThread = thread();
    // An atomic: the document crosses to this thread through it, in an order the
    // thread sanitizer sees (it cannot see QThread::wait's).
    std::atomic<QTextDocument *> built{nullptr};
    std::unique_ptr<QThread> worker(QThread::create([&bytes, &font, &built, uiThread] {
        try {
            auto document = std::make_unique<QTextDocument>();
            buildDocument(bytes, font, document.get());
            document->moveToThread(uiThread);
            built.store(document.release(), std::memory_order_release);
        } catch (...) {
        }
    }));
    QEventLoop waiting;
    connect(worker.get(), &QThread::finished, &waiting, &QEventLoop::quit);
    worker->start();
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
    // The loop also ends when the program quits; the document is complete only
    // once the thread is.
    worker->wait();
    loadingText_ = false;
    QTextDocument *const document = built.load(std::memory_order_acquire);
    if (!document)
        throw VbError(QStringLiteral("The script could not be read: ") + path);
    showDocument(document);
}

void ScriptsBox::showDocument(QTextDocument *document) {
    // The editor deletes a document of its own when it gets another; one that
    // an earlier load gave it is deleted here.
    const QPointer<QTextDocument> old = Text1->document();
    document->setParent(Text1);
    document->setDocumentMargin(old->documentMargin());
    document->setDefaultTextOption(old->defaultTextOption());
    connect(document, &QTextDocument::contentsChanged, this, [this] { guarded([this] { Text1_Change(); }); });
    Text1->setDocument(document);
    if (old && old->parent() == Text1)
        delete old.data();
    Text1->moveCursor(QTextCursor::Start);
    // Loading is a change of the text like any other.
    Text1_Change();
}

void ScriptsBox::SaveTextFile(const QString &path) {
    // A read-only file (a statistics report above all) is refused even where the
    // system would let its owner replace it.
    if (FileSystem::isExistingFile(path) && FileSystem::isReadOnly(path))
        throw VbError(QStringLiteral("The file is read-only: ") + path);
    FileSystem::writeWhole(path, Rtf::write(Text1->document()));
}

bool ScriptsBox::AskSaveChanges() {
    if (!ScriptModified)
        return true;
    const int answer = WarningWindows(QString::fromLatin1(kSaveQuestion), 3);
    if (answer == 2) {
        ssf_Click(12);
        return !ScriptModified;
    }
    return answer == 3;
}

void ScriptsBox::Text1_Change() {
    setSaveEnabled(true);
    ScriptModified = true;
}

void ScriptsBox::NewFileScr() {
    Text1->clear();
    Text1->setCurrentCharFormat(QTextCharFormat());
    setCaption(QString::fromLatin1(kUnknownScript));
    ScriptFilePath.clear();
    setSaveEnabled(false);
    ScriptModified = false;
}

void ScriptsBox::OpScrFi() {
    const QString path = chooseScriptFile(this, false);
    if (path.isEmpty())
        return;
    const QString previous = ScriptFilePath;
    ScriptFilePath = path;
    try {
        LoadTextFile(path);
    } catch (const std::exception &) {
        // The old text stays, and so does the file a later Save writes it to.
        ScriptFilePath = previous;
        WarningWindows(QStringLiteral("Unknown error in opening file: ") + path, 0);
        return;
    }
    setCaption(CaptionOf(path));
    setSaveEnabled(false);
    ScriptModified = false;
}

void ScriptsBox::OpenStatFile(QString &sFile) {
    Load();
    const QString previous = ScriptFilePath;
    ScriptFilePath = sFile;
    try {
        LoadTextFile(sFile);
    } catch (const std::exception &) {
        ScriptFilePath = previous;
        WarningWindows(QStringLiteral("Unknown error in opening file: ") + sFile, 0);
        return;
    }
    setCaption(sFile);
    setSaveEnabled(false);
    ScriptModified = false;
}

void ScriptsBox::ns_Click(int) {
    if (AskSaveChanges())
        NewFileScr();
}

void ScriptsBox::oo_Click(int) {
    if (AskSaveChanges())
        OpScrFi();
}

void ScriptsBox::opss_Click(int) {
    // The question was asked here, so the report replaces the script without another.
    if (AskSaveChanges())
        Stat::ShowModal(false);
}

void ScriptsBox::ssf_Click(int) {
    const QString path = chooseScriptFile(this, true);
    if (path.isEmpty())
        return;
    ScriptFilePath = path;
    try {
        SaveTextFile(path);
    } catch (const std::exception &) {
        WarningWindows(QStringLiteral("Unknown error in saving file: ") + ScriptFilePath, 0);
        return;
    }
    setCaption(CaptionOf(path));
    setSaveEnabled(false);
    ScriptModified = false;
}

void ScriptsBox::ssfa_Click(int) {
    if (ScriptFilePath.isEmpty()) {
        ssf_Click(12);
        return;
    }
    try {
        SaveTextFile(ScriptFilePath);
    } catch (const std::exception &) {
        WarningWindows(QStringLiteral("Unknown error in saving file: ") + ScriptFilePath, 0);
        return;
    }
    setSaveEnabled(false);
    ScriptModified = false;
}

void ScriptsBox::ll_Click(int) {
    windowFrame()->hide();
}

void ScriptsBox::edt_Click(int Index) {
    switch (Index) {
        case 51:
            Text1->cut();
            break;
        case 52:
            Text1->copy();
            break;
        case 53:
            Text1->paste();
            break;
        case 54: {
            QTextCursor cursor = Text1->textCursor();
            cursor.removeSelectedText();
            Text1->setTextCursor(cursor);
            break;
        }
        default:
            break;
    }
}

void ScriptsBox::sh_Click(int) {
    FrameInstance().showConsole();
}

void ScriptsBox::rmt_Click(int) {
    FrameInstance().showRemoteControl();
}

void ScriptsBox::ffs_Click(int) {
    QFontDialog dialog(dialogFont_, this);
    dialog.setObjectName(QStringLiteral("CommonDialog1"));
    dialog.setOption(QFontDialog::DontUseNativeDialog, true);
    // The dialog's effects offer a colour beside strikeout and underline, from the
    // sixteen basic colours.
    static const std::pair<const char *, QRgb> colors[] = {
        {"Black", 0x000000},  {"Maroon", 0x800000},  {"Green", 0x008000}, {"Olive", 0x808000},
        {"Navy", 0x000080},   {"Purple", 0x800080},  {"Teal", 0x008080},  {"Gray", 0x808080},
        {"Silver", 0xC0C0C0}, {"Red", 0xFF0000},     {"Lime", 0x00FF00},  {"Yellow", 0xFFFF00},
        {"Blue", 0x0000FF},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0x00FFFF},  {"White", 0xFFFFFF}};
    auto *color = new QComboBox;
    color->setObjectName(QStringLiteral("Color"));
    for (const auto &[name, rgb] : colors) {
        QPixmap swatch(12, 12);
        swatch.fill(QColor(rgb));
        color->addItem(QIcon(swatch), QString::fromLatin1(name), QColor(rgb));
    }
    color->setCurrentIndex(std::max(0, color->findData(dialogColor_)));
    const QList<QGroupBox *> groups = dialog.findChildren<QGroupBox *>();
    if (!groups.isEmpty() && groups.first()->layout())
        groups.first()->layout()->addWidget(color);
    else
        color->setParent(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QFont font = dialog.selectedFont();
    dialogFont_ = font;
    dialogColor_ = color->currentData().value<QColor>();
    QTextCharFormat format;
    format.setFontWeight(font.bold() ? QFont::Bold : QFont::Normal);
    format.setFontItalic(font.italic());
    format.setFontUnderline(font.underline());
    format.setFontStrikeOut(font.strikeOut());
    format.setForeground(dialogColor_);
    if (font.pointSizeF() > 0)
        format.setFontPointSize(font.pointSizeF());
    Rtf::setFontFamily(format, font.family());
    Text1->mergeCurrentCharFormat(format);
}

void ScriptsBox::fnt_Click(int Index) {
    if (Index < 22 || Index > 24)
        return;
    QAction *item = fnt[Index - 22];
    item->setChecked(!item->isChecked());
    const bool on = item->isChecked();
    QTextCharFormat format;
    if (Index == 22)
        format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    else if (Index == 23)
        format.setFontItalic(on);
    else
        format.setFontUnderline(on);
    Text1->mergeCurrentCharFormat(format);
}

void ScriptsBox::wn_Click(int Index) {
    FrameInstance().ArrangeFromWindowMenu(Index);
}

void ScriptsBox::cnt_Click(int) {
    ShowHelpContents();
}

void ScriptsBox::tip_Click(int) {
    HelpOfDay::ShowModal();
}

void ScriptsBox::abo_Click(int) {
    FrameInstance().showAbout();
}

void ScriptsBox::Toolbar1_ButtonClick(const QString &key) {
    static const std::map<QString, std::function<void(ScriptsBox *)>> dispatch = {
        {"New", [](ScriptsBox *b) { b->ns_Click(14); }},
        {"Open", [](ScriptsBox *b) { b->oo_Click(11); }},
        {"Save", [](ScriptsBox *b) { b->ssfa_Click(13); }},
        {"Cut", [](ScriptsBox *b) { b->edt_Click(51); }},
        {"Copy", [](ScriptsBox *b) { b->edt_Click(52); }},
        {"Paste", [](ScriptsBox *b) { b->edt_Click(53); }},
        {"Help", [](ScriptsBox *b) { b->cnt_Click(40); }},
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

void ScriptsBox::Form_Resize() {
    const ApplicationFunctions &af = ApplicationFunctionsInstance();
    Toolbar1->setGeometry(0, 0, width(), px(570));
    // Never a negative height, however small the window.
    Text1->setGeometry(0, px(600), int(af.ConvToPositiveNum(width())),
                       int(af.ConvToPositiveNum(height() - px(600))));
}

void ScriptsBox::resizeEvent(QResizeEvent *event) {
    MdiChild::resizeEvent(event);
    guarded([this] { Form_Resize(); });
}

void ScriptsBox::resetToDesign() {
    Text1->clear();
    Text1->setCurrentCharFormat(QTextCharFormat());
    setCaption(QString::fromLatin1(kUnknownScript));
    for (QAction *a : fnt)
        a->setChecked(false);
    dialogFont_ = firstDialogFont();
    dialogColor_ = Qt::black;
    // A box loaded later starts as a new script, and no later Save can write
    // its text over the earlier script's file.
    ScriptFilePath.clear();
    ScriptModified = false;
    setSaveEnabled(false);
}

bool ScriptsBox::QueryUnload() {
    // Not while a script is being read into the box.
    if (loadingText_)
        return false;
    return AskSaveChanges();
}

void ScriptsBox::Unload() {
    resetToDesign();
    windowFrame()->hide();
    loaded_ = false;
}

void ScriptsBox::closeEvent(QCloseEvent *event) {
    // The window is kept and made new when it unloads; the close box asks first.
    event->ignore();
    guarded([this] {
        if (QueryUnload())
            Unload();
    });
}

void OpenScriptFileIntoBox(QWidget *dialogParent) {
    try {
        ScriptsBox &box = ScriptsBoxInstance();
        if (!box.AskSaveChanges())
            return;
        const QString path = chooseScriptFile(dialogParent, false);
        if (path.isEmpty())
            return;
        const QString previous = ScriptFilePath;
        ScriptFilePath = path;
        try {
            box.Load();
            box.LoadTextFile(path);
        } catch (const std::exception &) {
            ScriptFilePath = previous;
            WarningWindows(QStringLiteral("Unknown error in opening file: ") + path, 0);
            return;
        }
        box.SetCaption(ScriptsBox::CaptionOf(path));
        // The Save command stays as the load left it.
        ScriptModified = false;
    } catch (const std::exception &) {
    }
}
