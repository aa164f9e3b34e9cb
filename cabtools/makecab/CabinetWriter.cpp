#include "CabinetWriter.h"

#include "Checksum.h"

#include <cerrno>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <unistd.h>

namespace cabtools {

namespace {

constexpr uint64_t kNoLimit = 0xFFFFFFFFull; // cbCabinet and every offset are 32-bit
constexpr size_t kReadChunk = 1 << 20;
// Room kept when judging whether a file fits: a split block's header and first byte, and the
// entry of a file starting beside it.
constexpr uint64_t kSpanMargin = 512;

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, uint16_t(v));
    Put16(out, uint16_t(v >> 16));
}
void PutName(std::vector<uint8_t>& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(0);
}

class SetWriter {
public:
    SetWriter(const std::vector<WriterFile>& files, const WriterOptions& options, StagedOutputs& outputs)
        : files_(files), options_(options), outputs_(outputs), offset_(files.size(), 0) {
        result_.cabinetOfFile.assign(files.size(), 0);
    }

    WriterResult Run() {
        for (const WriterFile& f : files_) {
            if (f.name.empty() || f.name.size() > kCabMaxNameBytes)
                throw WriterError{f.where, "a name in a cabinet has 1 to 255 bytes: \"" + f.name + "\""};
            if (f.size > kMaxFolderBytes)
                throw WriterError{f.where, f.source + ": too large for a cabinet (at most 2,147,450,880 bytes)"};
            progress_.bytesTotal += f.size;
        }
        OpenCabinet(1);
        for (size_t i = 0; i < files_.size(); ++i) {
            const WriterFile& f = files_[i];
            bool newFolder = !codec_ || f.compression != compression_ || f.newFolder || f.newCabinet ||
                             (options_.folderSizeThreshold && folderBytes_ >= options_.folderSizeThreshold) ||
                             folderBytes_ + f.size > kMaxFolderBytes ||
                             cab_->entries.size() + pending_.size() + 1 > kMaxCabinetCount;
            // A folder may only go on in the next cabinet inside its last file (decoders drop
            // any other file listed in a folder continued from a previous cabinet), and the
            // seam's block should hold no other file, or readers joining three cabinets lose
            // track of which files go on. So a file that might not fit in what is left, even
            // at its worst-case compressed size, gets a folder of its own.
            if (codec_ && cab_->limited && !FitsWhole(i))
                newFolder = true;
            if (newFolder && codec_)
                CloseFolder();
            if (f.newCabinet && !cab_->folders.empty())
                NextCabinet(false, 0);
            if (!codec_) {
                if (cab_->entries.size() + 1 > kMaxCabinetCount || cab_->folders.size() + 1 > kMaxCabinetCount) {
                    if (!cab_->limited)
                        ThrowUnlimitedOverflow(false, f.where);
                    NextCabinet(false, 0);
                }
                OpenFolder(f);
            }
            folderEndsHere_ = cab_->limited && !FitsWhole(i);
            offset_[i] = folderBytes_;
            pending_.push_back(i);
            pendingEntryCost_ += EntrySize(i);
            folderBytes_ += f.size;
            result_.bytesBefore += f.size;
            ReadFile(i);
            if (folderEndsHere_)
                CloseFolder();
        }
        if (codec_)
            CloseFolder();
        FinishCabinet(false);
        return std::move(result_);
    }

private:
    struct Entry {
        size_t file;
        uint16_t folder;
        bool fromPrev = false, toNext = false;
    };
    struct FolderRecord {
        uint64_t dataOffset;
        uint32_t blocks;
        uint16_t typeCompress;
    };
    struct Cabinet {
        int number = 0;
        CabinetSlot slot;
        bool limited = false;
        uint64_t limit = kNoLimit;
        uint64_t used = 0; // headers, folders, entries and data so far; the next-cabinet names reserved
        std::vector<FolderRecord> folders;
        std::vector<Entry> entries;
        SpillBuffer data;
        bool folderHere = false; // the open folder has its CFFOLDER in this cabinet
    };

