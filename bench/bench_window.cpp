#include "bench_window.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include "exchange/exchange_text.h"
#include "serial/port_settings.h"
#include "window/main/cell_edit.h"

namespace bench {

int LineSetting::baud() const {
    return serial::ParseSettings(serial::SettingsText(baudIndex, formatIndex))->baudRate;
}

int LineSetting::bitsPerCharacter() const {
    return serial::BitsPerCharacter(
        *serial::ParseSettings(serial::SettingsText(baudIndex, formatIndex)));
}

QString LineSetting::name() const {
    return QStringLiteral("%1 %2%3")
        .arg(serial::IsAsciiFormat(formatIndex) ? "ASCII" : "RTU")
        .arg(baud())
        .arg(via == QLatin1String("serial") ? QString() : QStringLiteral(" via ") + via);
}

bool ReadLineSetting(const Args& args, LineSetting* setting, QString* error) {
    const QString format = args.text("format", QStringLiteral("ascii")).toLower();
    if (format != QLatin1String("ascii") && format != QLatin1String("rtu")) {
        *error = QStringLiteral("--format wants ascii or rtu");
        return false;
    }
    setting->formatIndex = format == QLatin1String("ascii") ? 0 : 3;
    setting->via = args.text("via", QStringLiteral("serial")).toLower();
    if (!QStringList{"serial", "tcp", "ser2net", "rfc2217"}.contains(setting->via)) {
        *error = QStringLiteral("--via wants serial, tcp, ser2net or rfc2217");
        return false;
    }
    const int baud = args.integer("baud", 9600);
    const int rates[] = {4800, 9600, 19200, 38400};
    for (int i = 0; i < 4; ++i)
        if (rates[i] == baud) setting->baudIndex = i;
    if (setting->baud() != baud) {
        *error = QStringLiteral("--baud wants 4800, 9600, 19200 or 38400");
        return false;
    }
    return true;
}

WindowRig::~WindowRig() {
    window_.reset();
    port_.reset();
    gateway_.stop();
    sim_.stop();
}

bool WindowRig::start(const LineSetting& setting, QString* error, bool hidden,
                      const QStringList& driveOptions) {
    // The drive's own settings: those of the gateway's serial side (the benchmarks use 8,N,1).
    const QString baud = QString::number(setting.baud());
    QStringList options = driveOptions;
    if (setting.via == QLatin1String("tcp"))
        options << QStringLiteral("--listen") << QStringLiteral("0") << QStringLiteral("--baud")
                << baud;
    if (!sim_.start(BuildPath(QStringLiteral("tools/inverter-sim/inverter-sim")), error, options))
        return false;
    serial::PortMap map;
    map.devices[0] = sim_.devicePath();
    if (setting.via == QLatin1String("ser2net") || setting.via == QLatin1String("rfc2217")) {
        // Raw: ser2net's port is set to the line's settings; RFC 2217: the window sets it.
        const bool raw = setting.via == QLatin1String("ser2net");
        if (!gateway_.start(raw ? Ser2netGateway::Mode::Raw : Ser2netGateway::Mode::Rfc2217,
                            sim_.devicePath(), raw ? baud + QStringLiteral("n81") : "9600n81",
                            error))
            return false;
        map.devices[0] = gateway_.address();
    }
    port_ = std::make_unique<serial::LineSelector>(map);
    window_ = std::make_unique<MainWindow>(*port_, map.devices);
    if (!hidden) window_->show();
    window_->load();
    window_->formatGroup->button(setting.formatIndex)->click();
    window_->baudGroup->button(setting.baudIndex)->click();
    if (!port_->isOpen()) {
        *error = QStringLiteral("the port did not open: %1").arg(port_->errorText());
        return false;
    }
    runEvents(200);
    return true;
}

QPushButton* WindowRig::monitorButton(int item) const {
    // The monitored values' buttons in item order, as the window connects them.
    QPushButton* buttons[] = {window_->readingButtons[0], window_->readingButtons[1],
                              window_->readingButtons[2], window_->readingButtons[3],
                              window_->readingButtons[4], window_->readingButtons[5],
                              window_->readingButtons[6], window_->readingButtons[7]};
    return buttons[item];
}

QByteArray WindowRig::requestBytes() const {
    std::array<QString, exchange::kCells> cells;
    for (int i = 0; i < exchange::kCells; ++i) cells[i] = window_->byteCells[i]->text();
    return exchange::BytesToSend(cells);
}

void WindowRig::runEvents(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double WindowRig::simCpuSeconds() {
    // The drive's CPU time is counted for this process only once it has been waited for.
    sim_.stop();
    return ChildrenCpuSeconds();
}

bool ParseLogLine(const QString& text, LogEntry* entry) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\[(\\d+)\\] (TXD|RXD):  \\( (.*) \\)$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return false;
    entry->counter = match.captured(1).toInt();
    entry->sent = match.captured(2) == QLatin1String("TXD");
    entry->payload = match.captured(3);
    return true;
}

}  // namespace bench
