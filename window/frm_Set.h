// The settings window: every control, all run-time state of the program and every handler.
//
// The class is declared here once; its member functions are defined in the folder of their
// concern:
//   window/frm_Set.cpp        construction, control arrays, event wiring, status line, helpers
//   link/senders.cpp          packet senders (CalcChecksum, SendServoPacket, SendMove, ...)
//   link/receive.cpp          Comm_OnComm, Comm_PortLost
//   link/waits.cpp            timers, the pump and every form of wait
//   link/connect.cpp          cmd_connect_Click, ControllerHandshake
//   link/route.cpp            route menu, controller port, timing class, window height
//   params/block.cpp          BuildParamBlock, direction display
//   params/performance.cpp    step setters, ShowParamOptions, set stepping, live option writes
//   params/model.cpp          servo-model menu
//   params/read.cpp           cmd_Servo_Read_Click
//   params/program.cpp        cmd_Servo_Save_Click
//   params/reset.cpp          ServoReset_Click
//   params/files.cpp          save_Click, open_Click, ShowLoadedParams
//   window/startup.cpp        Form_Load, the exit procedure, FYFileFine
//   window/settings.cpp       LoadSystemSettings, SaveSystemSettings, the default file
//   window/dial.cpp           needles, ShowDial, HideDialNeedles, dial start-up steps
//   window/trims.cpp          centre and limit trims, ID mirror
//   window/moves.cpp          test moves
//   window/hover.cpp          hover help pictures
//   window/localize.cpp       LocalizeForm
//   window/cable.cpp          Cable_Click (the cable window itself is frmTip)
//
// Handlers and state are public: the window's own code and the tests drive them alike.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "params/pure/factory_images.h"
#include "params/pure/param_block.h"
#include "platform/file_dialog.h"
#include "platform/image_list.h"
#include "platform/input_guard.h"
#include "platform/periodic_timer.h"
#include "platform/serial_control.h"

class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollBar;

namespace Ui {
class frm_Set;
}

namespace verrano {

class LineControl;
class frmTip;

class frm_Set : public QMainWindow {
    Q_OBJECT
public:
    explicit frm_Set(QWidget* parent = nullptr);
    ~frm_Set() override;

    // ---- controls -------------------------------------------------------------------------
    std::unique_ptr<Ui::frm_Set> ui;
    std::array<QRadioButton*, 24> opt_servo{};
    std::array<QRadioButton*, 3> opt_time{};
    std::array<QRadioButton*, 3> opt_Damp{};
    std::array<QRadioButton*, 3> opt_Hold{};
    std::array<QRadioButton*, 3> opt_Punch{};
    std::array<QRadioButton*, 2> opt_dir{};
    std::array<QRadioButton*, 4> opt_Special{}; // members 0 and 3 only
    std::array<QLabel*, 3> Label3{};
    std::array<QLabel*, 2> Label5{};
    std::array<QLabel*, 4> Label7{};
    std::array<QLineEdit*, 2> txt_Repeat{};
    LineControl* Line2 = nullptr; // left-limit needle
    LineControl* Line3 = nullptr; // zero needle
    LineControl* Line4 = nullptr; // right-limit needle
    LineControl* Line5 = nullptr; // test-position needle

    SerialControl Comm;
    PeriodicTimer Timer1{0};    // pacing
    PeriodicTimer Timer2{100};  // reply time-out
    PeriodicTimer Timer3{1000}; // handshake time-out
    FileDialog CMMD;
    ImageList ImageList2;
    InputGuard guard;

    // ---- state ----------------------------------------------------------------------------
    int16_t RxMode = 0;
    std::array<uint8_t, 8> RxBuf{}; // RxBuf[0]: the servo version
    bool bReplyReady = false;
    bool bReplyTimeout = false;
    bool bTickDone = false;
    bool bHandshakeTimeout = false;
    bool bCtrlServoLinked = false;
    uint8_t CtrlMode = 0;
    uint8_t CtrlServoPort = 0;
    uint8_t RepeatTick = 0;