    const CabinetSlot& Slot(int number) {
        auto it = slots_.find(number);
        if (it == slots_.end()) {
            CabinetSlot slot = options_.cabinet(number);
            if (slot.fileName.size() > kCabMaxNameBytes || slot.diskLabel.size() > kCabMaxNameBytes)
                throw WriterError{slot.maxSizeWhere, "cabinet and disk names have at most 255 bytes: \"" +
                                                         slot.fileName + "\", \"" + slot.diskLabel + "\""};
            it = slots_.emplace(number, std::move(slot)).first;
        }
        return it->second;
    }

    static uint64_t NamesSize(const CabinetSlot& s) { return s.fileName.size() + 1 + s.diskLabel.size() + 1; }
    uint64_t EntrySize(size_t file) const { return kCabFileEntryFixed + files_[file].name.size() + 1; }

    [[noreturn]] void TooSmall() {
        throw WriterError{cab_->slot.maxSizeWhere,
                          "the disk size " + std::to_string(cab_->limit) + " is too small for cabinet " +
                              std::to_string(cab_->number) + " (" + cab_->slot.fileName +
                              "): it cannot hold its headers, file names and some data"};
    }

    void OpenCabinet(int number) {
        cab_ = std::make_unique<Cabinet>();
        cab_->number = number;
        cab_->slot = Slot(number);
        cab_->limited = cab_->slot.maxSize != 0;
        cab_->limit = cab_->limited ? std::min(cab_->slot.maxSize, kNoLimit) : kNoLimit;
        cab_->used = kCabHeaderSize;
        if (number > 1)
            cab_->used += NamesSize(Slot(number - 1));
        // The last cabinet is not known in advance; a limited one keeps room for a next link.
        if (cab_->limited)
            cab_->used += NamesSize(Slot(number + 1));
        if (cab_->used + kCabFolderSize + kCabDataHeaderSize + 1 > cab_->limit)
            TooSmall();
    }

    void EnsureFolder() {
        if (cab_->folderHere)
            return;
        cab_->folders.push_back({cab_->data.size(), 0, codec_->TypeCompress()});
        cab_->used += kCabFolderSize;
        cab_->folderHere = true;
    }

    void AddEntry(size_t file, bool fromPrev) {
        cab_->entries.push_back({file, uint16_t(cab_->folders.size() - 1), fromPrev});
        cab_->used += EntrySize(file);
        if (!result_.cabinetOfFile[file])
            result_.cabinetOfFile[file] = cab_->number;
    }

    void WritePiece(const uint8_t* data, uint64_t size, uint16_t uncompressedSize) {
        uint8_t header[kCabDataHeaderSize];
        uint32_t sum = DataBlockChecksum(data, uint16_t(size), uncompressedSize);
        for (int i = 0; i < 4; ++i)
            header[i] = uint8_t(sum >> (8 * i));
        header[4] = uint8_t(size), header[5] = uint8_t(size >> 8);
        header[6] = uint8_t(uncompressedSize), header[7] = uint8_t(uncompressedSize >> 8);
        cab_->data.Append(header, sizeof header);
        cab_->data.Append(data, size);
        cab_->folders.back().blocks++;
        cab_->used += kCabDataHeaderSize + size;
    }

    // Closes the current cabinet and opens the next. When the open folder goes on, `seamBlock`
    // is the block split across the two, and the files reaching into it are carried over.
    void NextCabinet(bool continuing, uint64_t seamBlock) {
        std::vector<size_t> carried;
        if (continuing) {
            uint16_t current = uint16_t(cab_->folders.size() - 1);
            for (Entry& e : cab_->entries) {
                const WriterFile& f = files_[e.file];
                uint64_t lastByte = f.size > 0 ? offset_[e.file] + f.size - 1 : offset_[e.file];
                if (e.folder == current && lastByte / kFrameSize >= seamBlock) {
                    e.toNext = true;
                    carried.push_back(e.file);
                }
            }
        }
        if (cab_->number >= int(kMaxCabinetCount))
            throw WriterError{"", "a set holds at most 65,535 cabinets"};
        FinishCabinet(true);
        OpenCabinet(cab_->number + 1);
        if (continuing) {
            EnsureFolder();
            for (size_t file : carried)
                AddEntry(file, true);
            if (cab_->used + kCabDataHeaderSize + 1 > cab_->limit)
                TooSmall();
        }
    }

