#include "modulesimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "modbus_rtu.h"
#include "pty_line.h"

namespace {

constexpr uint8_t kSlaveAddress = 1;

constexpr uint8_t kIllegalFunction = 1;
constexpr uint8_t kIllegalAddress = 2;
constexpr uint8_t kIllegalValue = 3;
constexpr uint8_t kDeviceFailure = 4;

constexpr uint16_t kDataRegisters = 72;  // 144 bytes
constexpr uint16_t kInputFirst = 0x0001;
constexpr uint16_t kOutputFirst = 0x1001;
constexpr uint16_t kGeneralFirst = 0x5001, kGeneralLast = 0x501F;
constexpr uint16_t kIoFirst = 0x6001, kIoLast = 0x600B;
constexpr uint16_t kFieldbusFirst = 0x7001, kFieldbusLast = 0x7045;

constexpr uint16_t kDeviceMode = 0x5001;
constexpr uint16_t kEvents = 0x500A;
constexpr uint16_t kInputLength = 0x6001, kOutputLength = 0x6002;
constexpr uint16_t kChangeFirst = 0x6003, kChangeLast = 0x600B;
constexpr uint16_t kPassword = 0x7003;
constexpr uint16_t kDeviceInfoFirst = 0x700B, kDeviceInfoLast = 0x7020;
constexpr uint16_t kProductName = 0x7011;
constexpr uint16_t kErrorMessage = 0x7023;
constexpr uint16_t kTimeFirst = 0x7043, kTimeLast = 0x7045;

constexpr uint16_t kEventStart = 0x0001;
constexpr uint16_t kEventIo = 0x0008;

constexpr uint16_t kMaxReadQuantity = 125;
constexpr uint16_t kMaxWriteQuantity = 123;
constexpr size_t kMaxRtuFrame = 256;

// Silence after which a partial frame is given up, and after a damaged
// frame, how long the line must stay quiet before we listen again.
constexpr int kIdleMs = 15;
// Upper bound for one blocked write to the pseudo-terminal: nobody reading
// must not stall the simulator.
constexpr int kWriteStallMs = 200;

const char kProductNameText[] = "VX31-CANopen";

int64_t NowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

timespec ToTimespec(int64_t ns) {
    timespec t{};
    t.tv_sec = static_cast<time_t>(ns / 1000000000LL);
    t.tv_nsec = static_cast<long>(ns % 1000000000LL);
    return t;
}

void AppendCrc(std::vector<uint8_t>& frame) {
    const uint16_t crc = Crc16Modbus(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

bool FrameCrcValid(const std::vector<uint8_t>& frame) {
    if (frame.size() < 4) return false;
    const uint16_t crc = Crc16Modbus(frame.data(), frame.size() - 2);
    return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == (crc >> 8);
}

std::vector<uint8_t> ExceptionFrame(uint8_t function, uint8_t code) {
    std::vector<uint8_t> frame{kSlaveAddress, static_cast<uint8_t>(function | 0x80), code};
    AppendCrc(frame);
    return frame;
}

uint16_t WordAt(const std::vector<uint8_t>& bytes, size_t i) {
    return static_cast<uint16_t>((bytes[i] << 8) | bytes[i + 1]);
}

// Length of the frame that starts the buffer, from its function code: 0 when
// more bytes are needed to tell, kUntilIdle for functions whose layout we do
// not know (the frame then ends at the next silence).
constexpr size_t kUntilIdle = static_cast<size_t>(-1);
size_t RequestLength(const std::vector<uint8_t>& rx) {
    if (rx.size() < 2) return 0;
    switch (rx[1]) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
            return 8;
        case 15:
        case 16:
            return rx.size() < 7 ? 0 : 9 + static_cast<size_t>(rx[6]);
        default:
            return kUntilIdle;
    }
}

// Days since 1984-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int year, unsigned month, unsigned day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// The module's time stamp: milliseconds after local midnight and days since
// 1 January 1984.
void NetworkTimeNow(uint32_t* ms, uint16_t* days) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    *ms = static_cast<uint32_t>(((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 +
                                now.tv_nsec / 1000000);
    const int64_t epoch1984 = DaysFromCivil(1984, 1, 1);
    *days = static_cast<uint16_t>(DaysFromCivil(local.tm_year + 1900,
                                                static_cast<unsigned>(local.tm_mon + 1),
                                                static_cast<unsigned>(local.tm_mday)) -
                                  epoch1984);
}

}  // namespace

ModuleSimulator::ModuleSimulator() {
    InitialiseRegisters();
}

ModuleSimulator::~ModuleSimulator() {
    Stop();
}

bool ModuleSimulator::Start(const Options& options) {
    if (m_running.load()) return false;
    m_options = options;
    m_echo = options.echo;
    if (pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    if (!OpenPty()) {
        close(m_wakePipe[0]);
        close(m_wakePipe[1]);
        m_wakePipe[0] = m_wakePipe[1] = -1;
        return false;
    }
    m_running = true;
    m_thread = std::thread(&ModuleSimulator::Serve, this);
    return true;
}

void ModuleSimulator::Stop() {
    if (m_running.exchange(false)) {
        const char wake = 's';
        (void)!write(m_wakePipe[1], &wake, 1);
        if (m_thread.joinable()) m_thread.join();
    }
    ClosePty();
    for (int& fd : m_wakePipe) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}

bool ModuleSimulator::OpenPty() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) return false;
    char name[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
        close(master);
        return false;
    }
    // We hold the device side open for our whole life: while no process
    // holds it, the line hangs up and reads on our side fail with EIO.
    const int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        close(master);
        return false;
    }
    // A fresh pseudo-terminal echoes and translates line endings; a module
    // does neither. The program configures the line again when it opens it.
    termios tio{};
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        (void)tcsetattr(slave, TCSANOW, &tio);
    }
    const int flags = fcntl(master, F_GETFL);
    (void)fcntl(master, F_SETFL, flags | O_NONBLOCK);
    m_master = master;
    m_slave = slave;
    m_devicePath = name;
    return true;
}

