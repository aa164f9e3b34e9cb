// The compressors behind a cabinet folder. makecab feeds each folder's bytes to one codec and
// writes what comes out as CFDATA blocks, one block per 32,768 uncompressed bytes (the last
// block of a folder may be shorter).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace cabtools {

constexpr size_t kFrameSize = 32768;

// One CFDATA block's payload and the number of uncompressed bytes it stands for.
struct CompressedFrame {
    std::vector<uint8_t> data;
    uint16_t uncompressedSize = 0; // 1..32768 (32768 stored as 0x8000)
};

class FolderCodec {
public:
    virtual ~FolderCodec() = default;
    // The folder's bytes, in order, in chunks of any size.
    virtual void Append(const uint8_t* data, size_t size) = 0;
    // Ends the folder: everything appended is encoded. No Append may follow.
    virtual void Finish() = 0;
    // Moves the frames encoded so far, in order, to the end of out.
    virtual void TakeFrames(std::vector<CompressedFrame>& out) = 0;
    // The CFFOLDER typeCompress value (0 stored, 1 MSZIP, 3 | window << 8 LZX).
    virtual uint16_t TypeCompress() const = 0;
};

// LZX with a window of 2^windowBits bytes, windowBits 15 to 21.
std::unique_ptr<FolderCodec> MakeLzxCodec(int windowBits);

} // namespace cabtools
