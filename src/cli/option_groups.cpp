#include "cli/option_groups.h"

#include <QCoreApplication>

#include "drive/set_comparison.h"
#include "jobs/drive_scan.h"
#include "jobs/scan_options.h"

CommandLineOutcome ReadScanOptions(const QCommandLineParser& parser, const QCommandLineOption& scan,
                                   const QCommandLineOption& bauds,
                                   const QCommandLineOption& formats,
                                   const QCommandLineOption& addresses,
                                   const QCommandLineOption& budget, const QCommandLineOption& all,
                                   CommandLine* options, QString* message) {
    options->scan = parser.isSet(scan);
    options->scanAll = parser.isSet(all);
    QString error;
    if (parser.isSet(bauds)) {
        const std::optional<std::vector<int>> list =
            jobs::ParseBaudList(parser.value(bauds), &error);
        if (!list) {
            *message = QStringLiteral("--scan-bauds: ") + error;
            return CommandLineOutcome::Error;
        }
        options->scanBauds = *list;
    }
    if (parser.isSet(formats)) {
        const std::optional<std::vector<int>> list =
            jobs::ParseFormatList(parser.value(formats), &error);
        if (!list) {
            *message = QStringLiteral("--scan-formats: ") + error;
            return CommandLineOutcome::Error;
        }
        options->scanFormats = *list;
    }
    if (parser.isSet(addresses) &&
        !jobs::ParseAddressRange(parser.value(addresses), &options->scanFirstAddress,
                                 &options->scanLastAddress, &error)) {
        *message = QStringLiteral("--scan-addresses: ") + error;
        return CommandLineOutcome::Error;
    }
    bool number = false;
    options->scanBudgetMs = parser.value(budget).toInt(&number);
    const int shortest = int(jobs::kShortestBudget.count());
    const int longest = int(jobs::kLongestBudget.count());
    if (!number || options->scanBudgetMs < shortest || options->scanBudgetMs > longest) {
        *message = QCoreApplication::translate(
                       "CommandLine", "--scan-budget wants milliseconds from %1 to %2, not \"%3\"")
                       .arg(shortest)
                       .arg(longest)
                       .arg(parser.value(budget));
        return CommandLineOutcome::Error;
    }
    return CommandLineOutcome::Run;
}

CommandLineOutcome ReadLineOptions(
    const QCommandLineParser& parser, const QCommandLineOption& baud,
    const QCommandLineOption& format, const QCommandLineOption& address,
    const QCommandLineOption& backup, const QCommandLineOption& compare,
    const QCommandLineOption& restore, const QCommandLineOption& parameters,
    const QCommandLineOption& addresses, const QCommandLineOption& compareDrive,
    CommandLine* options, QString* message) {
    QString error;
    if (parser.isSet(addresses)) {
        const std::optional<std::vector<int>> list =
            drive::ParseAddressList(parser.value(addresses), &error);
        if (!list) {
            *message = QStringLiteral("--addresses: ") + error;
            return CommandLineOutcome::Error;
        }
        options->addresses = *list;
    }
    if (parser.isSet(compareDrive)) {
        bool number = false;
        options->compareDrive = parser.value(compareDrive).toInt(&number);
        if (!number || options->compareDrive < 1 || options->compareDrive > 247) {
            *message = QCoreApplication::translate("CommandLine",
                                                   "--compare-drive wants 1 to 247, not \"%1\"")
                           .arg(parser.value(compareDrive));
            return CommandLineOutcome::Error;
        }
    }
    if (parser.isSet(baud)) {
        const std::optional<std::vector<int>> list =
            jobs::ParseBaudList(parser.value(baud), &error);
        if (!list || list->size() != 1) {
            *message =
                QStringLiteral("--baud: ") +
                (list ? QCoreApplication::translate("CommandLine", "name one baud rate") : error);
            return CommandLineOutcome::Error;
        }
        options->baudIndex = list->front();
    }
    if (parser.isSet(format)) {
        const std::optional<std::vector<int>> list =
            jobs::ParseFormatList(parser.value(format), &error);
        if (!list || list->size() != 1) {
            *message =
                QStringLiteral("--format: ") +
                (list ? QCoreApplication::translate("CommandLine", "name one data format") : error);
            return CommandLineOutcome::Error;
        }
        options->formatIndex = list->front();
    }
    if (parser.isSet(address)) {
        bool number = false;
        options->parameterAddress = parser.value(address).toInt(&number);
        if (!number || options->parameterAddress < 1 || options->parameterAddress > 247) {
            *message =
                QCoreApplication::translate("CommandLine", "--address wants 1 to 247, not \"%1\"")
                    .arg(parser.value(address));
            return CommandLineOutcome::Error;
        }
        options->addressGiven = true;
    }
    if (parser.isSet(parameters)) {
        const QStringList parts = parser.value(parameters).split(QLatin1Char('-'));
        bool ok = parts.size() == 2, ok2 = false;
        const int first = ok ? parts[0].toInt(&ok) : 0;
        const int last = ok ? parts[1].toInt(&ok2) : 0;
        if (!ok || !ok2 || first < 0 || last > 250 || first > last) {
            *message = QCoreApplication::translate(
                           "CommandLine", "--parameters wants FIRST-LAST within 0-250, not \"%1\"")
                           .arg(parser.value(parameters));
            return CommandLineOutcome::Error;
        }
        options->firstParameter = first;
        options->lastParameter = last;
    }
    options->backupFile = parser.value(backup);
    options->compareFile = parser.value(compare);
    options->restoreFile = parser.value(restore);
    const int commands = int(parser.isSet(backup)) + int(parser.isSet(compare)) +
                         int(parser.isSet(restore)) + int(options->scan) + int(options->listen) +
                         int(parser.isSet(compareDrive));
    if (commands > 1) {
        *message = QCoreApplication::translate("CommandLine",
                                               "--scan, --backup, --compare, --compare-drive, "
                                               "--restore and --listen go one at a time");
        return CommandLineOutcome::Error;
    }
    if (!options->addresses.empty() && !options->parameterCommand()) {
        *message = QCoreApplication::translate(
            "CommandLine",
            "--addresses goes with --backup, --compare, --compare-drive or --restore");
        return CommandLineOutcome::Error;
    }
    if (options->compareDrive && options->addresses.empty()) {
        *message = QCoreApplication::translate(
            "CommandLine", "--compare-drive compares the drives of --addresses with it");
        return CommandLineOutcome::Error;
    }
    return CommandLineOutcome::Run;
}
