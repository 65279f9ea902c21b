// Network lines: URLs, why a connection fails, RFC 2217 and Modbus TCP
// framing, against peers scripted here (what real servers never do) and the
// simulator's own Modbus TCP gateway. Only 127.0.0.1 is ever connected to.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>

#include "cserialport.h"
#include "frames.h"
#include "line_address.h"
#include "modbustcpgateway.h"
#include "modulesession.h"
#include "modulesimulator.h"
#include "scriptedtcpserver.h"
#include "ser2netserver.h"

namespace {

constexpr uint8_t kIac = 255, kSb = 250, kSe = 240, kWill = 251, kDo = 253, kDont = 254;
constexpr uint8_t kEcho = 1, kComPort = 44;

std::string Url(const char* scheme, int port) {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port);
}

std::string Reason(const CSerialPort& port) {
    return OpenFailureReasonText(port.LastFailure());
}

bool Contains(const Bytes& bytes, const Bytes& part) {
    return std::search(bytes.begin(), bytes.end(), part.begin(), part.end()) != bytes.end();
}

// The MBAP frame of an RTU frame (CRC included) under a transaction.
Bytes Mbap(uint16_t transaction, const Bytes& rtu) {
    const size_t length = rtu.size() - 2;
    Bytes frame = {static_cast<uint8_t>(transaction >> 8), static_cast<uint8_t>(transaction), 0, 0,
                   static_cast<uint8_t>(length >> 8),      static_cast<uint8_t>(length)};
    frame.insert(frame.end(), rtu.begin(), rtu.end() - 2);
    return frame;
}

// An RFC 2217 access server in a script: offers its echo (which a client
// must refuse), asks for the COM-port option, confirms each setting with
// what `confirm` gives (-1: never), and answers each whole RTU request with
// the next queued answer, 0xFF doubled.
struct TelnetPeer {
    std::function<int64_t(uint8_t command, uint32_t value)> confirm = [](uint8_t, uint32_t v) {
        return static_cast<int64_t>(v);
    };
    std::vector<Bytes> answers;
    std::map<uint8_t, uint32_t> asked;  // last value of each setting command
    Bytes data;                         // data bytes as the client meant them
    bool echoRefused = false;

    void Run(int fd, ScriptedTcpServer& server) {
        server.Send(fd, {kIac, kWill, kEcho, kIac, kDo, kComPort});
        size_t answered = 0;
        for (;;) {
            const Bytes b = server.Receive(fd, 1);
            if (b.empty()) return;
            if (b[0] != kIac) {
                data.push_back(b[0]);
            } else {
                const uint8_t verb = server.Receive(fd, 1).at(0);
                if (verb == kIac) data.push_back(kIac);
                if (verb >= kWill && verb <= kDont) {
                    const uint8_t option = server.Receive(fd, 1).at(0);
                    if (verb == kDont && option == kEcho) echoRefused = true;
                }
                if (verb == kSb) Subnegotiation(fd, server);
            }
            if (data.size() >= 8 && answered < answers.size() && data.size() / 8 > answered)
                Answer(fd, server, answers[answered++]);
        }
    }
    void Subnegotiation(int fd, ScriptedTcpServer& server) {
        Bytes sub;
        for (;;) {
            const uint8_t b = server.Receive(fd, 1).at(0);
            if (b == kIac && server.Receive(fd, 1).at(0) == kSe) break;
            sub.push_back(b);
        }
        uint32_t value = 0;
        for (size_t i = 2; i < sub.size(); ++i) value = (value << 8) | sub[i];
        asked[sub[1]] = value;
        const int64_t reply = confirm(sub[1], value);
        if (reply < 0) return;
        Bytes frame = {kIac, kSb, kComPort, static_cast<uint8_t>(sub[1] + 100)};
        for (size_t i = sub.size() - 2; i > 0; --i)
            frame.push_back(static_cast<uint8_t>(reply >> (8 * (i - 1))));
        frame.insert(frame.end(), {kIac, kSe});
        server.Send(fd, frame);
    }
    void Answer(int fd, ScriptedTcpServer& server, const Bytes& answer) {
        Bytes escaped;
        for (uint8_t b : answer) {
            escaped.push_back(b);
            if (b == kIac) escaped.push_back(kIac);
        }
        server.Send(fd, escaped);
    }
};

