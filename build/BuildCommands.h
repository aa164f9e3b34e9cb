// The main window's commands for building a cabinet.
#pragma once

#include <QString>

namespace corvex {

class TFormMain;

void NewCabinet(TFormMain& form);
void AddFiles(TFormMain& form);
void AddDirectory(TFormMain& form);
void RemoveSelected(TFormMain& form);
void SaveCabinet(TFormMain& form);

// The message box of a builder that could not be started.
QString BuildFailedCaption();
QString BuildFailedText();

} // namespace corvex
