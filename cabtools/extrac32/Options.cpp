#include "Options.h"

namespace cabtools {

const char* const kUsageText =
    "Usage: extrac32 [/Y] [/D] [/L dir] cabinet [name]\n"
    "       (a self-extracting file: program [/Y] [/D] [/L dir] [name])\n"
    "\n"
    "Extracts the files of a cabinet, or of the whole set when the cabinet is one part of\n"
    "a spanned set (the other parts are looked up beside it, names matched in any case).\n"
    "\n"
    "  /Y      replace existing files without asking\n"
    "  /D      list the files instead of extracting them\n"
    "  /L dir  extract into dir (created when missing) instead of the current directory\n"
    "  name    only the files whose name, without its directory, equals name in any\n"
    "          letter case (ASCII)\n"
    "  /?      this text\n"
    "\n"
    "Names are written with their stored bytes; a backslash or slash in a name makes a\n"
    "directory. Names that are absolute, hold a '..' component, start with a drive letter,\n"
    "or carry the UTF-8 flag without being valid UTF-8 are refused. Nothing is written\n"
    "outside the destination and no symbolic link inside it is followed. Modification\n"
    "times and the read-only attribute are restored; the executable attribute sets the\n"
    "execute bits.\n"
    "\n"
    "Without /Y an existing file is not replaced silently: on a terminal you are asked\n"
    "(Yes/No/All); without a terminal the file is skipped and named on standard error.\n"
    "\n"
    "/D prints one line per file, then a total:\n"
    "  MM-DD-YYYY HH:MM:SS  AHRS  size  name\n"
    "  for example: 03-12-1997 11:13:52  A---       33,000  dir1\\file1\n"
    "  (attribute letters: A archive, H hidden, R read-only, S system; '-' when clear)\n"
    "\n"
    "When the program file has a cabinet appended behind it, running it extracts that\n"
    "cabinet into the current directory or into /L dir.\n"
    "\n"
    "Exit status: 0 when every file was extracted (or listed, or left alone because you\n"
    "answered No); 1 when anything failed: a bad or missing cabinet, a decompression\n"
    "or write error, a refused name, a file skipped because it exists and there was no\n"
    "terminal to ask, or a name that matched no file; 2 for a wrong command line.\n";

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    Options& options = parsed.options;
    bool switchesEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!switchesEnded && arg == "--") {
            switchesEnded = true;
            continue;
        }
        if (!switchesEnded && arg == "--help") {
            options.help = true;
            continue;
        }
        if (switchesEnded || arg.size() != 2 || (arg[0] != '/' && arg[0] != '-')) {
            options.operands.push_back(arg);
            continue;
        }
        switch (arg[1]) {
        case 'y':
        case 'Y':
            options.overwrite = true;
            break;
        case 'd':
        case 'D':
            options.list = true;
            break;
        case 'l':
        case 'L':
            if (i + 1 >= args.size()) {
                parsed.error = arg + " needs a directory";
                return parsed;
            }
            options.destination = args[++i];
            if (options.destination->empty()) {
                parsed.error = arg + " needs a directory";
                return parsed;
            }
            break;
        case '?':
        case 'h':
        case 'H':
            options.help = true;
            break;
        default:
            parsed.error = "unknown switch " + arg;
            return parsed;
        }
    }
    return parsed;
}

} // namespace cabtools