    void OpenFolder(const WriterFile& f) {
        std::string error;
        codec_ = MakeCodec(f.compression, error);
        if (!codec_)
            throw WriterError{f.where, error};
        compression_ = f.compression;
        folderBytes_ = 0;
        placedBytes_ = 0;
        pendingEntryCost_ = 0;
        nextBlock_ = 0;
        pending_.clear();
        lookahead_.reset();
        cab_->folderHere = false;
    }

    void Feed() {
        codec_->TakeFrames(frames_);
        for (CompressedFrame& frame : frames_) {
            if (lookahead_)
                Place(*lookahead_, &frame);
            lookahead_ = std::move(frame);
        }
        frames_.clear();
    }

    void CloseFolder() {
        closing_ = true;
        codec_->Finish();
        Feed();
        if (lookahead_)
            Place(*lookahead_, nullptr);
        else
            PlaceWithoutData();
        lookahead_.reset();
        codec_.reset();
        cab_->folderHere = false;
        closing_ = false;
        folderEndsHere_ = false;
    }

    // Whether file `i`, appended to the open folder, surely fits in this cabinet with all that
    // is still waiting to be placed.
    bool FitsWhole(size_t i) const {
        uint64_t need = cab_->used + Bound(folderBytes_ - placedBytes_ + files_[i].size) + pendingEntryCost_ +
                        EntrySize(i) + (cab_->folderHere ? 0 : kCabFolderSize) + kSpanMargin;
        return need <= cab_->limit;
    }

    // The most the blocks holding `bytes` more of the folder can take, headers included.
    uint64_t Bound(uint64_t bytes) const {
        return bytes + (bytes / kFrameSize + 2) * (kCabDataHeaderSize + MaxFrameOverhead(codec_->TypeCompress()));
    }

    // Puts one data block into the cabinets, splitting it where a cabinet is full. `next` is
    // the folder's following block, or null for its last (which also takes the empty files
    // at the folder's end).
    void Place(const CompressedFrame& frame, const CompressedFrame* next) {
        uint64_t block = nextBlock_++;
        uint64_t end = block * kFrameSize + frame.uncompressedSize;
        std::vector<size_t> starting;
        uint64_t entryCost = 0;
        while (!pending_.empty() && (!next || offset_[pending_.front()] < end)) {
            starting.push_back(pending_.front());
            entryCost += EntrySize(pending_.front());
            pending_.pop_front();
        }
        pendingEntryCost_ -= entryCost;
        placedBytes_ += frame.uncompressedSize;
        const uint8_t* data = frame.data.data();
        uint64_t rest = frame.data.size();
        bool entriesPlaced = false; // the starting files are listed (where the block begins)
        for (;;) {
            uint64_t folderCost = cab_->folderHere ? 0 : kCabFolderSize;
            uint64_t startCost = entriesPlaced ? 0 : entryCost;
            bool countsOk = (cab_->folderHere || cab_->folders.size() < kMaxCabinetCount) &&
                            cab_->entries.size() + (entriesPlaced ? 0 : starting.size()) <= kMaxCabinetCount;
            uint64_t avail = cab_->limit - cab_->used;
            uint64_t whole = folderCost + startCost + kCabDataHeaderSize + rest;
            if (countsOk && avail >= whole && !Strands(avail - whole, rest, next)) {
                EnsureFolder();
                if (!entriesPlaced)
                    for (size_t file : starting)
                        AddEntry(file, false);
                WritePiece(data, rest, frame.uncompressedSize);
                return;
            }
            if (!cab_->limited)
                ThrowUnlimitedOverflow(countsOk, starting.empty() ? "" : files_[starting.front()].where);
            uint64_t piece = 0;
            if (countsOk && avail > folderCost + startCost + kCabDataHeaderSize)
                piece = std::min(avail - folderCost - startCost - kCabDataHeaderSize, rest - 1);
            if (piece >= 1) {
                if (!pending_.empty() || !(folderEndsHere_ || closing_))
                    throw WriterError{"", "internal error: compressed data came out larger than planned, and a "
                                          "folder would go on in the next cabinet before its last file"};
                EnsureFolder();
                if (!entriesPlaced)
                    for (size_t file : starting)
                        AddEntry(file, false);
                entriesPlaced = true;
                WritePiece(data, piece, 0);
                data += piece;
                rest -= piece;
                NextCabinet(true, block);
                continue;
            }
            if (!cab_->folderHere && !entriesPlaced && !cab_->folders.empty()) {
                NextCabinet(false, 0);
                continue;
            }
            TooSmall();
        }
    }

