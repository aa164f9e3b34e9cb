// MakeCAB directive files: option lines, variables, and one line per file to store.
//
// Accepted:
//   ; comment                         (also after a line's last token)
//   .OPTION EXPLICIT                  .Set of a variable not known or .Define'd is an error
//   .Set Name=value  / .Set Name="value"   ("" inside quotes is one quote character)
//   .Define Name=value                a variable of the user's own
//   .New Folder | .New Cabinet | .New Disk
//   source [name in cabinet]          quotes optional where there are no blanks
// Names and values are bytes: nothing is decoded, and '%' is an ordinary character (variables
// are not substituted into lines, so a file named "100%.txt" stays what it is).
#pragma once

#include "Codecs.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cabtools {

struct Setting {
    std::string value;
    std::string where; // "file, line n", for messages
};

struct FileLine {
    std::string source;
    std::string name; // as written; empty when the line gave only the source
    std::string where;
    CompressionSettings compression;
    std::string compressionWhere; // where the compression in force was set
    bool newFolder = false;       // a .New Folder (or .New Cabinet) came before this file
    bool newCabinet = false;
};

class Directive {
public:
    // Carries out one directive file's text; `label` names it in messages. On failure `error`
    // is "label, line n: what".
    bool Parse(std::string_view text, const std::string& label, std::string& error);

    // A "name=value" given on the command line (makecab /D).
    bool Define(std::string_view assignment, std::string& error);

    const Setting* Find(std::string_view name) const;
    // A numbered variable such as MaxDiskSize3 or CabinetName1.
    const Setting* FindNumbered(std::string_view stem, int number) const;

    std::vector<FileLine> files;

private:
    bool SetVariable(std::string_view name, std::string value, const std::string& where, bool define,
                     std::string& error);
    bool Line(std::string_view line, const std::string& where, std::string& error);

    std::map<std::string, Setting> variables_; // by lower-case name
    bool explicit_ = false;
    bool pendingNewFolder_ = false, pendingNewCabinet_ = false;
    bool compress_ = true;
    CompressionType chosenType_ = CompressionType::Mszip;
    int memory_ = 21;
    std::string compressionWhere_;
};

// Values of the known variables, shared by the parser's checks and the build.
std::optional<bool> ParseSwitch(std::string_view text);
// A disk size in bytes: digits, or one of MakeCAB's names for disk sizes ("1.44M", "CDROM", ...).
std::optional<int64_t> ParseDiskSize(std::string_view text);
std::optional<uint64_t> ParseUnsigned(std::string_view text);

// The smallest MaxDiskSize accepted: room for the headers, a folder, a file and some data.
inline constexpr int64_t kMinDiskSize = 1024;

std::string ToLower(std::string_view text);

} // namespace cabtools
