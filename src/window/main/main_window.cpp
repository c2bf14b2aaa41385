#include "window/main/main_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "window/main/cell_edit.h"

MainWindow::MainWindow(serial::SerialPort& port, const std::array<QString, 4>& portDevices,
                       QWidget* parent)
    : QWidget(parent),
      port_(port),
      core_(port),
      poller_(core_),
      jobLine_(port_, core_, [this] { reconfigurePort(); }),
      jobRunner_(core_, &jobLine_),
      portDevices_(portDevices) {
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
    guardEntries();
    guardInterval();
    keepPortAlive();
    connectLogToHistory();
    connectMonitoring();
    connectReplyTimeout();
    offerAppendCheck();
    connectDriveFinder();
    connectParameterManager();
    connectListening();
    sendButton->setFocus();

    displayTimer_ = new QTimer(this);
    displayTimer_->setSingleShot(true);
    displayTimer_->setInterval(kDisplayMs);
    connect(displayTimer_, &QTimer::timeout, this, &MainWindow::showNow);
    port_.setFailureHandler([this](const QString&) { showPortState(); });
    connect(&core_, &exchange::ExchangeCore::recordAdded, this, &MainWindow::showRecord);
    connect(&core_, &exchange::ExchangeCore::exchangeFinished, this,
            [this](const exchange::Exchange& exchange) {
                showReply(exchange);
                followTimedReadings(exchange);
                if (reconfigurePending_) reconfigurePort();
            });
    timedReadingTimer_ = new QTimer(this);
    timedReadingTimer_->setSingleShot(true);
    connect(timedReadingTimer_, &QTimer::timeout, this, &MainWindow::expireTimedReadings);
    connect(&core_, &exchange::ExchangeCore::portReopened, this, &MainWindow::showPortState);
}

MainWindow::~MainWindow() {
    jobRunner_.disconnect(this);
    jobRunner_.abandon();  // puts the user's line settings back while the window is whole
    port_.setFailureHandler(nullptr);
    core_.disconnect(this);
    // QWidget's destructor closes the window after this one has run, and the focus leaving a
    // byte cell then would reach the handlers of a window that is gone.
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void MainWindow::connectHandlers() {
    connect(formatGroup, &QButtonGroup::idClicked, this, &MainWindow::reconfigureWhenFree);
    connect(baudGroup, &QButtonGroup::idClicked, this, &MainWindow::reconfigureWhenFree);
    connect(portGroup, &QButtonGroup::idClicked, this, &MainWindow::reconfigureWhenFree);
    connect(exitButton, &QPushButton::clicked, this, [this] {
        // Ends the program at once; the port is released as the program ends.
        if (exitAction_) exitAction_();
    });

    connectFieldLimits();
    connect(lengthField, &QLineEdit::textChanged, this, &MainWindow::onLengthChanged);
    connect(composeButton, &QPushButton::clicked, this, &MainWindow::composeRequest);
    for (int i = 0; i < kCellCount; ++i) {
        CellEdit* byteCell = byteCells[i];
        CellEdit* charCell = charCells[i];
        connect(byteCell, &QLineEdit::textChanged, this, [this, i] {
            frameToSend_.reset();
            onByteCellChanged(i);
        });
        connect(byteCell, &CellEdit::focusGained, this, &MainWindow::onByteCellFocusIn);
        connect(byteCell, &CellEdit::focusLost, this, &MainWindow::onByteCellFocusOut);
        connect(byteCell, &CellEdit::keyDown, this,
                [this, i](int key) { onByteCellKeyDown(i, key); });
        connect(byteCell, &CellEdit::keyPress, this,
                [this, i](QChar ch) { onByteCellKeyPress(i, ch); });
        connect(charCell, &QLineEdit::textChanged, this, [this, i] { onCharCellChanged(i); });
        connect(charCell, &CellEdit::keyDown, this,
                [this, i](int key) { onCharCellKeyDown(i, key); });
        connect(charCell, &CellEdit::keyPress, this,
                [this, i](QChar ch) { onCharCellKeyPress(i, ch); });
    }

    connect(sendButton, &QPushButton::clicked, this, &MainWindow::sendFrame);
    connect(timedModeBox, &QCheckBox::clicked, this, &MainWindow::onTimedModeClicked);
    connect(timedSendTimer, &QTimer::timeout, this, &MainWindow::onTimedSendTick);
    connect(intervalBox, &QLineEdit::textChanged, this, &MainWindow::onIntervalChanged);

    connect(startButton, &QPushButton::clicked, this, &MainWindow::onStartClicked);
    connect(stopButton, &QPushButton::clicked, this, &MainWindow::onStopClicked);
    connect(setFrequencyButton, &QPushButton::clicked, this, &MainWindow::onSetFrequencyClicked);
    connect(writeParameterButton, &QPushButton::clicked, this,
            &MainWindow::onWriteParameterClicked);
    connect(readParameterButton, &QPushButton::clicked, this, &MainWindow::onReadParameterClicked);
    for (int reading = 0; reading < kReadingCount; ++reading)
        connect(readingButtons[reading], &QPushButton::clicked, this,
                [this, reading] { onReadingClicked(reading); });
    // "变频地址" only labels the address box beside it: pressing it does nothing.
}

void MainWindow::load() {
    port_.open();
    portGroup->button(0)->setChecked(true);
    reconfigurePort();
    for (QLineEdit* box : {frequencyEntry, readParameterNumber, writeParameterValue,
                           writeParameterNumber, parameterValueBox})
        box->clear();
    inverterAddress->setText(QStringLiteral("1"));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (listening()) stopListening();
    jobRunner_.abandon();
    poller_.stop();
    timedSendTimer->stop();
    portRetryTimer_->stop();
    port_.close();
    event->accept();
}
