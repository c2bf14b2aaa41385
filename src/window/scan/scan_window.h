// "查找变频器": finds a drive that does not answer by walking line settings and addresses. A
// window of its own beside the main window; the scan runs through the main window's exchange
// core, and nothing in the main window changes unless the user applies a drive found.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "jobs/drive_scan.h"
#include "jobs/job_runner.h"
#include "jobs/several_drives_read.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

class ScanWindow : public QWidget {
    Q_OBJECT
  public:
    // What the scan starts from: the user's setting and the inverter address box; `refusal`
    // says why a scan cannot start now (empty when it can).
    struct Context {
        int baudIndex = 1;
        int formatIndex = 0;
        int address = 1;
        QString port;  // "COM1 (/dev/ttyUSB0)", for the backups' files
        QString refusal;
    };
    ScanWindow(jobs::JobRunner& runner, std::function<Context()> context,
               QWidget* parent = nullptr);
    ~ScanWindow() override;

    std::array<QCheckBox*, 4> baudBoxes{};
    std::array<QCheckBox*, 6> formatBoxes{};
    QSpinBox* firstAddress = nullptr;
    QSpinBox* lastAddress = nullptr;
    QSpinBox* budget = nullptr;
    QRadioButton* stopAtFirst = nullptr;  // 找到一个即停
    QRadioButton* findAll = nullptr;
    QPushButton* startButton = nullptr;  // 开始 / 停止
    QPushButton* saveButton = nullptr;
    QPushButton* watchAllButton = nullptr;   // 监视全部
    QPushButton* backupAllButton = nullptr;  // 备份全部
    QProgressBar* progress = nullptr;
    QLabel* status = nullptr;
    QTableWidget* results = nullptr;

    void start();
    void stop();
    // The rows shown, as the scan left them.
    const std::vector<jobs::ScanRow>& rows() const { return rows_; }
    bool save(const QString& path, QString* error) const;
    // The drives found that one poll or backup can serve: those at the first one's setting.
    // `elsewhere` names the others.
    std::vector<int> foundDrives(int* baudIndex, int* formatIndex, QString* elsewhere) const;
    // Reads every drive found into `folder`, a file per drive (drive-001.csv ...), through the
    // runner at the drives' setting; false, with the reason shown, when it cannot start.
    bool backupAll(const QString& folder, int firstParameter = 0, int lastParameter = 250);
    bool backingUp() const { return backup_ != nullptr; }
    // The runner runs this window's scan.
    bool scanning() const { return scanning_; }

  signals:
    // A found drive was double-clicked: its setting and address are to be used.
    void applyRequested(int baudIndex, int formatIndex, int address);
    // "监视全部": poll these drives, found at this setting.
    void watchAllRequested(int baudIndex, int formatIndex, const std::vector<int>& addresses);

  private:
    void showProgress();
    void showRows();
    void onFinished(bool stopped);
    void askAndSave();
    void showFoundButtons();
    void onBackupFinished(bool stopped);
    void refuse(const QString& reason);

    jobs::JobRunner& runner_;
    std::function<Context()> context_;
    std::unique_ptr<jobs::DriveScan> scan_;
    std::vector<jobs::ScanRow> rows_;
    QString pauseReason_;
    bool scanning_ = false;  // the runner runs this window's scan
    std::unique_ptr<jobs::SeveralDrivesRead> backup_;
    QString backupFolder_;
};
