// The handful of process-wide variables of the main window.
#pragma once

#include <cstdint>
#include <string>

namespace corvex {

enum TWindowMode { ModeCreate = 0, ModeExtract = 1 };

extern TWindowMode WindowMode;
extern int32_t TotalBytes;              // sum of the sizes of the active list's rows
extern std::string CurrentCabinetPath;  // the cabinet whose listing is shown (bytes, as given)
extern std::string CommandLineText;     // what followed the program's name at start-up

} // namespace corvex