void ModuleSimulator::ClosePty() {
    if (m_master >= 0) close(m_master);
    if (m_slave >= 0) close(m_slave);
    m_master = -1;
    m_slave = -1;
}

void ModuleSimulator::CloseDevice() {
    if (!m_running.load() || std::this_thread::get_id() == m_thread.get_id()) {
        ClosePty();
        return;
    }
    std::unique_lock<std::mutex> lock(m_deviceMutex);
    m_deviceRequest = Request::Close;
    const char wake = 'c';
    (void)!write(m_wakePipe[1], &wake, 1);
    m_deviceChanged.wait_for(lock, std::chrono::seconds(5),
                             [this] { return m_deviceRequest == Request::None; });
}

bool ModuleSimulator::ReopenDevice() {
    if (!m_running.load()) return false;
    std::unique_lock<std::mutex> lock(m_deviceMutex);
    m_deviceRequest = Request::Reopen;
    m_deviceRequestOk = false;
    const char wake = 'r';
    (void)!write(m_wakePipe[1], &wake, 1);
    m_deviceChanged.wait_for(lock, std::chrono::seconds(5),
                             [this] { return m_deviceRequest == Request::None; });
    return m_deviceRequestOk;
}

void ModuleSimulator::ServeRequests() {
    std::lock_guard<std::mutex> lock(m_deviceMutex);
    if (m_deviceRequest == Request::Close) {
        ClosePty();
    } else if (m_deviceRequest == Request::Reopen) {
        ClosePty();
        m_deviceRequestOk = OpenPty();
    } else {
        return;
    }
    m_deviceRequest = Request::None;
    m_deviceChanged.notify_all();
}

