// A small, believable frequency inverter: what the simulated drive reports and remembers.
//
// Time passes only through advance(), in fixed steps of kTickMs, so the same calls always give
// the same values. The output frequency ramps toward the set frequency while the drive runs and
// back to 0 after a stop; speed, voltages, current and temperature follow from it.
#pragma once

#include <QtGlobal>
#include <array>

namespace sim {

// The monitored quantities, by the item number of the monitor request.
enum MonitorItem : int {
    kItemSetFrequency = 0,     // 0.01 Hz
    kItemOutputFrequency = 1,  // 0.01 Hz
    kItemOutputCurrent = 2,    // 0.1 A
    kItemSpeed = 3,            // r/min
    kItemBusVoltage = 4,       // 0.1 V
    kItemOutputVoltage = 5,    // 0.1 V
    kItemCounter = 6,          // motor revolutions, wrapping at 32768
    kItemTemperature = 7,      // 0.1 degree Celsius
    kItemFaultCode = 8,        // the fault code byte
};
constexpr int kMonitorItemCount = 9;

class DriveModel {
  public:
    static constexpr int kTickMs = 10;
    // 10 Hz per second, in 0.01 Hz.
    static constexpr int kRampPerSecond = 1000;
    // The highest set frequency the drive accepts, in 0.01 Hz; it keeps every frequency a
    // positive signed 16-bit reading.
    static constexpr int kMaxFrequency = 32000;
    // Function parameters are addressed by the one-byte function number.
    static constexpr int kParameterCount = 256;

    DriveModel();

    // Lets time pass; milliseconds short of a whole tick are kept for the next call.
    void advance(int milliseconds);

    // Start is refused while a fault is present.
    void start();
    void stop();
    bool running() const { return running_; }

    // Hundredths of a hertz; limited to 0..kMaxFrequency.
    void setFrequency(int hundredths);

    int parameter(int number) const;
    // Sets a parameter as a test or a preloaded file does, whatever the drive allows.
    void setParameter(int number, quint16 value);
    // A write over the line: the identification block (240 and above) is read-only and the
    // motor's rating (1 to 4) changes only while the drive is stopped; such a write is answered
    // but changes nothing, as many drives do. False when nothing changed for that reason.
    bool writeParameter(int number, quint16 value);
    static constexpr int kFirstReadOnlyParameter = 240;
    static bool ReadOnlyParameter(int number);
    static bool StoppedOnlyParameter(int number);

    // A nonzero code trips the drive: it stops and its output is cut at once. 0 clears the fault
    // without restarting.
    void setFaultCode(int code);
    int faultCode() const { return faultCode_; }
    // Trips with `code` once `afterMs` of the drive's time have passed. Over the seconds before,
    // the output current climbs to three times its value, as before an over-current trip; the
    // trip then cuts the output, so the frequency reads 0 after it.
    void scheduleTrip(int afterMs, int code);
    static constexpr int kTripRiseMs = 2000;
    // Trips with `code` as soon as the monitor item's reading (raw, as reported) goes above
    // `level`: an over-current while the drive speeds up, an over-voltage while it slows down.
    void setTripAbove(int item, int level, int code);

    // The reading of a monitor item as the drive reports it, signed 16 bits; 0 for an unknown
    // item. The fault code item reads as the code.
    qint16 monitor(int item) const;

  private:
    void tick();
    int outputCurrent() const;
    int outputVoltage() const;
    int busVoltage() const;
    int speed() const;

    bool running_ = false;
    int setFrequency_ = 0;
    int outputFrequency_ = 0;
    int rampDirection_ = 0;  // +1 accelerating, -1 decelerating, 0 steady
    int faultCode_ = 0;
    int counter_ = 0;
    qint64 revolutionRemainder_ = 0;  // r/min * ms not yet a whole revolution
    int temperatureMilli_ = 0;        // 0.001 degree Celsius
    int pendingMs_ = 0;
    int tripInMs_ = -1;  // -1: no trip ahead
    int tripCode_ = 0;
    int tripItem_ = -1;  // -1: no level to trip at
    int tripLevel_ = 0;
    int tripAboveCode_ = 0;
    std::array<quint16, kParameterCount> parameters_{};
};

}  // namespace sim
