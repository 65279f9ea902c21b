#pragma once

#include <string>

namespace CLI {
class App;
}

// The man page (roff) of a command-line program from the texts of its
// argument parser: the description, every option, every command with its
// arguments and options, and the footer as EXIT STATUS. summary is the NAME
// line's text after the program name; examples are (comment, command) lines.
std::string BuildManPage(const CLI::App& app, const std::string& summary,
                         const std::string& version, const std::string& examples);
