#include "filter/core/portable/CategoryServerPause.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using std::chrono::milliseconds;

enum class Event { Lookup, NoAnswer, Answered };

struct Step {
    int iAtMs;  // on the fake clock
    Event event;
    bool bSkipped;  // Lookup only: expected outcome
};

}  // namespace

TEST(CategoryServerPause, SkipsThirtySecondsAfterNoAnswerThenAsksOnce) {
    const Step steps[] = {
        {0, Event::Lookup, false},  // nothing has failed yet
        {0, Event::NoAnswer, false},
        {1, Event::Lookup, true},
        {29999, Event::Lookup, true},
        {30000, Event::Lookup, false},  // the pause is over: this one asks
        {30000, Event::Lookup, true},   // while it is out, the others still skip
        {40000, Event::Lookup, true},
        {41000, Event::NoAnswer, false},  // it failed too: a new pause from now
        {70999, Event::Lookup, true},
        {71000, Event::Lookup, false},
        {72000, Event::Answered, false},
        {72000, Event::Lookup, false},
        {72001, Event::Lookup, false},
        {80000, Event::NoAnswer, false},
        // An answer to a lookup that started before the failure ends the pause as well.
        {81000, Event::Answered, false},
        {81000, Event::Lookup, false},
        // A probe that never reports holds the pause for one more period only.
        {90000, Event::NoAnswer, false},
        {120000, Event::Lookup, false},
        {149999, Event::Lookup, true},
        {150000, Event::Lookup, false},
    };
    CCategoryServerPause::TimePoint now{};
    CCategoryServerPause pause([&] { return now; });
    for (const Step& step : steps) {
        now = CCategoryServerPause::TimePoint{} + milliseconds(step.iAtMs);
        switch (step.event) {
            case Event::Lookup:
                EXPECT_EQ(pause.SkipLookup(), step.bSkipped) << "lookup at " << step.iAtMs;
                break;
            case Event::NoAnswer:
                pause.NoAnswer();
                break;
            case Event::Answered:
                pause.Answered();
                break;
        }
    }
}
