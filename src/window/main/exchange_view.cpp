// The send button, timed mode, and what the exchange core reports: the log lines with their
// verdicts and the receive grid.
#include <algorithm>

#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include "convert/conversions.h"
#include "exchange/exchange_text.h"
#include "window/common/verdict_style.h"
#include "window/history/history_window.h"
#include "window/main/cell_edit.h"
#include "window/main/entry_guard.h"
#include "window/main/main_window.h"

// The frame the byte cells send, read again only after a cell has changed: timed mode sends
// the same cells many times a second.
QByteArray MainWindow::frameToSend() {
    if (!frameToSend_) frameToSend_ = exchange::BytesToSend(byteCellTexts());
    return *frameToSend_;
}

std::array<QString, kCellCount> MainWindow::byteCellTexts() const {
    std::array<QString, kCellCount> texts;
    for (int i = 0; i < kCellCount; ++i) texts[i] = byteCells[i]->text();
    return texts;
}

// "发        送": the byte cells go out 0.1 s after the press, unless timed mode owns the line.
quint64 MainWindow::sendFrame() {
    if (timedModeBox->isChecked()) return 0;
    return submitPress(frameToSend(), false, {}, cellsJudging());
}

exchange::Judging MainWindow::cellsJudging() {
    const QByteArray frame = frameToSend();
    if (!quickFrameInCells_.isEmpty() && frame == quickFrameInCells_)
        return exchange::Judging::Drive;
    if (!standardFrameInCells_.isEmpty() && frame == standardFrameInCells_)
        return exchange::Judging::Standard;
    return judging_;
}

// The interval box takes whole milliseconds from 50 up to an hour; anything else is refused
// with a red frame, rather than run at some other interval than the one shown.
constexpr int kShortestInterval = 50;
constexpr int kLongestInterval = 3600000;

void MainWindow::guardInterval() {
    intervalGuard_ = new EntryGuard(
        intervalBox,
        [](const QString& text) {
            const double interval = conv::ReadNumber(text);
            return interval >= kShortestInterval && interval <= kLongestInterval;
        },
        tr("%1 to %2 ms").arg(kShortestInterval).arg(kLongestInterval), tr("Interval refused"));
}

void MainWindow::onTimedModeClicked() {
    if (timedModeBox->isChecked() && !intervalGuard_->check()) {
        timedModeBox->setChecked(false);  // refused: nothing runs at an interval not shown
        return;
    }
    if (timedModeBox->isChecked() && poller_.running()) {
        poller_.stop();
        noteOnTrend(tr("Monitoring stopped: timed mode began (the two cannot share the line)"));
    }
    if (timedModeBox->isChecked()) {
        const int interval = timedInterval(conv::ReadNumber(intervalBox->text()));
        timedSendTimer->setInterval(interval);
        timedSendTimer->start();
        lastTick_ = exchange::Clock::now();
        nextInterval_.reset();
        sendButton->setEnabled(false);
    } else {
        timedSendTimer->stop();
        sendButton->setEnabled(true);
    }
}

// A new interval typed while timed mode runs takes over from the next tick, or at once where it
// ends sooner than the tick the timer waits for; one that cannot be an interval is marked and
// leaves the running one as it is.
void MainWindow::onIntervalChanged() {
    if (!timedModeBox->isChecked()) return;
    if (!intervalGuard_->check()) return;
    const int interval = static_cast<int>(
        conv::RoundToInt(conv::ReadNumber(intervalBox->text()), conv::IntWidth::Int32));
    nextInterval_ = interval;
    const int dueIn = exchange::MillisecondsUntil(lastTick_ + std::chrono::milliseconds(interval));
    if (dueIn < timedSendTimer->remainingTime()) timedSendTimer->start(dueIn);
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
    lastTick_ = exchange::Clock::now();
    if (nextInterval_) {
        timedSendTimer->setInterval(timedInterval(*nextInterval_));  // counts from this tick
        nextInterval_.reset();
    }
    exchange::Request tick{frameToSend(), exchange::Origin::Timed};
    tick.judging = cellsJudging();
    core_.submit(tick);
}

