// Help for the user: the manual opened at a topic, or a message saying why it cannot be.
#pragma once

#include <string>

class QWidget;

namespace corvex {

// Opens topic context of helpFile in the desktop's browser, or says why it cannot.
void ShowHelpContext(QWidget* parent, const std::string& helpFile, int context);

} // namespace corvex
