#include "Directive.h"

#include <charconv>

namespace cabtools {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return ToLower(a) == ToLower(b); }

// The variables makecab understands; the numbered ones take a disk number after the stem.
constexpr std::string_view kPlainVariables[] = {
    "InfFileName",   "RptFileName",         "DestinationDir",      "CabinetNameTemplate",
    "DiskDirectoryTemplate", "DiskLabelTemplate", "UniqueFiles",   "FolderSizeThreshold",
    "MaxDiskSize",   "Cabinet",             "Compress",            "CompressionType",
    "CompressionMemory",
};
constexpr std::string_view kNumberedStems[] = {"CabinetName", "DiskDirectory", "DiskLabel", "MaxDiskSize"};

// "maxdisksize12" -> {"maxdisksize", 12}; numbers start at 1.
std::optional<std::pair<std::string, int>> SplitNumbered(std::string_view lowerName) {
    for (std::string_view stem : kNumberedStems) {
        std::string lowerStem = ToLower(stem);
        if (lowerName.size() <= lowerStem.size() || lowerName.substr(0, lowerStem.size()) != lowerStem)
            continue;
        std::string_view digits = lowerName.substr(lowerStem.size());
        int n = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
        if (ec == std::errc() && end == digits.data() + digits.size() && n >= 1 && digits[0] != '0')
            return std::make_pair(lowerStem, n);
    }
    return std::nullopt;
}

bool IsKnownVariable(const std::string& lowerName) {
    for (std::string_view v : kPlainVariables)
        if (ToLower(v) == lowerName)
            return true;
    return SplitNumbered(lowerName).has_value();
}

// One token of a file line: quoted (with "" for a quote) or a run of non-blanks.
bool NextToken(std::string_view& rest, std::string& token, bool& found, std::string& error) {
    rest = Trim(rest);
    found = false;
    if (rest.empty() || rest.front() == ';')
        return true;
    token.clear();
    found = true;
    if (rest.front() != '"') {
        size_t end = 0;
        while (end < rest.size() && !IsBlank(rest[end]))
            ++end;
        token = rest.substr(0, end);
        rest.remove_prefix(end);
        return true;
    }
    size_t i = 1;
    for (;;) {
        if (i >= rest.size()) {
            error = "missing closing quote";
            return false;
        }
        if (rest[i] == '"') {
            if (i + 1 < rest.size() && rest[i + 1] == '"') {
                token += '"';
                i += 2;
                continue;
            }
            ++i;
            break;
        }
        token += rest[i++];
    }
    rest.remove_prefix(i);
    if (!rest.empty() && !IsBlank(rest.front())) {
        error = "unexpected text after a closing quote";
        return false;
    }
    return true;
}

} // namespace

std::string ToLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

std::optional<bool> ParseSwitch(std::string_view text) {
    std::string v = ToLower(Trim(text));
    if (v == "on" || v == "yes" || v == "true" || v == "1")
        return true;
    if (v == "off" || v == "no" || v == "false" || v == "0")
        return false;
    return std::nullopt;
}

