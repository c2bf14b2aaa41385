// The simulated drive of --demo, behind COM1: on a pseudo-terminal where the system has them, so
// the program's own serial port talks to it as to a drive; elsewhere (Windows) on a line the
// program runs itself, so a new user can try every button with no port at all.
#pragma once

#include <QString>

#include "serial/line_selector.h"
#include "sim/drive_server.h"
#include "sim/in_process_line.h"

class DemoDrive {
  public:
    // Starts the drive; `device` names what stands behind COM1 for the port map. No
    // application object is needed yet.
    bool start(QString* device, QString* error);
    // Puts the in-process line, if the drive runs on one, into `line`; once the application
    // object exists, which then owns the line.
    void attach(serial::LineSelector& line);

  private:
    sim::DriveServer drive_{1};
    bool inProcess_ = false;
};

// The name that stands for the in-process line in the port map and the port's tooltip.
QString InProcessDemoName();
