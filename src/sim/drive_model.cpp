#include "sim/drive_model.h"

#include <algorithm>

namespace sim {
namespace {

// The motor: 4 poles on a 380 V, 50 Hz rating.
constexpr int kBaseFrequency = 5000;    // 0.01 Hz
constexpr int kRatedVoltage = 3800;     // 0.1 V
constexpr int kBoostVoltage = 100;      // 0.1 V, added at low frequency to keep the torque
constexpr int kMagnetising = 25;        // 0.1 A, drawn as soon as the output runs
constexpr int kLoadAtBase = 60;         // 0.1 A, a fan load growing with the square of frequency
constexpr int kAcceleration = 15;       // 0.1 A, extra current while speeding up
constexpr int kRectifiedBus = 5370;     // 0.1 V, 380 V AC rectified
constexpr int kBusSagPerAmpere = 3;     // 0.1 V per 0.1 A
constexpr int kRegeneration = 300;      // 0.1 V, the motor feeds back while slowing down
constexpr int kAmbientMilli = 25000;    // 25 degree Celsius
constexpr int kHeatingPerTenthA = 150;  // 0.001 degree Celsius per 0.1 A at equilibrium
constexpr int kThermalTicks = 6000;     // one minute of ticks: the heat sink's time constant
constexpr int kCounterWrap = 32768;
constexpr qint64 kOneRevolution = 60000;  // r/min * ms

constexpr int kRampPerTick = DriveModel::kRampPerSecond * DriveModel::kTickMs / 1000;

struct ParameterDefault {
    int number;
    quint16 value;
};

// The motor's rating and the ramps, as a drive fresh from the factory holds them.
constexpr ParameterDefault kDefaults[] = {
    {1, kBaseFrequency},  // base frequency, 0.01 Hz
    {2, kRatedVoltage},   // rated voltage, 0.1 V
    {3, 85},              // rated current, 0.1 A
    {4, 1455},            // rated speed, r/min
    {5, 50},              // acceleration time 0 to base frequency, 0.1 s
    {6, 50},              // deceleration time, 0.1 s
    {7, kBaseFrequency},  // highest frequency, 0.01 Hz
    {9, 500},             // jog frequency, 0.01 Hz
    {240, 103},           // firmware version 1.03
    {241, 2},             // hardware revision
    {242, 75},            // rated power, 0.1 kW
    {243, 4},             // drive type
};

// The rest of the factory settings, by block: multi-speed frequencies, times, selections,
// percentages; the identification block above 239 reads 0 where not listed.
quint16 FactoryValue(int number) {
    if (number >= 10 && number <= 20) return quint16(500 * (number - 9));      // 0.01 Hz
    if (number >= 21 && number <= 49) return quint16(50 + 10 * (number % 5));  // 0.1 s
    if (number >= 50 && number <= 99) return quint16(number % 4);
    if (number >= 100 && number <= 199) return quint16(100 - 5 * (number % 10));  // %
    return 0;
}

}  // namespace

DriveModel::DriveModel() : temperatureMilli_(kAmbientMilli) {
    for (int number = 0; number < kParameterCount; ++number)
        parameters_[std::size_t(number)] = FactoryValue(number);
    for (const ParameterDefault& entry : kDefaults) parameters_[entry.number] = entry.value;
}

void DriveModel::advance(int milliseconds) {
    if (milliseconds <= 0) return;
    pendingMs_ += milliseconds;
    while (pendingMs_ >= kTickMs) {
        pendingMs_ -= kTickMs;
        tick();
    }
}

void DriveModel::start() {
    if (faultCode_ == 0) running_ = true;
}

void DriveModel::stop() {
    running_ = false;
}

void DriveModel::setFrequency(int hundredths) {
    setFrequency_ = std::clamp(hundredths, 0, kMaxFrequency);
}

int DriveModel::parameter(int number) const {
    return number >= 0 && number < kParameterCount ? parameters_[number] : 0;
}

void DriveModel::setParameter(int number, quint16 value) {
    if (number >= 0 && number < kParameterCount) parameters_[number] = value;
}

bool DriveModel::writeParameter(int number, quint16 value) {
    if (ReadOnlyParameter(number) || (StoppedOnlyParameter(number) && running_)) return false;
    setParameter(number, value);
    return true;
}

bool DriveModel::ReadOnlyParameter(int number) {
    return number >= kFirstReadOnlyParameter;
}

bool DriveModel::StoppedOnlyParameter(int number) {
    return number >= 1 && number <= 4;
}

void DriveModel::setFaultCode(int code) {
    faultCode_ = code & 0xFF;
    if (faultCode_ != 0) {
        running_ = false;
        outputFrequency_ = 0;
        rampDirection_ = 0;
    }
}

void DriveModel::scheduleTrip(int afterMs, int code) {
    tripInMs_ = std::max(0, afterMs);
    tripCode_ = code & 0xFF;
}

void DriveModel::setTripAbove(int item, int level, int code) {
    tripItem_ = item;
    tripLevel_ = level;
    tripAboveCode_ = code & 0xFF;
}

void DriveModel::tick() {
    if (tripItem_ >= 0 && faultCode_ == 0 && monitor(tripItem_) > tripLevel_)
        setFaultCode(tripAboveCode_);
    if (tripInMs_ >= 0) {
        tripInMs_ -= kTickMs;
        if (tripInMs_ <= 0) {
            tripInMs_ = -1;
            setFaultCode(tripCode_);
        }
    }
    const int target = running_ ? setFrequency_ : 0;
    if (outputFrequency_ < target) {
        outputFrequency_ = std::min(target, outputFrequency_ + kRampPerTick);
        rampDirection_ = 1;
    } else if (outputFrequency_ > target) {
        outputFrequency_ = std::max(target, outputFrequency_ - kRampPerTick);
        rampDirection_ = -1;
    } else {
        rampDirection_ = 0;
    }

    revolutionRemainder_ += static_cast<qint64>(speed()) * kTickMs;
    counter_ = static_cast<int>((counter_ + revolutionRemainder_ / kOneRevolution) % kCounterWrap);
    revolutionRemainder_ %= kOneRevolution;

    // The heat sink approaches the temperature the current sustains, at least 0.001 degree a
    // tick so that it settles exactly.
    const int equilibrium = kAmbientMilli + outputCurrent() * kHeatingPerTenthA;
    const int difference = equilibrium - temperatureMilli_;
    int step = difference / kThermalTicks;
    if (step == 0 && difference != 0) step = difference > 0 ? 1 : -1;
    temperatureMilli_ += step;
}

int DriveModel::outputCurrent() const {
    if (outputFrequency_ == 0) return 0;
    const qint64 f = outputFrequency_;
    const qint64 load = kLoadAtBase * f * f / (qint64{kBaseFrequency} * kBaseFrequency);
    const int current =
        kMagnetising + static_cast<int>(load) + (rampDirection_ > 0 ? kAcceleration : 0);
    if (tripInMs_ < 0 || tripInMs_ >= kTripRiseMs) return current;
    return current + 2 * current * (kTripRiseMs - tripInMs_) / kTripRiseMs;
}

int DriveModel::outputVoltage() const {
    if (outputFrequency_ == 0) return 0;
    // Volts per hertz up to the base frequency, the rated voltage above it.
    const int rising =
        kBoostVoltage + outputFrequency_ * (kRatedVoltage - kBoostVoltage) / kBaseFrequency;
    return std::min(kRatedVoltage, rising);
}

int DriveModel::busVoltage() const {
    const int regeneration = rampDirection_ < 0 ? kRegeneration : 0;
    return kRectifiedBus - outputCurrent() * kBusSagPerAmpere + regeneration;
}

int DriveModel::speed() const {
    // Synchronous speed of a 4-pole motor is 30 r/min per hertz; the rotor slips 3 % behind.
    return static_cast<int>(qint64{outputFrequency_} * 291 / 1000);
}

qint16 DriveModel::monitor(int item) const {
    switch (item) {
        case kItemSetFrequency:
            return static_cast<qint16>(setFrequency_);
        case kItemOutputFrequency:
            return static_cast<qint16>(outputFrequency_);
        case kItemOutputCurrent:
            return static_cast<qint16>(outputCurrent());
        case kItemSpeed:
            return static_cast<qint16>(speed());
        case kItemBusVoltage:
            return static_cast<qint16>(busVoltage());
        case kItemOutputVoltage:
            return static_cast<qint16>(outputVoltage());
        case kItemCounter:
            return static_cast<qint16>(counter_);
        case kItemTemperature:
            return static_cast<qint16>(temperatureMilli_ / 100);
        case kItemFaultCode:
            return static_cast<qint16>(faultCode_);
        default:
            return 0;
    }
}

}  // namespace sim
