// The send button, timed mode, and what the exchange core reports: the log lines with their
// verdicts and the receive grid.
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include "convert/conversions.h"
#include "exchange/exchange_text.h"
#include "exchange/pause.h"
#include "window/cell_edit.h"
#include "window/history_window.h"
#include "window/main_window.h"
#include "window/verdict_style.h"

std::array<QString, kCellCount> MainWindow::byteCellTexts() const {
    std::array<QString, kCellCount> texts;
    for (int i = 0; i < kCellCount; ++i) texts[i] = byteCells[i]->text();
    return texts;
}

// "发        送": after a pause of 0.1 s the byte cells go out, unless timed mode owns the line.
quint64 MainWindow::sendFrame() {
    exchange::Pause(std::chrono::milliseconds(100));
    if (timedModeBox->isChecked()) return 0;
    return core_.submit({exchange::BytesToSend(byteCellTexts()), exchange::Origin::Manual});
}

void MainWindow::onTimedModeClicked() {
    if (timedModeBox->isChecked() && poller_.running()) {
        poller_.stop();
        noteOnTrend(QStringLiteral("监视已停止：定时方式开始了（两者不能同时使用线路）"));
    }
    if (timedModeBox->isChecked()) {
        if (conv::ReadNumber(intervalBox->text()) < 50) intervalBox->setText(QStringLiteral("50"));
        const int interval = timedInterval(conv::ReadNumber(intervalBox->text()));
        timedSendTimer->setInterval(interval);
        timedSendTimer->start();
        nextInterval_.reset();
        sendButton->setEnabled(false);
    } else {
        timedSendTimer->stop();
        sendButton->setEnabled(true);
    }
}

// A new interval typed while timed mode runs takes over from the next tick; what cannot be an
// interval (below 50 ms, no number) leaves the running one as it is.
void MainWindow::onIntervalChanged() {
    if (!timedModeBox->isChecked()) return;
    const double interval = conv::ReadNumber(intervalBox->text());
    if (interval < 50) return;
    nextInterval_ = static_cast<int>(conv::RoundToInt(interval, conv::IntWidth::Int32));
}

// The interval timed mode runs at: what the box says, but never shorter than the reply timeout,
// so that every tick's reply is caught; a raised interval shows in the box.
int MainWindow::timedInterval(double typed) const {
    const int interval = static_cast<int>(conv::RoundToInt(typed, conv::IntWidth::Int32));
    const int timeout = static_cast<int>(core_.replyTimeout().count());
    if (interval >= timeout) return interval;
    intervalBox->setText(QString::number(timeout));
    return timeout;
}

// Timed send: the byte cells as they stand now, without pause or RTS switching.
void MainWindow::onTimedSendTick() {
    if (!timedModeBox->isChecked()) return;
    if (nextInterval_) {
        timedSendTimer->setInterval(timedInterval(*nextInterval_));  // counts from this tick
        nextInterval_.reset();
    }
    core_.submit({exchange::BytesToSend(byteCellTexts()), exchange::Origin::Timed});
}

HistoryWindow* MainWindow::openHistory() {
    if (!historyWindow_) {
        historyWindow_ = new HistoryWindow(core_.history(), this);
        historyWindow_->setReplyTimeout(int(core_.replyTimeout().count()));
    }
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
    return historyWindow_;
}

void MainWindow::connectLogToHistory() {
    for (QLineEdit* line : logLines) {
        line->installEventFilter(this);  // a double click opens the history
        line->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(line, &QWidget::customContextMenuRequested, this, [this, line](const QPoint& at) {
            std::unique_ptr<QMenu> menu(line->createStandardContextMenu());
            menu->addSeparator();
            menu->addAction(QStringLiteral("通讯记录…"), this, &MainWindow::openHistory);
            menu->exec(line->mapToGlobal(at));
        });
    }
    auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+H")), this);
    connect(shortcut, &QShortcut::activated, this, &MainWindow::openHistory);
}

