// Turning a name stored in a cabinet into a path below the destination, or refusing it.
//
// The cabinet says nothing trustworthy about where a file goes: a hostile or careless writer
// can store "/etc/passwd", "..\..\x", "C:\x" or, in a name flagged as UTF-8, an overlong
// encoding of '/' that a lax decoder turns into a separator. Both '\' (the format's separator)
// and '/' (which Windows also takes as one) separate components here.
#pragma once

#include "cabtools/CabFormat.h"

#include <string>
#include <string_view>
#include <vector>

namespace cabtools {

struct SafeName {
    std::vector<std::string> components; // directories, then the file; never empty when ok
    std::string refusal;                 // why the name was refused; empty when it was not
    bool ok() const { return refusal.empty(); }
};

// Name bytes are kept as stored. With utf8 (the name-is-UTF-8 attribute) the bytes must be
// strict UTF-8: no overlong forms, surrogates or values past U+10FFFF.
SafeName MakeSafeName(std::string_view stored, bool utf8);

// The part after the last separator: the name a listing shows without its directory.
std::string_view BaseName(std::string_view stored);

// ASCII letters compared without regard to case, every other byte exactly.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The name with control bytes shown as \xNN, so that a message cannot play tricks on a terminal.
std::string Printable(std::string_view name);

} // namespace cabtools
