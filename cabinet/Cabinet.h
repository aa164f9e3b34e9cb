// TCabinet: reads the directory of a Microsoft Cabinet file, the fixed header and the file
// records behind it. It never touches the folder records or the compressed data, so listing a
// cabinet costs one header read, one seek and one record read per file.
//
// The reader trusts nothing past the signature check, and a damaged directory must still give
// one answer per announced file: a record cut off by the end of the file, and every record after
// it, reads as an empty name with all fields zero. Names over 511 bytes keep their first 511
// bytes; the rest up to the terminating zero is skipped so the next record starts where it should.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace corvex {

class TCabinet {
  public:
    static constexpr size_t kHeaderSize = 36;
    static constexpr size_t kRecordSize = 16;
    static constexpr size_t kNameBufferSize = 512; // a name keeps at most 511 bytes

    TCabinet() = default;
    ~TCabinet();
    TCabinet(const TCabinet&) = delete;
    TCabinet& operator=(const TCabinet&) = delete;

    void SetPath(const std::string& path);
    bool Open();
    uint16_t FileCount() const;
    bool ReadNextFile();
    const std::string& FileName() const { return fileName_; }
    // Everything up to and including the last backslash; empty for a name without one.
    const std::string& Directory() const { return directory_; }
    int32_t FileSize() const;
    uint16_t Attributes() const;
    void DecodeDate();
    int32_t Day() const { return day_; }
    int32_t Month() const { return month_; }
    int32_t Year() const { return year_; }
    void DecodeTime();
    int32_t Hours() const { return hours_; }
    int32_t Minutes() const { return minutes_; }
    int32_t Seconds() const { return seconds_; }
    bool Close();

  private:
    uint16_t RecordWord(size_t offset) const;
    void ClearRecord();

    std::string path_;
    std::string fileName_;
    std::string directory_;
    int32_t day_ = 0, month_ = 0, year_ = 0;
    int32_t seconds_ = 0, minutes_ = 0, hours_ = 0;
    std::FILE* file_ = nullptr;
    unsigned char header_[kHeaderSize] = {};
    unsigned char record_[kRecordSize] = {};
    bool truncated_ = false; // the file ended inside a record: every later round reads empty
    std::string name_;       // reused between records so a long listing allocates little
};

} // namespace corvex
