// A cabinet opened through libmspack together with the rest of its spanned set.
//
// libmspack opens one cabinet file at a time; a set is put together by opening the files the
// headers name as previous and next and joining them with prepend() and append(). The names
// stored in the headers come from the machine that wrote the set and often differ in letter
// case from the files on disk ("Split-2.CAB" against split-2.cab), so they are looked up
// without regard to case. Starting from any member, the whole set is opened.
#pragma once

#include "MspackIo.h"

#include <deque>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace cabtools {

// Checks the header of the cabinet at path (from its base offset in sys): that it starts with
// the signature and that the file records begin right after the folder records, where
// libmspack reads them. A cabinet whose header puts them elsewhere shows one list of files to
// a reader that follows the header and extracts another, so it is refused. Returns the reason,
// or an empty text when the header is fine.
std::string CheckCabinetHeader(const IoSystem& sys, const std::string& path);

class CabinetSet {
public:
    CabinetSet(IoSystem& sys, mscab_decompressor* cabd) : sys_(sys), cabd_(cabd) {}
    ~CabinetSet();
    CabinetSet(const CabinetSet&) = delete;
    CabinetSet& operator=(const CabinetSet&) = delete;

    // Opens the cabinet at path, then the members before and after it from siblingsDir.
    // False when the cabinet itself cannot be used (the reason is on stderr). A missing or
    // unusable other member is reported and leaves the set incomplete.
    bool Open(const std::string& path, const std::string& siblingsDir);

    mscabd_cabinet* cabinet() const { return head_; }
    bool complete() const { return complete_; }

private:
    mscabd_cabinet* OpenOne(const std::string& path, bool reportErrors);
    bool Join(mscabd_cabinet* known, const char* storedName, bool forward);

    IoSystem& sys_;
    mscab_decompressor* cabd_;
    mscabd_cabinet* head_ = nullptr; // first cabinet of the set; closing it closes them all
    mscabd_cabinet* tail_ = nullptr;
    bool complete_ = true;
    std::string siblingsDir_;
    std::deque<std::string> paths_; // libmspack keeps pointers to these until close
    std::vector<std::pair<dev_t, ino_t>> opened_;
};

} // namespace cabtools
