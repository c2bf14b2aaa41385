// The drive the window talks to: the inverter address box. A result box shows values of that
// drive only, and the trend poller follows a new address as soon as it is a valid one.
#include <QLineEdit>

#include "drive/entry_checks.h"
#include "exchange/request_identity.h"
#include "window/main/main_window.h"
#include "window/trend/trend_window.h"

void MainWindow::followAddress() {
    const std::optional<int> address =
        drive::WholeNumber(inverterAddress->text(), 0, drive::kHighestAddress);
    if (!address) {
        if (poller_.running())
            noteOnTrend(tr("The inverter address (变频地址) \"%1\" is refused: still polling "
                           "drive %2")
                            .arg(inverterAddress->text())
                            .arg(poller_.address()));
        return;
    }
    if (*address == addressInForce_) return;
    const int before = std::exchange(addressInForce_, *address);
    for (ResultBox& box : results_)
        box.forget(tr("cleared: the value came from drive %1, the inverter address (变频地址) "
                      "now says %2")
                       .arg(before)
                       .arg(*address));
    showSoon();
    if (!poller_.running()) {
        if (trendWindow_) trendWindow_->showAddress(*address);
        return;
    }
    if (*address == 0) {
        // Every drive carries out a broadcast and none answers it: there is nothing to poll.
        noteOnTrend(tr("Address 0 is a broadcast, which no drive answers: still polling drive %1")
                        .arg(poller_.address()));
        addressInForce_ = poller_.address();
        return;
    }
    const bool alone = poller_.otherChannels().empty();
    poller_.setAddress(*address);
    noteOnTrend(alone ? tr("Now polling drive %1; the samples of drive %2 were cleared")
                            .arg(*address)
                            .arg(before)
                      : tr("Now polling drive %1 in place of drive %2").arg(*address).arg(before));
}

bool MainWindow::fromAddressInForce(const exchange::Exchange& exchange) const {
    const std::optional<QByteArray> body = exchange::RequestBody(exchange.request, core_.framing());
    return body && quint8(body->at(0)) == addressInForce_;
}
