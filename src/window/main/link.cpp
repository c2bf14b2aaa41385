// The serial link: rebuilding the port from the three option groups, and the port labels.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>

#include "serial/port_map.h"
#include "serial/port_settings.h"
#include "window/main/main_window.h"

int MainWindow::selectedIndex(const QButtonGroup* group) const {
    return group->checkedId();
}

frame::Framing MainWindow::selectedFraming() const {
    return serial::IsAsciiFormat(selectedIndex(formatGroup)) ? frame::Framing::Ascii
                                                             : frame::Framing::Rtu;
}

// Every click in the port, baud-rate or data-format group rebuilds the whole configuration from
// the three selections; nothing else remembers it. A click on the selected button retries the
// open, which is how a user reconnects a port that failed.
void MainWindow::reconfigurePort() {
    reconfigurePending_ = false;
    port_.close();
    const int portIndex = selectedIndex(portGroup);
    if (portIndex >= 0) port_.setPortNumber(portIndex + 1);
    // Another port has its own pace: what the line taught the exchange core is forgotten.
    if (portIndex + 1 != configuredPort_) core_.resetLineKnowledge();
    configuredPort_ = portIndex + 1;
    const QString settingsText =
        serial::SettingsText(selectedIndex(baudGroup), selectedIndex(formatGroup));
    port_.setSettings(settingsText);
    port_.open();
    core_.setLine(serial::ParseSettings(settingsText).value_or(serial::PortSettings{}),
                  selectedFraming());
    showPortState();
}

QString MainWindow::lineDescription() const {
    const int port = selectedIndex(portGroup);
    const int baud = selectedIndex(baudGroup);
    const int format = selectedIndex(formatGroup);
    const QString device = port >= 0 ? portDevices_[std::size_t(port)] : QString();
    return tr("%1 (%2), %3 baud, %4")
        .arg(port >= 0 ? QStringLiteral("COM%1").arg(port + 1) : QString(),
             device.isEmpty() ? tr("no serial device") : device,
             baud >= 0 ? baudGroup->button(baud)->text() : QString(),
             format >= 0 ? formatGroup->button(format)->accessibleName() : QString());
}

// Closing the port under a reply would lose its bytes and judge the rest at the new settings:
// a change made while an exchange is on the line waits for its end, at most its capture.
void MainWindow::reconfigureWhenFree() {
    if (core_.busy()) {
        reconfigurePending_ = true;
    } else {
        reconfigurePort();
    }
}

// The port comes back by itself: while it is closed against the user's choice it is tried again
// once a second, and a send tries it too. Each port's caption selects it like its circle, and
// the keyboard reaches a group at its selected button.
void MainWindow::keepPortAlive() {
    portRetryTimer_ = new QTimer(this);
    portRetryTimer_->setInterval(1000);
    connect(portRetryTimer_, &QTimer::timeout, this, [this] {
        port_.open();
        showPortState();
    });
    for (int i = 0; i < 4; ++i) portLabels[i]->installEventFilter(this);
    replyGridLabel->installEventFilter(this);
    connect(&core_, &exchange::ExchangeCore::lineFasterThanBaudFound, this,
            &MainWindow::showPortState);
    for (QButtonGroup* group : {formatGroup, baudGroup, portGroup}) {
        connect(group, &QButtonGroup::idToggled, this, [group] { TabToSelected(group); });
        TabToSelected(group);
    }
}

// Tab enters an option group at its selected button; the arrow keys move within the group.
void MainWindow::TabToSelected(QButtonGroup* group) {
    for (QAbstractButton* button : group->buttons())
        button->setFocusPolicy(button->isChecked() || !group->checkedButton() ? Qt::StrongFocus
                                                                              : Qt::ClickFocus);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const auto isLogLine = [this, watched] {
        return std::any_of(logLines.begin(), logLines.end(),
                           [watched](QLineEdit* line) { return line == watched; });
    };
    if (event->type() == QEvent::MouseButtonDblClick && isLogLine()) {
        openHistory();
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress && watched == replyGridLabel && offeredTimeout_) {
        setReplyTimeout(*offeredTimeout_);
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        for (int i = 0; i < 4; ++i) {
            if (watched != portLabels[i]) continue;
            portGroup->button(i)->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// The label of the selected port names its device, or turns red with the reason it failed.
void MainWindow::showPortState() {
    if (port_.isOpen()) {
        portRetryTimer_->stop();
    } else if (!portRetryTimer_->isActive()) {
        portRetryTimer_->start();
    }
    const int selected = selectedIndex(portGroup);
    for (int i = 0; i < 4; ++i) {
        QLabel* label = portLabels[i];
        QString device = portDevices_[i].isEmpty() ? tr("no serial device") : portDevices_[i];
        const QString description = serial::PortDescription(portDevices_[i]);
        if (!description.isEmpty()) device += QStringLiteral(" (%1)").arg(description);
        // A gateway in raw mode keeps its own serial settings; the buttons cannot reach them.
        if (device.startsWith(QLatin1String("tcp://")))
            device +=
                QLatin1Char('\n') +
                tr("A serial device server in raw TCP mode: its own baud rate and format must "
                   "match the buttons, which here choose the framing and the timing only");
        if (device.startsWith(QLatin1String("rfc2217://")))
            device += QLatin1Char('\n') +
                      tr("A serial device server with port control (RFC 2217): the baud-rate and "
                         "format buttons set its serial port");
        if (i == selected && !port_.isOpen()) {
            label->setStyleSheet(QStringLiteral("color: red;"));
            label->setToolTip(port_.errorText());
        } else {
            label->setStyleSheet(QString());
            label->setToolTip(i == selected && core_.lineFasterThanBaud()
                                  ? device + QLatin1Char('\n') +
                                        tr("Answers arrive sooner than this baud rate allows: a "
                                           "USB service port, a virtual port pair or a "
                                           "simulator. Replies are not timed as on a wire here.")
                                  : device);
        }
        portGroup->button(i)->setToolTip(device);
    }
}
