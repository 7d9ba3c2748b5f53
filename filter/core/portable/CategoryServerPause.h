// Whether a lookup may ask the category server. A server that gave no connection or no answer
// is left alone for 30 seconds: every lookup in that time is judged at once instead of making
// the sending application wait the whole time-out again. One per process, used by every
// sending thread.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

class CCategoryServerPause {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;
    static constexpr std::chrono::seconds kPause{30};

    explicit CCategoryServerPause(Clock clock = [] { return std::chrono::steady_clock::now(); });

    // True when this lookup must not ask the server. The first lookup once a pause is over
    // asks; the pause is held for it meanwhile, so a server that is still down costs one wait
    // per pause and not one per thread that happened to send at the time.
    bool SkipLookup();
    // The lookup got no connection or no answer: a new pause starts now.
    void NoAnswer();
    // The server answered: lookups ask it again.
    void Answered();

private:
    Clock m_clock;
    std::mutex m_mutex;
    std::optional<TimePoint> m_until;  // empty while not paused
};
