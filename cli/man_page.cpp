#include "man_page.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

namespace {

// Text as roff reads it: backslashes escaped, no line starting a request,
// hyphens that are minus signs marked.
std::string Roff(const std::string& text) {
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
        lineStart = c == '\n';
    }
    return out;
}

bool Shown(const CLI::Option* option) {
    return !option->get_group().empty();
}

// "--port N|PATH", "--json".
std::string OptionSynopsis(const CLI::Option* option) {
    std::string text = "\\fB" + Roff(option->get_name(false, true)) + "\\fR";
    const std::string type = option->get_type_name();
    if (option->get_items_expected_max() > 0 && !type.empty())
        text += " \\fI" + Roff(type) + "\\fR";
    return text;
}

// "N", "[N]", "HEX...".
std::string PositionalSynopsis(const CLI::Option* option) {
    std::string text = "\\fI" + Roff(option->get_name(true)) + "\\fR";
    if (option->get_items_expected_max() > 1) text += "...";
    return option->get_required() ? text : "[" + text + "]";
}

void WriteOptions(std::ostringstream& out, const CLI::App& app) {
    for (const CLI::Option* option : app.get_options()) {
        if (!Shown(option) || !option->nonpositional()) continue;
        if (option->get_name() == "--help") continue;
        out << ".TP\n" << OptionSynopsis(option) << '\n' << Roff(option->get_description()) << '\n';
    }
}

void WriteCommand(std::ostringstream& out, const CLI::App& command, const std::string& prefix) {
    const std::string name =
        prefix.empty() ? command.get_name() : prefix + " " + command.get_name();
    const std::vector<const CLI::App*> subs = command.get_subcommands({});
    if (!subs.empty()) {
        for (const CLI::App* sub : subs) WriteCommand(out, *sub, name);
        return;
    }
    out << ".TP\n\\fB" << Roff(name) << "\\fR";
    for (const CLI::Option* option : command.get_options()) {
        if (Shown(option) && option->get_positional() && !option->nonpositional())
            out << ' ' << PositionalSynopsis(option);
    }
    for (const CLI::Option* option : command.get_options()) {
        if (Shown(option) && option->nonpositional() && option->get_name() != "--help")
            out << " [" << OptionSynopsis(option) << ']';
    }
    out << '\n' << Roff(command.get_description()) << '\n';
    for (const CLI::Option* option : command.get_options()) {
        if (!Shown(option) || option->get_name() == "--help") continue;
        const std::string label =
            option->nonpositional() ? OptionSynopsis(option) : PositionalSynopsis(option);
        out << ".RS\n.TP\n" << label << '\n' << Roff(option->get_description()) << "\n.RE\n";
    }
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

std::string BuildManPage(const CLI::App& app, const std::string& summary,
                         const std::string& version, const std::string& examples,
                         const std::vector<ManSection>& sections,
                         const std::vector<std::string>& seeAlso) {
    std::ostringstream out;
    const std::string name = app.get_name();
    out << ".TH " << Upper(Roff(name)) << " 1 \"\" \"" << Roff(version) << "\" \"User Commands\"\n";
    out << ".SH NAME\n" << Roff(name) << " \\- " << Roff(summary) << '\n';
    out << ".SH SYNOPSIS\n.B " << Roff(name)
        << "\n[\\fIoptions\\fR] \\fICOMMAND\\fR [\\fIargs\\fR]\n";
    out << ".SH DESCRIPTION\n" << Roff(app.get_description()) << '\n';
    out << "Every command takes \\fB\\-\\-help\\fR.\n";
    out << ".SH OPTIONS\n";
    WriteOptions(out, app);
    out << ".SH COMMANDS\n";
    for (const CLI::App* command : app.get_subcommands({})) WriteCommand(out, *command, "");
    for (const ManSection& section : sections) {
        out << ".SH " << Upper(Roff(section.title)) << '\n' << Roff(section.lead) << '\n';
        for (const auto& item : section.items)
            out << ".TP\n\\fB" << Roff(item.first) << "\\fR\n" << Roff(item.second) << '\n';
    }
    out << ".SH EXIT STATUS\n" << Roff(app.get_footer()) << '\n';
    if (!examples.empty()) {
        out << ".SH EXAMPLES\n";
        std::istringstream lines(examples);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.empty()) continue;
            if (line[0] == '#')
                out << ".PP\n" << Roff(line.substr(line.find_first_not_of("# "))) << "\n";
            else
                out << ".nf\n.RS\n" << Roff(line) << "\n.RE\n.fi\n";
        }
    }
    if (!seeAlso.empty()) {
        out << ".SH SEE ALSO\n";
        for (size_t i = 0; i < seeAlso.size(); ++i)
            out << ".BR " << Roff(seeAlso[i]) << " (1)" << (i + 1 < seeAlso.size() ? "," : "")
                << '\n';
    }
    return out.str();
}