void ModuleSimulator::Serve() {
    // Byte pacing at 115200 baud needs sleeps of ~87 us to end on time.
    (void)prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    std::vector<uint8_t> rx;
    int64_t rxStartNs = 0;
    bool dropping = false;
    uint8_t chunk[512];

    while (m_running.load()) {
        pollfd fds[2] = {{m_wakePipe[0], POLLIN, 0}, {m_master, POLLIN, 0}};
        const nfds_t count = m_master >= 0 ? 2 : 1;
        const int timeout = (!rx.empty() || dropping) ? kIdleMs : -1;
        const int rc = poll(fds, count, timeout);
        if (rc < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents & POLLIN) {
            char drain[16];
            while (read(m_wakePipe[0], drain, sizeof drain) > 0) {
            }
            ServeRequests();
            rx.clear();
            dropping = false;
            continue;
        }
        if (rc == 0) {
            // The line went quiet: a damaged frame is over, or a frame whose
            // length we could not tell is complete.
            if (!dropping && !rx.empty()) HandleFrame(rx, rxStartNs);
            rx.clear();
            dropping = false;
            continue;
        }
        const short revents = count == 2 ? fds[1].revents : 0;
        if (revents & POLLIN) {
            const ssize_t n = read(m_master, chunk, sizeof chunk);
            if (n <= 0) continue;
            const int64_t receivedNs = NowNs();
            // The adapter echoes whatever is on the line, damaged or not.
            if (m_echo.load()) Echo(chunk, static_cast<size_t>(n), receivedNs);
            if (dropping) continue;
            if (rx.empty()) {
                rxStartNs = receivedNs;
                m_silenceBeforeFrameNs = m_lastWriteNs > 0 ? receivedNs - m_lastWriteNs : -1;
            }
            rx.insert(rx.end(), chunk, chunk + n);
            TakeFrames(rx, rxStartNs, &dropping);
        } else if (revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // Should not happen while we hold the device side; never spin on it.
            pollfd wake{m_wakePipe[0], POLLIN, 0};
            (void)poll(&wake, 1, 50);
        }
    }
}

void ModuleSimulator::TakeFrames(std::vector<uint8_t>& rx, int64_t rxStartNs, bool* dropping) {
    while (!rx.empty()) {
        const size_t length = RequestLength(rx);
        if (length == 0 || length == kUntilIdle || rx.size() < length) return;
        std::vector<uint8_t> frame(rx.begin(), rx.begin() + static_cast<long>(length));
        if (length > kMaxRtuFrame || !FrameCrcValid(frame)) {
            // We lost the frame boundary: everything up to the next silence
            // belongs to the damaged frame.
            HandleFrame(rx, rxStartNs);
            rx.clear();
            *dropping = true;
            return;
        }
        rx.erase(rx.begin(), rx.begin() + static_cast<long>(length));
        HandleFrame(frame, rxStartNs);
        rxStartNs = NowNs();
        // A frame that arrived together with the one before had no silence.
        m_silenceBeforeFrameNs = 0;
    }
}

std::pair<ModuleSimulator::Fault, int> ModuleSimulator::NextFault() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_faults.empty()) {
        const auto fault = m_faults.front();
        m_faults.pop_front();
        return fault;
    }
    if (m_randomFaultRate > 0.0) {
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        if (chance(m_random) < m_randomFaultRate) {
            static const Fault kinds[] = {Fault::Silent, Fault::Exception, Fault::BadCrc,
                                          Fault::Truncated, Fault::Garbage};
            std::uniform_int_distribution<int> pick(0, 4);
            return {kinds[pick(m_random)], 0};
        }
    }
    return {Fault::None, 0};
}

void ModuleSimulator::HandleFrame(const std::vector<uint8_t>& frame, int64_t rxStartNs) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(frame);
        m_silences.push_back(m_silenceBeforeFrameNs);
    }
    m_requestSeen.notify_all();

    if (!FrameCrcValid(frame)) {
        Log("<-", frame, "damaged, ignored");
        return;
    }
    // A pseudo-terminal carries every byte whatever the rate; a real UART at
    // another rate would only see framing errors. Only the rate can be
    // checked: a pseudo-terminal forces 8 data bits and no parity.
    if (m_options.lineRate > 0 && PtyLineRate(m_master) != m_options.lineRate) {
        Log("<-", frame, "master at another line rate, ignored");
        return;
    }
    if (frame[0] != kSlaveAddress) {
        Log("<-", frame, "other slave, ignored");
        return;
    }
    Log("<-", frame, nullptr);
    if (m_silent.load()) {
        Log("--", {}, "module silent");
        return;
    }

    const auto [fault, param] = NextFault();
    std::vector<uint8_t> answer;
    int delayMs = 0;
    int interByteMs = 0;
    switch (fault) {
        case Fault::Silent:
            Log("--", {}, "silent");
            return;
        case Fault::Vanish:
            Log("--", {}, "device vanishes");
            ClosePty();
            return;
        case Fault::Exception:
            answer =
                ExceptionFrame(frame[1], static_cast<uint8_t>(param > 0 ? param : kDeviceFailure));
            break;
        default:
            answer = Answer(frame);
            break;
    }

    switch (fault) {
        case Fault::BadCrc:
            answer.back() ^= 0x5A;
            break;
        case Fault::Truncated: {
            const size_t drop = static_cast<size_t>(param > 0 ? param : 3);
            answer.resize(answer.size() > drop ? answer.size() - drop : 0);
            break;
        }
        case Fault::Garbage: {
            // Bit 7 clear: garbage must not pass for an exception function code.
            static const uint8_t pattern[] = {0x00, 0x55, 0x2A, 0x7F, 0x13};
            const int n = param > 0 ? param : 3;
            std::vector<uint8_t> noisy;
            for (int i = 0; i < n; ++i) noisy.push_back(pattern[i % 5]);
            noisy.insert(noisy.end(), answer.begin(), answer.end());
            answer.swap(noisy);
            break;
        }
        case Fault::SlowBytes:
            interByteMs = param > 0 ? param : 200;
            break;
        case Fault::Delay:
            delayMs = param > 0 ? param : 500;
            break;
        default:
            break;
    }

    // On a real line the request's last byte arrives one frame time after
    // its first; the answer cannot start earlier.
    int64_t startNs = NowNs();
    if (m_options.baud > 0) {
        const int64_t charNs = 10000000000LL / m_options.baud;
        const int64_t received = rxStartNs + static_cast<int64_t>(frame.size()) * charNs;
        if (received > startNs) startNs = received;
    }
    startNs += static_cast<int64_t>(delayMs) * 1000000LL;
    Log("->", answer, nullptr);
    if (Send(answer, startNs, interByteMs) && !answer.empty()) m_answers.fetch_add(1);
}

