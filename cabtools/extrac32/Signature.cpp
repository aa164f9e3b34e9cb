#include "Signature.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace cabtools {

namespace {
// Each byte of the signature XOR kMask; the mask is read through a volatile so that the
// compiler cannot fold the real bytes back into the binary.
constexpr uint8_t kMask = 0xA5;
constexpr uint8_t kMasked[8] = {'M' ^ kMask, 'S' ^ kMask, 'C' ^ kMask, 'F' ^ kMask,
                                kMask,       kMask,       kMask,       kMask};
volatile uint8_t maskAtRunTime = kMask;

constexpr size_t kChunk = 1 << 20;
} // namespace

std::array<uint8_t, 8> CabinetSignature() {
    std::array<uint8_t, 8> signature{};
    for (size_t i = 0; i < signature.size(); ++i) {
        signature[i] = static_cast<uint8_t>(kMasked[i] ^ maskAtRunTime);
    }
    return signature;
}

off_t FindCabinetSignature(int fd) {
    const std::array<uint8_t, 8> signature = CabinetSignature();
    constexpr size_t kOverlap = 7; // a signature may straddle two chunks
    std::vector<uint8_t> buffer(kChunk + kOverlap);
    size_t kept = 0;       // bytes carried over from the previous chunk
    off_t bufferStart = 0; // file offset of buffer[0]
    off_t readAt = 0;
    for (;;) {
        ssize_t got = pread(fd, buffer.data() + kept, kChunk, readAt);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -2;
        }
        if (got == 0) {
            return -1;
        }
        readAt += got;
        const size_t filled = kept + static_cast<size_t>(got);
        const void* hit = memmem(buffer.data(), filled, signature.data(), signature.size());
        if (hit != nullptr) {
            return bufferStart + (static_cast<const uint8_t*>(hit) - buffer.data());
        }
        kept = filled < kOverlap ? filled : kOverlap;
        std::memmove(buffer.data(), buffer.data() + filled - kept, kept);
        bufferStart += static_cast<off_t>(filled - kept);
    }
}

} // namespace cabtools
