// The main window's side of listening to a bus another master runs: opening the window,
// handing the line to the listener and back, refusing every send meanwhile.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QShortcut>

#include "serial/port_settings.h"
#include "window/listen/listen_window.h"
#include "window/main/main_window.h"

void MainWindow::connectListening() {
    auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+L")), this);
    connect(shortcut, &QShortcut::activated, this, &MainWindow::openListen);
    for (const char* name : {"Frame1", "Frame2"}) {
        auto* place = findChild<QGroupBox*>(QLatin1String(name));
        place->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(place, &QWidget::customContextMenuRequested, this, [this, place](const QPoint& at) {
            QMenu menu;
            menu.addAction(QStringLiteral("总线监听…"), this, &MainWindow::openListen);
            menu.exec(place->mapToGlobal(at));
        });
    }
    connect(&listener_, &listen::BusListener::framesHeard, this,
            [this](const std::vector<listen::HeardFrame>& frames) {
                if (settingsSearch_.running()) {
                    settingsSearch_.tally(frames);
                    return;
                }
                if (!listenWindow_) return;
                std::vector<ListenRow> rows;
                rows.reserve(frames.size());
                for (const listen::HeardFrame& frame : frames)
                    rows.push_back({frame, listener_.epochUs(frame.frame.firstByteUs)});
                listenWindow_->addFrames(std::move(rows));
            });
    connect(&settingsSearch_, &listen::SettingsSearch::trying, this, [this](int baud, int format) {
        if (listenWindow_)
            listenWindow_->note(tr("Finding the line's settings: listening at %1…")
                                    .arg(serial::SettingsText(baud, format)));
    });
    connect(&settingsSearch_, &listen::SettingsSearch::finished, this,
            [this](int baud, int format) {
                lockLineButtons(false);
                if (baud >= 0) {
                    useLine(baud, format, -1);
                } else {
                    reconfigurePort();  // back to the buttons' setting
                }
                listenAtButtons();
                if (baud < 0 && listenWindow_)
                    listenWindow_->note(
                        tr("No setting made frames whose check holds: listening at the "
                           "buttons' setting"));
            });
}

ListenWindow* MainWindow::openListen() {
    if (!listenWindow_) {
        listenWindow_ = new ListenWindow(this);
        connect(listenWindow_, &ListenWindow::startRequested, this, &MainWindow::startListening);
        connect(listenWindow_, &ListenWindow::stopRequested, this, &MainWindow::stopListening);
    }
    listenWindow_->show();
    listenWindow_->raise();
    listenWindow_->activateWindow();
    return listenWindow_;
}

bool MainWindow::startListening() {
    ListenWindow* window = openListen();
    if (jobRunner_.running()) {
        window->note(tr("A job is using the line: stop it first"));
        return false;
    }
    if (!port_.isOpen() && !port_.open()) {
        window->note(port_.errorText());
        showPortState();
        return false;
    }
    // A second master would collide with the one that runs the bus.
    if (timedModeBox->isChecked()) timedModeBox->click();
    poller_.stop();
    core_.setListener([this] { listener_.onArrival(); },
                      tr("listening to the bus (总线监听): this program sends nothing"));
    lockLineButtons(true);
    if (window->autoBox->isChecked()) {
        window->setListening(true, tr("each setting in turn"));
        settingsSearch_.start();
    } else {
        listenAtButtons();
    }
    return true;
}

void MainWindow::listenAtButtons() {
    const QString settings =
        serial::SettingsText(selectedIndex(baudGroup), selectedIndex(formatGroup));
    listener_.start(serial::ParseSettings(settings).value_or(serial::PortSettings{}),
                    selectedFraming());
    lockLineButtons(true);
    if (listenWindow_) listenWindow_->setListening(true, lineDescription());
}

// The line stays as it is heard: another setting would garble every frame.
void MainWindow::lockLineButtons(bool locked) {
    for (QButtonGroup* group : {portGroup, baudGroup, formatGroup})
        for (QAbstractButton* button : group->buttons()) button->setEnabled(!locked);
}

void MainWindow::stopListening() {
    const bool searching = settingsSearch_.running();
    settingsSearch_.stop();
    listener_.stop();
    core_.clearListener();
    lockLineButtons(false);
    if (searching) reconfigurePort();  // the search left the port at some other setting
    if (listenWindow_) listenWindow_->setListening(false, QString());
}
