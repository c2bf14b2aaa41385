// --backup, --compare, --compare-drive and --restore with --addresses: the parameter commands
// for several drives on one line, one drive after the other through the one job runner.
#pragma once

#include <optional>

#include "cli/command_line.h"
#include "drive/parameter_set.h"
#include "jobs/job_runner.h"
#include "jobs/parameter_jobs.h"

// Whether every file --backup will write can be written: its folder, made when missing, takes new
// files. The message to print in `error` when not.
bool CanSaveSeveral(const CommandLine& options, QString* error);

// Exit status as the single-drive commands give it: 0 when every drive came through, 1 when one
// did not (or differs), kExitNoPort when the port stayed away.
int RunSeveralDrives(jobs::JobRunner& runner, const CommandLine& options,
                     const jobs::ParameterJobOptions& jobOptions,
                     std::optional<drive::ParameterSet> file, const QString& lineText);
