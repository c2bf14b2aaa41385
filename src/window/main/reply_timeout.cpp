// The reply timeout: where the user sets it and where it shows.
#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include "window/history/history_window.h"
#include "window/main/main_window.h"
#include "window/trend/trend_window.h"

void MainWindow::connectReplyTimeout() {
    const auto offer = [this](QWidget* widget, const std::function<QMenu*()>& standardMenu) {
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(widget, &QWidget::customContextMenuRequested, this,
                [this, widget, standardMenu](const QPoint& at) {
                    std::unique_ptr<QMenu> menu(standardMenu ? standardMenu() : new QMenu);
                    if (!menu->isEmpty()) menu->addSeparator();
                    menu->addAction(tr("Reply timeout…"), this, [this] {
                        bool chosen = false;
                        const int ms = QInputDialog::getInt(
                            this, tr("Reply timeout"),
                            tr("Reply timeout (ms): how long a capture waits for the first "
                               "byte of a reply"),
                            int(core_.replyTimeout().count()), 50, 2000, 10, &chosen);
                        if (chosen) setReplyTimeout(ms);
                    });
                    menu->exec(widget->mapToGlobal(at));
                });
    };
    offer(replyGridLabel, nullptr);
    for (int i = 0; i < kCellCount; ++i)
        for (QLineEdit* cell : {replyCells[i], replyCharCells[i]})
            offer(cell, [cell] { return cell->createStandardContextMenu(); });
    setReplyTimeout(int(core_.replyTimeout().count()));
}

void MainWindow::setReplyTimeout(int milliseconds) {
    core_.setReplyTimeout(std::chrono::milliseconds(milliseconds));
    const int applied = int(core_.replyTimeout().count());
    offerSuggestedTimeout();
    if (historyWindow_) historyWindow_->setReplyTimeout(applied);
    if (trendWindow_) trendWindow_->setReplyTimeout(applied);
    if (timedModeBox->isChecked() && timedSendTimer->interval() < applied)
        timedSendTimer->setInterval(timedInterval(timedSendTimer->interval()));
}

// A suggestion above the timeout in force turns 接收数据 amber: a click on it takes the
// suggestion. The trend window offers a button for it.
void MainWindow::offerSuggestedTimeout() {
    const int suggested = core_.suggestedTimeout();
    const bool offer = suggested > int(core_.replyTimeout().count());
    offeredTimeout_ = offer ? std::optional<int>(suggested) : std::nullopt;
    replyGridLabel->setStyleSheet(offer ? QStringLiteral("background: #ffe6a6;") : QString());
    const QString current =
        tr("Reply timeout %1 ms: how long a capture waits for the first byte of a reply "
           "(right-click to change)")
            .arg(core_.replyTimeout().count());
    replyGridLabel->setToolTip(
        offer ? current + QLatin1Char('\n') +
                    tr("Replies keep coming late: click to raise the reply timeout (回应超时) to "
                       "%1 ms, which would catch them")
                        .arg(suggested)
              : current);
    if (trendWindow_) trendWindow_->offerTimeout(offer ? suggested : 0);
}