void MainWindow::showRecord(const exchange::ExchangeRecord& record) {
    using exchange::Direction;
    LogEntry entry;
    // The log shows what the grid can show: at most 64 bytes of a frame.
    entry.text = exchange::LogLine(record.counter, record.direction, record.bytes.left(kCellCount));
    switch (record.direction) {
        case Direction::Sent:
            break;
        case Direction::NotSent:
            entry.notSent = true;
            entry.tooltip = record.detail;
            break;
        case Direction::Received:
        case Direction::LateReceived: {
            const exchange::Verdict verdict = record.verdict.value_or(exchange::Verdict::NoReply);
            entry.verdict = verdict;
            entry.tooltip = exchange::VerdictName(verdict);
            if (verdict != exchange::Verdict::Good)
                entry.tooltip +=
                    QStringLiteral(": ") + exchange::ReceivedText(record.bytes, record.detail);
            break;
        }
    }
    log_[0] = std::move(log_[1]);
    log_[1] = std::move(log_[2]);
    log_[2] = std::move(entry);
    logChanged_ = true;
    showSoon();
}

// While timed mode or the poller repeats exchanges many times a second, the screen catches up
// every kDisplayMs with the latest of them rather than drawing each; otherwise at once.
void MainWindow::showSoon() {
    if (!timedModeBox->isChecked() && !poller_.running()) {
        showNow();
    } else if (!displayTimer_->isActive()) {
        displayTimer_->start();
    }
}

void MainWindow::showNow() {
    displayTimer_->stop();
    if (logChanged_) {
        logChanged_ = false;
        showLog();
    }
    if (pendingReply_) {
        showGrid(*pendingReply_);
        pendingReply_.reset();
    }
    for (std::size_t r = 0; r < pendingResults_.size(); ++r) {
        if (!pendingResults_[r]) continue;
        SetTextIfChanged(readingBoxes[r], *pendingResults_[r]);
        pendingResults_[r].reset();
    }
}

void MainWindow::showLog() {
    for (std::size_t i = 0; i < log_.size(); ++i) {
        QLineEdit* line = logLines[i];
        SetTextIfChanged(line, log_[i].text);
        // Keep the counter and direction tag in view when a line is wider than its box.
        line->setCursorPosition(0);
        if (line->toolTip() != log_[i].tooltip) line->setToolTip(log_[i].tooltip);
        QPalette palette = line->palette();
        QColor background = palette.color(QPalette::Button);
        if (log_[i].notSent) {
            background = NotSentBackground(palette);
        } else if (log_[i].verdict) {
            background = VerdictBackground(palette, *log_[i].verdict).value_or(background);
        }
        if (palette.color(QPalette::Base) != background) {
            palette.setColor(QPalette::Base, background);
            line->setPalette(palette);
        }
    }
}

void MainWindow::showReply(const exchange::Exchange& exchange) {
    if (!exchange.sent) return;
    pendingReply_ = exchange;
    showSoon();
}

// The reply in the receive grid; the check of a reply whose check failed in red.
void MainWindow::showGrid(const exchange::Exchange& exchange) {
    const exchange::GridTexts grid = exchange::ReceiveGridTexts(exchange.reply);
    const exchange::Judgement& judgement = exchange.judgement;
    const bool checkFailed = judgement.verdict == exchange::Verdict::CheckError;
    for (int i = 0; i < kCellCount; ++i) {
        SetTextIfChanged(replyCells[i], grid.hex[i]);
        if (replyCharCells[i]->text() != grid.chars[i]) {
            replyCharCells[i]->setText(grid.chars[i]);
            FitCharacterFont(replyCharCells[i]);
        }
        const bool mark =
            checkFailed && i >= judgement.checkAt && i < judgement.checkAt + judgement.checkLength;
        for (QLineEdit* cell : {replyCells[i], replyCharCells[i]}) {
            QPalette palette = cell->palette();
            const QColor text =
                mark ? CheckErrorText(palette) : this->palette().color(QPalette::Text);
            if (palette.color(QPalette::Text) == text) continue;
            palette.setColor(QPalette::Text, text);
            cell->setPalette(palette);
        }
    }
}
