#pragma once

#include <iosfwd>

#include "cli_options.h"

namespace CLI {
class App;
}

// Defines every option and command of quillon-cli on app; parsing fills
// *options and *command (command->name names the command given). The help
// texts defined here are also the man page's.
void DefineCli(CLI::App& app, CliOptions* options, CliCommand* command);

// The whole program: parses argv, runs the command, returns the exit status.
int RunQuillonCli(int argc, char** argv, std::ostream& out, std::ostream& err);
