// Catching a trip: the trend window's "触发" arms the capture on the poller's samples; arming
// makes sure the trigger's reading is polled.
#include <QCheckBox>
#include <QLineEdit>

#include "drive/entry_checks.h"
#include "drive/readings.h"
#include "window/main/main_window.h"
#include "window/trend/trend_window.h"
#include "window/trend/trigger_panel.h"

void MainWindow::connectTripCapture() {
    connect(trendWindow_->triggerPanel, &TriggerPanel::armRequested, this,
            [this](const trip::CaptureSettings& settings) {
                QString error;
                noteOnTrend(armTripCapture(settings, &error) ? QString() : error);
            });
    connect(trendWindow_->triggerPanel, &TriggerPanel::disarmRequested, &tripCapture_,
            &trip::TripCapture::disarm);
}

bool MainWindow::armTripCapture(trip::CaptureSettings settings, QString* error) {
    const std::optional<int> address =
        drive::WholeNumber(inverterAddress->text(), 1, drive::kHighestAddress);
    if (!address) {
        *error = tr("The inverter address (变频地址) is not valid: enter %1")
                     .arg(drive::WholeNumberRange(1, drive::kHighestAddress));
        return false;
    }
    settings.mainAddress = *address;
    settings.line = lineDescription();
    TrendWindow* trend = openTrend({}, {}, trendWindow_ && trendWindow_->isVisible());
    // The trigger's reading must be among those polled, or it could never fire.
    const trip::Trigger& trigger = settings.trigger;
    if (trigger.kind != trip::TriggerKind::NoReply) {
        const int drive = trigger.address ? trigger.address : *address;
        if (drive == *address) {
            trend->readingBoxes[std::size_t(trigger.reading)]->setChecked(true);
        } else {
            trend->chooseChannels({exchange::Channel{drive, trigger.reading}});
        }
    }
    if (!tripCapture_.arm(settings, error)) return false;
    trend->triggerPanel->showSettings(settings);
    if (!poller_.running() && !startPolling(trend->chosenReadings(), trend->chosenChannels())) {
        tripCapture_.disarm();
        *error = tr("Polling could not start, so the trigger is not armed");
        return false;
    }
    // A port already away when arming is an event too: its return will be one.
    tripCapture_.onPortClosed(poller_.portClosed());
    return true;
}