    // Whether writing a block whole, leaving `left` bytes in this cabinet, would leave the
    // folder's following block nowhere to go: too big to fit, and no room for even the header
    // and one byte of a split piece. The folder has data here, so it cannot move on to the next
    // cabinet without a split block at the seam (readers only cross to the next cabinet's data
    // through one); the block in hand is split instead, its last byte going on in the next.
    // Only where the folder may go on at all: its last file is read and every file is listed.
    bool Strands(uint64_t left, uint64_t rest, const CompressedFrame* next) const {
        if (!next || !cab_->limited || rest < 2 || !pending_.empty() || !(folderEndsHere_ || closing_))
            return false;
        return left < kCabDataHeaderSize + std::min<uint64_t>(next->data.size(), 1);
    }

    // A folder of empty files only: a folder record and the files' entries, no data blocks.
    void PlaceWithoutData() {
        uint64_t entryCost = 0;
        for (size_t file : pending_)
            entryCost += EntrySize(file);
        for (;;) {
            bool countsOk = cab_->folders.size() < kMaxCabinetCount &&
                            cab_->entries.size() + pending_.size() <= kMaxCabinetCount;
            if (countsOk && cab_->limit - cab_->used >= kCabFolderSize + entryCost)
                break;
            if (!cab_->limited)
                ThrowUnlimitedOverflow(countsOk, pending_.empty() ? "" : files_[pending_.front()].where);
            if (cab_->folders.empty())
                TooSmall();
            NextCabinet(false, 0);
        }
        EnsureFolder();
        for (size_t file : pending_)
            AddEntry(file, false);
        pending_.clear();
        pendingEntryCost_ = 0;
    }

    [[noreturn]] void ThrowUnlimitedOverflow(bool countsOk, const std::string& where) {
        if (!countsOk)
            throw WriterError{where, "a cabinet holds at most 65,535 files and 65,535 folders; set MaxDiskSize "
                                     "to spread the files over several cabinets"};
        throw WriterError{where, "a cabinet file holds at most 4 GiB; set MaxDiskSize to spread the files "
                                 "over several cabinets"};
    }

    void ReadFile(size_t index) {
        const WriterFile& f = files_[index];
        int fd = ::open(f.source.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            throw WriterError{f.where, "cannot open " + SystemMessage(f.source)};
        struct Closer {
            int fd;
            ~Closer() { ::close(fd); }
        } closer{fd};
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        if (buffer_.empty())
            buffer_.resize(kReadChunk);
        uint64_t left = f.size;
        while (left > 0) {
            ssize_t n = ::read(fd, buffer_.data(), size_t(std::min<uint64_t>(left, buffer_.size())));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw WriterError{f.where, "cannot read " + SystemMessage(f.source)};
            }
            if (n == 0)
                throw WriterError{f.where, f.source + ": the file became shorter while it was being read"};
            codec_->Append(buffer_.data(), size_t(n));
            Feed();
            left -= uint64_t(n);
            progress_.bytesDone += uint64_t(n);
            progress_.fileIndex = index;
            if (options_.progress)
                options_.progress(progress_);
        }
        if (f.size == 0 && options_.progress) {
            progress_.fileIndex = index;
            options_.progress(progress_);
        }
    }

