// The convert menu's two commands.
#pragma once

class QWidget;

namespace corvex {

// Each asks for its input in an open-file dialog owned by owner and converts it. Nothing is
// shown afterwards, whatever the outcome.
void ConvertCabToSfx(QWidget* owner);
void ConvertSfxToCab(QWidget* owner);

} // namespace corvex
