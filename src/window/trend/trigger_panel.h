// "触发" in the trend window: the trigger (the fault code turning non-zero, a reading crossing a
// level, the drive ceasing to answer), the seconds kept before and after, where the snapshots
// go, single shot or re-armed, the state, and the events, each opening its snapshot's folder.
#pragma once

#include <QGroupBox>
#include <functional>

#include "trip/trip_capture.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QToolButton;

class TriggerPanel : public QGroupBox {
    Q_OBJECT
  public:
    TriggerPanel(trip::TripCapture& capture, QWidget* parent = nullptr);

    QComboBox* kindBox = nullptr;  // fault code, level, no reply
    QComboBox* readingBox = nullptr;
    QComboBox* edgeBox = nullptr;
    QDoubleSpinBox* levelBox = nullptr;
    QDoubleSpinBox* hysteresisBox = nullptr;
    QSpinBox* missedPollsBox = nullptr;
    QSpinBox* beforeBox = nullptr;
    QSpinBox* afterBox = nullptr;
    QLineEdit* folderEdit = nullptr;
    QToolButton* chooseFolderButton = nullptr;
    QCheckBox* rearmBox = nullptr;
    QPushButton* armButton = nullptr;
    QLabel* stateLabel = nullptr;
    QListWidget* eventsList = nullptr;

    // The trigger the controls describe.
    trip::Trigger trigger() const;
    // Shows a trigger (one the command line armed) in the controls.
    void showSettings(const trip::CaptureSettings& settings);

  signals:
    // The user asked to arm with these settings (the window fills in the drive and the line).
    void armRequested(const trip::CaptureSettings& settings);
    void disarmRequested();

  private:
    void showKind();
    void showState();
    void showTripEvent(int index, bool added);

    trip::TripCapture& capture_;
};