TEST(LineAddressTest, ThreeKindsAndTheirMistakes) {
    const struct {
        const char* text;
        bool valid;
        LineKind kind;
        const char* host;
        int port;
    } cases[] = {
        {"/dev/ttyUSB0", true, LineKind::Device, "", 0},
        {"socket://127.0.0.1:4001", true, LineKind::RawTcp, "127.0.0.1", 4001},
        {"rfc2217://plc-gw.local:4001", true, LineKind::Rfc2217, "plc-gw.local", 4001},
        {"modbus-tcp://127.0.0.1", true, LineKind::ModbusTcp, "127.0.0.1", 502},
        {"modbus-tcp://[fe80::1]:1502", true, LineKind::ModbusTcp, "fe80::1", 1502},
        {"rfc2217://127.0.0.1", false, LineKind::Rfc2217, "", 0},
        {"socket://:4001", false, LineKind::RawTcp, "", 0},
        {"socket://127.0.0.1:65536", false, LineKind::RawTcp, "", 0},
        {"socket://127.0.0.1:4001?logging=debug", false, LineKind::RawTcp, "", 0},
        {"rfc2217://[fe80::1", false, LineKind::Rfc2217, "", 0},
    };
    for (const auto& c : cases) {
        LineAddress address;
        EXPECT_EQ(c.valid, ParseLineAddress(c.text, &address)) << c.text;
        EXPECT_EQ(c.kind, address.kind) << c.text;
        EXPECT_EQ(c.kind != LineKind::Device, IsNetworkLine(c.text)) << c.text;
        if (!c.valid) continue;
        EXPECT_EQ(c.host, address.host) << c.text;
        EXPECT_EQ(c.port, address.port) << c.text;
        if (c.kind != LineKind::Device) {
            EXPECT_EQ(c.text, FormatLineAddress(c.kind, c.host, c.port)) << c.text;
        }
    }
}

TEST(NetworkOpenFailure, UnknownHostRefusedPortAndMalformedUrl) {
    CSerialPort port;
    std::vector<std::string> looked;
    port.SetHostLookup([&](const std::string& host, int, int64_t, std::vector<ResolvedAddress>*) {
        looked.push_back(host);
        return EAI_NONAME;
    });
    const int closed = FreeLoopbackPort();
    for (const char* scheme : {"socket", "rfc2217", "modbus-tcp"}) {
        SCOPED_TRACE(scheme);
        const std::string unknown = std::string(scheme) + "://plc-gw.invalid:4001";
        EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(unknown, 19200, 8, 0, 0, 0));
        EXPECT_EQ(kOpenHostUnknown, port.LastFailure().reason);
        EXPECT_EQ(0u, Reason(port).find("无法解析主机名 plc-gw.invalid（")) << Reason(port);
        EXPECT_FALSE(port.IsOpen());

        // Numeric addresses are never looked up.
        EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(Url(scheme, closed), 19200, 8, 0, 0, 0));
        EXPECT_EQ(kOpenConnectionRefused, port.LastFailure().reason);
        EXPECT_EQ(Reason(port),
                  "127.0.0.1 拒绝了端口 " + std::to_string(closed) +
                      " 的连接：该端口上没有服务在监听，请检查端口号和服务器的设置。");
    }
    EXPECT_EQ(3u, looked.size());

    EXPECT_EQ(kSerialOpenFailed, port.OpenDevice("rfc2217://127.0.0.1", 19200, 8, 0, 0, 0));
    EXPECT_EQ(Reason(port),
              "网络端口地址 rfc2217://127.0.0.1 无效：应为 socket://主机:端口、rfc2217://主机:端口 "
              "或 modbus-tcp://主机[:端口]。");
}

