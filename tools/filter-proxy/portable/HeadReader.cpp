#include "tools/filter-proxy/portable/HeadReader.h"

std::size_t CHeadReader::Feed(std::string_view bytes) {
    std::size_t nTaken = 0;
    while (m_state == State::kPartial && nTaken < bytes.size()) {
        const char c = bytes[nTaken++];
        if (m_head.empty() && (c == '\r' || c == '\n')) {
            continue;
        }
        if (m_head.size() == m_nMax) {
            m_state = State::kTooLarge;
            break;
        }
        m_head.push_back(c);
        if (c != '\n') {
            continue;
        }
        // A line that held nothing but its line end closes the head.
        const std::size_t nLine = m_head.size() - m_nLineStart;
        if (nLine == 1 || (nLine == 2 && m_head[m_nLineStart] == '\r')) {
            m_state = State::kComplete;
        }
        m_nLineStart = m_head.size();
    }
    return nTaken;
}
