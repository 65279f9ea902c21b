#pragma once

#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
}

// A section after COMMANDS: a lead paragraph, then terms with what each means.
struct ManSection {
    std::string title;
    std::string lead;
    std::vector<std::pair<std::string, std::string>> items;
};

// The man page (roff) of a command-line program from the texts of its
// argument parser: the description, every option, every command with its
// arguments and options, the sections given, and the footer as EXIT STATUS.
// summary is the NAME line's text after the program name; examples are
// (comment, command) lines; seeAlso names pages of section 1.
std::string BuildManPage(const CLI::App& app, const std::string& summary,
                         const std::string& version, const std::string& examples,
                         const std::vector<ManSection>& sections = {},
                         const std::vector<std::string>& seeAlso = {});
