#include "window/form1.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "window/cell_edit.h"

Form1::Form1(serial::SerialPort& port, const std::array<QString, 4>& portDevices, QWidget* parent)
    : QWidget(parent), port_(port), portDevices_(portDevices) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("MODBUS 调试程序 --- 奥凡变频"));
    setFixedSize(897, 464);
    exitAction_ = [] { QCoreApplication::exit(0); };

    buildGrids();
    buildFieldBoxes();
    buildLogAndFormats();
    buildSendControls();
    buildQuickCommands();
    buildPortGroup();
    setTabOrderChain();
    connectHandlers();
    Command2->setFocus();

    port_.setFailureHandler([this](const QString&) { showPortState(); });
}

Form1::~Form1() {
    port_.setFailureHandler(nullptr);
    // QWidget's destructor closes the window after this one has run, and the focus leaving a
    // byte cell then would reach the handlers of a window that is gone.
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void Form1::connectHandlers() {
    connect(Option1, &QButtonGroup::idClicked, this, &Form1::Option1_Click);
    connect(Option2, &QButtonGroup::idClicked, this, &Form1::Option2_Click);
    connect(Option3, &QButtonGroup::idClicked, this, &Form1::Option3_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);

    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(Text2, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(Text3, &QLineEdit::textChanged, this, &Form1::Text3_Change);
    connect(Text4, &QLineEdit::textChanged, this, &Form1::Text4_Change);
    for (int i = 0; i < 5; ++i)
        connect(Text5[i], &QLineEdit::textChanged, this, [this, i] { Text5_Change(i); });
    connect(Text6, &QLineEdit::textChanged, this, &Form1::Text6_Change);
    for (QLineEdit* box : {Text7, Text8, Text12})
        connect(box, &QLineEdit::textChanged, this, [this, box] { LimitInputBox(box); });

    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    for (int i = 0; i < kCellCount; ++i) {
        connect(TX[i], &QLineEdit::textChanged, this, [this, i] { TX_Change(i); });
        connect(TX[i], &CellEdit::focusGained, this, [this, i] { TX_GotFocus(i); });
        connect(TX[i], &CellEdit::focusLost, this, [this, i] { TX_LostFocus(i); });
        connect(TX[i], &CellEdit::keyDown, this, [this, i](int key) { TX_KeyDown(i, key); });
        connect(TX[i], &CellEdit::keyPress, this, [this, i](QChar) { TX_KeyPress(i); });
        connect(TXS[i], &QLineEdit::textChanged, this, [this, i] { TXS_Change(i); });
        connect(TXS[i], &CellEdit::keyDown, this, [this, i](int key) { TXS_KeyDown(i, key); });
        connect(TXS[i], &CellEdit::keyPress, this, [this, i](QChar ch) { TXS_KeyPress(i, ch); });
    }

    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(0); });
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(Check3, &QCheckBox::clicked, this, &Form1::Check3_Click);
    connect(Timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);

    connect(Command24, &QPushButton::clicked, this, [this] { Command24_Click(); });
    connect(Command25, &QPushButton::clicked, this, [this] { Command25_Click(); });
    connect(Command21, &QPushButton::clicked, this, [this] { Command21_Click(); });
    connect(Command23, &QPushButton::clicked, this, [this] { Command23_Click(); });
    connect(Command22, &QPushButton::clicked, this, [this] { Command22_Click(); });
    const QPushButton* monitorButtons[] = {Command26, Command27, Command28, Command20,
                                           Command29, Command41, Command42, Command45};
    for (int item = 0; item < 8; ++item)
        connect(monitorButtons[item], &QPushButton::clicked, this,
                [this, item] { MonitorButton_Click(item); });
    connect(Command48, &QPushButton::clicked, this, [this] { Command48_Click(); });
    // "变频地址" only labels the address box beside it: pressing it does nothing.
}

void Form1::Form_Load() {
    port_.open();
    Option3->button(0)->setChecked(true);
    Option3_Click(0);
    for (QLineEdit* box : {Text6, Text7, Text8, Text12, Text23}) box->clear();
    Text24->setText(QStringLiteral("1"));
}

void Form1::closeEvent(QCloseEvent* event) {
    Timer2->stop();
    port_.close();
    event->accept();
}
