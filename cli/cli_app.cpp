#include "cli_app.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli_commands.h"
#include "cli_texts.h"
#include "clicontext.h"
#include "config_json.h"
#include "man_page.h"
#include "text_language.h"

namespace {

const char* const kSummary = "the Tavel VX31 module from a shell";

const char* const kDescription =
    "Reads and writes the module's configuration, process data and events, and "
    "searches for a module whose line settings are unknown. Talks Modbus RTU to slave 1, as the "
    "two programs do, and prints text for a person or JSON (--json) for a script.";

// Shown in the man page; each runs as written against the simulator.
const char* const kExamples =
    "# Module type, fieldbus type and states of the module on port 1:\n"
    "quillon-cli --port 1 info\n"
    "# Follow the interrupt events every 200 ms as JSON lines:\n"
    "quillon-cli --port 1 --json events --follow 200\n"
    "# Save the configuration of the module on port 1; then, with the next module on that "
    "port, copy it there (the device information only with the fieldbus password):\n"
    "quillon-cli --port 1 save vx31.json\n"
    "quillon-cli --port 1 --password 1234 load vx31.json\n"
    "# Change one field:\n"
    "quillon-cli --port 1 set fieldbus.node_address=38\n"
    "# Find a module whose line settings are unknown:\n"
    "quillon-cli --port /dev/ttyUSB0 scan\n";

const char* const kFooter =
    "Exit status: 0 success; 1 the module failed (time-out, exception, refused answer), scan "
    "found nothing, or diff found differences; 2 a usage or input error; 3 the port could not be "
    "opened. Messages go to stderr.";

// A check whose bounds the option's type name already shows.
CLI::Validator Quiet(CLI::Validator validator) {
    validator.description("");
    return validator;
}

// The line a command holds, for a signal that ends it; -1 while none is open.
volatile std::sig_atomic_t g_lineFd = -1;
// Set for the commands that stop by themselves at their next turn.
volatile std::sig_atomic_t g_stopsAtNextTurn = 0;

void OnStopSignal(int signal) {
    if (g_stopsAtNextTurn && !StopRequested()) {
        RequestStop();
        return;
    }
    // The exclusive flag belongs to the terminal, not to our descriptor, and
    // would outlive the process: the next program to open the port would be
    // told it is busy. Only async-signal-safe calls from here on.
    const int fd = g_lineFd;
    if (fd >= 0) {
        (void)ioctl(fd, TIOCNXCL);
        (void)close(fd);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Every command lets go of the line when it is interrupted, hung up on or
// told to end; a following command or a search first stops at its next turn.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

CLI::App* Command(CLI::App& parent, CliCommand* command, const std::string& name,
                  const std::string& label, const std::string& description) {
    CLI::App* sub = parent.add_subcommand(name, description);
    sub->fallthrough();
    sub->callback([command, label] { command->name = label; });
    return sub;
}

// Edits that turn one word into the other (insert, delete, replace, or swap
// two neighbours: "raed" is one step from "read").
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

// "unknown command "raed": did you mean "read"?" when the first word that is
// neither an option nor an option's value names no command of `app` but
// lies close to one; empty otherwise (CLI11 then says what is wrong).
std::string GuessCommand(const CLI::App& app, int argc, char** argv, int first = 1,
                         const std::string& prefix = std::string()) {
    for (int i = first; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.size() > 1 && word[0] == '-') {
            const CLI::Option* option = app.get_option_no_throw(word.substr(0, word.find('=')));
            if (option != nullptr && option->get_items_expected_max() > 0 &&
                word.find('=') == std::string::npos)
                ++i;
            continue;
        }
        const CLI::App* known = nullptr;
        std::string closest;
        size_t best = std::string::npos;
        for (const CLI::App* sub : app.get_subcommands({})) {
            if (sub->get_name() == word) known = sub;
            const size_t distance = EditDistance(word, sub->get_name());
            if (distance < best) {
                best = distance;
                closest = sub->get_name();
            }
        }
        if (known != nullptr) return GuessCommand(*known, argc, argv, i + 1, prefix + word + " ");
        // Far words are no typing mistake: better no guess than a wrong one.
        if (app.get_subcommands({}).empty() || best > 2 || best >= word.size()) return "";
        return FillCliText(kCliUnknownCommand,
                           {{"word", prefix + word}, {"closest", prefix + closest}});
    }
    return "";
}

// The language of the messages, before the arguments are parsed: a parse
// error, and our own checks that CLI11 calls while parsing, must already
// speak it. The locale, unless --lang names zh or en.
TextLanguage LanguageOfArguments(int argc, char** argv) {
    TextLanguage language = LanguageFromEnvironment();
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--lang" && i + 1 < argc)
            ParseLanguageOption(argv[++i], &language);
        else if (word.rfind("--lang=", 0) == 0)
            ParseLanguageOption(word.substr(7), &language);
    }
    return language;
}

int RunOnOpenPort(CliContext& context, const CliCommand& command) {
    if (command.name == "info") return RunInfo(context);
    if (command.name == "read") return RunRead(context);
    if (command.name == "save") return RunSave(context, command);
    if (command.name == "load") return RunLoadOrDiff(context, command, false);
    if (command.name == "diff") return RunLoadOrDiff(context, command, true);
    if (command.name == "set") return RunSet(context, command);
    if (command.name == "io read") return RunIoRead(context, command);
    if (command.name == "io write") return RunIoWrite(context, command);
    if (command.name == "events") {
        if (command.followMs >= 0) g_stopsAtNextTurn = 1;
        return RunEvents(context, command);
    }
    if (command.name == "errors") return RunErrors(context);
    if (command.name == "time") return RunTime(context);
    if (command.name == "mode") return RunMode(context, command);
    if (command.name == "emergency") return RunEmergency(context, command);
    context.Error(CliString(kCliNoSuchCommand));
    return kExitUsage;
}

}  // namespace

