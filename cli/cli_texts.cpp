#include "cli_texts.h"

namespace {

const TextEntry kCliTexts[] = {
    {kCliSettingsFileUnreadable, "无法读取设置文件 {path}：{reason}",
     "cannot read the settings file {path}: {reason}"},
    {kCliNeedsPort, "此命令需要 --port N|PATH", "this command needs --port N|PATH"},
    {kCliPortArgument, "--port 应为串口号 1..255、设备路径或网络地址，不能是“{text}”",
     "--port takes a port number 1..255, a device path or a network URL, not '{text}'"},
    {kCliPortOpenFailed, "无法打开串口：{reason}", "cannot open the port: {reason}"},
    {kCliTraceUnwritable, "无法写入跟踪文件 {path}：{reason}",
     "cannot write the trace file {path}: {reason}"},
    {kCliTraceWriteFailed, "写入跟踪文件 {path} 失败：{error}；跟踪到此结束",
     "writing the trace file {path} failed: {error}; the trace ends here"},

    {kCliModuleFailed, "{what}失败：{reason}", "{what}: {reason}"},
    {kCliRequestTooLarge, "{what}失败：请求超出一帧的长度",
     "{what}: the request does not fit a frame"},
    {kCliWritesRefused,
     "{what}失败，没有写入任何数据：线路回显每个请求，但回显设置为从不回显（--echo off，或 {ini} "
     "中的 [com] echo=1），写入会被它自己的回显确认；请使用 --echo auto 或 --echo on（echo=0 或 "
     "echo=2）",
     "{what}: nothing was written: the line echoes every request, but the echo setting says it "
     "never does (--echo off, or [com] echo=1 in {ini}), so a write would be confirmed by its own "
     "echo; use --echo auto or --echo on (echo=0 or echo=2)"},
    {kCliLineHint,
     "请检查线路设置（--baud、--parity、--data、--stop、--echo）和接线，或用以下命令查找模块的"
     "设置：quillon-cli --port {port} scan",
     "check the line settings (--baud, --parity, --data, --stop, --echo) and the wiring, or find "
     "the module's settings with: quillon-cli --port {port} scan"},
    {kCliVerdictUnfit, "应答不是该请求所需的内容", "the answer was not what the request needs"},
    {kCliVerdictTimeout, "{ms} ms 内没有应答（超时）", "no answer within {ms} ms (time-out)"},
    {kCliVerdictShort, "应答不完整", "the answer was cut short"},
    {kCliVerdictCrc, "应答的 CRC 错误", "the answer's CRC is wrong"},
    {kCliVerdictException, "模块拒绝了请求（异常响应 {code}，{name}）",
     "the module refused the request (exception {code}, {name})"},
    {kCliVerdictInconsistent, "应答与请求不符", "the answer does not match the request"},
    {kCliVerdictRefused, "串口未打开，没有发送任何数据", "the port is not open; nothing was sent"},
    {kCliVerdictEchoUndecided,
     "只收到了写入请求的副本，之前的读取也无法判断该线路是否回显：这个副本可能是模块的应答，"
     "也可能是适配器的回显，应答无法与回显区分，所以不算写入成功；请指明线路是否回显：--echo off "
     "或 [com] echo=1（不回显），--echo on 或 echo=2（回显）",
     "only a copy of the write came back, and the reads before it could not tell whether this "
     "line echoes: the copy may be the module's answer or the adapter's echo, so the write is not "
     "counted as done; say which with --echo off or [com] echo=1 (the line does not echo) or "
     "--echo on or echo=2 (it does)"},
    {kCliVerdictUnknown, "未知故障", "unknown failure"},

    {kCliStepReadGeneral, "读取通用参数", "reading the general parameters"},
    {kCliStepReadIo, "读取 I/O 参数", "reading the I/O parameters"},
    {kCliStepReadFieldbus, "读取现场总线参数", "reading the fieldbus parameters"},
    {kCliStepReadConfig, "读取配置", "reading the configuration"},
    {kCliStepReadOutput, "读取输出数据", "reading the output data"},
    {kCliStepWriteInput, "写入输入数据", "writing the input data"},
    {kCliStepReadEvents, "读取中断事件", "reading the events"},
    {kCliStepReadErrors, "读取错误消息", "reading the error messages"},
    {kCliStepReadTime, "读取网络时间标识", "reading the network time"},
    {kCliStepDeviceMode, "修改设备模式", "changing the device mode"},
    {kCliStepEmergency, "发送紧急报文", "sending the emergency message"},
    {kCliStepWritePassword, "写入现场总线密码", "writing the fieldbus password"},
    {kCliStepWriteGroup, "写入{group}", "writing the {group}"},
    {kCliStepWrittenBefore, "{step}（此前已写入：{groups}）",
     "{step} (written before it: {groups})"},
    {kCliListSeparator, "、", ", "},

    {kCliUnknownCommand, "未知命令“{word}”：是否要输入“{closest}”？",
     "unknown command \"{word}\": did you mean \"{closest}\"?"},
    {kCliNoSuchCommand, "未知命令", "unknown command"},
    {kCliRunHelp, "加 --help 运行可查看更多信息。", "Run with --help for more information."},
    {kCliPasswordDigits, "--password 应为 1 到 4 位十六进制数",
     "--password takes 1 to 4 hexadecimal digits"},
    {kCliHexNotByte, "“{token}”不是十六进制字节", "'{token}' is not a hexadecimal byte"},
    {kCliHexOddDigits, "“{token}”的位数为奇数：每个字节请写两位",
     "'{token}' has an odd number of digits: write each byte as two"},
    {kCliHexTooMany, "给出了 {count} 个字节，最多只能有 {max} 个",
     "{count} bytes given, at most {max} fit"},
    {kCliIoWriteBadBytes, "io write：{error}", "io write: {error}"},
    {kCliIoWriteNoBytes, "io write：没有给出字节；没有写入任何数据",
     "io write: no bytes given; nothing was written"},
    {kCliIoWriteOddCount,
     "io write：给出了 {count} 个字节，但输入数据以两个字节的寄存器写入：输入字节 {count} "
     "会被写成 00。请把它也给出（写 00 即清零）；没有写入任何数据",
     "io write: {count} bytes given, but input data is written in registers of two bytes: input "
     "byte {count} would be overwritten with 00. Give it too (00 to clear it); nothing was "
     "written"},
    {kCliEmergencyBadStandard, "emergency：标准错误码：{error}",
     "emergency: standard error code: {error}"},
    {kCliEmergencyBadCustom, "emergency：自定义字节：{error}", "emergency: custom bytes: {error}"},
    {kCliDeviceInfoNeedsPassword,
     "设备信息（厂商ID、产品代码、设备序列号、产品名称）要在现场总线密码之后写入：请用 --password "
     "HEX 给出密码；没有写入任何参数",
     "the device information (vendor ID, product code, serial number, product name) is written "
     "after the fieldbus password: give it with --password HEX; nothing was written"},
    {kCliEventsNoWord, "读取中断事件失败：应答中没有事件字",
     "reading the events: the answer carries no event word"},
    {kCliStandardInput, "标准输入", "standard input"},

    {kCliPortsNotStored, "ports：无法写入 {path}：没有串口号的设备得不到串口号",
     "ports: {path} cannot be written: devices without a number get none"},
    {kCliPortsNone, "ports：没有串口设备", "ports: no serial device is present"},
    {kCliPortAbsent, "（不存在）", "(not present)"},
    {kCliScanNoDevice, "scan：没有串口设备；请用 --port N|PATH 指定一个",
     "scan: no serial device is present; name one with --port N|PATH"},
    {kCliScanProgress, "搜索 {path} {baud} {format}（{try}/{tries}）",
     "scan {path} {baud} {format} ({try}/{tries})"},
    {kCliScanUnusable, "scan：{path}：{reason}", "scan: {path}: {reason}"},
    {kCliScanPortUnopened, "scan：无法打开串口，没有进行搜索",
     "scan: the port could not be opened; nothing was searched"},
    {kCliScanNoPortOpened, "scan：所有串口都无法打开，没有进行搜索",
     "scan: no port could be opened; nothing was searched"},
    {kCliScanStopped, "scan：尝试 {tries} 次后停止", "scan: stopped after {tries} tries"},
    {kCliScanNotFound,
     "scan：在 {ports} 上没有找到模块（波特率 {rates}，无校验、偶校验和奇校验，数据位 8，"
     "停止位 1，共尝试 {tries} 次）",
     "scan: no module found on {ports} at {rates} baud with parity none, even and odd, 8 data "
     "bits, 1 stop bit ({tries} tries)"},
    {kCliScanServerPort, "{path}（只尝试一次：线路设置由服务器决定）",
     "{path} (one try: the server owns its line settings)"},

    {kCliWroteInputRegister, "已写入输入字节 0-{last}（{bytes}）到寄存器 {register}",
     "wrote input bytes 0-{last} ({bytes}) to register {register}"},
    {kCliWroteInputRegisters, "已写入输入字节 0-{last}（{bytes}）到寄存器 {from}-{to}",
     "wrote input bytes 0-{last} ({bytes}) to registers {from}-{to}"},
    {kCliDeviceModeSent, "设备模式：{mode}", "device mode: {mode}"},
    {kCliEmergencySent, "已发送紧急报文：{bytes}", "emergency message sent: {bytes}"},
    {kCliErrorsHeading, "索引   错误码", "index  error code"},
    {kCliErrorsCutRow, "（应答在一行的中间结束：{bytes}）",
     "(the answer ended inside a row: {bytes})"},
    {kCliSaved, "已保存 {path}", "saved {path}"},
    {kCliNoDifferences, "没有差异：无需写入", "no differences: nothing to write"},
    {kCliWouldWrite, "将写入：{group}", "would write: {group}"},
    {kCliWritten, "已写入：{group}", "written: {group}"},
};

static_assert(sizeof kCliTexts / sizeof kCliTexts[0] == kCliTextCount,
              "one entry for every text of quillon-cli");

}  // namespace

const char* CliTextIn(CliText id, TextLanguage language) {
    return TextFromTable(kCliTexts, kCliTextCount, id, language);
}

const char* CliString(CliText id) {
    return CliTextIn(id, CurrentTextLanguage());
}

std::string FillCliText(CliText id, std::initializer_list<TextField> fields) {
    return FillText(CliString(id), fields);
}

bool CliTextTableInOrder() {
    return TextTableInOrder(kCliTexts, kCliTextCount);
}
