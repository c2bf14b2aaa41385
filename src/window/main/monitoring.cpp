// Live monitoring: the trend window, the poller it starts, and the result boxes the polled
// readings keep up to date.
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

#include "drive/entry_checks.h"
#include "drive/readings.h"
#include "drive/reply_decoder.h"
#include "exchange/exchange_text.h"
#include "window/main/cell_edit.h"
#include "window/main/entry_guard.h"
#include "window/main/main_window.h"
#include "window/trend/snapshot_picture.h"
#include "window/trend/trend_window.h"

void MainWindow::connectMonitoring() {
    connect(&poller_, &exchange::Poller::sampleAdded, this, &MainWindow::showSample);
    connect(&poller_, &exchange::Poller::sampleAdded, &tripCapture_, &trip::TripCapture::onSample);
    connect(&poller_, &exchange::Poller::polled, &tripCapture_, &trip::TripCapture::onPoll);
    connect(&poller_, &exchange::Poller::portClosedChanged, &tripCapture_,
            &trip::TripCapture::onPortClosed);
    tripCapture_.setPictureMaker(SnapshotPicture);
    connect(&poller_, &exchange::Poller::notSent, this, &MainWindow::notePollNotSent);
    connect(&core_, &exchange::ExchangeCore::recordAdded, this, &MainWindow::noteLateReplies);
    connect(inverterAddress, &QLineEdit::textChanged, this, &MainWindow::followAddress);
    auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+T")), this);
    connect(shortcut, &QShortcut::activated, this, [this] { openTrend(); });
    for (int reading = 0; reading < kReadingCount; ++reading) {
        QPushButton* button = readingButtons[std::size_t(reading)];
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QWidget::customContextMenuRequested, this,
                [this, button, reading](const QPoint& at) {
                    QMenu menu;
                    menu.addAction(tr("Trend monitor…"), this,
                                   [this, reading] { openTrend({reading}); });
                    menu.exec(button->mapToGlobal(at));
                });
    }
}

TrendWindow* MainWindow::openTrend(const std::vector<int>& readings,
                                   const std::vector<exchange::Channel>& others, bool show) {
    if (!trendWindow_) {
        trendWindow_ = new TrendWindow(poller_, tripCapture_, this);
        connectTripCapture();
        trendWindow_->setReplyTimeout(int(core_.replyTimeout().count()));
        connect(trendWindow_, &TrendWindow::startRequested, this, &MainWindow::startPolling);
        connect(trendWindow_, &TrendWindow::stopRequested, &poller_, &exchange::Poller::stop);
        connect(trendWindow_, &TrendWindow::replyTimeoutChosen, this, &MainWindow::setReplyTimeout);
    }
    if (!poller_.running()) trendWindow_->showAddress(addressInForce_);
    // A further drive named by the address in force is the main drive.
    std::vector<int> wanted = readings;
    std::vector<exchange::Channel> further;
    const std::optional<int> address =
        drive::WholeNumber(inverterAddress->text(), 0, drive::kHighestAddress);
    for (const exchange::Channel& channel : others)
        (address && channel.address == *address ? wanted.push_back(channel.reading)
                                                : further.push_back(channel));
    if (!wanted.empty()) {
        std::vector<int> chosen = trendWindow_->chosenReadings();
        for (int reading : wanted)
            if (std::find(chosen.begin(), chosen.end(), reading) == chosen.end())
                chosen.push_back(reading);
        trendWindow_->choose(chosen);
    }
    trendWindow_->chooseChannels(further);
    if (!show) return trendWindow_;
    trendWindow_->show();
    trendWindow_->raise();
    trendWindow_->activateWindow();
    return trendWindow_;
}

void MainWindow::noteOnTrend(const QString& text) {
    if (trendWindow_) trendWindow_->note(text);
}

bool MainWindow::startPolling(const std::vector<int>& readings,
                              const std::vector<exchange::Channel>& others) {
    if (readings.empty() && others.empty()) {
        noteOnTrend(tr("Choose the readings to monitor first"));
        return false;
    }
    if (jobRunner_.running()) {
        noteOnTrend(tr("查找变频器 is scanning the line: stop the scan first"));
        return false;
    }
    if (!addressGuard_->check()) {
        noteOnTrend(tr("The inverter address (变频地址) is not valid: enter %1")
                        .arg(drive::WholeNumberRange(0, drive::kHighestAddress)));
        return false;
    }
    if (timedModeBox->isChecked()) {
        timedModeBox->setChecked(false);
        onTimedModeClicked();
        noteOnTrend(tr("Timed mode is off: monitoring began (the two cannot share the line)"));
    } else {
        noteOnTrend(QString());
    }
    const int address = *drive::WholeNumber(inverterAddress->text(), 0, drive::kHighestAddress);
    if (address == 0 && !readings.empty()) {
        noteOnTrend(
            tr("Address 0 is a broadcast, which no drive answers: enter the address of "
               "one drive"));
        return false;
    }
    poller_.start(readings, address, others);
    return true;
}

// A polled reading keeps its result box up to date, like a press of its button would; the box
// is written when the screen catches up, with the reading's latest sample. A sample that gives
// no value leaves the value before it greyed.
void MainWindow::showSample(const exchange::Sample& sample) {
    if (sample.address != addressInForce_) return;
    ResultBox& box = results_[sample.reading];
    if (sample.good()) {
        box.showValue(sample.reading == drive::kFaultCodeReadingIndex
                          ? drive::FaultText(sample.raw)
                          : drive::MonitorText(sample.raw, drive::MonitorItems()[sample.reading]),
                      sample.timeMs);
    } else {
        const QString word = exchange::VerdictName(sample.verdict);
        box.showOutdated(word, word);
    }
    if (pollsNotSent_) {
        pollsNotSent_ = false;
        noteOnTrend(QString());
    }
    showSoon();
}

// A closed port is not a silent drive: the trend window says so, and the polls that did not go
// out are counted apart from the drive's verdicts.
void MainWindow::notePollNotSent(int reading) {
    results_[std::size_t(reading)].showOutdated(QStringLiteral("未发送"),
                                                tr("not sent: %1").arg(port_.errorText()));
    pollsNotSent_ = true;
    noteOnTrend(tr("The port is not open; the monitor's requests did not go out: %1")
                    .arg(port_.errorText()));
    showSoon();
}

// While polling, replies that keep coming late name the reply timeout that would catch them
// where the user is looking.
void MainWindow::noteLateReplies(const exchange::ExchangeRecord& record) {
    if (record.direction != exchange::Direction::LateReceived) return;
    offerSuggestedTimeout();
    if (!poller_.running()) return;
    if (const int timeout = core_.suggestedTimeout())
        noteOnTrend(tr("Replies keep coming late (the last %1 ms after its request): a reply "
                       "timeout (回应超时) of %2 ms would catch them")
                        .arg(record.firstByteMs)
                        .arg(timeout));
}
