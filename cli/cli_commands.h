#pragma once

#include "cli_options.h"

class CliContext;

// The commands that talk to the module. Each expects the port open (except
// scan, which opens what it tries), prints its result to the context's out
// (text, or JSON with --json), its messages to err, and returns the exit
// status.
int RunInfo(CliContext& context);
int RunIoRead(CliContext& context, const CliCommand& command);
int RunIoWrite(CliContext& context, const CliCommand& command);
int RunEvents(CliContext& context, const CliCommand& command);
int RunErrors(CliContext& context);
int RunTime(CliContext& context);
int RunMode(CliContext& context, const CliCommand& command);
int RunEmergency(CliContext& context, const CliCommand& command);
int RunScan(CliContext& context);
// The present serial devices and their numbers; needs no port.
int RunPorts(CliContext& context);

// Set from a signal handler: a following command stops at its next turn.
void RequestStop();
