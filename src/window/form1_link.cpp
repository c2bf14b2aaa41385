// The serial link: rebuilding the port from the three option groups, the port labels, exit.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QLabel>

#include "serial/port_settings.h"
#include "window/form1.h"

int Form1::selectedIndex(const QButtonGroup* group) const {
    return group->checkedId();
}

frame::Framing Form1::selectedFraming() const {
    return serial::IsAsciiFormat(selectedIndex(Option1)) ? frame::Framing::Ascii
                                                         : frame::Framing::Rtu;
}

void Form1::Option1_Click(int) {
    reconfigurePort();
}
void Form1::Option2_Click(int) {
    reconfigurePort();
}
void Form1::Option3_Click(int) {
    reconfigurePort();
}

// Every click in the port, baud-rate or data-format group rebuilds the whole configuration from
// the three selections; nothing else remembers it. A click on the selected button retries the
// open, which is how a user reconnects a port that failed.
void Form1::reconfigurePort() {
    port_.close();
    const int portIndex = selectedIndex(Option3);
    if (portIndex >= 0) port_.setPortNumber(portIndex + 1);
    port_.setSettings(serial::SettingsText(selectedIndex(Option2), selectedIndex(Option1)));
    port_.open();
    showPortState();
}

// The label of the selected port names its device, or turns red with the reason it failed.
void Form1::showPortState() {
    const int selected = selectedIndex(Option3);
    for (int i = 0; i < 4; ++i) {
        QLabel* label = portLabels[i];
        const QString device = portDevices_[i].isEmpty() ? tr("no serial device") : portDevices_[i];
        if (i == selected && !port_.isOpen()) {
            label->setStyleSheet(QStringLiteral("color: red;"));
            label->setToolTip(port_.errorText());
        } else {
            label->setStyleSheet(QString());
            label->setToolTip(device);
        }
        Option3->button(i)->setToolTip(device);
    }
}

void Form1::Command1_Click() {
    // Ends the program at once; the port is released as the program ends.
    if (exitAction_) exitAction_();
}