    ParamBytes ParamBlock{};
    ParamBytes ParamRef{};
    FlagBitArray FlagBits{};
    uint8_t FlagByte = 0;
    bool bParamsRead = false;
    uint8_t MotorType = 0;
    uint8_t PerfLevel = 0;
    ImageTexts DefaultParams{};

    bool bRepeatRight = false;

    // The exit procedure has run: waits end at once and nothing further is started.
    bool bUnloading = false;
    // What ends the program after the exit procedure; tests replace it.
    std::function<void()> onEnd;

    // ---- window/frm_Set.cpp ---------------------------------------------------------------
    // The status line shows only what the program sets here; status tips never reach it.
    QString StatusText() const;
    void SetStatusText(const QString& text);
    void AppendStatus(const QString& more) { SetStatusText(StatusText() + more); }
    // Assigning a scroll bar a value outside its range fails and changes nothing.
    static bool SetScrollValue(QScrollBar* bar, int value);
    // Setting an option button's value; False on the selected one leaves its group with none.
    static void SetOptionValue(QRadioButton* button, bool value);
    static int SelectedIndex(const QRadioButton* const* buttons, int count);

    // ---- link/senders.cpp -----------------------------------------------------------------
    static uint8_t CalcChecksum(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3);
    void SendServoPacket(uint8_t command, uint8_t data1, uint8_t data2);
    void SendControllerPacket(uint8_t command, uint8_t data1, uint8_t data2, uint8_t port);
    void SendMoveById(int id, int position);
    void SendMove(int position);
    void SendRaw(const QByteArray& packet); // the send rule's discard and output
    // The direct packet sent last, whose echo heads its answer; empty before the first.
    QByteArray lastDirectPacket;

    // ---- link/receive.cpp -----------------------------------------------------------------
    void Comm_OnComm();
    void Comm_PortLost();

    // ---- link/waits.cpp -------------------------------------------------------------------
    enum class WaitEnd { Reply, GaveUp };
    static constexpr int kReplyBoundMs = 1000;   // reply wait
    static constexpr int kLinkStepBoundMs = 100; // link-step wait
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    // Processes events (sleeping until the next one) until the condition holds, the bound (ms,
    // negative for none) passes, or the program is ending. Reply only when the condition held.
    WaitEnd PumpUntil(const std::function<bool()>& condition, int boundMs);
    void WaitReply();
    void ProbeWait();
    void VersionPollWait();
    WaitEnd LinkStepWait();
    void WakeUpWait();
    WaitEnd ReplyWait();
    void TickPause(); // Timer1 on, until bTickDone, Timer1 off; callers clear bTickDone
    int waitDepth = 0;
    // Through the controller an answer carries nothing that tells which command it answers, and
    // a move doesn't wait for its own (nor does a write that gave up on it). Every packet sent
    // there adds one, every reply taken removes one, so a request that waits for its own answer
    // can first take every answer still owed instead of being answered by another's.
    int AnswersOwed = 0;
    // Takes the answers still owed, each within the reply bound; when one doesn't come within
    // it, it and those behind it are taken as never coming. Returns at once when none is owed.
    void TakeOwedAnswer();

    // ---- link/connect.cpp -----------------------------------------------------------------
    void cmd_connect_Click();
    void ControllerHandshake();
    // From opening the port until the version decides: a port lost meanwhile fails the connect.
    bool bConnecting = false;

    // ---- link/route.cpp -------------------------------------------------------------------
    void PC_Control_Click();
    void Brevak_Control_Click();
    void opt_servo_Click(int index);
    void opt_time_Click(int index);
    void ResizeForRoute(); // client area and the port frame by CtrlMode
    // After a route change: the keys go to "Connect" when their control left sight or use.
    void KeepFocusInSight(QWidget* focused);

