#pragma once
// The sound side of one GstGraph: the volume and balance the program gave, the audio sink,
// and the balance's audio filter. It keeps the levels while no clip is open, and gives each
// fresh playbin its sink, its filter when one is due, and the levels. The graph owns it and
// calls it on the interface thread; setters refuse a level out of range and change nothing.
//
// Facts relied on (GStreamer 1.22):
// - playbin's "volume" is linear and applies in software when the sink has no volume of its
//   own; audiopanorama's "simple" method attenuates one channel of the two.
// - playbin takes an audio filter only while stopped (NULL), so a playbin built without one
//   can't take the balance's later: only a pipeline made afresh can (filterDue()).
// - Any audio filter costs playsink's sound path work on every buffer (measured: 6 % more
//   processor for the whole graph), so a playbin carries the balance's only while the
//   balance is off centre.
#include <cstdint>

#include "platform/linux/gst/gst_ref.h"
#include "platform/status.h"

namespace tessiva {

class PlaybinAudio {
public:
    // Gives a new playbin, still stopped, its audio sink, the balance's filter while the
    // balance is off centre, and the levels; both apply to it until detach().
    void attach(GstElement* playbin);
    // Before the playbin goes: it is no longer ours to set.
    void detach();

    Status putVolume(std::int32_t volume);
    Status putBalance(std::int32_t balance);
    // The balance has left the centre, and the attached playbin has no filter to show it.
    bool filterDue() const { return m_playbin != nullptr && !m_panorama && m_balance != 0; }

private:
    void applyVolume();
    void applyBalance();

    GstElement* m_playbin = nullptr;  // the graph's, between attach and detach
    ElementRef m_panorama;            // only while the balance is off centre
    std::int32_t m_volume = 0;
    std::int32_t m_balance = 0;
};

}  // namespace tessiva
