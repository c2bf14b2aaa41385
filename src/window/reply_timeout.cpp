// The reply timeout: where the user sets it and where it shows.
#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include "window/history_window.h"
#include "window/main_window.h"
#include "window/trend_window.h"

void MainWindow::connectReplyTimeout() {
    const auto offer = [this](QWidget* widget, const std::function<QMenu*()>& standardMenu) {
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(widget, &QWidget::customContextMenuRequested, this,
                [this, widget, standardMenu](const QPoint& at) {
                    std::unique_ptr<QMenu> menu(standardMenu ? standardMenu() : new QMenu);
                    if (!menu->isEmpty()) menu->addSeparator();
                    menu->addAction(QStringLiteral("回应超时…"), this, [this] {
                        bool chosen = false;
                        const int ms = QInputDialog::getInt(
                            this, QStringLiteral("回应超时"),
                            QStringLiteral("回应超时 (ms)：等待回应第一个字节的时间"),
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
    replyGridLabel->setToolTip(
        QStringLiteral("回应超时 %1 ms：等待回应第一个字节的时间（右键修改）").arg(applied));
    if (historyWindow_) historyWindow_->setReplyTimeout(applied);
    if (trendWindow_) trendWindow_->setReplyTimeout(applied);
    if (timedModeBox->isChecked() && timedSendTimer->interval() < applied)
        timedSendTimer->setInterval(timedInterval(timedSendTimer->interval()));
}