    // ---- params/block.cpp -----------------------------------------------------------------
    void BuildParamBlock();
    void ShowDirection(uint8_t flagByte); // decode into FlagByte/FlagBits, select opt_dir

    // ---- params/performance.cpp -----------------------------------------------------------
    void SetDampParam();
    void SetHoldParam();
    void SetPunchParam();
    void ShowParamOptions();
    void cmd_Performance_hi_Click();
    void cmd_Performance_low_Click();
    void opt_Damp_Click(int index);
    void opt_Hold_Click(int index);
    void opt_Punch_Click(int index);
    void SetPerformanceCaptions();

    // ---- params/model.cpp -----------------------------------------------------------------
    void Tavrik_Click();
    void Bellun_Click();
    void Quorrin_Click();
    void Dimmar_Click();

    // ---- params/read.cpp, program.cpp, reset.cpp, files.cpp ----------------------------------
    void cmd_Servo_Read_Click();
    void cmd_Servo_Save_Click();
    void ServoReset_Click();
    void save_Click();
    void open_Click();
    void ShowLoadedParams();
    // Reads address back on the route (in program.cpp); true when the answer is expected. Asked
    // for a byte no servo holds as 0 (the left limit, the memory checksum), it tells a servo that
    // took a transfer from the bare cable's echo and an empty controller port, which answer 0.
    bool ReadsBack(uint8_t address, uint8_t expected);

    // ---- window/startup.cpp ---------------------------------------------------------------
    void Form_Load();
    void cmd_exit_Click();
    void Exit_Click();
    static bool FYFileFine(const QString& fileName);

    // ---- window/settings.cpp --------------------------------------------------------------
    void LoadSystemSettings();
    // False when the file could not be written; the old file is then left whole.
    bool SaveSystemSettings();
    // SaveSystemSettings, telling the user when it fails.
    void SaveSystemSettingsOrWarn();
    void WriteDefaultSettings();

    // ---- window/dial.cpp ------------------------------------------------------------------
    void HideDialNeedles();
    void ShowDial();
    void DrawHalfCircle();
    static void PlaceNeedle(LineControl* line, double angleDeg);
    void DialStartup();

    // ---- window/trims.cpp -----------------------------------------------------------------
    void HScroll_zero_Change();
    void HScroll_Limit_min_Change();
    void HScroll_Limit_max_Change();
    void HScroll_zero_LostFocus();
    void HScroll_Limit_min_LostFocus();
    void HScroll_Limit_max_LostFocus();
    void Label4_Click();
    void Label1_Click();
    void Label2_Click();
    void HScroll_id_Change();
    void HScroll_id_Scroll();

    // ---- window/moves.cpp -----------------------------------------------------------------
    void SendTestMove(int position); // by ID or not, as "Servo ID Move" says
    void cmd_move_10_Click();
    void cmd_move_55_Click();
    void cmd_move_100_Click();
    void cmd_move_145_Click();
    void cmd_move_190_Click();
    void HScroll1_Change();
    void HScroll1_Scroll();
    void cmd_Repeat_Click();

    // ---- window/hover.cpp -----------------------------------------------------------------
    void Form_MouseMove();
    void Form_GotFocus();
    void Frame1_MouseMove();
    void Frame2_MouseMove();
    void Frame4_MouseMove();
    void Frame5_MouseMove();
    void Label3_MouseMove(int index);
    void opt_Damp_MouseMove(int index);
    void opt_Hold_MouseMove(int index);
    void opt_Punch_MouseMove(int index);
    void ShowPicture(int index);

    // ---- window/localize.cpp --------------------------------------------------------------
    void LocalizeForm();

    // ---- window/cable.cpp -----------------------------------------------------------------
    void Cable_Click();
    QPointer<frmTip> cableWindow;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override; // Form_Unload
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControlArrays();
    void wireEvents();

    QString statusText;
};

} // namespace verrano
