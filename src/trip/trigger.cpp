#include "trip/trigger.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <utility>

#include "drive/readings.h"

namespace trip {
namespace {

const QString kNoReply = QStringLiteral("no-reply");

QString NumberText(double value) {
    return QString::number(value, 'g', 10);
}

}  // namespace

Trigger FaultTrigger() {
    return Trigger{};
}

std::optional<Trigger> ParseTrigger(const QString& text, QString* error) {
    const QString expression = QString(text).remove(QLatin1Char(' '));
    const qsizetype at = expression.indexOf(QRegularExpression(QStringLiteral("[<>=!]")));
    if (expression.isEmpty() || at <= 0) {
        *error = QCoreApplication::translate(
                     "Trigger",
                     "\"%1\": a trigger is a reading, a comparison and a value, such as "
                     "fault-code!=0, output-current>12.5 or no-reply>=3")
                     .arg(text);
        return std::nullopt;
    }
    QString name = expression.left(at);
    qsizetype opEnd = at;
    while (opEnd < expression.size() && QStringLiteral("<>=!").contains(expression[opEnd])) ++opEnd;
    const QString op = expression.mid(at, opEnd - at);
    const QString valueText = expression.mid(opEnd);

    Trigger trigger;
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        bool number = false;
        trigger.address = name.left(colon).toInt(&number);
        if (!number || trigger.address < 1 || trigger.address > 247) {
            *error = QCoreApplication::translate(
                         "Trigger", "\"%1\": a drive's address is a number from 1 to 247")
                         .arg(name.left(colon));
            return std::nullopt;
        }
        name = name.mid(colon + 1);
    }
    if (valueText.isEmpty()) {
        *error = QCoreApplication::translate("Trigger", "\"%1\": a value is missing after %2")
                     .arg(text.trimmed(), op);
        return std::nullopt;
    }
    bool number = false;
    const double value = valueText.toDouble(&number);
    if (!number || !std::isfinite(value)) {
        *error = QCoreApplication::translate("Trigger", "\"%1\" after %2 is not a number")
                     .arg(valueText, op);
        return std::nullopt;
    }

    if (name == kNoReply) {
        trigger.kind = TriggerKind::NoReply;
        const bool whole = value == std::floor(value) && value >= 0 && value <= 1000;
        const int polls = op == QLatin1String(">=") ? int(value) : int(value) + 1;
        if ((op != QLatin1String(">=") && op != QLatin1String(">")) || !whole || polls < 1 ||
            polls > 1000) {
            *error = QCoreApplication::translate(
                "Trigger",
                "no-reply wants >= or > and a count of polls from 1 to 1000 "
                "(no-reply>=3)");
            return std::nullopt;
        }
        trigger.polls = polls;
        return trigger;
    }

    QString readingError;
    const std::optional<std::vector<int>> readings = drive::ParseReadingList(name, &readingError);
    if (!readings || readings->size() != 1) {
        *error = QCoreApplication::translate("Trigger",
                                             "\"%1\" is no reading: the readings are %2, and "
                                             "no-reply")
                     .arg(name, drive::ReadingNames().join(QStringLiteral(", ")));
        return std::nullopt;
    }
    trigger.reading = readings->front();
    trigger.level = value;
    if (op == QLatin1String("==") || op == QLatin1String("=") || op == QLatin1String("!=")) {
        trigger.kind = TriggerKind::Equality;
        trigger.unequal = op == QLatin1String("!=");
    } else if (op == QLatin1String(">") || op == QLatin1String(">=")) {
        trigger.kind = TriggerKind::Level;
        trigger.edge = Edge::Rising;
        trigger.inclusive = op.size() == 2;
    } else if (op == QLatin1String("<") || op == QLatin1String("<=")) {
        trigger.kind = TriggerKind::Level;
        trigger.edge = Edge::Falling;
        trigger.inclusive = op.size() == 2;
    } else if (op == QLatin1String("<>")) {
        trigger.kind = TriggerKind::Level;
        trigger.edge = Edge::Either;
    } else {
        *error = QCoreApplication::translate(
                     "Trigger",
                     "\"%1\" is no comparison: use >, >=, <, <=, <> (either way), "
                     "== or !=")
                     .arg(op);
        return std::nullopt;
    }
    return trigger;
}

