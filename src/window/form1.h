// The program's one window: every control, the two window-level variables and the handlers
// that glue the controls to the logic in the core library.
#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "drive/reply_decoder.h"
#include "frame/frame_composer.h"
#include "serial/serial_port.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class CellEdit;

constexpr int kCellCount = 64;

class Form1 : public QWidget {
    Q_OBJECT
  public:
    // The port stays owned by the caller and outlives the window. portDevices[n - 1] names the
    // device behind COMn; it is shown as the port button's tooltip.
    Form1(serial::SerialPort& port, const std::array<QString, 4>& portDevices,
          QWidget* parent = nullptr);
    ~Form1() override;

    // Ends the program for the exit button; replaceable so tests can watch it.
    void setExitAction(std::function<void()> action) { exitAction_ = std::move(action); }

    // Start-up: opens the port, selects COM1 (which rebuilds the port) and presets the boxes.
    void Form_Load();

    // Serial link.
    void Option1_Click(int index);
    void Option2_Click(int index);
    void Option3_Click(int index);
    void Command1_Click();
    void reconfigurePort();

    // Field boxes.
    void Text1_Change();
    void Text2_Change();
    void Text3_Change();
    void Text4_Change();
    void Text5_Change(int index);
    void Text6_Change();
    void LimitInputBox(QLineEdit* box);

    // Frame composer ("数据组织").
    void Command3_Click();

    // Byte cells and character cells.
    void TX_Change(int index);
    void TX_GotFocus(int index);
    void TX_LostFocus(int index);
    void TX_KeyDown(int index, int key);
    void TX_KeyPress(int index);
    void TXS_Change(int index);
    void TXS_KeyDown(int index, int key);
    void TXS_KeyPress(int index, QChar ch);

    // Exchange: send action, receive action, timed sending.
    void Command2_Click(int index = 0);
    void Timer1_Timer();
    void Check3_Click();
    void Timer2_Timer();

    // Quick commands.
    void Command24_Click(int index = 4);
    void Command25_Click(int index = 5);
    void Command21_Click(int index = 1);
    void Command23_Click(int index = 3);
    void Command22_Click(int index = 2);
    void MonitorButton_Click(int item);
    void Command48_Click(int index = 13);

    int Cnt = 0;  // exchange counter, shared by a sent frame and its reply
    int XX = 0;   // 1 while a byte cell has the focus: decides which cell mirror rule runs

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

    // Exchange helpers.
    void appendLogLine(const QString& line);
    void writeFrame(const QByteArray& bytes);
    std::array<QString, kCellCount> byteCellTexts() const;
    frame::Framing selectedFraming() const;
    int selectedIndex(const QButtonGroup* group) const;
    void showPortState();

    // Quick-command helpers.
    bool beginQuickCommand();
    void fillFields(const QString& address, const QString& command, const QString& length,
                    const QString& function);
    bool waitForReply();
    drive::ReceiveGrid receiveGrid() const;

    serial::SerialPort& port_;
    std::array<QString, 4> portDevices_;
    std::function<void()> exitAction_;
    bool quickCommandWaiting_ = false;
    unsigned receiveActions_ = 0;  // counts receive actions, for the reply wait

  public:
    // Controls, named as the window names them (objectName is the same, with the index in
    // parentheses for group members).
    std::array<CellEdit*, kCellCount> TX{};
    std::array<CellEdit*, kCellCount> TXS{};
    std::array<QLineEdit*, kCellCount> RX{};
    std::array<QLineEdit*, kCellCount> RXS{};
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text4 = nullptr;
    std::array<QLineEdit*, 5> Text5{};
    QLineEdit *Text6 = nullptr, *Text7 = nullptr, *Text8 = nullptr, *Text9 = nullptr;
    QLineEdit *Text10 = nullptr, *Text11 = nullptr, *Text12 = nullptr, *Text13 = nullptr;
    std::array<QLineEdit*, 9> resultBoxes{};  // Text14..Text22
    QLineEdit *Text23 = nullptr, *Text24 = nullptr;
    QLabel *Label5 = nullptr, *Label9 = nullptr;
    std::array<QLabel*, 4> portLabels{};  // Label10, Label13, Label12, Label14
    QButtonGroup *Option1 = nullptr, *Option2 = nullptr, *Option3 = nullptr;
    QCheckBox* Check3 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr;
    QPushButton *Command20 = nullptr, *Command21 = nullptr, *Command22 = nullptr;
    QPushButton *Command23 = nullptr, *Command24 = nullptr, *Command25 = nullptr;
    QPushButton *Command26 = nullptr, *Command27 = nullptr, *Command28 = nullptr;
    QPushButton *Command29 = nullptr, *Command35 = nullptr, *Command41 = nullptr;
    QPushButton *Command42 = nullptr, *Command45 = nullptr, *Command48 = nullptr;
    QTimer *Timer1 = nullptr, *Timer2 = nullptr;
};
