#pragma once
// The sound side of one GstGraph: the volume and balance the program gave, the sound path
// those levels call for, and the balance's audio filter. It keeps the levels while no clip is
// open, and gives each fresh playbin its sound path, its filter when one is due, and the
// levels. The graph owns it and calls it on the interface thread; setters refuse a level out
// of range and change nothing.
//
// Silence is no sound path at all, not a muted one: at the silent level (-10000) the playbin
// plays without its audio flag and with a stand-in sink, so the clip's sound goes to no device
// and no sink of the desktop's sound system is made (a muted stream would still keep a
// device open, and print a device's complaint where none answers). A graph is silent until
// given a level above silence: the program opens the clip before it decides on sound, and a
// sound path made for the open would already have opened the device.
//
// Facts relied on (GStreamer 1.22):
// - playbin's "volume" is linear and applies in software when the sink has no volume of its
//   own; audiopanorama's "simple" method attenuates one channel of the two.
// - Without an "audio-sink", playbin makes an autoaudiosink and brings it to READY even with
//   its audio flag off, which opens a device (and openalsink prints "Could not open playback
//   device" where none answers); a fakesink there opens nothing.
// - A playbin open without its audio flag takes a new "audio-sink" and the flag while paused
//   or playing; playsink builds the sound path when data next flows (a flushing seek makes it
//   flow at once), and drops it the same way when the flag goes.
// - playbin takes an audio filter only while stopped (NULL), so a playbin built without one
//   can't take the balance's later: only a pipeline made afresh can (filterDue()).
// - Any audio filter costs playsink's sound path work on every buffer (measured: 6 % more
//   processor for the whole graph), so a playbin carries the balance's only while the
//   balance is off centre.
#include <cstdint>

#include "platform/linux/gst/audio_levels.h"
#include "platform/linux/gst/gst_ref.h"
#include "platform/status.h"

namespace tessiva {

class PlaybinAudio {
public:
    // A `silent` one keeps the levels it is given and never sounds: the clip shown in another
    // program's small window (a settings preview) makes no sound stream, whatever the settings.
    explicit PlaybinAudio(bool silent = false) : m_silent(silent) {}

    // Gives a new playbin, still stopped, the sound path the volume calls for (none while
    // silent), the balance's filter while sounding with the balance off centre, and the
    // levels; all of it applies to that playbin until detach().
    void attach(GstElement* playbin);
    // Before the playbin goes: it is no longer ours to set.
    void detach();

    Status putVolume(std::int32_t volume);
    Status putBalance(std::int32_t balance);
    // The balance has left the centre while sounding, and the attached playbin has no filter
    // to show it.
    bool filterDue() const { return m_playbin != nullptr && sounding() && !m_panorama && m_balance != 0; }
    // The volume has crossed the silent level since the attached playbin got its sound path.
    bool pathDue() const { return m_playbin != nullptr && m_hasPath != sounding(); }
    // Gives the open playbin the sound path the volume now calls for, or takes it away; it
    // takes effect when data next flows through playsink.
    void switchPath();

private:
    bool sounding() const { return !m_silent && m_volume > kSilentLevel; }
    void givePath();
    void applyVolume();
    void applyBalance();

    bool m_silent;
    GstElement* m_playbin = nullptr;  // the graph's, between attach and detach
    ElementRef m_panorama;            // only while the balance is off centre
    bool m_hasPath = false;           // the attached playbin has its audio flag and a real sink
    std::int32_t m_volume = kSilentLevel;
    std::int32_t m_balance = 0;
};

}  // namespace tessiva
