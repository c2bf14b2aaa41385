// "参数管理": the drive's parameters read all at once, saved to a file, compared with a file (or
// one file with another), and written back where they differ, each write read back. A window
// of its own beside the main window; its jobs go through the main window's job runner.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "drive/parameter_set.h"
#include "jobs/job_runner.h"
#include "jobs/parameter_jobs.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

class ParameterWindow : public QWidget {
    Q_OBJECT
  public:
    // What a job starts from: the drive's address and framing, and the line for the file's header;
    // `refusal` says why no job can start now.
    struct Context {
        jobs::ParameterJobOptions options;
        QString line;
        QString refusal;
        // 启动 was sent to the drive after its last 停止: it may run at 0 Hz.
        bool startedSinceStop = false;
    };
    ParameterWindow(jobs::JobRunner& runner, std::function<Context()> context,
                    QWidget* parent = nullptr);
    ~ParameterWindow() override;

    QSpinBox* firstParameter = nullptr;
    QSpinBox* lastParameter = nullptr;
    QPushButton* readButton = nullptr;       // 读取全部
    QPushButton* openButton = nullptr;       // 打开…: a file into the file column
    QPushButton* openFirstButton = nullptr;  // 打开到变频器栏…: file against file
    QPushButton* saveButton = nullptr;       // 保存…: the drive column
    QPushButton* compareButton = nullptr;    // 比较
    QPushButton* writeButton = nullptr;      // 写入差异
    QPushButton* cancelButton = nullptr;     // 停止
    QCheckBox* differencesOnly = nullptr;    // 只看差异
    QCheckBox* stopOnMismatch = nullptr;     // 不符即停
    QLabel* counts = nullptr;
    QLabel* status = nullptr;
    QProgressBar* progress = nullptr;
    QTableWidget* table = nullptr;

    // The sets behind the two value columns.
    const std::optional<drive::ParameterSet>& driveSet() const { return first_; }
    const std::optional<drive::ParameterSet>& fileSet() const { return second_; }
    const std::vector<drive::ComparedParameter>& compared() const { return compared_; }

    void readAll();
    // Loads a parameter set into the drive's column (`intoFirst`) or the file's; why not is
    // also shown in the status line.
    bool openFile(const QString& path, bool intoFirst, QString* error);
    bool saveFile(const QString& path, QString* error);
    // Writes the rows chosen (`numbers`; empty: every row that differs) after the running
    // check; `confirm` asks the user (the window's dialog by default) and may refuse.
    void writeDifferences(std::vector<int> numbers = {});
    void setConfirmation(std::function<bool(const QString&)> confirm) {
        confirm_ = std::move(confirm);
    }
    const std::vector<jobs::WriteResult>& writeResults() const { return writeResults_; }

  protected:
    // Closing ends a job still running; while it writes, only once the user agrees.
    void closeEvent(QCloseEvent* event) override;

  private:
    enum class Running { None, Read, Check, Write };
    void start(jobs::Job* job, Running what);
    void onFinished(bool stopped);
    void afterCheck();
    void showTable();
    void showProgress();
    void refuse(const QString& text);
    void askAndOpen(bool intoFirst);
    void askAndSave();

    jobs::JobRunner& runner_;
    std::function<Context()> context_;
    std::function<bool(const QString&)> confirm_;
    Context jobContext_;
    Running running_ = Running::None;
    std::unique_ptr<jobs::ParameterRead> read_;
    std::unique_ptr<jobs::RunningCheck> check_;
    std::unique_ptr<jobs::ParameterWrite> write_;
    std::vector<jobs::ParameterWrite::Item> pendingItems_;
    std::optional<drive::ParameterSet> first_;
    std::optional<drive::ParameterSet> second_;
    QString firstName_;
    bool firstFromFile_ = false;  // the drive's column holds a file: file against file
    QString secondName_;
    std::vector<drive::ComparedParameter> compared_;
    std::vector<jobs::WriteResult> writeResults_;
    QElapsedTimer lastTableFill_;  // a read fills the table as it goes, a few times a second
};