TEST(NetworkOpenFailure, ServerThatNeverAnswersTheTelnetNegotiation) {
    ScriptedTcpServer server;
    ASSERT_TRUE(server.Start(ScriptedTcpServer::TakeAndSayNothing));
    CSerialPort port;
    port.SetConnectTimeoutMs(300);
    const std::string url = Url("rfc2217", server.Port());
    EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(url, 19200, 8, 0, 0, 0));
    EXPECT_EQ(kOpenSettingUnconfirmed, port.LastFailure().reason);
    EXPECT_EQ(Reason(port),
              "服务器 " + url +
                  " 在 300 ms 内没有确认 RFC 2217 协商（服务器什么也没有发送）：它可能"
                  "不支持 RFC 2217，请检查服务器的设置（例如 ser2net 的 "
                  "telnet(rfc2217)），或改用 socket://。");
    EXPECT_FALSE(port.IsOpen());
}

TEST(NetworkOpenFailure, SettingsTheServerRefusesOrNeverConfirms) {
    TelnetPeer slowRate;
    slowRate.confirm = [](uint8_t command, uint32_t value) -> int64_t {
        return command == 1 ? int64_t{9600} : int64_t{value};
    };
    TelnetPeer noParity;
    noParity.confirm = [](uint8_t command, uint32_t value) -> int64_t {
        return command == 3 ? int64_t{-1} : int64_t{value};
    };
    ScriptedTcpServer first, second;
    ASSERT_TRUE(first.Start([&](int fd, ScriptedTcpServer& s) { slowRate.Run(fd, s); }));
    ASSERT_TRUE(second.Start([&](int fd, ScriptedTcpServer& s) { noParity.Run(fd, s); }));

    CSerialPort port;
    port.SetConnectTimeoutMs(300);
    std::string url = Url("rfc2217", first.Port());
    EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(url, 614400, 8, 0, 0, 0));
    EXPECT_EQ(kOpenSettingRefused, port.LastFailure().reason);
    EXPECT_EQ(Reason(port),
              "服务器 " + url +
                  " 不接受波特率 614400（服务器回复 波特率 9600）：请选择它的串口支持的"
                  "设置。");
    url = Url("rfc2217", second.Port());
    EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(url, 19200, 8, 0, 2, 0));
    EXPECT_EQ(kOpenSettingUnconfirmed, port.LastFailure().reason) << Reason(port);
    EXPECT_NE(std::string::npos, Reason(port).find("在 300 ms 内没有确认偶校验")) << Reason(port);
    EXPECT_FALSE(port.IsOpen());
}

// A listener whose queue is full lets further connects wait unanswered, as
// a host behind a firewall that drops them does.
TEST(NetworkOpenFailure, ConnectThatIsNeverAnsweredTimesOut) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(0, bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, listen(listener, 0));
    ASSERT_EQ(0, getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length));
    const int port = ntohs(address.sin_port);
    CSerialPort line;
    line.SetConnectTimeoutMs(300);
    // The first connects fill the queue (closed, they stay in it); the next
    // one waits unanswered.
    for (int i = 0; i < 4 && line.LastFailure().reason != kOpenConnectTimeout; ++i)
        if (line.OpenDevice(Url("socket", port), 19200, 8, 0, 0, 0) == kSerialOk) line.Close();
    close(listener);
    EXPECT_EQ(kOpenConnectTimeout, line.LastFailure().reason);
    EXPECT_EQ(Reason(line), "连接 127.0.0.1 的端口 " + std::to_string(port) +
                                " 超时（300 ms）：主机没有应答，或防火墙挡住了连接。");

    const std::pair<int, SerialOpenReason> errors[] = {
        {ECONNREFUSED, kOpenConnectionRefused},
        {EHOSTUNREACH, kOpenHostUnreachable},
        {ENETUNREACH, kOpenHostUnreachable},
        {ETIMEDOUT, kOpenConnectTimeout},
        {EMFILE, kOpenOtherError},
    };
    for (const auto& [error, reason] : errors) EXPECT_EQ(reason, NetworkReasonForError(error));
    SerialOpenFailure unreachable;
    unreachable.reason = kOpenHostUnreachable;
    unreachable.path = "rfc2217://127.0.0.1:4001";
    EXPECT_EQ(OpenFailureReasonText(unreachable), "无法到达主机 127.0.0.1：请检查网络连接和地址。");
}

