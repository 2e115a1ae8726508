#pragma once
// Form1's design-time state: the window and its eight controls as they are created, before
// any handler runs. Each forms layer builds its widgets from this table.
#include "platform/forms.h"

namespace tessiva {

// Indices into Form1's control table, in creation order.
enum Form1Control : ControlIndex { CmdOK, CmdCancel, Check1, Label4, Label2, Label3, Label1, Image1 };

// The two web addresses the dialog shows. Each label opens its own target (see the dialog).
inline constexpr const char* kPublisherAddress = "https://tessiva.example.org";
inline constexpr const char* kCodecAddress = "https://tessiva.example.org/codec/";

const FormDefinition& form1Definition();

}  // namespace tessiva
