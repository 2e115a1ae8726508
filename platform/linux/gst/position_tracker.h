#pragma once
// What the position and duration getters answer, from what the pipeline has said so far.
// The program's playback loop rewinds when the rounded position equals the rounded duration
// and treats any failing answer as fatal, so the answers must exist and settle on the
// duration at the end:
// - while a seek is under way, the position is its target (the pipeline can't say);
// - at the end of the stream, or after an error, which ends it just the same, the position is
//   the duration; a clip whose duration was never known takes the last position as duration;
// - when the pipeline can't answer for a moment, the last answer stands.
// Pure bookkeeping; the graph feeds it the bus messages and query results.
#include <optional>

namespace tessiva {

class PositionTracker {
public:
    // A new clip, `duration` seconds long (negative: not known yet).
    void reset(double duration);
    void setDuration(double seconds);
    bool durationKnown() const { return m_duration >= 0.0; }

    void seekStarted(double target);
    void seekDone();  // the pipeline has prerolled at the target
    void ended();     // end of stream, or an error

    bool seeking() const { return m_seeking; }
    // The pipeline already stands at `target`: a seek there is under way, or the last answer
    // lies less than `within` seconds past it and the stream has not ended.
    bool standsAt(double target, double within) const {
        if (m_seeking) return m_target == target;
        return !m_ended && m_last >= target && m_last - target < within;
    }
    bool hasEnded() const { return m_ended; }
    // The pipeline is held still at `target` (paused there by us, not by the program), and
    // the answer is `target` until the next seek.
    void holdAt(double target);
    bool held() const { return m_held; }
    bool heldAt(double target) const { return m_held && m_target == target; }
    // True when the pipeline's own position would be the answer.
    bool wantsQuery() const { return !m_ended && !m_seeking && !m_held; }

    // `queried` is the pipeline's answer, when it gave one.
    double position(std::optional<double> queried);
    double duration() const;

private:
    double m_duration = -1.0;
    double m_last = 0.0;
    double m_target = 0.0;
    bool m_seeking = false;
    bool m_ended = false;
    bool m_held = false;
};

}  // namespace tessiva
