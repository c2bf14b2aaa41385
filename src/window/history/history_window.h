// "通讯记录": every exchange since start, filtered, copied and saved. A window of its own beside
// the main window, opened from the log lines or with Ctrl+H.
#pragma once

#include <QWidget>

#include "exchange/history.h"
#include "exchange/history_file.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class HistoryModel;
class HistoryFilter;

class HistoryWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HistoryWindow(const exchange::History& history, QWidget* parent = nullptr);

    QTableView* table = nullptr;
    QLineEdit* filterBox = nullptr;
    QCheckBox* problemsOnlyBox = nullptr;
    QPushButton* saveButton = nullptr;
    QLabel* status = nullptr;
    HistoryModel* model = nullptr;
    HistoryFilter* filter = nullptr;

    // The selected rows, as they are shown, tab-separated with the full date.
    QString selectedText() const;
    // Writes the whole history, or only the selected rows; false with the reason.
    bool save(const QString& path, exchange::HistoryFormat format, bool selectionOnly,
              QString* error);
    // The reply timeout shows in the title bar.
    void setReplyTimeout(int milliseconds);
    // How replies to frames typed by hand are read, named in the title with the reply timeout.
    void setJudging(exchange::Judging judging);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    std::vector<int> selectedSourceRows() const;
    void askAndSave(bool selectionOnly);
    void showCount();
    void showTitle();

    const exchange::History& history_;
    int replyTimeoutMs_ = 50;
    exchange::Judging judging_ = exchange::Judging::Auto;
    bool followingEnd_ = true;
};
