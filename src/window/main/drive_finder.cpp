// The drive finder's place in the main window: where it is opened, the line it borrows while it
// scans, and the setting it hands back.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <memory>

#include "drive/entry_checks.h"
#include "drive/readings.h"
#include "window/main/main_window.h"
#include "window/scan/scan_window.h"
#include "window/trend/trend_window.h"

ScanWindow* MainWindow::openScan() {
    if (!scanWindow_) {
        scanWindow_ = new ScanWindow(
            jobRunner_, [this] { return scanContext(); }, this);
        connect(scanWindow_, &ScanWindow::applyRequested, this, &MainWindow::applyFoundDrive);
        connect(scanWindow_, &ScanWindow::watchAllRequested, this, &MainWindow::watchFoundDrives);
    }
    scanWindow_->show();
    scanWindow_->raise();
    scanWindow_->activateWindow();
    return scanWindow_;
}

// A scan changes the line's settings from probe to probe: it starts only when nothing else
// repeats requests on the line, and from the user's own setting.
ScanWindow::Context MainWindow::scanContext() {
    ScanWindow::Context context;
    context.baudIndex = selectedIndex(baudGroup);
    context.formatIndex = selectedIndex(formatGroup);
    context.address =
        drive::WholeNumber(inverterAddress->text(), 1, drive::kHighestAddress).value_or(1);
    const int port = selectedIndex(portGroup);
    context.port =
        port >= 0 ? QStringLiteral("COM%1 (%2)").arg(port + 1).arg(portDevices_[std::size_t(port)])
                  : QString();
    if (timedModeBox->isChecked())
        context.refusal =
            tr("Timed mode is on: switch it off before scanning (the two cannot "
               "share the line)");
    else if (poller_.running())
        context.refusal =
            tr("The trend monitor is polling: stop it before scanning (the two "
               "cannot share the line)");
    return context;
}

// While a scan runs the main window's sends would go out at the scan's settings: they are
// greyed, and so are the settings the scan borrows. Stop stays: it ends the scan and then goes
// out at the user's setting.
void MainWindow::lockForJob(bool running) {
    jobLocked_ = running;
    for (QWidget* control :
         std::initializer_list<QWidget*>{timedModeBox, startButton, setFrequencyButton,
                                         readParameterButton, writeParameterButton})
        control->setEnabled(!running);
    for (QPushButton* button : readingButtons) button->setEnabled(!running);
    for (QButtonGroup* group : {formatGroup, baudGroup, portGroup})
        for (QAbstractButton* button : group->buttons()) button->setEnabled(!running);
    sendButton->setEnabled(!running && !timedModeBox->isChecked());
}

void MainWindow::applyFoundDrive(int baudIndex, int formatIndex, int address) {
    if (jobRunner_.running()) {
        // Applied once the job has ended; only the scan itself is stopped for it.
        pendingApply_ = {baudIndex, formatIndex, address};
        if (scanWindow_ && scanWindow_->scanning()) jobRunner_.stop();
        return;
    }
    formatGroup->button(formatIndex)->click();
    baudGroup->button(baudIndex)->click();
    inverterAddress->setText(QString::number(address));
}

// "监视全部": the first drive found takes the inverter address box and the trend's left column,
// the others a column each, all with the readings the trend has ticked (the output frequency
// when none is).
void MainWindow::watchFoundDrives(int baudIndex, int formatIndex, const std::vector<int>& drives) {
    if (drives.empty() || jobRunner_.running()) return;
    applyFoundDrive(baudIndex, formatIndex, drives.front());
    TrendWindow* trend = openTrend();
    std::vector<int> readings = trend->chosenReadings();
    if (readings.empty()) readings = {drive::kOutputFrequencyReading};
    std::vector<exchange::Channel> others;
    for (std::size_t d = 1; d < drives.size(); ++d)
        for (int reading : readings) others.push_back({drives[d], reading});
    openTrend(readings, others);
    if (poller_.running()) poller_.stop();
    startPolling(trend->chosenReadings(), trend->chosenChannels());
}

void MainWindow::connectDriveFinder() {
    auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+F")), this);
    connect(shortcut, &QShortcut::activated, this, &MainWindow::openScan);
    for (QWidget* place : std::initializer_list<QWidget*>{
             findChild<QGroupBox*>(QStringLiteral("Frame5")), addressButton}) {
        place->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(place, &QWidget::customContextMenuRequested, this, [this, place](const QPoint& at) {
            QMenu menu;
            menu.addAction(QStringLiteral("查找变频器…"), this, &MainWindow::openScan);
            menu.exec(place->mapToGlobal(at));
        });
    }
    connect(&jobRunner_, &jobs::JobRunner::progress, this, [this] {
        if (!jobLocked_) lockForJob(true);
    });
    connect(&jobRunner_, &jobs::JobRunner::finished, this, [this] {
        lockForJob(false);
        if (pendingApply_) {
            const auto [baud, format, address] = *std::exchange(pendingApply_, std::nullopt);
            applyFoundDrive(baud, format, address);
        }
        if (std::exchange(stopAfterJob_, false)) onStopClicked();
    });
}
