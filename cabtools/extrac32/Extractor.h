// Writing the files of an opened cabinet (set) below a destination directory, and listing them.
//
// Every file is created through directory descriptors opened one component at a time without
// following symbolic links, so neither a name from the cabinet nor a link already in the
// destination can lead a write outside it. Each file is decompressed into a temporary file
// beside its final name and renamed into place only when it is complete: a damaged cabinet
// leaves no half-written file, and an existing file is replaced in one step.
#pragma once

#include "MspackIo.h"

#include <optional>
#include <string>
#include <vector>

namespace cabtools {

struct ExtractSettings {
    std::string destination; // created when missing
    bool overwrite = false;  // replace existing files without asking
    bool askOnTerminal = false;
    std::optional<std::string> nameFilter;
};

class Extractor {
public:
    Extractor(IoSystem& sys, mscab_decompressor* cabd, ExtractSettings settings);
    ~Extractor();
    Extractor(const Extractor&) = delete;
    Extractor& operator=(const Extractor&) = delete;

    // Extracts the files of the set; true when every one that was asked for was written, or
    // was left alone because the user said so.
    bool Run(mscabd_cabinet* cab);

private:
    enum class Decision { Write, Replace, Keep, Fail };

    bool OpenDestination();
    int DirectoryFor(const std::vector<std::string>& directories, const std::string& shown);
    Decision DecideAboutExisting(int directory, const std::string& leaf, const std::string& shown);
    bool ExtractOne(mscabd_file* file);
    void CloseDirectoriesFrom(size_t depth);

    IoSystem& sys_;
    mscab_decompressor* cabd_;
    ExtractSettings settings_;
    unsigned umask_ = 022;
    std::string temporaryPrefix_;
    unsigned temporaryCounter_ = 0;
    // openFds_[0] is the destination; openFds_[i + 1] is the directory openPath_[0..i].
    std::vector<int> openFds_;
    std::vector<std::string> openPath_;
};

// Prints one line per file (the layout is in the usage text) and a total. False when a name
// filter matched nothing.
bool ListFiles(mscabd_cabinet* cab, const std::optional<std::string>& nameFilter);

} // namespace cabtools
