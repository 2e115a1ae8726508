#pragma once
// Form1's design-time state: the window and its eight controls as they are created, before
// any handler runs. Each forms layer builds its widgets from this table.
#include "platform/forms.h"
#include "vocabulary/form1_controls.h"

namespace tessiva {

const FormDefinition& form1Definition();

}  // namespace tessiva
