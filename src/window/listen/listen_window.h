// "总线监听": the frames of a bus another master runs, live, with filters, pause and clear,
// the statistics per address, a frame's bytes on double-click, and saving as CSV or pcap.
#pragma once

#include <QWidget>

#include "listen/bus_statistics.h"
#include "window/listen/listen_model.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;
class QTimer;

class ListenWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ListenWindow(QWidget* parent = nullptr);

    // Shown as the main window starts or ends listening; `line` names the port and settings.
    void setListening(bool listening, const QString& line);
    void addFrames(std::vector<ListenRow> rows);
    // Why listening did not start, or what became of the port.
    void note(const QString& text);
    // A frame's bytes, characters, meaning and what is wrong, as the double-click shows them.
    QString frameDetails(int sourceRow) const;
    bool saveAs(const QString& path, bool pcap, QString* error) const;

    QPushButton* startButton = nullptr;
    QCheckBox* autoBox = nullptr;  // "自动": find the baud rate and format by listening first
    QLineEdit* addressFilter = nullptr;
    QLineEdit* functionFilter = nullptr;
    QComboBox* verdictFilter = nullptr;
    QCheckBox* pauseBox = nullptr;
    QPushButton* clearButton = nullptr;
    QPushButton* saveButton = nullptr;
    QTableView* table = nullptr;
    QTableWidget* statisticsTable = nullptr;
    QLabel* status = nullptr;
    ListenModel* model = nullptr;
    ListenFilter* filter = nullptr;

  signals:
    void startRequested();
    void stopRequested();

  protected:
    // Closing the window ends listening: the line is not left to a listener nobody sees.
    void closeEvent(QCloseEvent* event) override;

  private:
    void refilter();
    void showStatistics();
    void showStatus();

    bool listening_ = false;
    bool followingEnd_ = true;
    QString line_;
    std::vector<ListenRow> paused_;  // frames heard while the table is paused
    listen::BusStatistics statistics_;
    bool statisticsChanged_ = false;
    QTimer* statisticsTimer_ = nullptr;
};
