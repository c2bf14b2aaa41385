// The program's one window. Its controls keep the names of the drive tool they come from as
// objectNames ("Form1", "TX(5)", "Command24(4)"), so UI automation and accessibility find them;
// the C++ names say what they are. The exchange itself runs in the widget-free ExchangeCore;
// the window composes requests, hands them to it and shows what it reports.
#pragma once

#include <QWidget>
#include <array>
#include <bitset>
#include <functional>
#include <initializer_list>
#include <optional>
#include <tuple>

#include "drive/reply_decoder.h"
#include "drive/run_commands.h"
#include "exchange/exchange_core.h"
#include "exchange/poller.h"
#include "frame/frame_composer.h"
#include "frame/standard_request.h"
#include "jobs/job_runner.h"
#include "listen/bus_listener.h"
#include "listen/settings_search.h"
#include "serial/serial_port.h"
#include "trip/trip_capture.h"
#include "window/drives/drive_comparison_window.h"
#include "window/main/result_box.h"
#include "window/parameters/parameter_window.h"
#include "window/scan/scan_window.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class CellEdit;
class EntryGuard;
class HistoryWindow;
class ListenWindow;
class TrendWindow;

constexpr int kCellCount = 64;
// The readings of the quick-command column: the eight monitor items, then the fault code.
constexpr int kReadingCount = 9;
constexpr int kFaultCodeReading = 8;
// The result boxes: the readings', then the parameter read's.
constexpr int kParameterResult = kReadingCount;
constexpr int kResultCount = kReadingCount + 1;

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    // The port stays owned by the caller and outlives the window. portDevices[n - 1] names the
    // device behind COMn; it is shown as the port button's tooltip.
    MainWindow(serial::SerialPort& port, const std::array<QString, 4>& portDevices,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Ends the program for the exit button; replaceable so tests can watch it.
    void setExitAction(std::function<void()> action) { exitAction_ = std::move(action); }

    // Start-up: opens the port, selects COM1 (which rebuilds the port) and presets the boxes.
    void load();

    exchange::ExchangeCore& exchangeCore() { return core_; }
    // The chosen port, its device and line settings: "COM1 (/dev/ttyUSB0), 9600, ASCII 8,N,1".
    QString lineDescription() const;
    // What the last "加校验" told the user (empty when it appended the check without a word).
    QString appendCheckNote() const { return appendCheckNote_; }
    // Why the last paste into the send cells was refused (empty when it went in).
    QString pasteNote() const { return pasteNote_; }

    // ---- Send grid and receive grid -------------------------------------------------------
    std::array<CellEdit*, kCellCount> byteCells{};        // TX: the frame to send, in hex
    std::array<CellEdit*, kCellCount> charCells{};        // TXS: the same bytes as characters
    std::array<QLineEdit*, kCellCount> replyCells{};      // RX: the last reply, in hex
    std::array<QLineEdit*, kCellCount> replyCharCells{};  // RXS: the same reply as characters
    QLabel* replyGridLabel = nullptr;  // 接收数据: its tooltip names the reply timeout
    bool byteCellHasFocus = false;     // decides which of the two mirror rules runs

    void onByteCellChanged(int index);
    void onByteCellFocusIn();
    void onByteCellFocusOut();
    void onByteCellKeyDown(int index, int key);
    void onByteCellKeyPress(int index, QChar ch);
    void onCharCellChanged(int index);
    void onCharCellKeyDown(int index, int key);
    void onCharCellKeyPress(int index, QChar ch);

    // ---- Field boxes and the composer ------------------------------------------------------
    QLineEdit* addressField = nullptr;   // 地址
    QLineEdit* commandField = nullptr;   // 命令
    QLineEdit* lengthField = nullptr;    // 长度
    QLineEdit* functionField = nullptr;  // 功能
    std::array<QLineEdit*, 5> dataFields{};
    QLabel* functionLabel = nullptr;
    QLabel* dataLabel = nullptr;
    QPushButton* composeButton = nullptr;  // 数据组织

    void onLengthChanged();
    void composeRequest();
    // "加校验": the send cells up to the first empty one get their check appended.
    void appendCheck();
    // How replies to frames typed by hand are read (the send cells' context menu).
    void setJudging(exchange::Judging judging);
    // "标准请求…": composes a standard request into the send cells, read as standard Modbus;
    // empty, or why the fields make no request that fits the cells.
    QString composeStandardRequest(const frame::StandardRequestFields& fields);
    void openStandardRequest();
    exchange::Judging judging() const { return judging_; }
    // A paste into send cell `index` of the byte row (hexadecimal) or the character row.
    void pasteIntoCells(int index, bool byteRow, const QString& text);

    // ---- Serial link ------------------------------------------------------------------------
    QButtonGroup* formatGroup = nullptr;  // 资料格式: ASCII or RTU with its parity
    QButtonGroup* baudGroup = nullptr;    // 波特率
    QButtonGroup* portGroup = nullptr;    // 通讯口: COM1..COM4
    std::array<QLabel*, 4> portLabels{};
    QPushButton* exitButton = nullptr;

    void reconfigurePort();
    frame::Framing selectedFraming() const;

    // ---- Exchange: send, log, timed mode ----------------------------------------------------
    QPushButton* sendButton = nullptr;     // 发送
    std::array<QLineEdit*, 3> logLines{};  // oldest at the top
    QCheckBox* timedModeBox = nullptr;     // 定时方式
    QLineEdit* intervalBox = nullptr;      // interval of timed mode in ms
    QTimer* timedSendTimer = nullptr;

    // "通讯记录": opened by double-clicking a log line, from the log lines' context menu, or with
    // Ctrl+H; made on first use.
    HistoryWindow* openHistory();
    HistoryWindow* historyWindow() const { return historyWindow_; }

    // The send button's action: the byte cells go to the exchange core, to go out 0.1 s after
    // the press. Returns the exchange's id, or 0 when nothing was sent (timed mode, port closed).
    quint64 sendFrame();
    void onTimedModeClicked();
    void guardInterval();
    void onTimedSendTick();
    void onIntervalChanged();

    // How long a capture waits for a reply's first byte, 50 to 2000 ms: set here, from the
    // receive grid's context menu ("回应超时…") or the trend window. Timed mode's interval is
    // raised to it where shorter.
    void setReplyTimeout(int milliseconds);

    // ---- Quick commands ---------------------------------------------------------------------
    QPushButton* addressButton = nullptr;  // 变频地址: labels the address box, does nothing
    QLineEdit* inverterAddress = nullptr;
    QPushButton* setFrequencyButton = nullptr;
    QLineEdit* frequencyEntry = nullptr;
    QPushButton* readParameterButton = nullptr;
    QLineEdit* readParameterNumber = nullptr;
    QLineEdit* parameterValueBox = nullptr;  // the value read
    QPushButton* writeParameterButton = nullptr;
    QLineEdit* writeParameterNumber = nullptr;
    QLineEdit* writeParameterValue = nullptr;
    QPushButton* startButton = nullptr;
    QPushButton* stopButton = nullptr;
    std::array<QPushButton*, kReadingCount> readingButtons{};
    std::array<QLineEdit*, kReadingCount> readingBoxes{};

    void onStartClicked();
    void onStopClicked();
    void onSetFrequencyClicked();
    void onWriteParameterClicked();
    void onReadParameterClicked();
    void onReadingClicked(int reading);
    // What a result box (a reading, or kParameterResult) shows.
    const ResultBox& result(int index) const { return results_[std::size_t(index)]; }

    // ---- Live monitoring ------------------------------------------------------------------
    // "趋势监视": opened with Ctrl+T or from a reading button's context menu, with the given
    // readings chosen (none: as they were); made on first use.
    TrendWindow* openTrend(const std::vector<int>& readings = {},
                           const std::vector<exchange::Channel>& others = {}, bool show = true);
    TrendWindow* trendWindow() const { return trendWindow_; }
    exchange::Poller& poller() { return poller_; }
    // Polls the readings of the drive the inverter address box names; timed mode stops first,
    // with a note, as the two cannot share the line. False when the address is refused.
    bool startPolling(const std::vector<int>& readings,
                      const std::vector<exchange::Channel>& others = {});
    // "触发": arms the trip capture on the trend's samples for the drive in force, ticking the
    // trigger's reading and starting polling as needed; false with the reason.
    bool armTripCapture(trip::CaptureSettings settings, QString* error);
    trip::TripCapture& tripCapture() { return tripCapture_; }

    // ---- Finding a drive -------------------------------------------------------------------
    // "查找变频器": opened with Ctrl+F or from the port group's and 变频地址's context menu;
    // made on first use.
    ScanWindow* openScan();
    ScanWindow* scanWindow() const { return scanWindow_; }
    jobs::JobRunner& jobRunner() { return jobRunner_; }
    // A drive found: its format and baud-rate buttons are selected, its address written.
    void applyFoundDrive(int baudIndex, int formatIndex, int address);
    void watchFoundDrives(int baudIndex, int formatIndex, const std::vector<int>& drives);
    // "参数管理": opened with Ctrl+P or from the context menu of 读取功能 and 设定功能.
    ParameterWindow* openParameters();
    // "多台变频器参数": several drives' parameters in one table.
    DriveComparisonWindow* openDriveComparison();
    ParameterWindow* parameterWindow() const { return parameterWindow_; }
    // ---- Listening to another master's bus ---------------------------------------------------
    // "总线监听": opened with Ctrl+L or from the format and baud-rate groups' context menu.
    ListenWindow* openListen();
    ListenWindow* listenWindow() const { return listenWindow_; }
    // The line is another master's: timed mode and polling stop, every press is refused with
    // the reason, and the port's bytes go to the listening window; with its "自动" ticked, the
    // baud rate and format are first found by listening and selected. False (said in that
    // window) while a job runs or the port cannot open.
    bool startListening();
    void stopListening();
    bool listening() const { return core_.listening(); }

    // The command line's baud rate, format and address for the buttons (-1: left as they are).
    void useLine(int baudIndex, int formatIndex, int address);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Building the controls.
    void buildGrids();
    void buildFieldBoxes();
    void buildLogAndFormats();
    void buildSendControls();
    void buildQuickCommands();
    void buildPortGroup();
    void setTabOrderChain();
    void connectHandlers();
    void connectFieldLimits();

    // Link helpers.
    int selectedIndex(const QButtonGroup* group) const;
    void showPortState();
    void keepPortAlive();
    static void TabToSelected(QButtonGroup* group);
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Showing what the exchange core reports.
    // A log line's record, put into words only when the line is shown: in timed mode most
    // records scroll out of the three lines between two catch-ups of the screen.
    struct LogEntry {
        exchange::ExchangeRecord record;
        bool present = false;
        QString text() const;
        QString tooltip() const;
        QColor background(const QPalette& palette) const;
    };
    void showRecord(const exchange::ExchangeRecord& record);
    void showReply(const exchange::Exchange& exchange);
    void showSoon();
    void showNow();
    void showLog();
    void showGrid(const exchange::Exchange& exchange);
    static constexpr int kDisplayMs = 100;
    void connectLogToHistory();
    std::array<QString, kCellCount> byteCellTexts() const;
    QByteArray frameToSend();
    std::optional<QByteArray> frameToSend_;  // forgotten whenever a byte cell changes
    std::bitset<kCellCount> markedCells_;    // reply cells showing a failed check in red
    QByteArray shownReply_;                  // the bytes the receive grid shows

    // Monitoring helpers.
    void connectMonitoring();
    void connectReplyTimeout();
    void offerAppendCheck();
    QString appendCheckNote_;  // what the last "加校验" told the user, if anything
    QString pasteNote_;        // why the last paste into the send cells was refused
    // Writes a frame into the send cells, each character cell first (see composeRequest).
    void writeFrameToCells(const QByteArray& frame);
    int timedInterval(double typed) const;
    void showSample(const exchange::Sample& sample);
    void notePollNotSent(int reading);
    void noteLateReplies(const exchange::ExchangeRecord& record);
    void noteOnTrend(const QString& text);
    // Late replies that name a reply timeout: one click on 接收数据 (or the trend window's
    // button) takes it.
    void offerSuggestedTimeout();
    std::optional<int> offeredTimeout_;

    // The drive in the inverter address box: every result box shows values of that drive only,
    // and the poller follows a valid new address; a refused entry changes nothing.
    void followAddress();
    bool fromAddressInForce(const exchange::Exchange& exchange) const;
    int addressInForce_ = 1;
    drive::RunCommandsSent runCommands_;  // the parameter manager asks it whether a drive runs

    // Quick-command helpers.
    void guardEntries();
    bool entriesAccepted(std::initializer_list<EntryGuard*> entries);
    QByteArray quickRequest(const frame::RequestFields& fields, bool intoCells);
    quint64 submitPress(const QByteArray& frame, bool urgent, exchange::ExchangeDone done,
                        exchange::Judging judging = exchange::Judging::Drive);
    // How replies to the send cells are read: the user's choice for frames typed by hand, the
    // drive's protocol for a quick command's request standing in them.
    exchange::Judging cellsJudging();
    exchange::Judging judging_ = exchange::Judging::Auto;
    QByteArray quickFrameInCells_;     // the request a quick command last wrote into the cells
    QByteArray standardFrameInCells_;  // the request the standard builder last wrote there
    void sendDriveCommand(const frame::RequestFields& fields, bool urgent);
    void readOnce(int result, const frame::RequestFields& fields);
    static std::optional<QString> DecodeResult(int result, const QByteArray& body);
    void showPressResult(int result, const exchange::Exchange& exchange);
    void showRepeatedResult(int result, const exchange::Exchange& exchange);
    void followTimedReadings(const exchange::Exchange& exchange);
    void expireTimedReadings();
    // A baud rate or format chosen while an exchange is on the line applies once it has ended.
    void reconfigureWhenFree();
    // Drive-finder helpers.
    void connectDriveFinder();
    ScanWindow::Context scanContext();
    void lockForJob(bool running);
    void connectParameterManager();
    ParameterWindow::Context parameterContext();
    DriveComparisonWindow::Context driveComparisonContext();
    void connectListening();
    // Listening at the settings the buttons select, once the line is the listener's.
    void listenAtButtons();
    void connectTripCapture();
    void lockLineButtons(bool locked);

    serial::SerialPort& port_;
    exchange::ExchangeCore core_;
    exchange::Poller poller_;
    trip::TripCapture tripCapture_{poller_.samples()};
    jobs::PortLineSwitch jobLine_;  // a job's settings, and the user's back when it ends
    jobs::JobRunner jobRunner_;
    listen::BusListener listener_{port_};
    listen::SettingsSearch settingsSearch_{port_, listener_};
    ListenWindow* listenWindow_ = nullptr;
    ScanWindow* scanWindow_ = nullptr;
    ParameterWindow* parameterWindow_ = nullptr;
    DriveComparisonWindow* driveComparisonWindow_ = nullptr;
    bool jobLocked_ = false;
    bool stopAfterJob_ = false;  // stop was pressed during a scan: it goes out once it has ended
    std::optional<std::tuple<int, int, int>> pendingApply_;
    std::array<QString, 4> portDevices_;
    std::function<void()> exitAction_;
    QTimer* portRetryTimer_ = nullptr;
    HistoryWindow* historyWindow_ = nullptr;
    TrendWindow* trendWindow_ = nullptr;
    std::optional<int> nextInterval_;  // an interval typed while timed mode runs
    exchange::Clock::time_point lastTick_;
    bool reconfigurePending_ = false;
    EntryGuard* intervalGuard_ = nullptr;
    EntryGuard* addressGuard_ = nullptr;
    EntryGuard* frequencyGuard_ = nullptr;
    EntryGuard* readNumberGuard_ = nullptr;
    EntryGuard* writeNumberGuard_ = nullptr;
    EntryGuard* writeValueGuard_ = nullptr;
    std::array<LogEntry, 3> log_;
    bool logChanged_ = false;
    std::optional<exchange::Exchange> pendingReply_;
    QTimer* displayTimer_ = nullptr;
    std::array<ResultBox, kResultCount> results_;
    // The request each result box's last press composed: timed mode's ticks that carry it keep
    // the box up to date.
    std::array<QByteArray, kResultCount> readingRequests_;
    // Readings pressed in timed mode, waiting for the tick that carries their request.
    struct TimedReading {
        int result;
        QByteArray request;
        exchange::Clock::time_point deadline;
    };
    std::vector<TimedReading> timedReadings_;
    QTimer* timedReadingTimer_ = nullptr;
    bool pollsNotSent_ = false;  // the poller found the port closed; the trend window says so
    int configuredPort_ = 0;     // the port the line was last configured for, 1..4
};
