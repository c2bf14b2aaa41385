#include "bench_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

extern char** environ;

namespace bench {
namespace {

double Seconds(const timeval& tv) {
    return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
}

double CpuOf(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

QString Figure(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

}  // namespace

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double MsBetween(Clock::time_point from, Clock::time_point to) {
    return Ms(to - from);
}

double ProcessCpuSeconds() {
    return CpuOf(RUSAGE_SELF);
}

double ChildrenCpuSeconds() {
    return CpuOf(RUSAGE_CHILDREN);
}

double Percentile(std::vector<double> samples, double p) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * samples.size()));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

double Median(const std::vector<double>& samples) {
    if (samples.empty()) return 0;
    std::vector<double> sorted = samples;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

double Mean(const std::vector<double>& samples) {
    if (samples.empty()) return 0;
    return std::accumulate(samples.begin(), samples.end(), 0.0) / samples.size();
}

double Max(const std::vector<double>& samples) {
    return samples.empty() ? 0 : *std::max_element(samples.begin(), samples.end());
}

double Min(const std::vector<double>& samples) {
    return samples.empty() ? 0 : *std::min_element(samples.begin(), samples.end());
}

Args::Args(int argc, char** argv, int first) {
    for (int i = first; i < argc; ++i) words_ << QString::fromLocal8Bit(argv[i]);
}

QString Args::text(const char* key, const QString& fallback) const {
    const int at = words_.indexOf(QStringLiteral("--") + QLatin1String(key));
    return at >= 0 && at + 1 < words_.size() ? words_[at + 1] : fallback;
}

int Args::integer(const char* key, int fallback) const {
    bool ok = false;
    const int value = text(key, QString()).toInt(&ok);
    return ok ? value : fallback;
}

double Args::number(const char* key, double fallback) const {
    bool ok = false;
    const double value = text(key, QString()).toDouble(&ok);
    return ok ? value : fallback;
}

bool Args::flag(const char* key) const {
    return words_.contains(QStringLiteral("--") + QLatin1String(key));
}

void PrintRow(const Row& row) {
    const QString spread = row.perRun.size() > 1
                               ? QStringLiteral("%1–%2 %3 (%4 runs)")
                                     .arg(Figure(Min(row.perRun), row.decimals),
                                          Figure(Max(row.perRun), row.decimals), row.unit)
                                     .arg(row.perRun.size())
                               : QStringLiteral("(1 run)");
    const QString verdict =
        row.target.isEmpty() ? QStringLiteral("info") : (row.meets ? "PASS" : "MISS");
    std::printf("ROW|%s|%s|%s %s|%s|%s\n", qPrintable(row.metric),
                qPrintable(row.target.isEmpty() ? QStringLiteral("–") : row.target),
                qPrintable(Figure(Median(row.perRun), row.decimals)), qPrintable(row.unit),
                qPrintable(spread), qPrintable(verdict));
    std::fflush(stdout);
}

void PrintCountRow(const QString& metric, const QString& target, long long count, bool meets) {
    const char* verdict = target.isEmpty() ? "info" : (meets ? "PASS" : "MISS");
    std::printf("ROW|%s|%s|%lld|total over all runs|%s\n", qPrintable(metric),
                qPrintable(target.isEmpty() ? QStringLiteral("–") : target), count, verdict);
    std::fflush(stdout);
}

QString BuildPath(const QString& relative) {
    // This program lives in <build>/bench; the others are built beside it in the same tree.
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QFileInfo(self).absolutePath() + QStringLiteral("/../") + relative;
}

SimChild::~SimChild() {
    stop();
}

bool SimChild::start(const QString& program, QString* error, const QStringList& options) {
    int out[2];
    if (pipe(out) != 0) {
        *error = QStringLiteral("pipe failed");
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    // Its banner on stderr would only clutter the benchmark's own output.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const QByteArray path = program.toLocal8Bit();
    std::vector<QByteArray> words{path};
    for (const QString& option : options) words.push_back(option.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int failed =
        posix_spawn(&pid_, path.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (failed != 0) {
        ::close(out[0]);
        pid_ = -1;
        *error = QStringLiteral("cannot start %1").arg(program);
        return false;
    }
    QByteArray line;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!line.contains('\n') && Clock::now() < deadline) {
        pollfd pfd{out[0], POLLIN, 0};
        if (poll(&pfd, 1, 100) <= 0) continue;
        char buffer[256];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        line.append(buffer, static_cast<int>(n));
    }
    ::close(out[0]);
    path_ = QString::fromLocal8Bit(line.left(line.indexOf('\n'))).trimmed();
    if (path_.isEmpty()) {
        *error = QStringLiteral("%1 printed no device path").arg(program);
        stop();
        return false;
    }
    return true;
}

void SimChild::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    path_.clear();
}

long ResidentKiB(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double CpuSecondsOfProcess(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QByteArray text = stat.readAll();
    // The fields after the command name, which ends with the last ')'.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / ticks;
}

}  // namespace bench
