#include "platform/shared/form_rules.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime_error.h"

namespace tessiva {

int twipsToPixels(double twips, double pixelsPerTwip) { return static_cast<int>(std::lround(twips * pixelsPerTwip)); }

double pixelsToTwips(int pixels, double pixelsPerTwip) { return pixels / pixelsPerTwip; }

std::int16_t buttonCode(bool left, bool right, bool middle) {
    std::int16_t code = 0;
    if (left) code |= kLeftButton;
    if (right) code |= kRightButton;
    if (middle) code |= kMiddleButton;
    return code;
}

std::int16_t shiftCode(bool shift, bool control, bool alt) {
    std::int16_t code = 0;
    if (shift) code |= 1;
    if (control) code |= 2;
    if (alt) code |= 4;
    return code;
}

std::vector<std::size_t> tabOrder(const std::vector<ControlDefinition>& controls,
                                  const std::function<bool(std::size_t)>& takesFocus) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].tabIndex >= 0 && takesFocus(i)) order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return controls[a].tabIndex < controls[b].tabIndex; });
    return order;
}

Status checkBoxValueAllowed(std::int16_t value) {
    if (value >= 0 && value <= 2) return Status::success();
    const RuntimeError refused = errors::invalidPropertyValue();
    return Status::failure(refused.number(), refused.description());
}

}  // namespace tessiva