    void FinishCabinet(bool hasNext) {
        Cabinet& cab = *cab_;
        std::vector<uint8_t> head;
        uint16_t flags = 0;
        uint64_t headerSize = kCabHeaderSize;
        if (cab.number > 1)
            flags |= kCabFlagPrevious, headerSize += NamesSize(Slot(cab.number - 1));
        if (hasNext)
            flags |= kCabFlagNext, headerSize += NamesSize(Slot(cab.number + 1));
        uint64_t filesSize = 0;
        for (const Entry& e : cab.entries)
            filesSize += EntrySize(e.file);
        uint64_t dataStart = headerSize + kCabFolderSize * cab.folders.size() + filesSize;
        uint64_t total = dataStart + cab.data.size();
        if (total > cab.limit)
            throw WriterError{cab.slot.maxSizeWhere, "internal error: cabinet " + cab.slot.fileName + " would hold " +
                                                         std::to_string(total) + " bytes, more than its limit"};
        head.reserve(dataStart);
        head.insert(head.end(), {'M', 'S', 'C', 'F'});
        Put32(head, 0);
        Put32(head, uint32_t(total));
        Put32(head, 0);
        Put32(head, uint32_t(headerSize + kCabFolderSize * cab.folders.size()));
        Put32(head, 0);
        head.push_back(3); // version 1.3
        head.push_back(1);
        Put16(head, uint16_t(cab.folders.size()));
        Put16(head, uint16_t(cab.entries.size()));
        Put16(head, flags);
        Put16(head, options_.setId);
        Put16(head, uint16_t(cab.number - 1));
        if (cab.number > 1) {
            PutName(head, Slot(cab.number - 1).fileName);
            PutName(head, Slot(cab.number - 1).diskLabel);
        }
        if (hasNext) {
            PutName(head, Slot(cab.number + 1).fileName);
            PutName(head, Slot(cab.number + 1).diskLabel);
        }
        for (const FolderRecord& folder : cab.folders) {
            Put32(head, uint32_t(dataStart + folder.dataOffset));
            Put16(head, uint16_t(folder.blocks));
            Put16(head, folder.typeCompress);
        }
        for (const Entry& e : cab.entries) {
            const WriterFile& f = files_[e.file];
            uint16_t folder = e.folder;
            if (e.fromPrev && e.toNext)
                folder = kCabContinuedPrevAndNext;
            else if (e.fromPrev)
                folder = kCabContinuedFromPrev;
            else if (e.toNext)
                folder = kCabContinuedToNext;
            Put32(head, f.size);
            Put32(head, uint32_t(offset_[e.file]));
            Put16(head, folder);
            Put16(head, f.date);
            Put16(head, f.time);
            Put16(head, f.attribs);
            PutName(head, f.name);
        }
        int fd = outputs_.Create(cab.slot.path);
        FileWriter out(fd, cab.slot.path);
        out.Write(head.data(), head.size());
        cab.data.MoveTo(out);
        out.Close();
        result_.cabinets.push_back({cab.slot.path, cab.slot.fileName, cab.slot.diskLabel, total, cab.entries.size(),
                                    cab.folders.size()});
        result_.bytesAfter += total;
    }

    const std::vector<WriterFile>& files_;
    const WriterOptions& options_;
    StagedOutputs& outputs_;
    WriterResult result_;
    WriterProgress progress_;
    std::map<int, CabinetSlot> slots_;
    std::unique_ptr<Cabinet> cab_;

    std::unique_ptr<FolderCodec> codec_;
    CompressionSettings compression_;
    uint64_t folderBytes_ = 0;      // appended to the open folder
    uint64_t placedBytes_ = 0;      // of those, in blocks already in a cabinet
    uint64_t pendingEntryCost_ = 0; // file entries of pending_
    bool folderEndsHere_ = false;   // the file being read is the open folder's last
    bool closing_ = false;
    uint64_t nextBlock_ = 0;
    std::vector<uint64_t> offset_; // each file's offset in its folder
    std::deque<size_t> pending_;   // files of the open folder not yet given to a cabinet
    std::optional<CompressedFrame> lookahead_;
    std::vector<CompressedFrame> frames_;
    std::vector<uint8_t> buffer_;
};

} // namespace

WriterResult WriteCabinetSet(const std::vector<WriterFile>& files, const WriterOptions& options,
                             StagedOutputs& outputs) {
    return SetWriter(files, options, outputs).Run();
}

void DosDateTime(int64_t unixSeconds, uint16_t& date, uint16_t& time) {
    std::time_t t = std::time_t(unixSeconds);
    std::tm local{};
    if (!localtime_r(&t, &local) || local.tm_year < 80) {
        date = (1 << 5) | 1; // 1980-01-01
        time = 0;
        return;
    }
    if (local.tm_year > 207) {
        date = uint16_t((127 << 9) | (12 << 5) | 31);
        time = uint16_t((23 << 11) | (59 << 5) | 29);
        return;
    }
    date = uint16_t(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    time = uint16_t((local.tm_hour << 11) | (local.tm_min << 5) | (std::min(local.tm_sec, 59) / 2));
}

} // namespace cabtools
