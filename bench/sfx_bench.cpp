// One self-extracting conversion, for timing against cat: sfx_bench tosfx|tocab PATH [STUB_DIR]
// STUB_DIR holds the extrac32 to use as the stub (default: the one beside this program).
#include "convert/Sfx.h"
#include "platform/Paths.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s tosfx|tocab PATH [STUB_DIR]\n", argv[0]);
        return 2;
    }
    if (argc > 3)
        corvex::platform::OverrideExecutableDirectory(std::string(argv[3]) + "/");
    const bool ok =
        std::strcmp(argv[1], "tosfx") == 0 ? corvex::CabToSfx(argv[2]) : corvex::SfxToCab(argv[2]);
    return ok ? 0 : 1;
}
