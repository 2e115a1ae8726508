#pragma once
// Form1's controls by name, and the two web addresses its labels show: the vocabulary the
// handlers in other modules share with the window's definition. It sits below the modules,
// so the dialog's handlers in settings/ name a control without reaching up to the window.
#include "platform/forms.h"

namespace tessiva {

// Indices into Form1's control table, in creation order.
enum Form1Control : ControlIndex { CmdOK, CmdCancel, Check1, Label4, Label2, Label3, Label1, Image1 };

// The two web addresses the dialog shows. Each label opens its own target (see the dialog).
inline constexpr const char* kPublisherAddress = "https://tessiva.example.org";
inline constexpr const char* kCodecAddress = "https://tessiva.example.org/codec/";

}  // namespace tessiva