void DefineCli(CLI::App& app, CliOptions* options, CliCommand* command) {
    app.description(std::string("quillon-cli: ") + kSummary + ". " + kDescription);
    app.footer(kFooter);
    app.require_subcommand(1);
    app.fallthrough();
    // CLI11's own words say what is wrong; the pointer to --help is ours.
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return std::string(e.what()) + "\n" + CliString(kCliRunHelp) + "\n";
    });
    app.set_version_flag("--version", std::string("quillon-cli ") + QUILLON_VERSION,
                         "Print the program's name and version");

    app.add_option("--port", options->port,
                   "Port number 1..255 (mapped through [ports] of config.ini, as in the programs), "
                   "device path, or network URL: socket://HOST:PORT (RTU over TCP), "
                   "rfc2217://HOST:PORT (Telnet COM-port control), modbus-tcp://HOST[:PORT] "
                   "(Modbus TCP gateway, port 502)")
        ->type_name("N|PATH|URL");
    app.add_option(
           "--config", options->config,
           "config.ini that maps port numbers (default: the programs' own, beside them or, when "
           "installed, ~/.config/quillon/config.ini)")
        ->type_name("FILE");
    app.add_option("--baud", options->baud, "Line rate (default 115200)")
        ->type_name("N")
        ->check(Quiet(CLI::Range(1, 4000000)));
    app.add_option("--parity", options->parity, "Parity (default none)")
        ->type_name("none|odd|even")
        ->check(Quiet(CLI::IsMember({"none", "odd", "even"})));
    app.add_option("--data", options->dataBits, "Data bits (default 8)")
        ->type_name("5..8")
        ->check(Quiet(CLI::Range(5, 8)));
    app.add_option("--stop", options->stopBits, "Stop bits (default 1)")
        ->type_name("1|2")
        ->check(Quiet(CLI::IsMember({1, 2})));
    app.add_option("--echo", options->echo,
                   "Local echo of two-wire RS-485 adapters: auto (recognised and removed), off, "
                   "on (default: [com] echo of config.ini for a port number, else auto)")
        ->type_name("auto|off|on")
        ->check(Quiet(CLI::IsMember({"auto", "off", "on"})));
    app.add_flag("--json", options->json, "Print JSON instead of text");
    app.add_option("--lang", options->lang,
                   "Language of the messages (default: English when LANGUAGE, LC_ALL, "
                   "LC_MESSAGES or LANG, the first one set, names en; else Chinese); JSON is "
                   "the same in both")
        ->type_name("zh|en")
        ->check(Quiet(CLI::IsMember({"zh", "en"})));
    app.add_option_function<std::string>(
           "--password",
           [options](const std::string& text) {
               options->hasPassword = true;
               options->password = static_cast<uint16_t>(std::stoul(text, nullptr, 16));
           },
           "Fieldbus password, needed to write the device information (load, set)")
        ->type_name("HEX")
        ->check(CLI::Validator(
            [](std::string& text) {
                const bool hex =
                    !text.empty() && text.size() <= 4 &&
                    text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
                return hex ? std::string() : std::string(CliString(kCliPasswordDigits));
            },
            ""));
    app.add_option("--trace", options->trace,
                   "Append every exchange to FILE, as the wire monitor's rows (one line a frame)")
        ->type_name("FILE");
    app.add_option("--timeout", options->timeoutMs,
                   "Time-out of each exchange in ms (default: the programs' 2040000/baud + 100)")
        ->type_name("MS")
        ->check(Quiet(CLI::Range(1, 600000)));

    Command(app, command, "ports", "ports",
            "The serial devices present, with the port numbers that open them (a device "
            "without one gets the lowest free number, stored in config.ini as the programs do), "
            "then every other [ports] entry: network lines, pseudo-terminals, absent devices");
    Command(app, command, "info", "info",
            "Module type, fieldbus type, device information, module and fieldbus states");
    Command(app, command, "scan", "scan",
            "Search for the module: every rate of the serial page's list with parity none, even "
            "and odd (8 data bits, 1 stop bit), most common first, on --port or else on every "
            "device present; prints the settings found");

    Command(app, command, "read", "read",
            "The whole configuration: as \"key  value\" lines, or with --json as the "
            "configuration document");
    CLI::App* save = Command(app, command, "save", "save",
                             "Save the whole configuration as a configuration document");
    save->add_option("FILE", command->file, "Document to write (replaced whole, or not at all)")
        ->required();
    CLI::App* load = Command(app, command, "load", "load",
                             "Write a configuration document to the module: only the write "
                             "groups whose values differ");
    load->add_option("FILE", command->file, "Document to read; - reads standard input")->required();
    load->add_flag("--dry-run", command->dryRun, "Tell what would be written; write nothing");
    CLI::App* diff = Command(app, command, "diff", "diff",
                             "The values of a configuration document that differ from the "
                             "module's; exit status 1 when there are any");
    diff->add_option("FILE", command->file, "Document to read; - reads standard input")->required();
    CLI::App* set = Command(app, command, "set", "set",
                            "Change keys of the configuration document, such as "
                            "fieldbus.node_address=38; only the groups touched are written");
    set->add_option("KEY=VALUE", command->words, "Key paths and values as in the document")
        ->type_name("")
        ->required();
    set->add_flag("--dry-run", command->dryRun, "Tell what would be written; write nothing");
    std::string keys =
        "Keys and their values (as in the configuration document; text without "
        "quotes):\n";
    for (const auto& [key, values] : ConfigKeyFormats())
        keys += "  " + key + "\n      " + values + "\n";
    set->footer(keys);

    CLI::App* io = app.add_subcommand("io", "Process data: read output data, write input data");
    io->fallthrough();
    io->require_subcommand(1);
    CLI::App* ioRead = Command(*io, command, "read", "io read",
                               "Read N bytes of output data (default: the module's output length)");
    ioRead->add_option("N", command->count, "Bytes to read, 0..144")
        ->type_name("")
        ->check(Quiet(CLI::Range(0, 144)));
    CLI::App* ioWrite =
        Command(*io, command, "write", "io write", "Write bytes of input data (at most 144)");
    ioWrite->add_option("HEX", command->words, "Bytes in hexadecimal: 01 02 A0, or 0102A0")
        ->type_name("")
        ->required();

    CLI::App* events = Command(app, command, "events", "events",
                               "Read the interrupt event word (which clears it in the module)");
    events
        ->add_option("--follow", command->followMs,
                     "Read every PERIOD_MS until interrupted; with --json one object per line")
        ->type_name("PERIOD_MS")
        ->check(Quiet(CLI::Range(0, 3600000)));
    Command(app, command, "errors", "errors",
            "Read the module's error messages: four entries of a two-byte index and a "
            "four-byte error code, as the fieldbus page shows them");
    Command(app, command, "time", "time", "Read the network time stamp");
    CLI::App* mode = Command(app, command, "mode", "mode", "Send a device-mode command");
    mode->add_option("MODE", command->mode, "start or reset")
        ->required()
        ->check(Quiet(CLI::IsMember({"start", "reset"})));
    CLI::App* emergency = Command(app, command, "emergency", "emergency",
                                  "Make the module send an emergency message");
    emergency->add_option("STD", command->first, "Standard error code, up to 2 hex bytes")
        ->required();
    emergency->add_option("CUSTOM", command->second, "Custom bytes, up to 2 hex bytes")->required();
}

int RunQuillonCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
    SetTextLanguage(LanguageOfArguments(argc, argv));
    CliOptions options;
    CliCommand command;
    CLI::App app("", "quillon-cli");
    DefineCli(app, &options, &command);

    // Hidden: the man page, built from the same texts as --help.
    if (argc == 2 && std::string(argv[1]) == "--man") {
        const ManSection keys{"Keys of set",
                              "The keys set takes as KEY=VALUE, with the values the "
                              "configuration document holds (text without quotes):",
                              ConfigKeyFormats()};
        out << BuildManPage(app, kSummary, "Quillon " QUILLON_VERSION, kExamples, {keys},
                            {"quillon", "quillon-sim"});
        return kExitOk;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const std::string guess = GuessCommand(app, argc, argv);
        if (!guess.empty()) {
            err << "quillon-cli: " << guess << '\n' << CliString(kCliRunHelp) << '\n';
            return kExitUsage;
        }
        // --help and --version end here too, with status 0.
        const int status = app.exit(e, out, err);
        return status == 0 ? kExitOk : kExitUsage;
    }

    CliContext context(options, out, err);
    const int configured = context.CheckConfigFile();
    if (configured != kExitOk) return configured;
    CatchStopSignals();
    if (command.name == "ports") return RunPorts(context);
    const int prepared = PrepareCommand(context, &command);
    if (prepared != kExitOk) return prepared;
    const int traced = context.StartTrace();
    if (traced != kExitOk) return traced;
    if (command.name == "scan") {
        g_stopsAtNextTurn = 1;
        return RunScan(context);
    }
    const int opened = context.OpenPort();
    if (opened != kExitOk) return opened;
    g_lineFd = context.port().Handle();
    const int status = RunOnOpenPort(context, command);
    context.port().Close();
    g_lineFd = -1;
    return status;
}
