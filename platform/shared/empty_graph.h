#pragma once
// What a filter graph that holds no clip answers, the same for every media layer.
//
// A clip that is missing, broken or in a format nobody decodes fails RenderFile, and the
// program goes on with the graph it has. The saver should then be a black screen that still
// ends on input, not a run-time error out of the playback loop. So a graph without a clip
// answers its position and its duration as 0 and 0 and succeeds; Run, Stop and a rewind
// succeed and do nothing. The loop then rewinds on every pass, harmlessly. The frameworks
// don't agree on this by themselves (DirectShow under Wine answers get_Duration with
// E_NOTIMPL there), so a layer routes these calls through here.
#include "platform/status.h"

namespace tessiva::empty_graph {

// A position or duration getter: the framework's answer while the graph holds a clip.
template <class Getter>
Status seconds(bool holdsClip, double& value, Getter&& getter) {
    value = 0.0;
    if (!holdsClip) return Status::success();
    return getter(value);
}

// Run, Stop and putCurrentPosition: nothing to do, and nothing has failed, without a clip.
template <class Call>
Status control(bool holdsClip, Call&& call) {
    if (!holdsClip) return Status::success();
    return call();
}

}  // namespace tessiva::empty_graph
