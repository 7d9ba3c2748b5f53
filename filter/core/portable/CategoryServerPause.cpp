#include "filter/core/portable/CategoryServerPause.h"

#include <utility>

CCategoryServerPause::CCategoryServerPause(Clock clock) : m_clock(std::move(clock)) {}

bool CCategoryServerPause::SkipLookup() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_until) {
        return false;
    }
    const TimePoint now = m_clock();
    if (now < *m_until) {
        return true;
    }
    // This lookup asks; the others keep skipping until it reports how it went.
    m_until = now + kPause;
    return false;
}

void CCategoryServerPause::NoAnswer() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_until = m_clock() + kPause;
}

void CCategoryServerPause::Answered() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_until.reset();
}
