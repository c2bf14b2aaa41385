// "趋势监视": the trend poller's window. One check box per reading of the drive in the inverter
// address box with its achieved rate and its bad samples, a column of check boxes for each
// further drive, Start/Stop, the time shown, the reply timeout, and the chart.
#pragma once

#include <QWidget>
#include <array>

#include "drive/readings.h"
#include "exchange/poller.h"
#include "trip/trip_capture.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;
class QToolButton;
class QGridLayout;
class TrendChart;
class TriggerPanel;

class TrendWindow : public QWidget {
    Q_OBJECT
  public:
    TrendWindow(exchange::Poller& poller, trip::TripCapture& capture, QWidget* parent = nullptr);

    std::array<QCheckBox*, drive::kReadings> readingBoxes{};
    std::array<QLabel*, drive::kReadings> rateLabels{};
    std::array<QLabel*, drive::kReadings> badLabels{};
    QPushButton* startButton = nullptr;
    QComboBox* spanBox = nullptr;
    QSpinBox* timeoutBox = nullptr;
    QPushButton* saveButton = nullptr;
    QLabel* lineLabel = nullptr;
    QLabel* noteLabel = nullptr;
    QLabel* addressLabel = nullptr;                 // the drive polled
    QPushButton* suggestedTimeoutButton = nullptr;  // one click takes the suggested timeout
    TrendChart* chart = nullptr;
    TriggerPanel* triggerPanel = nullptr;  // "触发"
    QSpinBox* driveBox = nullptr;          // the address of a drive to add
    QPushButton* addDriveButton = nullptr;

    // A further drive polled alongside: its readings' check boxes, which show their rates.
    struct DriveColumn {
        int address = 0;
        QLabel* header = nullptr;
        QToolButton* removeButton = nullptr;
        std::array<QCheckBox*, drive::kReadings> boxes{};
    };
    const std::vector<DriveColumn>& driveColumns() const { return columns_; }

    // The main drive's chosen readings.
    std::vector<int> chosenReadings() const;
    void choose(const std::vector<int>& readings);
    // The further drives' chosen readings.
    std::vector<exchange::Channel> chosenChannels() const;
    // Adds the drives these channels name, as needed, and ticks their readings.
    void chooseChannels(const std::vector<exchange::Channel>& channels);
    // False, with a note, for the main drive, one already there or a broadcast.
    bool addDrive(int address);
    void removeDrive(int address);
    // A short note under the chart: why polling stopped, a save's outcome.
    void note(const QString& text);
    bool saveSamples(const QString& path, QString* error);
    // Late replies name a reply timeout that would catch them; 0 takes the offer away.
    void offerTimeout(int milliseconds);

  signals:
    // The user asked to start or stop polling; the main window decides (it owns timed mode).
    void startRequested(const std::vector<int>& readings,
                        const std::vector<exchange::Channel>& others);
    void stopRequested();
    void replyTimeoutChosen(int milliseconds);

  public slots:
    void setReplyTimeout(int milliseconds);
    void showAddress(int address);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void showRunning(bool running);
    void showFigures();
    void showChannels();
    void repollSoon();
    QString badCounts(const exchange::Channel& channel) const;

    QGridLayout* grid_ = nullptr;
    int mainAddress_ = 1;  // the drive in the inverter address box
    bool repollPending_ = false;
    std::vector<DriveColumn> columns_;
    exchange::Poller& poller_;
    QTimer* redraw_ = nullptr;
    int redraws_ = 0;
};
