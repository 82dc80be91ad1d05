#pragma once
// Whether replies answer their own requests. Nothing in a reply says which request it
// answers, so one that came late for an earlier request can be taken for the answer to a
// later one, and its own reply is then left over. Hence: a reading counts only when the
// line stayed undisturbed (no failed attempt, no stray bytes) while it was made; once the
// line has been disturbed, a reading counts only when, moreover, the line was let fall
// quiet before it and nothing stray arrived after it. The doubt ends with the first
// reading that passes, or, with a hold, not before the last disturbance is that old: a
// late reply can come after the quiet that followed its failed attempt.

#include "orvane/transfer/Exchange.h"

#include <chrono>

namespace orvane::transfer {

class LineTrust {
public:
    using Clock = std::chrono::steady_clock;

    // Disturbances that `link` counted before (since its port was opened) put the line in
    // doubt from the start.
    explicit LineTrust(Exchange& link, std::chrono::milliseconds hold = {});

    // Before a reading (or a run of readings checked together): a line in doubt is let
    // fall quiet first, unless it was found quiet after the last reading and nothing
    // disturbed it since.
    void begin();
    // After it: whether what was read since begin() answers its own requests.
    bool confirmed();

private:
    void noteDisturbances();

    Exchange& link_;
    std::chrono::milliseconds hold_;
    int trustedAt_ = 0;    // disturbances counted when the line was last found clean
    int seen_ = 0;         // disturbances counted when last looked at
    Clock::time_point lastDisturbed_{};
    int mark_ = 0;         // disturbances counted at begin()
    int quietAt_ = -1;     // disturbances counted when confirmed() last found the line quiet
    bool doubt_ = false;
};

} // namespace orvane::transfer
