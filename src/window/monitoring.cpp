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
#include "window/cell_edit.h"
#include "window/entry_guard.h"
#include "window/main_window.h"
#include "window/trend_window.h"

void MainWindow::connectMonitoring() {
    connect(&poller_, &exchange::Poller::sampleAdded, this, &MainWindow::showSample);
    auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+T")), this);
    connect(shortcut, &QShortcut::activated, this, [this] { openTrend(); });
    for (int reading = 0; reading < kReadingCount; ++reading) {
        QPushButton* button = readingButtons[std::size_t(reading)];
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QWidget::customContextMenuRequested, this,
                [this, button, reading](const QPoint& at) {
                    QMenu menu;
                    menu.addAction(QStringLiteral("趋势监视…"), this,
                                   [this, reading] { openTrend({reading}); });
                    menu.exec(button->mapToGlobal(at));
                });
    }
}

TrendWindow* MainWindow::openTrend(const std::vector<int>& readings) {
    if (!trendWindow_) {
        trendWindow_ = new TrendWindow(poller_, this);
        trendWindow_->setReplyTimeout(int(core_.replyTimeout().count()));
        connect(trendWindow_, &TrendWindow::startRequested, this, &MainWindow::startPolling);
        connect(trendWindow_, &TrendWindow::stopRequested, &poller_, &exchange::Poller::stop);
        connect(trendWindow_, &TrendWindow::replyTimeoutChosen, this, &MainWindow::setReplyTimeout);
    }
    if (!readings.empty()) {
        std::vector<int> chosen = trendWindow_->chosenReadings();
        for (int reading : readings)
            if (std::find(chosen.begin(), chosen.end(), reading) == chosen.end())
                chosen.push_back(reading);
        trendWindow_->choose(chosen);
    }
    trendWindow_->show();
    trendWindow_->raise();
    trendWindow_->activateWindow();
    return trendWindow_;
}

void MainWindow::noteOnTrend(const QString& text) {
    if (trendWindow_) trendWindow_->note(text);
}

bool MainWindow::startPolling(const std::vector<int>& readings) {
    if (readings.empty()) {
        noteOnTrend(QStringLiteral("请先选择要监视的读数"));
        return false;
    }
    if (!addressGuard_->check()) {
        noteOnTrend(QStringLiteral("变频地址无效：%1")
                        .arg(drive::WholeNumberRange(0, drive::kHighestAddress)));
        return false;
    }
    if (timedModeBox->isChecked()) {
        timedModeBox->setChecked(false);
        onTimedModeClicked();
        noteOnTrend(QStringLiteral("定时方式已关闭：监视开始了（两者不能同时使用线路）"));
    } else {
        noteOnTrend(QString());
    }
    poller_.start(readings,
                  *drive::WholeNumber(inverterAddress->text(), 0, drive::kHighestAddress));
    return true;
}

// A polled reading keeps its result box up to date, like a press of its button would; the box
// is written when the screen catches up, with the reading's latest sample.
void MainWindow::showSample(const exchange::Sample& sample) {
    pendingSamples_[sample.reading] = sample;
    showSoon();
}

QString MainWindow::SampleText(const exchange::Sample& sample) {
    switch (sample.verdict) {
        case exchange::Verdict::Good:
            return sample.reading == drive::kFaultCodeReadingIndex
                       ? drive::FaultText(sample.raw)
                       : drive::MonitorText(sample.raw, drive::MonitorItems()[sample.reading]);
        case exchange::Verdict::CheckError:
            return QStringLiteral("校验错误");
        case exchange::Verdict::OtherAnswer:
            return QStringLiteral("回应不符");
        default:
            return drive::NoReplyText();
    }
}
