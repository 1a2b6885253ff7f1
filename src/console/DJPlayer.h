#pragma once
// The console "Players & DJ Mixpad": players A and B with their playlists, the
// mixer, the jingles, the broadcast-time panel, the emergency banner, the
// toolbar and the menus. One instance, created on first use; its controls are
// built in the constructor and its load runs when it is first shown.
//
// Names: every control, menu item and timer is a public member named as the
// console's design names it, and its objectName is that name. An element of a
// control array is "Name(Index)" ("Command11(0)", "Ind1(5)", "Text1(1)"). An
// element of a menu array with several elements is "Name(Index)" ("ft(221)",
// "dB(212)" for a separator, "cor(1)"); every other menu item keeps its plain
// name ("opsf", "del", "i", "ss"). A submenu is a QMenu with the same name as
// its menuAction ("cre"). Toolbar buttons are QActions (and their QToolButtons)
// named by their keys ("NewA", "Broadcon"). A control's Tag is its dynamic
// property "Tag" (QString).
//
// Event wiring (constructor):
//   buttons: clicked -> _Click; check boxes: toggled -> _Click (also when code
//   changes the value); Combo1/2: activated -> _Click (code that sets the index
//   calls the handler itself); List1/2: a left press on an item, or a key that
//   moves the current item or the selection, -> _Click once, after the list has
//   settled; itemDoubleClicked -> _DblClick; mouse press/release -> _MouseDown/_MouseUp
//   (Button 1 left, 2 right, 4 middle; Shift 1 Shift, 2 Ctrl, 4 Alt; X, Y in twips);
//   key release -> _KeyUp (Windows virtual-key codes); focus in -> _GotFocus.
//   Level sliders Slider1..3: valueChanged -> _Change (which calls _Scroll).
//   Position sliders Scrol1/2: sliderMoved and the user's page/step actions ->
//   _Scroll; valueChanged -> _Change.
//   Text boxes: typed character -> _KeyPress (KeyAscii 0 discards it), textChanged
//   -> _Change, focus out -> _LostFocus. Menu items: triggered -> _Click(Index).
//   Toolbar: triggered -> Toolbar1_ButtonClick(key). Timers: timeout -> _Timer.
//   MediaPlayer1/2: EndOfStream -> MediaPlayerN_EndOfStream.
#include <QList>
#include <QString>
#include <array>
#include <map>

#include "core/MdiChild.h"

class MediaPlayer;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QSlider;
class QTimer;
class QToolBar;

class DJPlayer : public MdiChild {
    Q_OBJECT
  public:
    // Use DJPlayerInstance().
    DJPlayer();
    ~DJPlayer() override;

    // First time: joins the frame and runs the load; then shows and activates the window.
    void Show();
    // Hides the console (its frame window inside the frame); everything runs on.
    void HideConsole();
    bool isLoaded() const { return loaded_; }
    // The designed client area (the broadcast strip below it not included).
    QSize sizeHint() const override;
    // Gives the window its designed size, with the 680-twip band below it or without. The
    // size is fixed: no arrangement of the frame and no drag of an edge changes it, so the
    // band's show and hide always start from the designed height.
    void FitDesignedSize(bool withBand);

    // MdiChild
    QList<QMenu *> childMenus() const override;
    // The close guard: false refuses (after its message).
    bool QueryUnload() override;
    // The close goes on: the console hides.
    void Unload() override;

