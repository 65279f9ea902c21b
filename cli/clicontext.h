#pragma once

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>

#include "ccontrolini.h"
#include "iniportdirectory.h"
#include "cli_options.h"
#include "cserialport.h"
#include "modulesession.h"
#include "wiretrace.h"

using Json = nlohmann::ordered_json;

// What a command runs with: the options, config.ini, the port and the module
// session on it, and the two output streams (results to out, messages to
// err).
class CliContext {
public:
    CliContext(const CliOptions& options, std::ostream& out, std::ostream& err);
    CliContext(const CliContext&) = delete;
    CliContext& operator=(const CliContext&) = delete;

    const CliOptions& options() const { return m_options; }
    bool json() const { return m_options.json; }
    CControlIni& ini() { return m_ini; }
    CSerialPort& port() { return m_port; }
    ModuleSession& session() { return m_session; }
    std::ostream& out() { return m_out; }
    std::ostream& err() { return m_err; }

    // config.ini (the programs' own or --config) must be a regular file or
    // missing: anything else would block or be no settings file at all.
    // kExitOk, or kExitUsage after naming the path and what it is.
    int CheckConfigFile();
    // Parity option as CSerialPort::Open takes it (0 none, 1 odd, 2 even).
    int ParityCode() const;
    // Opens the port of --port at the line options. Returns kExitOk, or the
    // exit status after telling why (kExitUsage without --port or with a bad
    // one, kExitPort when the device cannot be opened).
    int OpenPort();
    // With --trace, every exchange of the session from now on is appended to
    // the file as the wire monitor's rows. kExitOk, or kExitUsage after
    // telling why the file cannot be written.
    int StartTrace();
    // The echo mode of a port: --echo when given, else for a port number
    // the [com] echo setting the programs use, else automatic.
    void ApplyEchoMode(int portNumber);

    // "quillon-cli: <text>" on err.
    void Error(const std::string& text);
    // Tells what failed and why from the session's last exchange; returns
    // the exit status for a module operation's status.
    int ModuleFailed(const std::string& what, int status);
    // One JSON value on out: indented, or on one line for streams of objects.
    void PrintJson(const Json& value, bool oneLine = false);

private:
    CliOptions m_options;
    std::ostream& m_out;
    std::ostream& m_err;
    CControlIni m_ini;
    IniPortDirectory m_portDirectory{&m_ini};
    CSerialPort m_port;
    ModuleSession m_session;
    WireTrace m_trace;
    bool m_lineHintGiven = false;
};

// The device --port stands for: a path as given (it contains '/'), or port
// number 1..255 through [ports] of ini, where present devices without a
// number get one stored as the programs' port lists do. False with *error
// when it is neither.
bool ResolvePortArgument(const std::string& text, CControlIni* ini, std::string* path, int* number,
                         std::string* error);

// Why an exchange ended as it did, for a person ("no answer within 117 ms").
std::string DescribeVerdict(ExchangeVerdict verdict, uint8_t exceptionCode, int timeoutMs);

// "key  value" lines of a JSON tree for a person: keys joined with dots,
// lists joined with commas, null (a value outside its list) as "-". Text
// goes through TerminalText.
void PrintFlatJson(std::ostream& out, const Json& value, const std::string& key);

// Text from outside (USB strings, the module's product name) as a terminal
// may show it: control characters (C0, DEL and C1) written as \xHH, so that
// none of them can retitle the window, move the cursor or end the line.
std::string TerminalText(const std::string& text);
