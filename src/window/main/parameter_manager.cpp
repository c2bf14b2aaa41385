// The parameter manager's place in the main window: where it is opened and what its jobs start
// from; and the line the command line chose for the window.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

#include "drive/entry_checks.h"
#include "window/drives/drive_comparison_window.h"
#include "window/main/main_window.h"
#include "window/parameters/parameter_window.h"

ParameterWindow* MainWindow::openParameters() {
    if (!parameterWindow_) {
        parameterWindow_ = new ParameterWindow(
            jobRunner_, [this] { return parameterContext(); }, this);
    }
    parameterWindow_->show();
    parameterWindow_->raise();
    parameterWindow_->activateWindow();
    return parameterWindow_;
}

// A parameter job talks to the drive the inverter address box names, at the window's setting,
// and only when nothing else repeats requests on the line.
ParameterWindow::Context MainWindow::parameterContext() {
    ParameterWindow::Context context;
    const std::optional<int> address =
        drive::WholeNumber(inverterAddress->text(), 1, drive::kHighestAddress);
    context.options.address = address.value_or(1);
    context.options.framing = selectedFraming();
    context.line = lineDescription();
    context.startedSinceStop = runCommands_.startedSinceStop(context.options.address);
    if (!address)
        context.refusal = tr("The inverter address (变频地址) is not valid: enter %1")
                              .arg(drive::WholeNumberRange(1, drive::kHighestAddress));
    else if (timedModeBox->isChecked())
        context.refusal =
            tr("Timed mode is on: switch it off first (the two cannot share the "
               "line)");
    else if (poller_.running())
        context.refusal =
            tr("The trend monitor is polling: stop it first (the two cannot share "
               "the line)");
    return context;
}

DriveComparisonWindow* MainWindow::openDriveComparison() {
    if (!driveComparisonWindow_) {
        driveComparisonWindow_ = new DriveComparisonWindow(
            jobRunner_, [this] { return driveComparisonContext(); }, this);
    }
    driveComparisonWindow_->show();
    driveComparisonWindow_->raise();
    driveComparisonWindow_->activateWindow();
    return driveComparisonWindow_;
}

// The drives are named in the window; the line and what shares it are the main window's.
DriveComparisonWindow::Context MainWindow::driveComparisonContext() {
    DriveComparisonWindow::Context context;
    const ParameterWindow::Context one = parameterContext();
    context.framing = one.options.framing;
    context.line = one.line;
    if (timedModeBox->isChecked())
        context.refusal =
            tr("Timed mode is on: switch it off first (the two cannot share the "
               "line)");
    else if (poller_.running())
        context.refusal =
            tr("The trend monitor is polling: stop it first (the two cannot share "
               "the line)");
    context.startedSinceStop = [this](int address) {
        return runCommands_.startedSinceStop(address);
    };
    return context;
}

void MainWindow::connectParameterManager() {
    connect(&core_, &exchange::ExchangeCore::exchangeFinished, this,
            [this](const exchange::Exchange& exchange) {
                if (exchange.sent) runCommands_.note(exchange.request, core_.framing());
            });
    auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+P")), this);
    connect(shortcut, &QShortcut::activated, this, &MainWindow::openParameters);
    auto* several = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+P")), this);
    connect(several, &QShortcut::activated, this, &MainWindow::openDriveComparison);
    for (QPushButton* button : {readParameterButton, writeParameterButton}) {
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QWidget::customContextMenuRequested, this,
                [this, button](const QPoint& at) {
                    QMenu menu;
                    menu.addAction(QStringLiteral("参数管理…"), this, &MainWindow::openParameters);
                    menu.addAction(QStringLiteral("多台变频器参数…"), this,
                                   &MainWindow::openDriveComparison);
                    menu.exec(button->mapToGlobal(at));
                });
    }
}

void MainWindow::useLine(int baudIndex, int formatIndex, int address) {
    if (formatIndex >= 0) formatGroup->button(formatIndex)->click();
    if (baudIndex >= 0) baudGroup->button(baudIndex)->click();
    if (address >= 0) inverterAddress->setText(QString::number(address));
}