QString TriggerText(const Trigger& trigger) {
    const QString drive = trigger.address ? QStringLiteral("%1:").arg(trigger.address) : QString();
    if (trigger.kind == TriggerKind::NoReply)
        return drive + kNoReply + QStringLiteral(">=") + QString::number(trigger.polls);
    QString op;
    if (trigger.kind == TriggerKind::Equality) {
        op = trigger.unequal ? QStringLiteral("!=") : QStringLiteral("==");
    } else if (trigger.edge == Edge::Either) {
        op = QStringLiteral("<>");
    } else {
        op = trigger.edge == Edge::Rising ? QStringLiteral(">") : QStringLiteral("<");
        if (trigger.inclusive) op += QLatin1Char('=');
    }
    return drive + QString::fromLatin1(drive::ReadingAt(trigger.reading).name) + op +
           NumberText(trigger.level);
}

QString TriggerDescription(const Trigger& trigger) {
    const QString drive =
        trigger.address ? QCoreApplication::translate("Trigger", "drive %1: ").arg(trigger.address)
                        : QString();
    if (trigger.kind == TriggerKind::NoReply)
        return drive +
               QCoreApplication::translate("Trigger", "%1 polls in a row without a good answer")
                   .arg(trigger.polls);
    const drive::Reading& reading = drive::ReadingAt(trigger.reading);
    const QString caption = QString::fromUtf8(reading.caption);
    const QString level =
        NumberText(trigger.level) +
        (*reading.unit ? QStringLiteral(" ") + QString::fromUtf8(reading.unit) : QString());
    if (trigger.kind == TriggerKind::Equality)
        return drive + (trigger.unequal ? QCoreApplication::translate("Trigger", "%1 becomes ≠ %2")
                                        : QCoreApplication::translate("Trigger", "%1 becomes %2"))
                           .arg(caption, level);
    QString text;
    switch (trigger.edge) {
        case Edge::Rising:
            text = trigger.inclusive ? QCoreApplication::translate("Trigger", "%1 rises to %2")
                                     : QCoreApplication::translate("Trigger", "%1 rises above %2");
            break;
        case Edge::Falling:
            text = trigger.inclusive ? QCoreApplication::translate("Trigger", "%1 falls to %2")
                                     : QCoreApplication::translate("Trigger", "%1 falls below %2");
            break;
        case Edge::Either:
            text = QCoreApplication::translate("Trigger", "%1 crosses %2");
            break;
    }
    text = text.arg(caption, level);
    if (trigger.hysteresis > 0)
        text += QCoreApplication::translate("Trigger", " (hysteresis %1)")
                    .arg(NumberText(trigger.hysteresis));
    return drive + text;
}

TriggerWatch::TriggerWatch(const Trigger& trigger, int mainAddress)
    : trigger_(trigger), address_(trigger.address ? trigger.address : mainAddress) {}

bool TriggerWatch::sample(const exchange::Sample& sample) {
    if (trigger_.kind == TriggerKind::NoReply || sample.address != address_ ||
        sample.reading != trigger_.reading || !sample.good())
        return false;
    const double value = drive::ScaledValue(sample.reading, sample.raw);
    if (trigger_.kind == TriggerKind::Level) return levelFires(value);
    // Values come in the reading's steps: equal within a millionth of one.
    const bool equal = std::abs(value - trigger_.level) < 1e-6 * std::max(1.0, std::abs(value));
    const bool holds = equal != trigger_.unequal;
    if (!holds) {
        ready_ = true;
        return false;
    }
    return std::exchange(ready_, false);
}

bool TriggerWatch::levelFires(double value) {
    const double level = trigger_.level;
    const double back = trigger_.hysteresis;
    if (trigger_.edge == Edge::Either) {
        // A side is left only by more than the hysteresis; within it the side stays.
        Side side = side_;
        if (value > level + back || (back == 0 && value > level)) side = Side::Above;
        if (value < level - back || (back == 0 && value < level)) side = Side::Below;
        const bool fires = side_ != Side::Unknown && side != side_;
        side_ = side;
        return fires;
    }
    const bool rising = trigger_.edge == Edge::Rising;
    const bool holds = rising ? (trigger_.inclusive ? value >= level : value > level)
                              : (trigger_.inclusive ? value <= level : value < level);
    if (holds) return std::exchange(ready_, false);
    // Armed again only once the reading is back by the hysteresis.
    if (back == 0 || (rising ? value <= level - back : value >= level + back)) ready_ = true;
    return false;
}

bool TriggerWatch::poll(int address, bool good) {
    if (trigger_.kind != TriggerKind::NoReply || address != address_) return false;
    if (good) {
        missed_ = 0;
        ready_ = true;
        return false;
    }
    ++missed_;
    return missed_ >= trigger_.polls && std::exchange(ready_, false);
}

}  // namespace trip
