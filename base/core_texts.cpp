#include "core_texts.h"

#include <cstddef>

namespace {

const TextEntry kCoreTexts[] = {
    {kTextOpenAlreadyOpen, "串口已经打开。", "The port is open already."},
    {kTextOpenNoPort, "没有选择串口号。", "No port number is chosen."},
    {kTextOpenNoDevice, "找不到设备 {path}：适配器是否已拔出？请插好后重试，或选择其他串口号。",
     "Device {path} not found: is the adapter unplugged? Plug it in and try again, or choose "
     "another port number."},
    {kTextOpenNotSerial,
     "{path} 不是串口设备：请在 config.ini 的 [ports] 中为该串口号填写串口设备。",
     "{path} is not a serial device: give this port number a serial device under [ports] in "
     "config.ini."},
    {kTextOpenOtherError, "打开 {path} 时出错：{error}（错误码 {code}）。",
     "Opening {path} failed: {error} (error {code})."},
    {kTextOpenRootOnly,
     "没有权限打开 {path}：只有 root 能访问它。请让管理员用 udev 规则把它交给 dialout 组，再执行 "
     "sudo usermod -aG dialout $USER，然后注销并重新登录。",
     "No permission to open {path}: only root may use it. Ask an administrator to give it to "
     "the dialout group with a udev rule, then run sudo usermod -aG dialout $USER, log out and "
     "log in again."},
    {kTextOpenLoginPending,
     "没有权限打开 {path}：当前用户已在 {group} 组中，但本次登录尚未生效，请注销并重新登录。",
     "No permission to open {path}: you are in the {group} group, but this login does not know "
     "it yet; log out and log in again."},
    {kTextOpenGroup,
     "没有权限打开 {path}：它属于 {group} 组。请执行 sudo usermod -aG {group} $USER，"
     "然后注销并重新登录。",
     "No permission to open {path}: it belongs to the {group} group. Run sudo usermod -aG "
     "{group} $USER, then log out and log in again."},
    {kTextOpenHeldBy, "{path} 被 {program} (PID {pid}) 占用：请先关闭该程序。",
     "{path} is in use by {program} (PID {pid}): close that program first."},
    {kTextOpenOtherProgram, "其他程序", "another program"},
    {kTextOpenHeld, "{path} 已被其他程序占用：请先关闭占用它的程序。",
     "{path} is in use by another program: close that program first."},
    {kTextOpenNoBaud, "没有选择波特率。", "No baud rate is chosen."},
    {kTextOpenLineRefused, "{path} 不接受所选的线路设置{detail}：请选择适配器支持的设置。",
     "{path} does not accept the chosen line settings{detail}: choose settings the adapter "
     "supports."},
    {kTextOpenRefusedDetail, "（{detail}）", " ({detail})"},
    {kTextOpenRefusedJoin, "、", ", "},
    {kTextOpenBadAddress,
     "网络端口地址 {url} 无效：应为 socket://主机:端口、rfc2217://主机:端口 或 "
     "modbus-tcp://主机[:端口]。",
     "The network port address {url} is not valid: it should be socket://HOST:PORT, "
     "rfc2217://HOST:PORT or modbus-tcp://HOST[:PORT]."},
    {kTextOpenHostUnknown, "无法解析主机名 {host}（{detail}）：请检查名称，或改用 IP 地址。",
     "The host name {host} cannot be resolved ({detail}): check the name, or use an IP "
     "address."},
    {kTextOpenConnectionRefused,
     "{host} 拒绝了端口 {port} 的连接：该端口上没有服务在监听，请检查端口号和服务器的设置。",
     "{host} refused the connection to port {port}: nothing listens on that port; check the "
     "port number and the server's settings."},
    {kTextOpenHostUnreachable, "无法到达主机 {host}：请检查网络连接和地址。",
     "The host {host} cannot be reached: check the network connection and the address."},
    {kTextOpenConnectTimeout,
     "连接 {host} 的端口 {port} 超时（{ms} ms）：主机没有应答，或防火墙挡住了连接。",
     "Connecting to port {port} of {host} timed out ({ms} ms): the host does not answer, or a "
     "firewall blocks the connection."},
    {kTextOpenSettingRefused, "服务器 {url} 不接受{setting}：请选择它的串口支持的设置。",
     "The server {url} does not accept {setting}: choose settings its serial port supports."},
    {kTextOpenSettingUnconfirmed,
     "服务器 {url} 在 {ms} ms 内没有确认{setting}：它可能不支持 RFC 2217，"
     "请检查服务器的设置（例如 ser2net 的 telnet(rfc2217)），或改用 socket://。",
     "The server {url} did not confirm {setting} within {ms} ms: it may not speak RFC 2217; "
     "check the server's settings (for ser2net, telnet(rfc2217)), or use socket://."},
    {kTextOpenServerClosed,
     "服务器 {url} 关闭了连接{detail}：端口可能正被其他客户端使用，请稍后重试。",
     "The server {url} closed the connection{detail}: another client may be using the port; "
     "try again later."},
    {kTextOpenServerSaid, "（“{detail}”）", " (\"{detail}\")"},
    {kTextOpenServerAnswered, "（服务器回复 {value}）", " (the server answered {value})"},
    {kTextOpenComPortControl, " RFC 2217 串口控制", "RFC 2217 COM-port control"},
    {kTextOpenNegotiation, " RFC 2217 协商", "the RFC 2217 negotiation"},
    {kTextOpenNegotiationSilent, " RFC 2217 协商（服务器什么也没有发送）",
     "the RFC 2217 negotiation (the server sent nothing)"},
    {kTextSettingBaud, "波特率 {n}", "baud rate {n}"},
    {kTextSettingDataBits, "{n} 个数据位", "{n} data bits"},
    {kTextSettingParity, "校验方式 {n}", "parity {n}"},
    {kTextSettingStopBits, "{n} 个停止位", "{n} stop bits"},
    {kTextSettingStopBitsHalf, "1.5 个停止位", "1.5 stop bits"},
    {kTextParityNone, "无校验", "no parity"},
    {kTextParityOdd, "奇校验", "odd parity"},
    {kTextParityEven, "偶校验", "even parity"},
    {kTextParityMark, "标记校验", "mark parity"},
    {kTextParitySpace, "空格校验", "space parity"},

    {kTextColumnTime, "时间", "Time"},
    {kTextColumnDirection, "方向", "Direction"},
    {kTextColumnBytes, "字节", "Bytes"},
    {kTextColumnElapsed, "耗时", "Elapsed"},
    {kTextColumnNote, "说明", "Note"},
    {kTextColumnData, "数据", "Data"},
    {kTextWireSent, "发送", "Sent"},
    {kTextWireEcho, "回显", "Echo"},
    {kTextWireReceived, "接收", "Received"},
    {kTextEchoUndecided, "回显或模块的回答（无法区分）",
     "Echo or the module's answer (cannot tell)"},
    {kTextEchoFiltered, "本地回显（已滤除）", "Local echo (removed)"},
    {kTextRequestFunction, "功能 {function}", "Function {function}"},
    {kTextRequestRead, "读 {start}×{count}", "Read {start}×{count}"},
    {kTextRequestReadInput, "读输入 {start}×{count}", "Read input {start}×{count}"},
    {kTextRequestWrite, "写 {start}", "Write {start}"},
    {kTextRequestWriteMany, "写 {start}×{count}", "Write {start}×{count}"},
    {kTextAreaGeneral, "通用参数", "general parameters"},
    {kTextAreaModuleType, "模块类型", "module type"},
    {kTextAreaInterruptEvents, "中断事件", "interrupt events"},
    {kTextAreaIo, "I/O 参数", "I/O parameters"},
    {kTextAreaInputChange, "输入数据变化", "input data changes"},
    {kTextAreaFieldbus, "现场总线参数", "fieldbus parameters"},
    {kTextAreaErrorMessage, "错误信息", "error messages"},
    {kTextAreaNetworkTime, "网络时间", "network time"},
    {kTextAreaDeviceMode, "设备模式", "device mode"},
    {kTextAreaInterruptMask, "中断屏蔽", "interrupt mask"},
    {kTextAreaUart, "UART 设置", "UART settings"},
    {kTextAreaPassword, "现场总线密码", "fieldbus password"},
    {kTextAreaNodeAddress, "节点地址", "node address"},
    {kTextAreaNodeBaud, "节点波特率", "node baud rate"},
    {kTextAreaSwitchCoding, "编码方式、离线与空闲动作、中断屏蔽",
     "switch coding, offline and idle actions, interrupt mask"},
    {kTextAreaInterface, "应用接口、SPI、UART 与 Modbus 地址",
     "application interface, SPI, UART and Modbus address"},
    {kTextAreaWatchdog, "看门狗时间与故障值", "watchdog time and fault values"},
    {kTextAreaIoLengths, "I/O 长度", "I/O lengths"},
    {kTextAreaDeviceInfo, "设备信息", "device information"},
    {kTextAreaEmergency, "紧急报文", "emergency message"},
    {kTextAreaInputData, "输入数据", "input data"},
    {kTextAreaOutputData, "输出数据", "output data"},
    {kTextExceptionFunction, "非法功能", "illegal function"},
    {kTextExceptionAddress, "非法数据地址", "illegal data address"},
    {kTextExceptionValue, "非法数据值", "illegal data value"},
    {kTextExceptionFailure, "从站设备故障", "slave device failure"},
    {kTextExceptionAcknowledge, "确认", "acknowledge"},
    {kTextExceptionBusy, "从站设备忙", "slave device busy"},
    {kTextExceptionParity, "存储奇偶性差错", "memory parity error"},
    {kTextExceptionGatewayPath, "不可用网关路径", "gateway path unavailable"},
    {kTextExceptionGatewayTarget, "网关目标设备响应失败", "gateway target failed to respond"},
    {kTextExceptionUnknown, "未知异常", "unknown exception"},
    {kTextVerdictOk, "正常", "OK"},
    {kTextVerdictTimeout, "超时", "Time-out"},
    {kTextVerdictShort, "不完整", "Cut short"},
    {kTextVerdictCrc, "CRC 错误", "CRC error"},
    {kTextVerdictInconsistent, "数据不一致", "Does not match"},
    {kTextVerdictException, "异常响应 {code} {name}", "Exception {code} {name}"},
    {kTextVerdictUndecided, "无法与回显区分", "Cannot tell from the echo"},
    {kTextNotSent, "未发送", "Not sent"},
    {kTextNotSentClosed, "未发送：串口未打开", "Not sent: the port is not open"},
    {kTextNotSentEcho, "未发送：线路有回显，但回显设置为“从不”",
     "Not sent: the line echoes, but the echo setting says \"never\""},
    {kTextNotSentTooLarge, "未发送：请求过长", "Not sent: the request is too long"},
    {kTextCountSent, "发送 {sent} 帧，正常 {ok}", "{sent} frames sent, {ok} OK"},
    {kTextCountKind, "，{kind} {count}", ", {kind} {count}"},
    {kTextCountException, "异常响应", "exception"},
    {kTextCountUndecided, "无法区分", "cannot tell"},
    {kTextCountSilentRun, "\n连续 {count} 次超时或不完整：请检查线路设置，或按\"搜索模块...\"",
     "\n{count} time-outs or cut-short answers in a row: check the line settings, or press "
     "\"Search...\""},
    {kTextWireRoundTrips, "往返 最短 {min} / 平均 {mean} / 最长 {max} ms，",
     "round trip shortest {min} / mean {mean} / longest {max} ms, "},
    {kTextWireErrorRate, "错误率 {rate}%", "error rate {rate}%"},
    {kTextTraceStart, "开始跟踪", "trace started"},
    {kTextNetworkTime, "{year}年{month}月{day}日,{hour}时{minute}分{second}秒",
     "{year}-{month}-{day}, {hour} h {minute} min {second} s"},

    {kTextStatusBusOk, "总线正常", "Bus OK"},
    {kTextStatusWarningSet, "警告触发置位", "Warning set"},
    {kTextStatusWarningReset, "警告触发复位", "Warning reset"},
    {kTextStatusPassiveSet, "被动错误置位", "Error passive set"},
    {kTextStatusPassiveReset, "被动错误复位", "Error passive reset"},
    {kTextStatusBusOff, "总线关闭", "Bus off"},
    {kTextStatusOverrun, "缓冲区溢出", "Buffer overrun"},
    {kTextStatusStuff, "填充错误", "Stuff error"},
    {kTextStatusForm, "帧格式错误", "Form error"},
    {kTextStatusAck, "应答错误", "Acknowledge error"},
    {kTextStatusCrc, "CRC校验错误", "CRC error"},
    {kTextStatusRxHigh, "接收缓冲区高区溢出", "Receive buffer high overrun"},
    {kTextStatusRxLow, "接收缓冲区低区溢出", "Receive buffer low overrun"},
    {kTextStatusBusOffReset, "Bussoff复位", "Bus-off reset"},
    {kTextStatusFirstOnline, "第一次连接上总线", "First on the bus"},
    {kTextModeStart, "启动", "Start"},
    {kTextModeReset, "复位", "Reset"},
    {kTextModeFactory, "恢复出厂默认", "Factory defaults"},
    {kTextInterruptSyss, "模块系统异常", "Module system fault"},
    {kTextInterruptApw, "应用程序未在看门狗时间内发送有效的命令",
     "The application sent no valid command within the watchdog time"},
    {kTextInterruptParam, "接收到主站非循环非实时数据",
     "Acyclic non-real-time data received from the master"},
    {kTextInterruptIdle, "现场总线进入空闲状态", "Fieldbus went idle"},
    {kTextInterruptRes, "接收到主站发送复位", "Reset received from the master"},
    {kTextInterruptDef, "接收到主站恢复出厂设置", "Factory reset received from the master"},
    {kTextInterruptIo, "接收到主站非循环实时数据",
     "Acyclic real-time data received from the master"},
    {kTextInterruptFboff, "现场总线进入离线状态", "Fieldbus went offline"},
    {kTextInterruptFbon, "当现场总线进入上线状态", "Fieldbus went online"},
    {kTextInterruptStart, "模块上电后开始准备好通信", "Module powered up and ready to communicate"},
    {kTextFileIsFolder, "它是文件夹，不是普通文件", "it is a folder, not a regular file"},
    {kTextFileIsFifo, "它是命名管道 (FIFO)，不是普通文件",
     "it is a named pipe (FIFO), not a regular file"},
    {kTextFileIsCharDevice, "它是字符设备，不是普通文件",
     "it is a character device, not a regular file"},
    {kTextFileIsBlockDevice, "它是块设备，不是普通文件",
     "it is a block device, not a regular file"},
    {kTextFileIsSocket, "它是套接字，不是普通文件", "it is a socket, not a regular file"},
    {kTextFileIsOther, "它不是普通文件", "it is not a regular file"},
    {kTextDocValueRefused, "{path}：读到的值为 {found}；允许的值：{allowed}",
     "{path}: found {found}; allowed: {allowed}"},
    {kTextDocRootRefused, "文档：读到的内容为 {found}；应为：{allowed}",
     "the document: found {found}; allowed: {allowed}"},
    {kTextDocUnknownKey, "{path}：未知的键（值为 {found}）；允许的键：{allowed}",
     "{path}: unknown key (value {found}); allowed keys: {allowed}"},
    {kTextDocReadOnlyKey,
     "{path}：只读（值为 {found}）：它记录模块的信息，从不写入；允许的键：{allowed}",
     "{path}: read-only (value {found}): it records the module and is never written; allowed "
     "keys: {allowed}"},
    {kTextDocKeyTwice, "{path}：该键出现了不止一次；每个键只能出现一次",
     "{path}: the key is given more than once; allowed: each key once"},
    {kTextDocEachKeyOnce, "每个键只出现一次", "each key once"},
    {kTextDocSyntax, "第 {line} 行，第 {column} 列：{detail}",
     "line {line}, column {column}: {detail}"},
    {kTextDocJsonText, "JSON 文本", "JSON text"},
    {kTextDocTooLarge, "文档有 {size} 字节；配置文档最多 {max} 字节",
     "the document holds {size} bytes; a configuration document holds at most {max}"},
    {kTextDocTooDeep, "文档中数组或对象的嵌套超过 {levels} 层",
     "the document nests arrays or objects deeper than {levels} levels"},
    {kTextDocMoreErrors, "……另有 {count} 处错误", "... and {count} more errors"},
    {kTextDocUnreadable, "无法读取文档：{detail}", "the document cannot be read: {detail}"},
    {kTextDocValueUnreadable, "无法读取该值：{detail}", "the value cannot be read: {detail}"},
    {kTextDocNotText, "无法把配置写成文本：{detail}",
     "the configuration cannot be written as text: {detail}"},
    {kTextDocCannotWrite, "无法写入 {path}：{reason}", "cannot write {path}: {reason}"},
    {kTextDocCannotRead, "无法读取 {path}：{reason}", "cannot read {path}: {reason}"},
    {kTextDocFileTooLarge, "无法读取 {path}：文件大于 {kb} KB，不可能是配置文档",
     "cannot read {path}: larger than {kb} KB, so no configuration document"},
    {kTextDocKeyMissing, "无（缺少该键）", "nothing (the key is missing)"},
    {kTextDocFormatAllowed, "1，即本程序读写的格式", "1, the format this program reads and writes"},
    {kTextDocTopAllowed, "包含 {keys} 的 JSON 对象", "a JSON object holding {keys}"},
    {kTextDocSectionAllowed, "包含 {section} 各键的对象：{keys}",
     "an object holding keys of {section}: {keys}"},
    {kTextDocDeviceAllowed, "包含 {keys} 的对象", "an object holding {keys}"},
    {kTextDocNoEquals, "没有 '='", "no '='"},
    {kTextDocAssignment, "KEY=VALUE，KEY 为以下之一：{keys}", "KEY=VALUE, KEY one of {keys}"},
    {kTextDocModuleType, "\"{module}\"，即模块的类型；为其他类型的模块制作的文件不能使用",
     "\"{module}\", the type of the module; a file made for another module type is refused"},
    {kTextDocModuleTypeAllowed,
     "\"<模块>/<现场总线>\"，例如 \"tavel/canopen\"（模块为 \"tavel\" 或 0xHHHH；现场总线为 "
     "\"canopen\"、\"devicenet\"、\"jae1939\"、\"profibus-dp\" 或 0xHHHH）",
     "\"<module>/<fieldbus>\" such as \"tavel/canopen\" (module \"tavel\" or 0xHHHH; fieldbus "
     "\"canopen\", \"devicenet\", \"jae1939\", \"profibus-dp\" or 0xHHHH)"},
    {kTextDocListComma, "、", ", "},
    {kTextDocListOr, " 或 ", " or "},
    {kTextDocWholeNumber, "{low} 到 {high} 的整数", "a whole number from {low} to {high}"},
    {kTextDocOneOf, "以下之一：{values}", "one of {values}"},
    {kTextDocByteList, "{count} 个十六进制字节，每个两位，以空格分隔（\"01 02 ...\"）",
     "{count} bytes in hexadecimal, two digits each, separated by spaces (\"01 02 ...\")"},
    {kTextDocInterrupts, "中断名称的列表，名称可为 {names}、\"bit10\" 到 \"bit15\"",
     "a list of interrupt names from {names}, \"bit10\" to \"bit15\""},
    {kTextDocBitRate, "CAN 波特率代码 0 到 8，或其名称：{names}",
     "a CAN bit-rate code from 0 to 8, or its name: {names}"},
    {kTextDocProductName,
     "CP936 编码下最多 32 字节的文本（16 个汉字），且每个字符都能用 CP936 表示",
     "text of at most 32 bytes in CP936 (16 Chinese characters), all of it characters CP936 "
     "holds"},
    {kTextDocNothing, "无", "nothing"},
    {kTextDocNodeBcd,
     "CANopen 节点号 1 到 127，以十进制数字写出，即开关编码为 \"bcd\" 时拨码开关显示的数字",
     "a CANopen node number from 1 to 127 in decimal digits, as the switches show it under "
     "switch coding \"bcd\""},
    {kTextDocNodeBinary,
     "CANopen 节点号 1 到 127，以十进制数字写出，即开关编码为 \"binary\" 时的写法",
     "a CANopen node number from 1 to 127 in decimal digits, the notation of switch coding "
     "\"binary\""},
    {kTextDocNodeEitherCoding, "CANopen 节点号 1 到 127，以十进制数字写出，按开关编码的写法",
     "a CANopen node number from 1 to 127 in decimal digits, as the switch coding shows it"},
    {kTextDocNodeHelp,
     "CANopen 节点号 1 到 127，以十进制数字写出：开关编码为 \"bcd\" 时写拨码开关显示的数字，为 "
     "\"binary\" 时写节点号本身",
     "a CANopen node number from 1 to 127 in decimal digits: under switch coding \"bcd\" the "
     "digits the switches show, under \"binary\" the number"},
    {kTextDocPasswordOnly, "{allowed}；仅在输入现场总线密码后写入",
     "{allowed}; written only with the fieldbus password"},
    {kTextDocNoneChosen, "（无）", "(none)"},
    {kTextDocNotCp936, "（不是 CP936 文本的字节）", "(bytes that are no CP936 text)"},
    {kTextDocNoNodeNumber, "（{value}，不是 CANopen 节点号）", "({value}, no CANopen node number)"},
    {kTextDocOutsideValues, "（{value}，超出允许的值）", "({value}, outside the allowed values)"},
    {kTextGroupSwitchCoding, "开关编码、下线/空闲和中断配置",
     "switch coding, offline and idle actions, interrupt mask"},
    {kTextGroupInterface, "通讯接口配置", "application interface"},
    {kTextGroupWatchdog, "APP喂狗时间和故障默认值", "watchdog time and fault values"},
    {kTextGroupIoLengths, "I/O长度", "I/O lengths"},
    {kTextGroupNodeAddress, "节点地址", "node address"},
    {kTextGroupBitRate, "节点波特率", "bit rate"},
    {kTextGroupDeviceInfo, "设备信息", "device information"},
};

static_assert(sizeof kCoreTexts / sizeof kCoreTexts[0] == kCoreTextCount,
              "one entry for every core text");

}  // namespace

