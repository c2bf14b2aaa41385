// "多台变频器参数": the parameters of several drives on the line in one table, parameter × drive,
// against a reference (a file or one of the drives), with the differing values marked; and the
// reference's values written to every drive that differs, each write read back, stopped drives
// only. Its jobs go through the main window's job runner.
#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "drive/set_comparison.h"
#include "jobs/job_runner.h"
#include "jobs/parameter_jobs.h"
#include "jobs/several_drives_read.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

class DriveComparisonWindow : public QWidget {
    Q_OBJECT
  public:
    // What a job starts from: the framing and the line for the files' header; `refusal` says why
    // no job can start now; `startedSinceStop` whether 启动 went to a drive after its last 停止.
    struct Context {
        frame::Framing framing = frame::Framing::Rtu;
        QString line;
        QString refusal;
        std::function<bool(int address)> startedSinceStop;
    };
    DriveComparisonWindow(jobs::JobRunner& runner, std::function<Context()> context,
                          QWidget* parent = nullptr);
    ~DriveComparisonWindow() override;

    QLineEdit* addressesEdit = nullptr;  // "1-3", "1,3,5-7"
    QSpinBox* firstParameter = nullptr;
    QSpinBox* lastParameter = nullptr;
    QComboBox* referenceBox = nullptr;  // the file opened, or a drive
    QSpinBox* referenceDrive = nullptr;
    QPushButton* openButton = nullptr;     // 打开参考文件…
    QPushButton* compareButton = nullptr;  // 读取比较
    QPushButton* writeButton = nullptr;    // 写入差异
    QPushButton* stopButton = nullptr;     // 停止
    QComboBox* filterBox = nullptr;        // 全部 / = / ≠
    QLabel* counts = nullptr;
    QLabel* status = nullptr;
    QProgressBar* progress = nullptr;
    QTableWidget* table = nullptr;

    enum Filter { kAll, kEqual, kDifferent };

    bool loadReference(const QString& path, QString* error);
    // Reads the reference drive (when that is the reference) and every drive named, then
    // compares.
    void compareDrives();
    // Writes to each drive the reference's values that differ from its own, once the drive is
    // seen stopped; `confirm` asks first.
    void writeDifferences();
    void setConfirmation(std::function<bool(const QString&)> confirm) {
        confirm_ = std::move(confirm);
    }
    const std::vector<drive::ComparedRow>& rows() const { return rows_; }
    const std::vector<int>& comparedDrives() const { return drives_; }
    // Each drive's writes, by address.
    const std::map<int, std::vector<jobs::WriteResult>>& writeResults() const {
        return writeResults_;
    }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    enum class Running { None, Read, Check, Write };
    bool start(jobs::Job* job, Running what);
    void onFinished(bool stopped);
    void afterRead(bool stopped);
    void nextDriveToWrite();
    void afterCheck();
    void afterWrite();
    void compareSets();
    void showTable();
    void refuse(const QString& text);
    void showBusy(bool busy);

    jobs::JobRunner& runner_;
    std::function<Context()> context_;
    std::function<bool(const QString&)> confirm_;
    Context jobContext_;
    Running running_ = Running::None;
    std::unique_ptr<jobs::SeveralDrivesRead> read_;
    std::unique_ptr<jobs::RunningCheck> check_;
    std::unique_ptr<jobs::ParameterWrite> write_;
    std::optional<drive::ParameterSet> fileReference_;
    QString fileName_;
    std::optional<drive::ParameterSet> reference_;  // as compared: the file's or a drive's
    QString referenceName_;
    // What the comparison on hand was asked for, whatever the controls say since.
    int referenceAddress_ = 0;  // 0: the file
    int first_ = 0;
    int last_ = 0;
    std::vector<int> named_;   // the drives the user named
    std::vector<int> drives_;  // those that answered, each with its set
    std::vector<drive::ParameterSet> sets_;
    std::vector<drive::ComparedRow> rows_;
    // The writing: the drives still to go, and what each is to get.
    std::vector<std::pair<int, std::vector<jobs::ParameterWrite::Item>>> toWrite_;
    std::map<int, std::vector<jobs::WriteResult>> writeResults_;
    QStringList writeNotes_;
};
