#include "serial/serial_port.h"

namespace serial {

SerialPort::~SerialPort() = default;

}  // namespace serial
