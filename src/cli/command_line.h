// The program's command line, read before any window or display is touched, so --help,
// --version and option errors work on a machine without a display.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "exchange/samples.h"
#include "trip/trigger.h"

struct CommandLine {
    QStringList portAssignments;  // "COMn=PATH"
    bool demo = false;
    QString recordFile;  // every history row appended here as CSV
    int replyTimeoutMs = 50;
    std::vector<int> monitor;  // readings to poll from the start (drive::ReadingAt indices)
    std::vector<exchange::Channel> monitorOthers;  // and readings of further drives
    QString monitorCsv;                            // every polled sample appended here as CSV
    QString language;                              // "zh", "en", or empty for the locale's choice
    // --scan: find drives on the line without the window.
    bool scan = false;
    std::vector<int> scanBauds{0, 1, 2, 3};          // baud-rate button indices
    std::vector<int> scanFormats{0, 1, 2, 3, 4, 5};  // data-format button indices
    int scanFirstAddress = 1;
    int scanLastAddress = 247;
    int scanBudgetMs = 30;
    bool scanAll = false;
    // The line for the parameter commands, and the window's buttons at start-up; -1: as they are.
    int baudIndex = -1;
    int formatIndex = -1;
    // --backup, --compare, --restore: the parameter commands, without the window.
    QString backupFile;
    QString compareFile;
    QString restoreFile;
    int parameterAddress = 1;  // --address; -1 when not given
    // --addresses: the parameter commands for several drives; --backup names a folder then.
    std::vector<int> addresses;
    int compareDrive = 0;  // --compare-drive: the drive the others are compared with
    bool addressGiven = false;
    int firstParameter = 0;
    int lastParameter = 250;
    // --listen: the frames of a bus another master runs, as CSV rows, until --duration is up.
    bool listen = false;
    QString listenCsv;      // the rows go here instead of standard output
    QString listenPcap;     // and the frames here, for Wireshark
    int listenSeconds = 0;  // 0: until Ctrl+C
    // --snapshots: catching a trip while the trend polls (--trigger, fault-code!=0 by default).
    bool captureTrips = false;
    trip::Trigger trigger = trip::FaultTrigger();
    QString snapshotsDir;
    int beforeSeconds = 30;
    int afterSeconds = 10;
    bool singleSnapshot = false;
    bool noWindow = false;
    bool parameterCommand() const {
        return !backupFile.isEmpty() || !compareFile.isEmpty() || !restoreFile.isEmpty() ||
               compareDrive > 0;
    }
};

// What the commands without a window end with, so a script can tell the cases apart.
constexpr int kExitNotFound = 1;  // --scan: no drive; --compare: a difference; a job's failure
constexpr int kExitBadFile = 2;   // bad options, a file that cannot be read or written
constexpr int kExitNoPort = 3;    // the port cannot be opened, or stayed away

enum class CommandLineOutcome { Run, Done, Error };

// Reads `arguments` (argv as text, the program name first). Done after --help or --version,
// with the text to print in `message`; Error with the reason in `message`.
CommandLineOutcome ReadCommandLine(const QStringList& arguments, CommandLine* options,
                                   QString* message);