    // ---- Player A (Frame1) and player B (Frame2) ----
    QGroupBox *Frame1 = nullptr, *Frame2 = nullptr;
    QComboBox *Combo1 = nullptr, *Combo2 = nullptr;
    QListWidget *List1 = nullptr, *List2 = nullptr;          // display names
    QListWidget *List3 = nullptr, *List4 = nullptr;          // full paths (hidden)
    QPushButton *Command1 = nullptr, *Command3 = nullptr;    // "Add"
    QPushButton *Command2 = nullptr, *Command4 = nullptr;    // "Delete"
    QPushButton *Command9 = nullptr, *Command10 = nullptr;   // "Play"/"Pause"
    QPushButton *Command13 = nullptr, *Command14 = nullptr;  // "Stop"
    QCheckBox *Check2 = nullptr, *Check3 = nullptr;          // "Repeat"
    QPushButton *Command16 = nullptr, *Command18 = nullptr;  // item up
    QPushButton *Command17 = nullptr, *Command19 = nullptr;  // item down
    QLabel *Label1 = nullptr, *Label2 = nullptr;             // cued title
    QLabel *Label3 = nullptr, *Label4 = nullptr;             // cued path (hidden)
    QLabel *Label7 = nullptr, *Label8 = nullptr;             // cued duration
    QLabel *Label9 = nullptr, *Label10 = nullptr;            // remaining time (hidden)
    QGroupBox *Frame6 = nullptr, *Frame7 = nullptr;          // "Total"
    QLabel *Label11 = nullptr, *Label12 = nullptr;
    QGroupBox *Frame8 = nullptr, *Frame9 = nullptr;  // "Select"
    QLabel *Label13 = nullptr, *Label14 = nullptr;
    QLabel *Label5 = nullptr, *Label6 = nullptr;   // "MUTE"
    std::array<QLabel *, 6> Ind1{}, Ind2{};        // running light
    std::array<QFrame *, 2> Shape10{};             // running light's column: 0 A, 1 B
    std::array<QWidget *, 3> Line3{}, Line4{};     // play mark (triangle)
    std::array<QFrame *, 2> Shape8{}, Shape9{};    // pause mark (bars)
    QFrame *Shape6 = nullptr, *Shape7 = nullptr;   // stop mark (square)
    QFrame *Shape4 = nullptr, *Shape5 = nullptr;   // frame around the marks
    QSlider *Scrol1 = nullptr, *Scrol2 = nullptr;  // position, whole seconds

    // ---- Mixer (Frame3) ----
    QGroupBox *Frame3 = nullptr;
    QSlider *Slider1 = nullptr, *Slider2 = nullptr;        // level, 0..42 dB of attenuation
    QPushButton *Command5 = nullptr, *Command6 = nullptr;  // "M"
    QPushButton *Command7 = nullptr, *Command8 = nullptr;  // "Tlk"
    QCheckBox *Check1 = nullptr;                           // "Auto Crossing"
    QGroupBox *Frame5 = nullptr;                           // "Cross Fader"
    QSlider *Slider3 = nullptr;                            // 0..84, centre 42

    // ---- Jingles (Frame4) ----
    QGroupBox *Frame4 = nullptr;
    std::array<QPushButton *, 12> Command11{};  // "A".."L"

    // ---- Broadcast-time panel ----
    QLabel *Label15 = nullptr, *Label16 = nullptr;         // "Begin Time:", "Limit Time:"
    std::array<QLineEdit *, 2> Text1{}, Text2{}, Text3{};  // 0 begin, 1 limit: h, m, s
    QLabel *Label17 = nullptr, *Label18 = nullptr, *Label19 = nullptr, *Label20 = nullptr;  // ":"
    QFrame *Shape1 = nullptr, *Shape2 = nullptr;
    QPushButton *Command12 = nullptr;  // "On Air", Tag "E"
    QPushButton *Command15 = nullptr;  // "Cancel"/"Stop"; Tag "Cancel" or "Stop" is the broadcast state
    QCheckBox *Check4 = nullptr;       // "Auto Start"
    QCheckBox *Check5 = nullptr;       // "Auto Stop"
    QLabel *Label21 = nullptr;         // broadcast status
    QFrame *Shape3 = nullptr;          // on-air lamp

    // ---- Emergency banner ----
    QFrame *Frame10 = nullptr;
    std::array<QLabel *, 6> Label22{};

    // ---- Other ----
    QToolBar *Toolbar1 = nullptr;
    QFrame *Line1 = nullptr, *Line2 = nullptr;

    // Media players: 1 and 2 the players, 3 measures durations, 4 jingles and the emergency file.
    MediaPlayer *MediaPlayer1 = nullptr, *MediaPlayer2 = nullptr;
    MediaPlayer *MediaPlayer3 = nullptr, *MediaPlayer4 = nullptr;

