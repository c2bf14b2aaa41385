// What catches the moment a drive trips: a condition on the polled samples, read from text
// such as "fault-code!=0", "output-current>12.5", "2:bus-voltage<450" or "no-reply>=3", and the
// watch that fires it once per event, not again while the condition merely goes on holding.
#pragma once

#include <QString>
#include <map>
#include <optional>

#include "exchange/samples.h"

namespace trip {

enum class TriggerKind {
    Level,     // a reading crosses a level
    Equality,  // a reading becomes equal, or unequal, to a value (the fault code turns non-zero)
    NoReply,   // a drive leaves this many polls in a row without a good answer
};

enum class Edge { Rising, Falling, Either };

struct Trigger {
    TriggerKind kind = TriggerKind::Equality;
    int address = 0;  // the drive; 0 the one in the inverter address box (--address)
    int reading = 8;  // drive::ReadingAt index; the fault code by default
    // Level: the level in the reading's unit, which way it is crossed, and whether reaching it
    // counts (>= and <=). The hysteresis is the way back that arms it again, so noise around
    // the level does not fire it again and again.
    Edge edge = Edge::Rising;
    bool inclusive = false;
    double level = 0;
    double hysteresis = 0;
    // Equality: fires when the reading becomes unequal (true) or equal to `level`.
    bool unequal = true;
    // NoReply: polls in a row.
    int polls = 3;
};

// The default: the fault code turning non-zero.
Trigger FaultTrigger();

// Reads "[ADDRESS:]NAME OP VALUE": NAME a reading (--monitor's names or item numbers) with >,
// >=, <, <=, <> (crossing either way), == or !=, or no-reply with >= or > and a count. Nothing
// for a wrong expression, with what is wrong in `error`. A level's hysteresis starts at 0.
std::optional<Trigger> ParseTrigger(const QString& text, QString* error);
// The expression again, as ParseTrigger reads it.
QString TriggerText(const Trigger& trigger);
// In the user's words: "故障码 ≠ 0", "输出电流 上升越过 12.5 A" ...
QString TriggerDescription(const Trigger& trigger);

// Follows the samples and fires when the condition comes true, after it was seen false: a drive
// already tripped when watching starts fires nothing until its fault is reset. Samples of other
// drives or readings, and readings without a good value, change nothing.
class TriggerWatch {
  public:
    // `mainAddress` is the drive a trigger without an address means.
    TriggerWatch(const Trigger& trigger, int mainAddress);

    // A polled sample; true when it fires the trigger.
    bool sample(const exchange::Sample& sample);
    // One poll of a drive was judged (good or not); true when it fires the trigger.
    bool poll(int address, bool good);

    int address() const { return address_; }
    const Trigger& trigger() const { return trigger_; }

  private:
    enum class Side { Unknown, Below, Above };
    bool levelFires(double value);

    Trigger trigger_;
    int address_;
    bool ready_ = false;  // the condition was seen false since the last firing
    Side side_ = Side::Unknown;
    int missed_ = 0;
};

}  // namespace trip
