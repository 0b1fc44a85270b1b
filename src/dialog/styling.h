#pragma once
// Font Color and Font Name: the editor's selection styled through the colour
// or the font dialog of the common dialog component.
#include "dialog/common_dialog.h"
#include "ports/command.h"
#include "ports/editor.h"

namespace quill::dialog {

// `chooser` is the component, whose properties (Flags among them) carry over
// from one run to the next. Every step runs on its own and a failing one is
// skipped, so nothing is ever Failed: Done once the choice is applied,
// Refused (Cancelled) when the dialog was cancelled or could not be shown.
Outcome FontColor(RichTextEditor& editor, CommonDialog& chooser);
Outcome FontName(RichTextEditor& editor, CommonDialog& chooser);

}  // namespace quill::dialog