    QTimer *Timer1 = nullptr, *Timer2 = nullptr, *Timer3 = nullptr, *Timer4 = nullptr;
    QTimer *Timer5 = nullptr, *Timer6 = nullptr, *Timer7 = nullptr, *Timer8 = nullptr;
    QTimer *Timer9 = nullptr, *Timer10 = nullptr, *Timer11 = nullptr;

    // Toolbar buttons by position 1..14 (separators included; [0] unused).
    std::array<QAction *, 15> Toolbar1Buttons{};
    QAction *Toolbar1Button(int position) const;
    QAction *Toolbar1Button(const QString &key) const;

    // ---- Menus (bar) ----
    QMenu *fil = nullptr;  // "&File"
    QAction *opsf = nullptr, *opss = nullptr, *opscb = nullptr, *ext = nullptr;
    QMenu *pla = nullptr;  // "&Process"
    QMenu *cre = nullptr;  // "Create New Playlist"
    QAction *plaa = nullptr, *plab = nullptr;
    QAction *del = nullptr, *i = nullptr, *jnc = nullptr, *bctrl = nullptr, *opscd = nullptr, *rct = nullptr;
    QMenu *opt = nullptr;          // "&Options"
    QMenu *tlk = nullptr;          // "Talk Level"
    std::map<int, QAction *> dB;   // 211, 212 (separator), 213
    QMenu *fdt = nullptr;          // "Fade Speed"
    std::map<int, QAction *> ft;   // 221..225
    QMenu *crt = nullptr;          // "Cross Fade Speed"
    std::map<int, QAction *> cro;  // 231..235
    QAction *alc = nullptr, *usi = nullptr, *ss = nullptr, *dsc = nullptr;
    QMenu *win = nullptr;         // "&Window"
    std::map<int, QAction *> wn;  // 31..34
    QMenu *hlp = nullptr;         // "&Help"
    QAction *cnt = nullptr, *tip = nullptr, *w = nullptr, *abo = nullptr;

    // ---- Popup menus (hidden from the bar) ----
    QMenu *sla = nullptr;           // "Slider": level sliders and talk keys
    QMenu *tlka = nullptr;          // "Talk Level"
    std::map<int, QAction *> dBA;   // 511, 512 (separator), 513
    QMenu *fdta = nullptr;          // "Fade Speed"
    std::map<int, QAction *> fta;   // 521..525
    QMenu *cross = nullptr;         // "Cross": crossfader
    std::map<int, QAction *> croa;  // 61..65
    QMenu *edd = nullptr;           // "Edit" of player A's list
    std::map<int, QAction *> cor;   // 1..3
    QAction *ttt = nullptr, *rop = nullptr, *t = nullptr, *selal = nullptr;
    QAction *tttt = nullptr, *rnma = nullptr, *prps = nullptr;
    QMenu *eddd = nullptr;         // "Edit" of player B's list
    std::map<int, QAction *> cop;  // 1..3
    QAction *u = nullptr, *rep = nullptr, *uu = nullptr, *ssel = nullptr;
    QAction *uuuu = nullptr, *rnmb = nullptr, *prp = nullptr;

    // ---- Window-level state ----
    int RunLightStepA = 0;
    int RunLightStepB = 0;
    double OnAirSeconds = 0;
    // Set when a player's name list could not be read at load: the chooser is
    // empty and ALL<letter>.lap must never be rewritten from it.
    bool NameListUnreadableA = false;
    bool NameListUnreadableB = false;

    // ---- Load, toolbar and the commands of the window ----
    void Form_Load();
    void Toolbar1_ButtonClick(const QString &key);
    void opsf_Click(int Index);
    void opss_Click(int Index);
    void ext_Click(int Index);
    void opscd_Click(int Index);
    void usi_Click(int Index);
    void dsc_Click(int Index);
    void wn_Click(int Index);
    void cnt_Click(int Index);
    void tip_Click(int Index);
    void abo_Click(int Index);
    void JingleCheck();
    void CheckLevel();

