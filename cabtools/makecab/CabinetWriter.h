// Writes a set of cabinets: folders, 32 KiB data blocks, and spanning over several cabinets.
//
// Spanning follows the layout decoders expect of a set: when a folder goes on in the next
// cabinet, the data block at the seam is always split (its piece in the earlier cabinet has an
// uncompressed size of 0), the folder is the next cabinet's first folder, and every file whose
// bytes reach over the seam is listed in both cabinets, marked "continued to next" (0xFFFE),
// "continued from previous" (0xFFFD), or both (0xFFFF) in a cabinet it passes through.
// The continued folder must end with the last of those files: a reader joining the two
// cabinets keeps the first cabinet's entries for that folder and drops the second's, so a
// file listed only in the second would be lost. A file is listed in the cabinet where the
// block holding its first byte begins.
#pragma once

#include "cabtools/CabFormat.h"
#include "Codecs.h"
#include "Output.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace cabtools {

inline constexpr uint64_t kMaxFolderBytes = uint64_t(65535) * kFrameSize; // 16-bit block count
inline constexpr size_t kMaxCabinetCount = 65535;                        // files, folders per cabinet

struct WriterFile {
    std::string source;      // read from disk
    std::string name;        // stored in the cabinet, backslash-separated
    uint32_t size = 0;       // bytes expected from the source
    uint16_t date = 0, time = 0, attribs = 0;
    CompressionSettings compression;
    bool newFolder = false;  // start a folder at this file
    bool newCabinet = false; // start a cabinet at this file
    std::string where;       // the directive line, for messages
};

struct CabinetSlot {
    std::string path;      // where the cabinet file goes
    std::string fileName;  // its name in the neighbours' headers
    std::string diskLabel; // its disk's name in the neighbours' headers
    uint64_t maxSize = 0;  // 0: no limit
    std::string maxSizeWhere;
};

struct WriterProgress {
    uint64_t bytesDone = 0, bytesTotal = 0;
    size_t fileIndex = 0;
};

struct WriterOptions {
    std::function<CabinetSlot(int number)> cabinet; // number from 1
    uint64_t folderSizeThreshold = 0;               // 0: no threshold
    uint16_t setId = 0;
    std::function<void(const WriterProgress&)> progress;
};

struct WrittenCabinet {
    std::string path, fileName, diskLabel;
    uint64_t size = 0;
    size_t files = 0, folders = 0;
};

struct WriterResult {
    std::vector<WrittenCabinet> cabinets;
    std::vector<int> cabinetOfFile; // the first cabinet (from 1) that lists each file
    uint64_t bytesBefore = 0, bytesAfter = 0;
};

// Thrown for a failure tied to a directive line (`where` may be empty).
struct WriterError {
    std::string where, message;
};

// Writes the cabinets into `outputs` (staged: nothing is visible until outputs.Commit()).
// Throws WriterError or OutputError.
WriterResult WriteCabinetSet(const std::vector<WriterFile>& files, const WriterOptions& options,
                             StagedOutputs& outputs);

// MS-DOS date and time of a file time, in local time; clamped to 1980..2107.
void DosDateTime(int64_t unixSeconds, uint16_t& date, uint16_t& time);


} // namespace cabtools