void ModuleSimulator::Echo(const uint8_t* bytes, size_t n, int64_t receivedNs) {
    const std::vector<uint8_t> echo(bytes, bytes + n);
    Log("<>", echo, "echo");
    // Paced like the request: byte k is back once it has been on the line.
    (void)Send(echo, receivedNs, 0);
}

std::vector<uint8_t> ModuleSimulator::Answer(const std::vector<uint8_t>& frame) {
    const uint8_t function = frame[1];
    if (function == 3) {
        if (frame.size() != 8) return ExceptionFrame(function, kIllegalValue);
        return AnswerRead(function, WordAt(frame, 2), WordAt(frame, 4));
    }
    if (function == 6) {
        if (frame.size() != 8) return ExceptionFrame(function, kIllegalValue);
        const std::vector<uint8_t> echo(frame.begin(), frame.begin() + 6);
        return AnswerWrite(function, WordAt(frame, 2), {WordAt(frame, 4)}, echo);
    }
    if (function == 16) {
        const uint16_t quantity = frame.size() >= 7 ? WordAt(frame, 4) : 0;
        const size_t byteCount = frame.size() >= 7 ? frame[6] : 0;
        if (quantity == 0 || quantity > kMaxWriteQuantity || byteCount != 2u * quantity ||
            frame.size() != 9 + byteCount)
            return ExceptionFrame(function, kIllegalValue);
        std::vector<uint16_t> values;
        for (size_t i = 0; i < quantity; ++i) values.push_back(WordAt(frame, 7 + 2 * i));
        const std::vector<uint8_t> echo(frame.begin(), frame.begin() + 6);
        return AnswerWrite(function, WordAt(frame, 2), values, echo);
    }
    return ExceptionFrame(function, kIllegalFunction);
}

std::vector<uint8_t> ModuleSimulator::AnswerRead(uint8_t function, uint16_t start,
                                                 uint16_t quantity) {
    if (quantity == 0 || quantity > kMaxReadQuantity)
        return ExceptionFrame(function, kIllegalValue);
    std::lock_guard<std::mutex> lock(m_mutex);
    for (uint32_t a = start; a < static_cast<uint32_t>(start) + quantity; ++a) {
        if (a > 0xFFFF || !IsMapped(static_cast<uint16_t>(a)))
            return ExceptionFrame(function, kIllegalAddress);
    }
    std::vector<uint8_t> answer{kSlaveAddress, function, static_cast<uint8_t>(2 * quantity)};
    for (uint16_t i = 0; i < quantity; ++i) {
        const uint16_t address = static_cast<uint16_t>(start + i);
        const uint16_t value = ReadRegisterLocked(address);
        answer.push_back(static_cast<uint8_t>(value >> 8));
        answer.push_back(static_cast<uint8_t>(value & 0xFF));
        // Events and change bits are reported once.
        if (address == kEvents || (address >= kChangeFirst && address <= kChangeLast))
            m_registers[address] = 0;
    }
    AppendCrc(answer);
    return answer;
}

