// PositionTracker: the answers of the position getters (contract in position_tracker.h).
// Plain arithmetic; no framework involved.
#include "platform/linux/gst/position_tracker.h"

#include <algorithm>

namespace tessiva {

void PositionTracker::reset(double duration) {
    *this = PositionTracker{};
    setDuration(duration);
}

void PositionTracker::setDuration(double seconds) { m_duration = seconds >= 0.0 ? seconds : -1.0; }

void PositionTracker::seekStarted(double target) {
    m_target = durationKnown() ? std::min(target, m_duration) : target;
    m_last = m_target;
    m_seeking = true;
    m_ended = false;
    m_held = false;
}

void PositionTracker::holdAt(double target) {
    m_target = durationKnown() ? std::min(target, m_duration) : target;
    m_last = m_target;
    m_held = true;
    m_seeking = false;
    m_ended = false;
}

void PositionTracker::seekDone() { m_seeking = false; }

void PositionTracker::ended() {
    if (!durationKnown()) m_duration = m_last;
    m_ended = true;
    m_seeking = false;
}

double PositionTracker::position(std::optional<double> queried) {
    if (m_ended) return duration();
    if (m_seeking || m_held) return m_target;
    if (queried && *queried >= 0.0) m_last = durationKnown() ? std::min(*queried, m_duration) : *queried;
    return m_last;
}

double PositionTracker::duration() const { return durationKnown() ? m_duration : 0.0; }

}  // namespace tessiva
