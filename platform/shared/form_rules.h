#pragma once
// The rules every forms layer applies alike, whatever widgets it builds: how twips become
// pixels, how the mouse's buttons and the shift keys are coded for the handlers, which order
// Tab walks, and which values a check box takes. Pure functions of plain numbers; any thread.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/forms.h"
#include "platform/status.h"

namespace tessiva {

// Twips to the layer's pixels at its pixels per twip (1/15 at 96 DPI), rounded to the nearest.
int twipsToPixels(double twips, double pixelsPerTwip);
double pixelsToTwips(int pixels, double pixelsPerTwip);

// The Button argument of the mouse handlers: 1 left, 2 right, 4 middle, or'ed.
inline constexpr std::int16_t kLeftButton = 1;
inline constexpr std::int16_t kRightButton = 2;
inline constexpr std::int16_t kMiddleButton = 4;
std::int16_t buttonCode(bool left, bool right, bool middle);

// The Shift argument: 1 Shift, 2 Ctrl, 4 Alt, or'ed.
std::int16_t shiftCode(bool shift, bool control, bool alt);

// The controls Tab walks, as indices into `controls`, lowest tab index first: those with a
// tab index of their own that `takesFocus` lets take the focus.
std::vector<std::size_t> tabOrder(const std::vector<ControlDefinition>& controls,
                                  const std::function<bool(std::size_t)>& takesFocus);

// A check box holds 0 (clear), 1 (ticked) or 2 (grayed); any other value is refused with
// "Invalid property value", as setting the property by hand would be.
Status checkBoxValueAllowed(std::int16_t value);

}  // namespace tessiva