uint8_t ModuleSimulator::CheckWrite(uint16_t address, uint16_t value,
                                    bool* passwordAccepted) const {
    if (!IsMapped(address) || (address >= kTimeFirst && address <= kTimeLast))
        return kIllegalAddress;
    if (address == kDeviceMode && value != 0 && value != 3 && value != 4) return kIllegalValue;
    if ((address == kInputLength || address == kOutputLength) && value > 2 * kDataRegisters)
        return kIllegalValue;
    if (address == kPassword) {
        *passwordAccepted = value == m_options.password;
        if (!*passwordAccepted) return kIllegalValue;
    }
    if (address >= kDeviceInfoFirst && address <= kDeviceInfoLast && !*passwordAccepted)
        return kIllegalValue;
    return 0;
}

std::vector<uint8_t> ModuleSimulator::AnswerWrite(uint8_t function, uint16_t start,
                                                  const std::vector<uint16_t>& values,
                                                  const std::vector<uint8_t>& echo) {
    std::lock_guard<std::mutex> lock(m_mutex);
    // Every register is checked before any is written: a refused request
    // changes nothing.
    bool accepted = m_passwordAccepted;
    for (size_t i = 0; i < values.size(); ++i) {
        const uint32_t address = static_cast<uint32_t>(start) + i;
        if (address > 0xFFFF) return ExceptionFrame(function, kIllegalAddress);
        const uint8_t code = CheckWrite(static_cast<uint16_t>(address), values[i], &accepted);
        if (code != 0) {
            if (code == kIllegalValue && address == kPassword) m_passwordAccepted = false;
            return ExceptionFrame(function, code);
        }
    }
    m_passwordAccepted = accepted;

    std::vector<uint16_t> before;
    for (size_t i = 0; i < values.size(); ++i) {
        const uint16_t address = static_cast<uint16_t>(start + i);
        before.push_back(m_registers[address]);
        // The password is taken, never shown back.
        if (address != kPassword) m_registers[address] = values[i];
        if (address == kDeviceMode && (values[i] == 3 || values[i] == 4)) {
            if (values[i] == 4) {
                std::map<uint16_t, uint16_t> data;
                for (uint16_t k = 0; k < kDataRegisters; ++k) {
                    data[kInputFirst + k] = m_registers[kInputFirst + k];
                    data[kOutputFirst + k] = m_registers[kOutputFirst + k];
                }
                InitialiseRegisters();
                for (const auto& [a, v] : data) m_registers[a] = v;
                m_registers[kDeviceMode] = values[i];
            }
            m_passwordAccepted = false;
            m_registers[kEvents] |= kEventStart;
        }
    }
    if (start >= kInputFirst && start < kInputFirst + kDataRegisters)
        OnInputDataWritten(start, static_cast<uint16_t>(values.size()), before);

    std::vector<uint8_t> answer = echo;
    AppendCrc(answer);
    return answer;
}

void ModuleSimulator::OnInputDataWritten(uint16_t first, uint16_t count,
                                         const std::vector<uint16_t>& before) {
    m_registers[kEvents] |= kEventIo;
    for (uint16_t i = 0; i < count; ++i) {
        const uint16_t address = static_cast<uint16_t>(first + i);
        if (address < kInputFirst || address >= kInputFirst + kDataRegisters) continue;
        const uint16_t index = static_cast<uint16_t>(address - kInputFirst);
        const uint16_t value = m_registers[address];
        // What the application writes comes back as the bus's output data,
        // so a technician sees traffic both ways.
        m_registers[static_cast<uint16_t>(kOutputFirst + index)] = value;
        if (value == before[i]) continue;
        // Four registers make one 8-byte group; bit n of the 144-bit field is
        // bit n % 16 of register 0x6003 + n / 16.
        const unsigned group = index / 4u;
        const uint16_t fieldRegister = static_cast<uint16_t>(kChangeFirst + group / 16);
        m_registers[fieldRegister] |= static_cast<uint16_t>(1u << (group % 16));
    }
}

