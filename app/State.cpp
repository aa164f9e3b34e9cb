#include "app/State.h"

namespace corvex {

TWindowMode WindowMode = ModeCreate;
int32_t TotalBytes = 0;
std::string CurrentCabinetPath;
std::string CommandLineText;

} // namespace corvex