// A busy server says so and hangs up; what it said is kept for the message.
TEST(NetworkOpenFailure, ServerThatClosesTheConnectionIsQuoted) {
    ScriptedTcpServer server;
    ASSERT_TRUE(server.Start([](int fd, ScriptedTcpServer& s) {
        s.Receive(fd, 15);  // the client's offers, so that the close is orderly
        s.Send(fd, {'P', 'o', 'r', 't', ' ', 'b', 'u', 's', 'y', '\r', '\n'});
    }));
    CSerialPort port;
    const std::string url = Url("rfc2217", server.Port());
    EXPECT_EQ(kSerialOpenFailed, port.OpenDevice(url, 19200, 8, 0, 0, 0));
    EXPECT_EQ(kOpenServerClosed, port.LastFailure().reason);
    EXPECT_EQ(
        Reason(port),
        "服务器 " + url + " 关闭了连接（“Port busy”）：端口可能正被其他客户端使用，请稍后重试。");
}

// As an unplugged adapter: every exchange fails at once and nothing more is
// sent until the port is opened again.
TEST(NetworkLineTest, ConnectionDroppedMidExchangeFailsEveryExchange) {
    ScriptedTcpServer server;
    ASSERT_TRUE(server.Start([](int fd, ScriptedTcpServer& s) { s.Receive(fd, 8); }));
    CSerialPort port;
    ASSERT_EQ(kSerialOk, port.OpenDevice(Url("socket", server.Port()), 115200, 8, 0, 0, 0));
    ModuleSession session(&port);
    uint16_t type = 0;
    EXPECT_EQ(kModuleFailed, session.ReadModuleType(&type));
    EXPECT_TRUE(port.IsGone());
    EXPECT_EQ(kModuleFailed, session.ReadModuleType(&type));
    EXPECT_EQ(ExchangeVerdict::Timeout, session.lastVerdict());
    EXPECT_EQ(ReadRequest(0x5003, 2), server.Received());
}

TEST(Rfc2217LineTest, NegotiatesConfirmsSettingsAndDoublesIac) {
    TelnetPeer peer;
    const Bytes write = WriteOne(0x5011, 0x00FF);
    peer.answers = {write};
    ScriptedTcpServer server;
    ASSERT_TRUE(server.Start([&](int fd, ScriptedTcpServer& s) { peer.Run(fd, s); }));
    CSerialPort port;
    ASSERT_EQ(kSerialOk, port.OpenDevice(Url("rfc2217", server.Port()), 19200, 7, 2, 2, 0))
        << Reason(port);
    EXPECT_FALSE(port.SettingsFixedByServer());
    // Rate, data size, parity (even = 3) and stop size (2) as RFC 2217
    // numbers them, and a purge of the server's buffers.
    EXPECT_EQ(19200u, peer.asked[1]);
    EXPECT_EQ(7u, peer.asked[2]);
    EXPECT_EQ(3u, peer.asked[3]);
    EXPECT_EQ(2u, peer.asked[4]);
    EXPECT_EQ(3u, peer.asked[12]);

    uint8_t answer[16];
    // A write's answer is its own copy: only a line known not to echo
    // takes it for the answer.
    port.SetEchoMode(CSerialPort::EchoMode::Never);
    EXPECT_EQ(8u, port.Exchange(write.data(), write.size(), answer, 8));
    EXPECT_EQ(write, Bytes(answer, answer + 8));
    EXPECT_EQ(write, peer.data);
    Bytes doubled(write.begin(), write.begin() + 5);
    doubled.insert(doubled.end(), {0xFF, 0xFF});
    EXPECT_TRUE(Contains(server.Received(), doubled));
    EXPECT_TRUE(peer.echoRefused);

    // A change goes to the server too; the time-out follows the new rate.
    ASSERT_EQ(kSerialOk, port.ChangeSettings(9600, 8, 0, 0, 0));
    EXPECT_EQ(9600u, peer.asked[1]);
    EXPECT_EQ(1u, peer.asked[3]);
    EXPECT_EQ(SerialTimeoutMs(9600) + port.NetworkAllowance(), port.TimeoutMs());
    EXPECT_EQ(0, port.FrameSilenceNs());
}