uint16_t ModuleSimulator::ReadRegisterLocked(uint16_t address) const {
    if (address >= kTimeFirst && address <= kTimeLast) {
        uint32_t ms = 0;
        uint16_t days = 0;
        NetworkTimeNow(&ms, &days);
        if (address == kTimeFirst) return static_cast<uint16_t>(ms & 0xFFFF);
        if (address == kTimeFirst + 1) return static_cast<uint16_t>(ms >> 16);
        return days;
    }
    const auto it = m_registers.find(address);
    return it == m_registers.end() ? 0 : it->second;
}

uint16_t ModuleSimulator::Register(uint16_t address) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return ReadRegisterLocked(address);
}

void ModuleSimulator::SetRegister(uint16_t address, uint16_t value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_registers[address] = value;
}

bool ModuleSimulator::IsMapped(uint16_t address) const {
    return (address >= kInputFirst && address < kInputFirst + kDataRegisters) ||
           (address >= kOutputFirst && address < kOutputFirst + kDataRegisters) ||
           (address >= kGeneralFirst && address <= kGeneralLast) ||
           (address >= kIoFirst && address <= kIoLast) ||
           (address >= kFieldbusFirst && address <= kFieldbusLast);
}

void ModuleSimulator::InitialiseRegisters() {
    m_registers.clear();
    for (uint16_t k = 0; k < kDataRegisters; ++k) {
        m_registers[kInputFirst + k] = 0;
        m_registers[kOutputFirst + k] = 0;
    }
    for (uint16_t a = kGeneralFirst; a <= kGeneralLast; ++a) m_registers[a] = 0;
    for (uint16_t a = kIoFirst; a <= kIoLast; ++a) m_registers[a] = 0;
    for (uint16_t a = kFieldbusFirst; a <= kFieldbusLast; ++a) m_registers[a] = 0;

    // General block.
    m_registers[0x5001] = 0;       // device mode: running
    m_registers[0x5003] = 0x0201;  // module type
    m_registers[0x5004] = 1;       // fieldbus: CANopen
    m_registers[0x5005] = 0x0500;  // status flags: lamps 0 and 2
    m_registers[0x5006] = 0;       // switch coding: BCD
    m_registers[0x5007] = 1;       // offline: freeze
    m_registers[0x5008] = 0;       // idle: clear
    m_registers[0x5009] = 0x020F;  // interrupt mask
    m_registers[kEvents] = kEventStart;
    m_registers[0x500B] = 1;       // application interface: UART
    m_registers[0x500C] = 0x0001;  // CPHA 1, CPOL 0
    m_registers[0x500D] = 20;      // frame interval 1 ms
    m_registers[0x500E] = 0x8406;  // 115200 baud, 1 stop bit, no parity
    m_registers[0x500F] = 1;       // Modbus address
    m_registers[0x5010] = 0;       // Modbus CRC enabled
    m_registers[0x5011] = 1000;    // watchdog
    for (uint16_t k = 0; k < 14; ++k) m_registers[static_cast<uint16_t>(0x5012 + k)] = 0;

    // I/O block.
    m_registers[kInputLength] = 16;
    m_registers[kOutputLength] = 16;

    // Fieldbus block.
    m_registers[0x7001] = 0;       // bus normal
    m_registers[0x7002] = 127;     // NMT pre-operational
    m_registers[0x7004] = 0x0025;  // node address (BCD 25)
    m_registers[0x7005] = 0x0025;
    m_registers[0x7006] = 2;  // 500 kbit/s
    m_registers[0x7007] = 2;
    m_registers[0x7008] = 0x0103;  // revision
    m_registers[0x700B] = 0x0000;  // vendor ID 00 00 03 A5
    m_registers[0x700C] = 0x03A5;
    m_registers[0x700D] = 0x0000;  // product code 00 00 31 01
    m_registers[0x700E] = 0x3101;
    m_registers[0x700F] = 0x2024;  // serial number 20 24 08 15
    m_registers[0x7010] = 0x0815;
    // Two characters a register, the first in the low byte.
    const size_t nameLength = sizeof kProductNameText - 1;
    for (size_t k = 0; k < 16; ++k) {
        const uint8_t low = 2 * k < nameLength ? static_cast<uint8_t>(kProductNameText[2 * k]) : 0;
        const uint8_t high =
            2 * k + 1 < nameLength ? static_cast<uint8_t>(kProductNameText[2 * k + 1]) : 0;
        m_registers[static_cast<uint16_t>(kProductName + k)] =
            static_cast<uint16_t>(low | high << 8);
    }
    m_registers[0x7021] = 0x8130;  // emergency: life guard error
    m_registers[0x7022] = 0x0001;
    // Error log: four entries of a 2-byte index and a 4-byte error code.
    static const uint8_t errors[24] = {0x00, 0x01, 0x81, 0x30, 0x00, 0x10, 0x00, 0x02,
                                       0x82, 0x10, 0x00, 0x20, 0x00, 0x03, 0x81, 0x20,
                                       0x00, 0x08, 0x00, 0x04, 0x50, 0x00, 0x00, 0x01};
    for (uint16_t k = 0; k < 12; ++k)
        m_registers[static_cast<uint16_t>(kErrorMessage + k)] =
            static_cast<uint16_t>(errors[2 * k] << 8 | errors[2 * k + 1]);
}

