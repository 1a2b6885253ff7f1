#pragma once
// The script box: a rich-text editor, child window of the frame, in which the
// engineer writes, opens, saves and formats the show's script. It also shows a
// day's statistics report. Its file and modified flag are the globals
// ScriptFilePath and ScriptModified (core/Globals.h).
#include <QColor>
#include <QFont>
#include <QList>
#include <QTextEdit>

#include "core/MdiChild.h"

class QAction;
class QMenu;
class QMimeData;
class QTextDocument;
class QToolBar;

// The rich-text box: the clipboard carries the selection as RTF (and plain text),
// and a paste takes RTF when offered, else plain text.
class ScriptText : public QTextEdit {
    Q_OBJECT
  public:
    using QTextEdit::QTextEdit;

  protected:
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
};

class ScriptsBox : public MdiChild {
    Q_OBJECT
  public:
    // Use ScriptsBoxInstance().
    ScriptsBox();

    QList<QMenu *> childMenus() const override;
    bool QueryUnload() override;
    void Unload() override;

    // Loads the window when it is not loaded (a newly loaded box shows itself).
    void Load();
    // Shows the window modelessly and brings it to the front.
    void Show();
    bool isLoaded() const { return loaded_; }

    void OpenStatFile(QString &sFile);
    void OpScrFi();
    void NewFileScr();

    // Reads a script file into Text1: RTF when the content is RTF, else plain text.
    // Raises VbError when it cannot be read.
    void LoadTextFile(const QString &path);
    // Writes Text1 to the file as RTF, the old file left whole on failure. Raises VbError.
    void SaveTextFile(const QString &path);
    // The caption for a file name: the name without its last four characters
    // (the whole name when it is shorter).
    static QString CaptionOf(const QString &path);
    void SetCaption(const QString &caption);
    // The save-changes question: true when the command may go on.
    bool AskSaveChanges();

    // Menu handlers (the menu index as argument).
    void ns_Click(int Index = 14);
    void oo_Click(int Index = 11);
    void ssfa_Click(int Index = 13);
    void ssf_Click(int Index = 12);
    void opss_Click(int Index = 18);
    void ll_Click(int Index = 17);
    void edt_Click(int Index);
    void sh_Click(int Index = 15);
    void rmt_Click(int Index = 52);
    void ffs_Click(int Index = 21);
    void fnt_Click(int Index);
    void wn_Click(int Index);
    void cnt_Click(int Index = 40);
    void tip_Click(int Index = 41);
    void abo_Click(int Index = 43);
    void Toolbar1_ButtonClick(const QString &key);
    void Text1_Change();
    void Form_Resize();

    QToolBar *Toolbar1 = nullptr;
    ScriptText *Text1 = nullptr;
    QMenu *Fi = nullptr, *ee = nullptr, *pr = nullptr, *op = nullptr, *win = nullptr, *hlp = nullptr;
    QAction *ns = nullptr, *oo = nullptr, *ssfa = nullptr, *ssf = nullptr, *opss = nullptr, *prt = nullptr,
            *ll = nullptr;
    QAction *edt[5] = {};  // 51..55
    QAction *sh = nullptr, *rmt = nullptr, *ffs = nullptr;
    QAction *fnt[3] = {};  // 22..24
    QAction *wn[4] = {};   // 31..34
    QAction *cnt = nullptr, *tip = nullptr, *reg = nullptr, *abo = nullptr;
    // The toolbar's button of a key ("New", "Open", "Save", "Print", "Cut", ...).
    QAction *Toolbar1Button(const QString &key) const;

  protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

  private:
    void buildMenus();
    void buildToolbar();
    void setCaption(const QString &caption);
    // Puts the document, built away from the screen, in the editor in place of its own.
    void showDocument(QTextDocument *document);
    void setSaveEnabled(bool enabled);
    void resetToDesign();
    QWidget *windowFrame();

    QList<QMenu *> barMenus_;
    QList<QAction *> toolbarButtons_;
    QFont dialogFont_;
    QColor dialogColor_ = Qt::black;
    bool loaded_ = false;
    bool joinedFrame_ = false;
    bool loadingText_ = false;
};

// The one script box, made on first use.
ScriptsBox &ScriptsBoxInstance();

// "Open Script File" of the frame and of the console: the save-changes question
// when the script is modified, the open dialog, then the file in the script box.
void OpenScriptFileIntoBox(QWidget *dialogParent);
