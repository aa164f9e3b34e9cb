// Self-extracting cabinets: the extrac32 stub with a cabinet appended directly behind it.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace corvex {

// Block sizes of the copy buffer, tried in this order until one can be allocated.
inline constexpr std::array<int32_t, 3> CopyBlockSizes = {8 * 1024 * 1024, 4 * 1024 * 1024,
                                                          1024 * 1024};

// "MSCF" and the four zero bytes of the cabinet header's first reserved field.
inline constexpr char kCabinetSignature[8] = {'M', 'S', 'C', 'F', 0, 0, 0, 0};

// The size of an open stream, its position left where it was; -1 when it cannot be measured
// or does not fit in 32 bits (files of 2 GiB and more are refused rather than cut short).
int32_t StreamSize(std::FILE* stream);

// The outputs' names: the input with its last three characters replaced ("exe", "cab"),
// whatever they were. Empty when those three reach into the directory part (a file name of
// fewer than three characters): the output would land in another directory.
std::string SfxNameFor(const std::string& cabinetPath);
std::string CabNameFor(const std::string& sfxPath);

// Writes the stub (Extrac32Path) followed by the cabinet into SfxNameFor(cabinetPath), marked
// executable. True only when that file is complete. False, with any existing file of that
// name left as it was, when the output name is the input itself or the stub, when a file
// cannot be opened, read or written, or when no copy buffer can be had.
bool CabToSfx(const std::string& cabinetPath);

// Finds the cabinet signature within the executable's first block and copies everything from
// there to the end into CabNameFor(sfxPath). True only when that file is complete. False, with
// any existing file of that name left as it was, when there is no signature, the output name
// is the input itself, or any open, read or write fails.
bool SfxToCab(const std::string& sfxPath);

} // namespace corvex
