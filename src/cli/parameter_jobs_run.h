// Running the parameter jobs from the command line: one job to its end in the event loop, and a
// parameter file loaded with its errors said.
#pragma once

#include <optional>

#include "drive/parameter_set.h"
#include "jobs/job_runner.h"
#include "jobs/parameter_jobs.h"

// False when the job was stopped: the port stayed away too long.
bool RunJob(jobs::JobRunner& runner, jobs::Job& job);
std::optional<drive::ParameterSet> LoadParameterFile(const QString& path);
// Writes the parameters of `file` that differ from `drive`'s, each read back, once the drive is
// seen stopped; every line printed starts with `prefix`. The exit status: 0 when every one was
// written as meant.
int RestoreDrive(jobs::JobRunner& runner, const jobs::ParameterJobOptions& jobOptions,
                 const drive::ParameterSet& drive, const drive::ParameterSet& file,
                 const QString& prefix);
