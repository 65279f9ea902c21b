// The byte streams of the network lines take any bytes from the server:
// Telnet (RFC 2217) reads the same whether the bytes arrive at once or in
// pieces; Modbus TCP answers never grow beyond what came.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "mbap_reader.h"
#include "telnet_parser.h"

namespace {

class Recorder : public TelnetParser::Listener {
public:
    void OnData(uint8_t byte) override { events.push_back(byte); }
    void OnOption(uint8_t verb, uint8_t option) override {
        if (verb < telnet::kWill || verb > telnet::kDont) abort();
        events.insert(events.end(), {0x100, verb, option});
    }
    void OnSubnegotiation(const uint8_t* bytes, size_t n) override {
        if (n > TelnetParser::kMaxSubnegotiation) abort();
        events.push_back(0x200 + static_cast<int>(n));
        events.insert(events.end(), bytes, bytes + n);
    }
    std::vector<int> events;
};

// The pieces the bytes arrive in: lengths 1..8 taken from `cuts`.
template <typename Feed>
void InPieces(const uint8_t* bytes, size_t n, uint8_t cuts, Feed feed) {
    for (size_t at = 0, i = 0; at < n; ++i) {
        const size_t piece = std::min<size_t>(n - at, 1 + ((cuts >> (i % 8)) & 7));
        feed(bytes + at, piece);
        at += piece;
    }
}

std::vector<uint8_t> ReadAll(MbapReader& reader) {
    std::vector<uint8_t> rtu(4096);
    size_t got = 0;
    while (got < rtu.size() && reader.Read(rtu.data(), &got, rtu.size())) {
    }
    rtu.resize(got);
    return rtu;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 2048) return 0;
    const uint8_t cuts = data[0];
    const uint8_t* bytes = data + 1;
    const size_t n = size - 1;

    TelnetParser whole, pieces;
    Recorder atOnce, inPieces;
    whole.Parse(bytes, n, &atOnce);
    InPieces(bytes, n, cuts, [&](const uint8_t* b, size_t k) { pieces.Parse(b, k, &inPieces); });
    if (atOnce.events != inPieces.events) abort();

    const uint16_t transaction = static_cast<uint16_t>(cuts * 257);
    MbapReader reader;
    reader.StartAnswer();
    InPieces(bytes, n, cuts, [&](const uint8_t* b, size_t k) {
        reader.Feed(b, k, transaction, false);
        // Never more than one frame's worth waits for its rest.
        if (reader.Held() > 6 + 254) abort();
    });
    // Each frame of 6 + L bytes gives L + 2 RTU bytes, L >= 2.
    if (ReadAll(reader).size() > n || reader.WireAnswer().size() > n) abort();
    // A purge drops whatever comes; nothing it read is handed up later.
    MbapReader purged;
    purged.Feed(bytes, n, transaction, true);
    purged.DropBegunFrame();
    if (purged.DiscardAnswers() || !purged.WireAnswer().empty()) abort();
    return 0;
}
