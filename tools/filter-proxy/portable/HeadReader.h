// Collects one message head from a stream that arrives in pieces of any size: the bytes up to
// and including the blank line that ends it, and no more than a limit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class CHeadReader {
public:
    enum class State { kPartial, kComplete, kTooLarge };

    explicit CHeadReader(std::size_t nMaxBytes) : m_nMax(nMaxBytes) {}

    // Takes bytes up to the end of the head; returns how many it took (the rest belongs to
    // what follows the head). Takes nothing once complete or too large.
    std::size_t Feed(std::string_view bytes);

    State GetState() const { return m_state; }
    const std::string& Head() const { return m_head; }
    // True until the first byte of a head (empty lines before it are skipped, as a client
    // may send a stray line end after a body).
    bool Empty() const { return m_head.empty(); }

private:
    std::size_t m_nMax;
    std::string m_head;
    std::size_t m_nLineStart = 0;
    State m_state = State::kPartial;
};
