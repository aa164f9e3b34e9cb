#include "settings/Settings.h"

namespace corvex {

TAppSettings AppSettings;

} // namespace corvex