std::optional<uint64_t> ParseUnsigned(std::string_view text) {
    text = Trim(text);
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<int64_t> ParseDiskSize(std::string_view text) {
    static const std::pair<std::string_view, int64_t> kNamed[] = {
        {"360k", 362496},     {"720k", 730112},    {"1.2m", 1213952}, {"1.25m", 1250304},
        {"1.44m", 1457664},   {"2.88m", 2915328},  {"dmf168", 1716224}, {"cdrom", 681984000},
    };
    std::string lower = ToLower(Trim(text));
    for (auto& [name, size] : kNamed)
        if (lower == name)
            return size;
    int64_t value = 0;
    auto [end, ec] = std::from_chars(lower.data(), lower.data() + lower.size(), value);
    if (lower.empty() || ec != std::errc() || end != lower.data() + lower.size())
        return std::nullopt;
    return value;
}

const Setting* Directive::Find(std::string_view name) const {
    auto it = variables_.find(ToLower(name));
    return it == variables_.end() ? nullptr : &it->second;
}

const Setting* Directive::FindNumbered(std::string_view stem, int number) const {
    return Find(std::string(stem) + std::to_string(number));
}

bool Directive::SetVariable(std::string_view name, std::string value, const std::string& where, bool define,
                            std::string& error) {
    std::string lower = ToLower(Trim(name));
    if (lower.empty()) {
        error = "a variable name is missing before '='";
        return false;
    }
    bool known = IsKnownVariable(lower);
    std::string shown(Trim(name));
    if (define && known) {
        error = "variable \"" + shown + "\" is a standard variable: use .Set";
        return false;
    }
    if (!define && !known && explicit_ && !variables_.count(lower)) {
        error = "unknown variable \"" + shown + "\" (.OPTION EXPLICIT is in force)";
        return false;
    }
    auto bad = [&](const std::string& what) {
        error = shown + ": " + what + " (\"" + value + "\")";
        return false;
    };
    std::string stem = lower;
    if (auto numbered = SplitNumbered(lower))
        stem = numbered->first;
    if (lower == "uniquefiles" || lower == "compress" || lower == "cabinet") {
        auto on = ParseSwitch(value);
        if (!on)
            return bad("expected ON or OFF");
        if (lower == "cabinet" && !*on)
            return bad("Cabinet=OFF (copying files without making a cabinet) is not supported");
        if (lower == "compress") {
            compress_ = *on;
            compressionWhere_ = where;
        }
    } else if (stem == "maxdisksize") {
        auto size = ParseDiskSize(value);
        if (!size)
            return bad("expected a size in bytes");
        if (*size < 0)
            return bad("a disk size must not be negative");
        if (*size > 0 && *size < kMinDiskSize)
            return bad("too small: a disk must hold at least " + std::to_string(kMinDiskSize) + " bytes");
        if (*size > 0xFFFFFFFFll)
            return bad("too large: a cabinet file holds at most 4,294,967,295 bytes");
    } else if (lower == "foldersizethreshold") {
        if (!ParseUnsigned(value))
            return bad("expected a size in bytes");
    } else if (lower == "compressiontype") {
        std::string type = ToLower(Trim(value));
        if (type == "mszip")
            chosenType_ = CompressionType::Mszip;
        else if (type == "lzx")
            chosenType_ = CompressionType::Lzx;
        else if (type == "quantum")
            chosenType_ = CompressionType::Quantum;
        else
            return bad("expected MSZIP or LZX");
        compressionWhere_ = where;
    } else if (lower == "compressionmemory") {
        auto bits = ParseUnsigned(value);
        if (!bits || *bits < 15 || *bits > 21)
            return bad("expected a window size from 15 to 21");
        memory_ = int(*bits);
    }
    variables_[lower] = Setting{std::move(value), where};
    return true;
}

bool Directive::Define(std::string_view assignment, std::string& error) {
    size_t eq = assignment.find('=');
    if (eq == std::string_view::npos) {
        error = "command line: expected name=value after /D";
        return false;
    }
    std::string message;
    if (!SetVariable(assignment.substr(0, eq), std::string(Trim(assignment.substr(eq + 1))), "command line",
                     false, message)) {
        error = "command line: " + message;
        return false;
    }
    return true;
}

bool Directive::Line(std::string_view line, const std::string& where, std::string& error) {
    line = Trim(line);
    if (line.empty() || line.front() == ';')
        return true;
    if (line.front() == '.') {
        size_t end = 1;
        while (end < line.size() && !IsBlank(line[end]))
            ++end;
        std::string command = ToLower(line.substr(1, end - 1));
        std::string_view rest = Trim(line.substr(end));
        if (command == "option") {
            std::string_view option = rest.substr(0, rest.find_first_of(" \t;"));
            if (!EqualsNoCase(option, "explicit")) {
                error = "unknown option \"" + std::string(option) + "\"";
                return false;
            }
            explicit_ = true;
            return true;
        }
        if (command == "new") {
            std::string what = ToLower(rest.substr(0, rest.find_first_of(" \t;")));
            if (what == "folder")
                pendingNewFolder_ = true;
            else if (what == "cabinet" || what == "disk")
                pendingNewFolder_ = pendingNewCabinet_ = true;
            else {
                error = ".New takes Folder, Cabinet or Disk";
                return false;
            }
            return true;
        }
        if (command == "set" || command == "define") {
            size_t eq = rest.find('=');
            if (eq == std::string_view::npos) {
                error = "expected ." + command + " name=value";
                return false;
            }
            std::string_view name = rest.substr(0, eq);
            std::string_view valueText = Trim(rest.substr(eq + 1));
            std::string value;
            if (!valueText.empty() && valueText.front() == '"') {
                bool found = false;
                if (!NextToken(valueText, value, found, error))
                    return false;
                valueText = Trim(valueText);
                if (!valueText.empty() && valueText.front() != ';') {
                    error = "unexpected text after the value";
                    return false;
                }
            } else {
                // Unquoted values may hold blanks; a ';' after a blank starts a comment.
                size_t comment = std::string_view::npos;
                for (size_t i = 1; i < valueText.size(); ++i)
                    if (valueText[i] == ';' && IsBlank(valueText[i - 1])) {
                        comment = i;
                        break;
                    }
                if (!valueText.empty() && valueText.front() == ';')
                    comment = 0;
                value = std::string(Trim(valueText.substr(0, comment)));
            }
            return SetVariable(name, std::move(value), where, command == "define", error);
        }
        error = "unknown command \"." + command + "\"";
        return false;
    }
    FileLine file;
    std::string_view rest = line;
    bool found = false;
    if (!NextToken(rest, file.source, found, error))
        return false;
    if (!NextToken(rest, file.name, found, error))
        return false;
    if (found) {
        std::string extra;
        if (!NextToken(rest, extra, found, error))
            return false;
        if (found) {
            error = "a file line holds a source and a name in the cabinet, nothing more (\"" + extra + "\")";
            return false;
        }
    }
    if (file.source.empty()) {
        error = "empty source file name";
        return false;
    }
    file.where = where;
    file.compression.type = compress_ ? chosenType_ : CompressionType::None;
    file.compression.memory = memory_;
    file.compressionWhere = compressionWhere_.empty() ? where : compressionWhere_;
    file.newFolder = pendingNewFolder_;
    file.newCabinet = pendingNewCabinet_;
    pendingNewFolder_ = pendingNewCabinet_ = false;
    files.push_back(std::move(file));
    return true;
}

bool Directive::Parse(std::string_view text, const std::string& label, std::string& error) {
    int number = 0;
    while (!text.empty()) {
        ++number;
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        std::string where = label + ", line " + std::to_string(number);
        std::string message;
        if (!Line(line, where, message)) {
            error = where + ": " + message;
            return false;
        }
    }
    return true;
}

} // namespace cabtools