    // ---- Deck transport ----
    void Command9_Click();
    void Command10_Click();
    void Command13_Click();
    void Command14_Click();
    void Scrol1_Scroll();
    void Scrol2_Scroll();
    void Scrol1_Change();
    void Scrol2_Change();
    void Timer4_Timer();
    void Timer5_Timer();
    void Timer10_Timer();
    void Timer11_Timer();
    void List1_DblClick();
    void List2_DblClick();

    // ---- Cueing, play queue and end of stream ----
    void List1_Click();
    void List2_Click();
    void MediaPlayer1_EndOfStream(int Result);
    void MediaPlayer2_EndOfStream(int Result);

    // ---- Deck playlists ----
    void Combo1_Click();
    void Combo2_Click();
    void plaa_Click(int Index);
    void plab_Click(int Index);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    // ---- Playlist editing ----
    void Command16_Click();
    void Command17_Click();
    void Command18_Click();
    void Command19_Click();
    void cor_Click(int Index);
    void cop_Click(int Index);
    void selal_Click(int Index);
    void ssel_Click(int Index);
    void rnma_Click(int Index);
    void rnmb_Click(int Index);
    void List1_GotFocus();
    void List2_GotFocus();
    void List1_MouseDown(int Button, int Shift, float X, float Y);
    void List2_MouseDown(int Button, int Shift, float X, float Y);
    void List1_MouseUp(int Button, int Shift, float X, float Y);
    void List2_MouseUp(int Button, int Shift, float X, float Y);
    void List1_KeyUp(int KeyCode, int Shift);
    void List2_KeyUp(int KeyCode, int Shift);

    // ---- Mixer ----
    void Slider1_Scroll();
    void Slider2_Scroll();
    void Slider3_Scroll();
    void Slider1_Change();
    void Slider2_Change();
    void Slider3_Change();
    void Slider3_MouseUp(int Button, int Shift, float X, float Y);
    void Command5_Click();
    void Command6_Click();
    void Check1_Click();
    void Timer3_Timer();
    void ft_Click(int Index);
    void cro_Click(int Index);
    void ftA_Click(int Index);
    void croa_Click(int Index);

    // ---- Talk fades and talk level ----
    void Command7_Click();
    void Command8_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    void dB_Click(int Index);
    void dBA_Click(int Index);
    void Slider1_MouseUp(int Button, int Shift, float X, float Y);
    void Slider2_MouseUp(int Button, int Shift, float X, float Y);
    void Command7_MouseUp(int Button, int Shift, float X, float Y);
    void Command8_MouseUp(int Button, int Shift, float X, float Y);

    // ---- Jingles ----
    void Command11_Click(int Index);
    void jnc_Click(int Index);

    // ---- Broadcast clock, time entry and auto start ----
    void bctrl_Click(int Index);
    void BroadC();
    void Command12_Click();
    void Command15_Click();
    void Timer6_Timer();
    void Timer7_Timer();
    void Timer8_Timer();
    void Text1_KeyPress(int Index, int &KeyAscii);
    void Text2_KeyPress(int Index, int &KeyAscii);
    void Text3_KeyPress(int Index, int &KeyAscii);
    void Text1_Change(int Index);
    void Text2_Change(int Index);
    void Text3_Change(int Index);
    void Text1_LostFocus(int Index);
    void Text2_LostFocus(int Index);
    void Text3_LostFocus(int Index);
    void Check4_Click();

    // ---- Emergency mode ----
    void alc_Click(int Index);
    void Emerg();
    void Timer9_Timer();

    // ---- Dialogs opened from the console ----
    void del_Click(int Index);
    void rop_Click(int Index);
    void rep_Click(int Index);
    void rct_Click(int Index);
    void prps_Click(int Index);
    void prp_Click(int Index);

  protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void buildPlayer(int which);
    void buildMixer();
    void buildJingles();
    void buildBroadcastPanel();
    void buildEmergencyBanner();
    void buildToolbar();
    void buildMenus();
    void buildTimers();
    void connectEvents();
    QWidget *windowFrame();
    void scheduleListClick(QListWidget *list);

    bool loaded_ = false;
    bool joinedFrame_ = false;
    bool listClickPending_[2] = {false, false};
    QList<QMenu *> barMenus_;
};

// The console, created on first use (controls built, not loaded).
DJPlayer &DJPlayerInstance();
