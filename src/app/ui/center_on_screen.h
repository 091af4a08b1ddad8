#pragma once
class QWidget;

namespace pix {

// Moves a top-level window so that its frame is centred on the screen it is on
// (the primary screen before it is first shown).
void CenterOnScreen(QWidget* window);

}  // namespace pix