HistoryWindow* MainWindow::openHistory() {
    if (!historyWindow_) {
        historyWindow_ = new HistoryWindow(core_.history(), this);
        historyWindow_->setReplyTimeout(int(core_.replyTimeout().count()));
        historyWindow_->setJudging(judging_);
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
            menu->addAction(tr("Exchange history…"), this, &MainWindow::openHistory);
            menu->exec(line->mapToGlobal(at));
        });
    }
    auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+H")), this);
    connect(shortcut, &QShortcut::activated, this, &MainWindow::openHistory);
}

// The log shows what the grid can show: at most 64 bytes of a frame.
QString MainWindow::LogEntry::text() const {
    if (!present) return QString();
    return exchange::LogLine(record.counter, record.direction, record.bytes.left(kCellCount));
}

// A reply's verdict, and what came when it is not good; why a send did not go out.
QString MainWindow::LogEntry::tooltip() const {
    if (!present || record.direction == exchange::Direction::Sent) return QString();
    if (record.direction == exchange::Direction::NotSent) return record.detail;
    const exchange::Verdict verdict = record.verdict.value_or(exchange::Verdict::NoReply);
    // A good reply that came with more bytes says how many.
    if (verdict == exchange::Verdict::Good)
        return record.detail.isEmpty()
                   ? exchange::VerdictName(verdict)
                   : exchange::VerdictName(verdict) + QStringLiteral(": ") + record.detail;
    return exchange::VerdictName(verdict) + QStringLiteral(": ") +
           exchange::ReceivedText(record.bytes, record.detail);
}

QColor MainWindow::LogEntry::background(const QPalette& palette) const {
    const QColor plain = palette.color(QPalette::Button);
    if (!present || record.direction == exchange::Direction::Sent) return plain;
    if (record.direction == exchange::Direction::NotSent) return NotSentBackground(palette);
    return VerdictBackground(palette, record.verdict.value_or(exchange::Verdict::NoReply))
        .value_or(plain);
}

void MainWindow::showRecord(const exchange::ExchangeRecord& record) {
    log_[0] = std::move(log_[1]);
    log_[1] = std::move(log_[2]);
    log_[2] = LogEntry{record, true};
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
    for (ResultBox& box : results_) box.apply();
}

void MainWindow::showLog() {
    for (std::size_t i = 0; i < log_.size(); ++i) {
        QLineEdit* line = logLines[i];
        const QString text = log_[i].text();
        if (line->text() != text) {
            line->setText(text);
            // Keep the counter and direction tag in view when a line is wider than its box.
            line->setCursorPosition(0);
        }
        const QString tooltip = log_[i].tooltip();
        if (line->toolTip() != tooltip) line->setToolTip(tooltip);
        QPalette palette = line->palette();
        const QColor background = log_[i].background(palette);
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

// The reply in the receive grid; the check of a reply whose check failed in red. Timed mode and
// the poller mostly bring the same reply again, and then the grid is left as it is rather than
// its 128 cells read back ten times a second.
void MainWindow::showGrid(const exchange::Exchange& exchange) {
    const exchange::Judgement& judgement = exchange.judgement;
    std::bitset<kCellCount> marks;
    if (judgement.verdict == exchange::Verdict::CheckError)
        for (int i = std::max(judgement.checkAt, 0);
             i < std::min(judgement.checkAt + judgement.checkLength, kCellCount); ++i)
            marks.set(std::size_t(i));
    const QByteArray shown = exchange.reply.left(kCellCount);
    if (shown == shownReply_ && marks == markedCells_) return;
    shownReply_ = shown;

    const exchange::GridTexts grid = exchange::ReceiveGridTexts(shown);
    for (int i = 0; i < kCellCount; ++i) {
        SetTextIfChanged(replyCells[i], grid.hex[i]);
        if (replyCharCells[i]->text() != grid.chars[i]) {
            replyCharCells[i]->setText(grid.chars[i]);
            FitCharacterFont(replyCharCells[i]);
        }
        const bool mark = marks.test(std::size_t(i));
        if (mark == markedCells_.test(std::size_t(i))) continue;
        markedCells_.set(std::size_t(i), mark);
        for (QLineEdit* cell : {replyCells[i], replyCharCells[i]}) {
            QPalette palette = cell->palette();
            palette.setColor(QPalette::Text, mark ? CheckErrorText(palette)
                                                  : this->palette().color(QPalette::Text));
            cell->setPalette(palette);
        }
    }
}
