#include "text_codec.h"

#include <iconv.h>

#include <cerrno>

namespace {

// Length of the UTF-8 sequence that starts with this byte (1 for stray bytes).
size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// Converts with iconv, replacing every input unit it cannot take: `skip`
// tells how many input bytes a bad unit spans, `replacement` what to emit.
std::string Convert(const char* to, const char* from, const std::string& input,
                    size_t (*skip)(const char*, size_t), const std::string& replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return input;
    std::string output;
    output.reserve(input.size() * 2);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[512];
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.append(buffer, sizeof buffer - outLeft);
        if (result != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (incomplete at the end): replace one unit.
        size_t n = skip(in, inLeft);
        if (n == 0 || n > inLeft) n = inLeft < 1 ? inLeft : 1;
        output += replacement;
        in += n;
        inLeft -= n;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return output;
}

size_t SkipUtf8Unit(const char* p, size_t left) {
    size_t n = Utf8SequenceLength(static_cast<unsigned char>(p[0]));
    if (n > left) n = left;
    for (size_t i = 1; i < n; ++i) {
        if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) return i;
    }
    return n;
}

size_t SkipOneByte(const char*, size_t) { return 1; }

}  // namespace

std::string Utf8ToCp936(const std::string& utf8) {
    return Convert("CP936", "UTF-8", utf8, SkipUtf8Unit, "?");
}

std::string Cp936ToUtf8(const std::string& cp936) {
    return Convert("UTF-8", "CP936", cp936, SkipOneByte, "\xEF\xBF\xBD");
}

std::string TruncateCp936(const std::string& cp936, size_t maxBytes) {
    size_t pos = 0;
    while (pos < cp936.size()) {
        const unsigned char lead = static_cast<unsigned char>(cp936[pos]);
        const size_t width = (lead >= 0x81 && lead <= 0xFE && pos + 1 < cp936.size()) ? 2 : 1;
        if (pos + width > maxBytes) break;
        pos += width;
    }
    return cp936.substr(0, pos);
}