const char* TextFromTable(const TextEntry* table, int count, int id, TextLanguage language) {
    if (id < 0 || id >= count) return "";
    return language == TextLanguage::English ? table[id].english : table[id].chinese;
}

bool TextTableInOrder(const TextEntry* table, int count) {
    for (int i = 0; i < count; ++i)
        if (table[i].id != i) return false;
    return true;
}

const char* CoreTextIn(CoreText id, TextLanguage language) {
    return TextFromTable(kCoreTexts, kCoreTextCount, id, language);
}

const char* CoreString(CoreText id) {
    return CoreTextIn(id, CurrentTextLanguage());
}

// One pass over the text, so that a value that itself holds "{key}" (a
// server's words) is never filled in again.
std::string FillText(const char* text, std::initializer_list<TextField> fields) {
    const std::string pattern = text;
    std::string filled;
    size_t at = 0;
    while (at < pattern.size()) {
        const size_t open = pattern.find('{', at);
        const size_t close = open == std::string::npos ? open : pattern.find('}', open);
        if (close == std::string::npos) break;
        filled.append(pattern, at, open - at);
        const std::string key = pattern.substr(open + 1, close - open - 1);
        const TextField* match = nullptr;
        for (const TextField& field : fields)
            if (key == field.key) match = &field;
        if (match != nullptr) {
            filled += match->value;
            at = close + 1;
        } else {
            filled += '{';
            at = open + 1;
        }
    }
    filled.append(pattern, at, std::string::npos);
    return filled;
}

std::string FillCoreText(CoreText id, std::initializer_list<TextField> fields) {
    return FillText(CoreString(id), fields);
}

bool CoreTextTableInOrder() {
    return TextTableInOrder(kCoreTexts, kCoreTextCount);
}
