#include "telnet_parser.h"

using namespace telnet;

void TelnetParser::Parse(const uint8_t* bytes, size_t n, Listener* listener) {
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = bytes[i];
        switch (m_state) {
            case State::Data:
                if (b == kIac)
                    m_state = State::Command;
                else
                    listener->OnData(b);
                break;
            case State::Command:
                if (b == kIac) {
                    listener->OnData(kIac);
                    m_state = State::Data;
                } else if (b >= kWill && b <= kDont) {
                    m_verb = b;
                    m_state = State::Option;
                } else if (b == kSb) {
                    m_sub.clear();
                    m_state = State::Sub;
                } else {
                    // NOP, go-ahead and the like carry nothing for us.
                    m_state = State::Data;
                }
                break;
            case State::Option:
                m_state = State::Data;
                listener->OnOption(m_verb, b);
                break;
            case State::Sub:
                if (b == kIac)
                    m_state = State::SubCommand;
                else if (m_sub.size() < kMaxSubnegotiation)
                    m_sub.push_back(b);
                break;
            case State::SubCommand:
                if (b == kSe) {
                    m_state = State::Data;
                    listener->OnSubnegotiation(m_sub.data(), m_sub.size());
                } else {
                    if (b == kIac && m_sub.size() < kMaxSubnegotiation) m_sub.push_back(kIac);
                    m_state = State::Sub;
                }
                break;
        }
    }
}
