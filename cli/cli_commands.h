#pragma once

#include "cli_options.h"

class CliContext;

// The commands that talk to the module. Each expects the port open (except
// scan, which opens what it tries), prints its result to the context's out
// (text, or JSON with --json), its messages to err, and returns the exit
// status.
// Checks and takes the hex arguments of io write and emergency into
// command->bytes, so that a usage error never opens the port; kExitOk or
// kExitUsage after telling why.
int PrepareCommand(CliContext& context, CliCommand* command);

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

// The configuration document: the whole configuration as text or JSON; to
// and from a file ("-" reads standard input); changed key by key.
int RunRead(CliContext& context);
int RunSave(CliContext& context, const CliCommand& command);
// load writes the groups that differ (none with --dry-run); diff only tells
// them and returns kExitModule when there are any.
int RunLoadOrDiff(CliContext& context, const CliCommand& command, bool diffOnly);
int RunSet(CliContext& context, const CliCommand& command);

// Set from a signal handler: a following command stops at its next turn.
void RequestStop();
bool StopRequested();
