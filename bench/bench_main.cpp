// inverter-bench: measures the program against the limits the protocol sets. bench/run.sh runs
// every measurement and prints the summary table; each subcommand can also be run alone.
#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <memory>

#include "bench_support.h"

namespace bench {
int RunLatency(const Args& args);
int RunTimed(const Args& args);
int RunWire(const Args& args);
int RunStartup(const Args& args);
int RunPoll(const Args& args);
int RunStores(const Args& args);
int RunIdle(const Args& args);
int RunSoak(const Args& args);
int RunFirstByte(const Args& args);
int RunScan(const Args& args);
int RunParameters(const Args& args);
int RunDrivesBackup(const Args& args);
int RunListen(const Args& args);
int RunTrip(const Args& args);
}  // namespace bench

namespace {

void Usage() {
    std::fprintf(
        stderr,
        "usage: inverter-bench COMMAND [--option value]...\n"
        "  latency  [--clicks 100] [--runs 5] [--format ascii|rtu] [--baud 9600] [--gap 20]\n"
        "           [--turnaround 5] [--inject none|oversize|...] [--hidden]\n"
        "  timed    [--ticks 1000] [--seconds 60] [--interval 50] [--runs 3]\n"
        "           [--format ascii|rtu] [--baud 9600] [--hidden | --history]\n"
        "  wire     [--exchanges 10000] [--runs 3] [--settings 9600,n,8,1]\n"
        "  startup  [--runs 10] [--settle 1000] [--demo] [--program PATH]  (needs X)\n"
        "  poll     [--format rtu] [--baud 38400] [--readings 1|8] [--turnaround 5]\n"
        "           [--reply-timeout 50] [--seconds 20] [--runs 3] [--chart]\n"
        "           [--via serial|tcp|ser2net|rfc2217] [--drives 1] [--silent]\n"
        "  stores   [--repaints 20]\n"
        "  idle     [--seconds 10]\n"
        "  soak     [--ticks 2000] [--interval 50]\n"
        "  firstbyte [--format ascii|rtu] [--baud 9600] [--turnaround 5] [--samples 30] [--runs "
        "3]\n"
        "  scan     [--case all|wrong-setting|address-200|full-walk] [--runs 3]\n"
        "  parameters [--runs 3]\n"
        "  backup-drives [--drives 12] [--baud 38400] [--runs 3]\n"
        "  listen   [--framing rtu|ascii] [--baud 38400] [--seconds 600] [--merge]\n"
        "  trip     [--baud 38400] [--seconds 600] [--period 30]\n"
        "Window measurements use the X display in DISPLAY (offscreen without one);\n"
        "--hidden leaves the window unshown, so nothing is painted.\n");
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        Usage();
        return 2;
    }
    const char* command = argv[1];
    const bool window = std::strcmp(command, "wire") != 0 && std::strcmp(command, "startup") != 0 &&
                        std::strcmp(command, "scan") != 0 &&
                        std::strcmp(command, "parameters") != 0 &&
                        std::strcmp(command, "backup-drives") != 0 &&
                        std::strcmp(command, "listen") != 0 && std::strcmp(command, "trip") != 0;
    // Without a display the window paints into memory on the offscreen platform; bench/run.sh
    // gives it an X display, as a user's window has.
    if (window && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    if (window)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);

    const bench::Args args(argc, argv, 2);
    if (!std::strcmp(command, "latency")) return bench::RunLatency(args);
    if (!std::strcmp(command, "timed")) return bench::RunTimed(args);
    if (!std::strcmp(command, "wire")) return bench::RunWire(args);
    if (!std::strcmp(command, "startup")) return bench::RunStartup(args);
    if (!std::strcmp(command, "poll")) return bench::RunPoll(args);
    if (!std::strcmp(command, "stores")) return bench::RunStores(args);
    if (!std::strcmp(command, "idle")) return bench::RunIdle(args);
    if (!std::strcmp(command, "soak")) return bench::RunSoak(args);
    if (!std::strcmp(command, "firstbyte")) return bench::RunFirstByte(args);
    if (!std::strcmp(command, "scan")) return bench::RunScan(args);
    if (!std::strcmp(command, "parameters")) return bench::RunParameters(args);
    if (!std::strcmp(command, "listen")) return bench::RunListen(args);
    if (!std::strcmp(command, "trip")) return bench::RunTrip(args);
    if (!std::strcmp(command, "backup-drives")) return bench::RunDrivesBackup(args);
    Usage();
    return 2;
}
