// Finding a cabinet appended to an executable: the first "MSCF" followed by the four zero
// bytes of the header's first reserved field.
#pragma once

#include <array>
#include <cstdint>
#include <sys/types.h>

namespace cabtools {

// Built at run time. Were the eight bytes a constant, this program's own file would hold
// them, and a search for the cabinet behind a self-extracting copy would stop inside the
// program instead.
std::array<uint8_t, 8> CabinetSignature();

// Offset of the first signature in the open file, -1 when there is none, -2 on a read error.
off_t FindCabinetSignature(int fd);

} // namespace cabtools
