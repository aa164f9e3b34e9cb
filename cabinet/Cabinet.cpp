#include "cabinet/Cabinet.h"

#include <cstring>

namespace corvex {

namespace {
// The directory is small and read front to back; a larger buffer than stdio's default saves
// most of the read calls on a cabinet with tens of thousands of records.
constexpr size_t kReadBufferSize = 64 * 1024;

uint32_t LittleEndian32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
} // namespace

TCabinet::~TCabinet() {
    Close();
}

void TCabinet::SetPath(const std::string& path) {
    path_ = path;
}

bool TCabinet::Open() {
    Close();
    truncated_ = false;
    file_ = std::fopen(path_.c_str(), "rb");
    if (!file_)
        return false;
    std::setvbuf(file_, nullptr, _IOFBF, kReadBufferSize);
    if (std::fread(header_, 1, kHeaderSize, file_) != kHeaderSize) {
        std::memset(header_, 0, kHeaderSize);
        Close();
        return false;
    }
    // "MSCF" with its terminating zero: the low byte of reserved1 must be 0 as well.
    if (std::memcmp(header_, "MSCF", 5) != 0) {
        Close();
        return false;
    }
    const uint32_t coffFiles = LittleEndian32(header_ + 16);
    if (fseeko(file_, off_t(coffFiles), SEEK_SET) != 0)
        truncated_ = true;
    return true;
}

uint16_t TCabinet::FileCount() const {
    return uint16_t(header_[28] | header_[29] << 8);
}

void TCabinet::ClearRecord() {
    std::memset(record_, 0, kRecordSize);
    fileName_.clear();
    directory_.clear();
}

bool TCabinet::ReadNextFile() {
    if (truncated_ || !file_ || std::fread(record_, 1, kRecordSize, file_) != kRecordSize) {
        truncated_ = true;
        ClearRecord();
        return true;
    }
    name_.clear();
    for (;;) {
        const int c = getc_unlocked(file_);
        if (c == EOF) {
            truncated_ = true;
            ClearRecord();
            return true;
        }
        if (c == 0)
            break;
        if (name_.size() < kNameBufferSize - 1)
            name_.push_back(char(c));
    }
    const size_t slash = name_.rfind('\\');
    if (slash == std::string::npos) {
        directory_.clear();
        fileName_.assign(name_);
    } else {
        directory_.assign(name_, 0, slash + 1);
        fileName_.assign(name_, slash + 1, std::string::npos);
    }
    return true;
}

uint16_t TCabinet::RecordWord(size_t offset) const {
    return uint16_t(record_[offset] | record_[offset + 1] << 8);
}

int32_t TCabinet::FileSize() const {
    return int32_t(LittleEndian32(record_));
}

uint16_t TCabinet::Attributes() const {
    return RecordWord(14);
}

void TCabinet::DecodeDate() {
    const uint16_t d = RecordWord(10);
    day_ = d & 0x1F;
    month_ = (d >> 5) & 0x0F;
    year_ = ((d >> 9) & 0x7F) + 1980;
}

void TCabinet::DecodeTime() {
    const uint16_t t = RecordWord(12);
    seconds_ = (t & 0x1F) * 2;
    minutes_ = (t >> 5) & 0x3F;
    hours_ = (t >> 11) & 0x1F;
}

bool TCabinet::Close() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    return true;
}

} // namespace corvex