bool ModuleSimulator::Send(const std::vector<uint8_t>& bytes, int64_t startNs, int interByteMs) {
    const int64_t charNs = m_options.baud > 0 ? 10000000000LL / m_options.baud : 0;
    const int64_t gapNs = static_cast<int64_t>(interByteMs) * 1000000LL;
    const bool paced = charNs > 0 || gapNs > 0;
    size_t sent = 0;
    if (!SleepUntil(startNs)) return false;
    while (sent < bytes.size()) {
        if (m_master < 0) return false;
        size_t chunk = bytes.size() - sent;
        if (paced) {
            // Deadlines are absolute so that no drift accumulates: byte k
            // has fully arrived (k + 1) character times after the start.
            const int64_t due = startNs + static_cast<int64_t>(sent + 1) * charNs +
                                static_cast<int64_t>(sent) * gapNs;
            if (!SleepUntil(due)) return false;
            chunk = 1;
        }
        // Taken before the write: the master cannot see the byte earlier.
        m_lastWriteNs = NowNs();
        const ssize_t rc = write(m_master, bytes.data() + sent, chunk);
        if (rc > 0) {
            sent += static_cast<size_t>(rc);
            continue;
        }
        if (rc < 0 && errno == EINTR) continue;
        if (rc < 0 && errno != EAGAIN) return false;
        pollfd out{m_master, POLLOUT, 0};
        if (poll(&out, 1, kWriteStallMs) <= 0) return false;  // nobody reads: drop the rest
    }
    return true;
}

bool ModuleSimulator::SleepUntil(int64_t deadlineNs) const {
    for (;;) {
        const int64_t left = deadlineNs - NowNs();
        if (left <= 0) return true;
        // Short waits sleep outright; longer ones also watch for Stop and
        // CloseDevice.
        if (left < 2000000) {
            const timespec due = ToTimespec(deadlineNs);
            const int rc = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
            if (rc == 0) return true;
            if (rc != EINTR) return true;
            continue;
        }
        pollfd wake{m_wakePipe[0], POLLIN, 0};
        const timespec wait = ToTimespec(left);
        const int rc = ppoll(&wake, 1, &wait, nullptr);
        if (rc > 0) return false;
    }
}

void ModuleSimulator::InjectFault(Fault fault, int count, int param) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int i = 0; i < count; ++i) m_faults.emplace_back(fault, param);
}

void ModuleSimulator::ClearFaults() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
    m_randomFaultRate = 0.0;
}

void ModuleSimulator::SetRandomFaultRate(double rate, unsigned seed) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_randomFaultRate = rate;
    m_seed = seed;
    m_random.seed(seed);
}

std::vector<std::vector<uint8_t>> ModuleSimulator::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

std::vector<int64_t> ModuleSimulator::SilencesBeforeRequestsNs() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_silences;
}

size_t ModuleSimulator::RequestCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests.size();
}

void ModuleSimulator::ClearRequests() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.clear();
    m_silences.clear();
}

bool ModuleSimulator::WaitForRequests(size_t n, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_requestSeen.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return m_requests.size() >= n; });
}

void ModuleSimulator::Log(const char* direction, const std::vector<uint8_t>& bytes,
                          const char* note) const {
    if (!m_options.log) return;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    std::string line;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03ld %s", local.tm_hour, local.tm_min,
                  local.tm_sec, now.tv_nsec / 1000000, direction);
    line = stamp;
    for (uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    if (note != nullptr) line += std::string(" (") + note + ")";
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}