struct WireRecorder : ExchangeObserver {
    std::vector<Bytes> sent, received;
    void OnExchange(const ExchangeRecord& r) override {
        sent.emplace_back(r.wireRequest, r.wireRequest + r.wireRequestLength);
        received.emplace_back(r.wireAnswer, r.wireAnswer + r.wireAnswerLength);
    }
};

TEST(ModbusTcpLineTest, SimulatorThroughItsGateway) {
    ModuleSimulator sim;
    ASSERT_TRUE(sim.Start());
    ModbusTcpGateway gateway;
    ASSERT_TRUE(gateway.Start(sim.DevicePath(), 0));
    CSerialPort port;
    ASSERT_EQ(kSerialOk, port.OpenDevice("modbus-tcp://127.0.0.1:" + std::to_string(gateway.Port()),
                                         115200, 8, 0, 0, 0));
    EXPECT_TRUE(port.SettingsFixedByServer());
    ModuleSession session(&port);
    WireRecorder wire;
    session.AddObserver(&wire);

    uint16_t type = 0;
    ASSERT_EQ(kModuleOk, session.ReadModuleType(&type));
    EXPECT_EQ(kModuleTypeTavel, type);
    ASSERT_EQ(kModuleOk, session.WriteDeviceMode(3));
    EXPECT_EQ(3, sim.Register(0x5001));
    const std::vector<Bytes> requests = {Mbap(1, ReadRequest(0x5003, 2)),
                                         Mbap(2, WriteOne(0x5001, 3))};
    EXPECT_EQ(requests, gateway.Requests());
    // The monitor sees the frames that crossed the network.
    EXPECT_EQ(requests, wire.sent);
    EXPECT_EQ(Mbap(1, ReadAnswer({0x02, 0x01, 0x00, 0x01})), wire.received[0]);

    // The gateway answers for a module that does not.
    sim.SetSilent(true);
    EXPECT_EQ(kModuleFailed, session.ReadModuleType(&type));
    EXPECT_EQ(ExchangeVerdict::Exception, session.lastVerdict());
    EXPECT_EQ(0x0B, session.lastExceptionCode());
}

TEST(ModbusTcpLineTest, AnswerOfAnotherTransactionIsInconsistent) {
    const Bytes answer = ReadAnswer({0x02, 0x01, 0x00, 0x01});
    ScriptedTcpServer server;
    ASSERT_TRUE(server.Start([&](int fd, ScriptedTcpServer& s) {
        s.Receive(fd, 12);
        s.Send(fd, Mbap(2, answer));  // the request was transaction 1
        s.Receive(fd, 12);
        s.Send(fd, Mbap(2, answer));
        s.Receive(fd, 1);
    }));
    CSerialPort port;
    ASSERT_EQ(kSerialOk, port.OpenDevice(Url("modbus-tcp", server.Port()), 115200, 8, 0, 0, 0));
    ModuleSession session(&port);
    uint16_t type = 0;
    EXPECT_EQ(kModuleFailed, session.ReadModuleType(&type));
    EXPECT_EQ(ExchangeVerdict::Inconsistent, session.lastVerdict());
    EXPECT_EQ(kModuleOk, session.ReadModuleType(&type));
    EXPECT_EQ(kModuleTypeTavel, type);
}

}  // namespace
