// PlaybinAudio: the levels and the sound path of a playbin; the contract and the GStreamer
// facts it rests on are in playbin_audio.h.
#include "platform/linux/gst/playbin_audio.h"

#include <string>

namespace tessiva {
namespace {

// playbin's GST_PLAY_FLAG_AUDIO; the enum is playbin's own and in no public header.
constexpr guint kPlayFlagAudio = 1u << 1;

void setAudioFlag(GstElement* playbin, bool on) {
    guint flags = 0;
    g_object_get(playbin, "flags", &flags, nullptr);
    g_object_set(playbin, "flags", on ? flags | kPlayFlagAudio : flags & ~kPlayFlagAudio, nullptr);
}

}  // namespace

void PlaybinAudio::attach(GstElement* playbin) {
    m_playbin = playbin;
    if (sounding()) {
        givePath();
        if (m_balance != 0) {
            m_panorama = adoptElement(gst_element_factory_make("audiopanorama", nullptr));
            if (m_panorama) {
                gst_util_set_object_arg(G_OBJECT(m_panorama.get()), "method", "simple");
                g_object_set(m_playbin, "audio-filter", m_panorama.get(), nullptr);
            }
        }
    } else {
        setAudioFlag(m_playbin, false);
        // Set, so that playbin makes no sink of its own: it would open a device to try it.
        if (ElementRef standIn = adoptElement(gst_element_factory_make("fakesink", nullptr))) {
            g_object_set(m_playbin, "audio-sink", standIn.get(), nullptr);
        }
        m_hasPath = false;
    }
    applyVolume();
    applyBalance();
}

void PlaybinAudio::givePath() {
    // autoaudiosink settles for a fakesink that keeps time when no device answers, so clips
    // still play (silently) on machines without sound.
    ElementRef sink = adoptElement(gst_element_factory_make("autoaudiosink", nullptr));
    if (!sink) {
        sink = adoptElement(gst_element_factory_make("fakesink", nullptr));
        if (sink) g_object_set(sink.get(), "sync", TRUE, nullptr);
    }
    if (sink) g_object_set(m_playbin, "audio-sink", sink.get(), nullptr);
    setAudioFlag(m_playbin, true);
    m_hasPath = true;
}

void PlaybinAudio::switchPath() {
    if (!pathDue()) return;
    if (sounding()) {
        givePath();
    } else {
        setAudioFlag(m_playbin, false);
        m_hasPath = false;
    }
}

void PlaybinAudio::detach() {
    m_panorama.reset();
    m_playbin = nullptr;
    m_hasPath = false;
}

Status PlaybinAudio::putVolume(std::int32_t volume) {
    if (volume < kSilentLevel || volume > 0) {
        return Status::failure(Status::kInvalidArgument, "GStreamer: volume " + std::to_string(volume) + " is outside -10000..0");
    }
    m_volume = volume;
    applyVolume();
    return Status::success();
}

void PlaybinAudio::applyVolume() {
    if (m_playbin == nullptr) return;
    g_object_set(m_playbin, "volume", amplitudeOf(m_volume), "mute", sounding() ? FALSE : TRUE, nullptr);
}

Status PlaybinAudio::putBalance(std::int32_t balance) {
    if (balance < -kRightOnly || balance > kRightOnly) {
        return Status::failure(Status::kInvalidArgument,
                               "GStreamer: balance " + std::to_string(balance) + " is outside -10000..10000");
    }
    m_balance = balance;
    applyBalance();
    return Status::success();
}

void PlaybinAudio::applyBalance() {
    if (!m_panorama) return;
    g_object_set(m_panorama.get(), "panorama", static_cast<gfloat>(panoramaOf(m_balance)), nullptr);
}

}  // namespace tessiva
