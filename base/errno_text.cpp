#include "errno_text.h"

#include <netdb.h>

#include <cerrno>
#include <cstring>

#include "text_language.h"

namespace {

struct ChineseError {
    int code;
    const char* text;
};

const ChineseError kChineseErrnoTexts[] = {
    {EPERM, "不允许的操作"},
    {ENOENT, "没有那个文件或目录"},
    {EIO, "输入/输出错误"},
    {ENXIO, "没有那个设备或地址"},
    {EACCES, "权限不够"},
    {EBUSY, "设备或资源忙"},
    {EEXIST, "文件已存在"},
    {ENODEV, "没有那个设备"},
    {ENOTDIR, "不是目录"},
    {EISDIR, "是一个目录"},
    {EFBIG, "文件过大"},
    {ENOSPC, "设备上没有空间"},
    {EROFS, "只读文件系统"},
    {EPIPE, "断开的管道"},
    {ENAMETOOLONG, "文件名过长"},
    {ELOOP, "符号链接的层数过多"},
    {EDQUOT, "超出磁盘限额"},
    {ENETUNREACH, "网络不可达"},
    {ECONNRESET, "连接被对方重置"},
    {ETIMEDOUT, "连接超时"},
    {ECONNREFUSED, "拒绝连接"},
    {EHOSTUNREACH, "没有到主机的路由"},
};

const ChineseError kChineseLookupTexts[] = {
    {EAI_NONAME, "未知的名称或服务"},
    {EAI_AGAIN, "暂时无法解析名称"},
    {EAI_FAIL, "名称解析时发生不可恢复的错误"},
    {EAI_NODATA, "该主机名没有地址"},
};

template <size_t N>
const char* ChineseText(const ChineseError (&table)[N], int code) {
    if (CurrentTextLanguage() != TextLanguage::Chinese) return nullptr;
    for (const ChineseError& entry : table)
        if (entry.code == code) return entry.text;
    return nullptr;
}

}  // namespace

std::string SystemErrorText(int error) {
    const char* chinese = ChineseText(kChineseErrnoTexts, error);
    return chinese != nullptr ? chinese : std::strerror(error);
}

std::string HostLookupErrorText(int code) {
    const char* chinese = ChineseText(kChineseLookupTexts, code);
    return chinese != nullptr ? chinese : gai_strerror(code);
}
