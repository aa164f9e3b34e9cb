// The LZX compressor behind makecab's CompressionType=LZX.
//
// What it writes. One cabinet folder is one LZX stream. It opens with the x86 call translation
// header (translation on, size 12,000,000, as Microsoft's tools write it); then come blocks of
// three kinds: verbatim, aligned-offset (the low three bits of long offsets go through their
// own eight-symbol tree, which pays off on x86 code and other word-aligned data) and
// uncompressed. Every 32,768 uncompressed bytes form a frame: the bit stream is padded to a
// 16-bit word at each frame end and each frame becomes one CFDATA block, which is what lets
// Microsoft's decoders take the blocks one at a time. No match crosses a frame end. The
// repeated offsets, the window and the previous block's tree lengths carry over from frame to
// frame; a new codec (one per folder) starts from the format's reset state.
//
// How it gets there.
// - Input is buffered and each frame, once complete (or at the end of the folder), goes
//   through the forward call translation exactly where the decoder undoes it: only the
//   folder's first 32,768 frames, only frames longer than 10 bytes, only E8 bytes that start
//   before the frame's last 10, and the four bytes after each E8 are skipped whether or not
//   they were changed. Matching works on the translated bytes, so the decoder's window holds
//   what we matched against.
// - Matches come from hash chains over four-byte prefixes reaching back the whole window (up to
//   2 MB), a table of the latest position for each three-byte prefix, and a check of the three
//   repeated offsets at every position, which also finds two-byte matches.
// - The parse is near-optimal, one frame at a time: a shortest path over the frame's positions
//   where each step is a literal or a match (any length up to what was found, any of the three
//   repeated offsets as they stand on that path), priced in bits under the code lengths the
//   previous frame got. That is what makes a short far match lose to literals, a repeated
//   offset win over a slightly longer new one, and a match stop short where the next one pays.
//   At the same speed it came out 1.5% smaller than the lazy parse it replaced (which searched
//   fewer positions but needed deeper chains to come close).
// - Block boundaries fall on frame ends. Each parsed frame is priced three ways: alone as a
//   compressed block, merged into the block still open, and stored. Whichever costs fewer bits
//   wins: a frame that does not compress becomes an uncompressed block, a frame whose
//   statistics differ starts a new block. An uncompressed block's header sets the repeated
//   offsets, so it carries those the parse reached at the frame's end and the next frames
//   decode as parsed. A block's type (verbatim or aligned) and its trees are fixed when it is
//   closed; should a frame then cost more under the block's trees than stored, the block is
//   split, down to storing that frame, so no frame's payload ever exceeds
//   kLzxMaxFrameOverhead over its size. Trees are sent as deltas against the previous block's
//   lengths through the pretree, with its runs of zeros (17, 18) and of equal lengths (19).
// - Code lengths are limited to 16 bits (main and length trees), 15 (pretree, four-bit
//   lengths) and 7 (aligned tree, three-bit lengths).
//
// Where the format's description and the decoders part ways (the decoder notes of libmspack
// record most of this): the position slot count per window is 30, 32, 34, 36, 38, 42, 50 for
// windows 15..21; the uncompressed block's 24-bit length comes before its padding; the padding
// after an uncompressed block's header is 1 to 16 bits, never 0; an odd-sized uncompressed
// block is followed by a pad byte; the aligned tree precedes the main tree; an offset with
// exactly 3 extra bits in an aligned block is one aligned symbol and no plain bits; a length
// tree may be empty; any other tree must be a complete code, so a lone symbol gets a partner.

#include "cabtools/FolderCodec.h"
#include "cabtools/lzx/LzxEncoder.h"
#include "cabtools/lzx/LzxHuffman.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>

namespace cabtools {
namespace {

using lzx::BuildCanonicalCodes;
using lzx::BuildCodeLengths;

// ---- Tunables ----------------------------------------------------------------------------

// The chains are keyed on four bytes: on a 2 MB window three-byte chains fill up with
// candidates that never reach four bytes. 2^17 heads keep chains short without spilling the
// cache for the small windows.
constexpr int kHashBits = 17;
// Three-byte matches come from a table holding only the latest position per three-byte hash:
// the ones worth their price are near, and one lookup finds them.
constexpr int kNearHashBits = 14;
// Chain links followed per position: the speed/ratio dial, as the parse searches at every
// position and each link is a cache miss. On the benchmark corpus (text, x86 libraries, a few
// compressed files) at window 21, 4 links give 0.796 of gzip -6's size, 6 give 0.787 for
// about 1.4 times the time, 8 give 0.781 for about 1.6 times.
constexpr int kChainDepth = 4;
// Once a match this long is in hand, one more link at most: a longer one saves little.
constexpr int kGoodLength = 32;
constexpr int kChainDepthPastGood = 1;
// A match this long ends the parse's segment and is taken as it is: weighing every length of
// it against every other path costs time for almost no gain.
constexpr int kNiceLength = 96;
// How far ahead the parse starts fetching the first chain link of a coming position.
constexpr uint32_t kPrefetchDistance = 8;
// A frame joins the open block only while that block is shorter than this many frames: it bounds
// the memory for parsed items, and the greedy merge test misses slow drift in the statistics,
// which shorter blocks follow (16 frames came out slightly smaller than 64).
constexpr size_t kMaxBlockFrames = 16;
// Prices (in bits) for symbols the previous frame did not use, and for the very first frame.
constexpr int kUnseenLiteralBits = 11;
constexpr int kUnseenMatchSymbolBits = 12;
constexpr int kUnseenLengthBits = 9;
constexpr int kFirstFrameLiteralBits = 8;
constexpr int kFirstFrameMatchSymbolBits = 9;
constexpr int kFirstFrameLengthBits = 7;
// Microsoft's tools write translation on with this size; decoders use it as the x86 image
// size in the call translation.
constexpr int32_t kE8TranslationSize = 12000000;
// The decoders translate only the first 32,768 frames of a folder, and only frames longer than
// 10 bytes, leaving each frame's last 10 bytes alone.
constexpr uint32_t kE8MaxFrames = 32768;
constexpr uint32_t kE8FrameTail = 10;

// ---- Format constants --------------------------------------------------------------------

constexpr int kNumChars = 256;
constexpr int kMinMatch = 2;
constexpr int kMaxMatch = 257;
constexpr int kNumPrimaryLengths = 7;
constexpr int kNumLengthSymbols = 249;
constexpr int kMaxMainSymbols = kNumChars + 50 * 8;
constexpr int kNumAlignedSymbols = 8;
constexpr int kNumPretreeSymbols = 20;
constexpr int kBlockVerbatim = 1;
constexpr int kBlockAligned = 2;
constexpr int kBlockUncompressed = 3;
constexpr uint16_t kNoLengthSymbol = 0xFFFF;

int PositionSlots(int windowBits)
{
    static constexpr int kSlots[] = {30, 32, 34, 36, 38, 42, 50};
    return kSlots[windowBits - 15];
}

int ExtraBits(int slot)
{
    if (slot < 4) {
        return 0;
    }
    return slot < 36 ? slot / 2 - 1 : 17;
}

uint32_t PositionBase(int slot)
{
    if (slot < 4) {
        return uint32_t(slot);
    }
    if (slot < 36) {
        const int half = slot / 2;
        return (slot & 1) ? 3u << (half - 1) : 1u << half;
    }
    return 262144u + uint32_t(slot - 36) * 131072u;
}

// The slot of a formatted offset (real offset + 2, so at least 3).
int SlotOf(uint32_t formatted)
{
    if (formatted < 4) {
        return int(formatted);
    }
    if (formatted < 262144) {
        const int high = 31 - __builtin_clz(formatted);
        return 2 * high + int((formatted >> (high - 1)) & 1);
    }
    return 36 + int((formatted - 262144) >> 17);
}

uint32_t ReadLE32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void WriteLE32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// The inverse of the decoders' call translation over one frame starting at folder offset
// frameStart.
void TranslateCalls(uint8_t* data, uint32_t size, uint32_t frameStart)
{
    if (frameStart / kFrameSize >= kE8MaxFrames || size <= kE8FrameTail) {
        return;
    }
    const int64_t fileSize = kE8TranslationSize;
    for (uint32_t i = 0; i < size - kE8FrameTail;) {
        if (data[i] != 0xE8) {
            ++i;
            continue;
        }
        const int64_t position = int64_t(frameStart) + i;
        const int64_t relative = int32_t(ReadLE32(data + i + 1));
        if (relative >= -position && relative < fileSize) {
            const int64_t absolute =
                relative < fileSize - position ? relative + position : relative - fileSize;
            WriteLE32(data + i + 1, uint32_t(int32_t(absolute)));
        }
        i += 5;
    }
}

// 16-bit little-endian words, each filled from its most significant bit.
class BitWriter {
public:
    void Put(uint32_t bits, int count)
    {
        acc_ = (acc_ << count) | bits;
        pending_ += count;
        while (pending_ >= 16) {
            pending_ -= 16;
            const uint32_t word = uint32_t(acc_ >> pending_) & 0xFFFF;
            bytes_.push_back(uint8_t(word));
            bytes_.push_back(uint8_t(word >> 8));
        }
    }
    int PendingBits() const { return pending_; }
    void AlignToWord()
    {
        if (pending_ > 0) {
            Put(0, 16 - pending_);
        }
    }
    // Only at a word boundary.
    void PutBytes(const uint8_t* data, size_t size) { bytes_.insert(bytes_.end(), data, data + size); }
    std::vector<uint8_t> TakeBytes()
    {
        std::vector<uint8_t> out;
        out.swap(bytes_);
        return out;
    }

private:
    uint64_t acc_ = 0;
    int pending_ = 0;
    std::vector<uint8_t> bytes_;
};

// Counts bits instead of writing them, for pricing trees.
class BitCounter {
public:
    void Put(uint32_t, int count) { bits_ += uint64_t(count); }
    uint64_t Bits() const { return bits_; }

private:
    uint64_t bits_ = 0;
};

// One literal or match of the parse, in the form the block writer needs.
struct Item {
    uint16_t mainSymbol;
    uint16_t lengthSymbol; // kNoLengthSymbol when the main symbol holds the whole length
    uint32_t extra;        // the offset's bits above the slot base, for slots past the repeats
};

// Symbol counts of one or more frames, and the extra bits each block type would write.
struct Stats {
    std::array<uint32_t, kMaxMainSymbols> main{};
    std::array<uint32_t, kNumLengthSymbols> length{};
    std::array<uint32_t, kNumAlignedSymbols> aligned{};
    uint64_t verbatimExtraBits = 0;
    uint64_t alignedPlainBits = 0;

    void Add(const Stats& other)
    {
        for (size_t i = 0; i < main.size(); ++i) {
            main[i] += other.main[i];
        }
        for (size_t i = 0; i < length.size(); ++i) {
            length[i] += other.length[i];
        }
        for (size_t i = 0; i < aligned.size(); ++i) {
            aligned[i] += other.aligned[i];
        }
        verbatimExtraBits += other.verbatimExtraBits;
        alignedPlainBits += other.alignedPlainBits;
    }
};

struct Frame {
    uint32_t start = 0;
    uint32_t size = 0;
    uint32_t repeatsAfter[3] = {1, 1, 1}; // what an uncompressed block in its place must carry
    std::vector<Item> items;
    Stats stats;
};

// A block's type and trees, and what it would cost in bits.
struct BlockPlan {
    int type = kBlockVerbatim;
    std::array<uint8_t, kMaxMainSymbols> mainLengths{};
    std::array<uint8_t, kNumLengthSymbols> lengthLengths{};
    std::array<uint8_t, kNumAlignedSymbols> alignedLengths{};
    uint64_t headerBits = 0; // block header and trees
    uint64_t bits = 0;       // all of it
};

// The pretree-coded delta of one range of tree lengths, against the previous block's lengths.
template <class Sink>
void WriteLengths(const uint8_t* previous, const uint8_t* lengths, int first, int last, Sink& sink)
{
    struct Op {
        uint8_t symbol;
        uint8_t extraCount;
        uint8_t extra;
        uint8_t runSymbol; // for 19: the delta every length of the run takes
    };
    std::vector<Op> ops;
    ops.reserve(size_t(last - first));
    auto delta = [&](int i) { return uint8_t((previous[i] - lengths[i] + 17) % 17); };
    for (int i = first; i < last;) {
        int run = 1;
        while (i + run < last && lengths[i + run] == lengths[i]) {
            ++run;
        }
        if (lengths[i] == 0 && run >= 20) {
            const int take = std::min(run, 51);
            ops.push_back({18, 5, uint8_t(take - 20), 0});
            i += take;
        } else if (lengths[i] == 0 && run >= 4) {
            ops.push_back({17, 4, uint8_t(run - 4), 0});
            i += run;
        } else if (run >= 4) {
            const int take = std::min(run, 5);
            ops.push_back({19, 1, uint8_t(take - 4), delta(i)});
            i += take;
        } else {
            ops.push_back({delta(i), 0, 0, 0});
            ++i;
        }
    }
    uint32_t freq[kNumPretreeSymbols] = {};
    for (const Op& op : ops) {
        ++freq[op.symbol];
        if (op.symbol == 19) {
            ++freq[op.runSymbol];
        }
    }
    uint8_t preLengths[kNumPretreeSymbols];
    uint16_t preCodes[kNumPretreeSymbols];
    BuildCodeLengths(freq, kNumPretreeSymbols, 15, preLengths);
    BuildCanonicalCodes(preLengths, kNumPretreeSymbols, preCodes);
    for (int i = 0; i < kNumPretreeSymbols; ++i) {
        sink.Put(preLengths[i], 4);
    }
    for (const Op& op : ops) {
        sink.Put(preCodes[op.symbol], preLengths[op.symbol]);
        if (op.extraCount) {
            sink.Put(op.extra, op.extraCount);
        }
        if (op.symbol == 19) {
            sink.Put(preCodes[op.runSymbol], preLengths[op.runSymbol]);
        }
    }
}

template <size_t N>
uint64_t SymbolBits(const std::array<uint32_t, N>& freq, const std::array<uint8_t, N>& lengths, int count)
{
    uint64_t bits = 0;
    for (int i = 0; i < count; ++i) {
        bits += uint64_t(freq[i]) * lengths[i];
    }
    return bits;
}

class LzxCodec final : public FolderCodec {
public:
    explicit LzxCodec(int windowBits)
        : windowBits_(windowBits),
          windowSize_(1u << windowBits),
          maxOffset_((1u << windowBits) - 3),
          mainSymbols_(kNumChars + PositionSlots(windowBits) * 8),
          capacity_(2 * (1u << windowBits) + 4 * uint32_t(kFrameSize)),
          buffer_(capacity_),
          near_(size_t(1) << kNearHashBits, 0),
          head_(size_t(1) << kHashBits, 0),
          chain_(1u << windowBits, 0)
    {
        for (int i = 0; i < kMaxMainSymbols; ++i) {
            mainPrice_[i] = i < kNumChars ? kFirstFrameLiteralBits : kFirstFrameMatchSymbolBits;
        }
        lengthPrice_.fill(kFirstFrameLengthBits);
    }

    void Append(const uint8_t* data, size_t size) override
    {
        if (finished_) {
            throw std::logic_error("LZX codec: Append after Finish");
        }
        while (size > 0) {
            // Feed at most to the next frame end, so frames are translated as they complete.
            const uint32_t room = uint32_t(kFrameSize - total_ % kFrameSize);
            const uint32_t take = uint32_t(std::min<size_t>(size, room));
            if (uint64_t(total_) + take > 0xFFFFFFFFull - kFrameSize) {
                throw std::length_error("LZX codec: folder too large");
            }
            MakeRoom(take);
            std::memcpy(At(total_), data, take);
            total_ += take;
            data += take;
            size -= take;
            if (total_ % kFrameSize == 0) {
                TranslateCalls(At(total_ - uint32_t(kFrameSize)), uint32_t(kFrameSize), total_ - uint32_t(kFrameSize));
                translated_ = total_;
            }
            // Parse a frame once the next one is translated too, so hashing its last bytes sees
            // final data.
            while (translated_ >= parsed_ + 2 * kFrameSize) {
                ParseAndSchedule(parsed_, parsed_ + uint32_t(kFrameSize));
            }
        }
    }

    void Finish() override
    {
        if (finished_) {
            return;
        }
        finished_ = true;
        if (translated_ < total_) {
            TranslateCalls(At(translated_), total_ - translated_, translated_);
            translated_ = total_;
        }
        while (parsed_ < total_) {
            ParseAndSchedule(parsed_, std::min<uint32_t>(total_, parsed_ + uint32_t(kFrameSize)));
        }
        FlushBlock();
    }

    void TakeFrames(std::vector<CompressedFrame>& out) override
    {
        for (CompressedFrame& frame : frames_) {
            out.push_back(std::move(frame));
        }
        frames_.clear();
    }

    uint16_t TypeCompress() const override { return uint16_t(3 | windowBits_ << 8); }

private:
    uint8_t* At(uint32_t position) { return buffer_.data() + (position - bufferBase_); }

    // Keeps a whole window behind the frame being parsed, sliding the buffer when it is full.
    // The buffer holds two windows, so a slide (moving one window) comes once per window of
    // input rather than once per frame.
    void MakeRoom(uint32_t incoming)
    {
        if (total_ - bufferBase_ + incoming <= capacity_) {
            return;
        }
        const uint32_t keepFrom = parsed_ > windowSize_ ? parsed_ - windowSize_ : 0;
        const uint32_t drop = keepFrom - bufferBase_;
        std::memmove(buffer_.data(), buffer_.data() + drop, total_ - keepFrom);
        bufferBase_ = keepFrom;
        if (total_ - bufferBase_ + incoming > capacity_) {
            throw std::logic_error("LZX codec: buffer overrun");
        }
    }

    uint32_t HashAt(uint32_t position)
    {
        uint32_t v;
        std::memcpy(&v, At(position), 4);
        return (v * 2654435761u) >> (32 - kHashBits);
    }

    uint32_t Hash3At(uint32_t position)
    {
        const uint8_t* p = At(position);
        const uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        return (v * 2654435761u) >> (32 - kNearHashBits);
    }

    void InsertUpTo(uint32_t end)
    {
        for (; inserted_ < end; ++inserted_) {
            if (inserted_ + 3 >= translated_) {
                if (inserted_ + 2 < translated_) {
                    near_[Hash3At(inserted_)] = inserted_ + 1;
                }
                continue;
            }
            near_[Hash3At(inserted_)] = inserted_ + 1;
            uint32_t& head = head_[HashAt(inserted_)];
            chain_[inserted_ & (windowSize_ - 1)] = head;
            head = inserted_ + 1;
        }
    }

    // The latest earlier position sharing p's first three bytes: most three-byte matches worth
    // taking are near, and the four-byte chains never see them.
    uint32_t NearMatch(uint32_t p, uint32_t limit, uint32_t& offset)
    {
        if (limit < 3 || p + 2 >= translated_) {
            return 0;
        }
        const uint32_t candidate = near_[Hash3At(p)];
        if (candidate == 0) {
            return 0;
        }
        offset = p - (candidate - 1);
        if (offset > maxOffset_) {
            return 0;
        }
        return CommonLength(At(p), At(candidate - 1), limit);
    }

    // A match: its length, its real offset, and which repeated offset it is (-1 for none).
    struct Match {
        uint32_t length = 0;
        uint32_t offset = 0;
        int repeat = -1;
    };

    static int RepeatIndex(const uint32_t* repeats, uint32_t offset)
    {
        for (int r = 0; r < 3; ++r) {
            if (repeats[r] == offset) {
                return r;
            }
        }
        return -1;
    }

    int MatchPrice(uint32_t length, int slot) const
    {
        const uint32_t header = std::min<uint32_t>(length - kMinMatch, kNumPrimaryLengths);
        int price = mainPrice_[kNumChars + slot * 8 + int(header)];
        if (header == kNumPrimaryLengths) {
            price += lengthPrice_[length - kMinMatch - kNumPrimaryLengths];
        }
        return price + ExtraBits(slot);
    }

    static uint32_t CommonLength(const uint8_t* a, const uint8_t* b, uint32_t limit)
    {
        uint32_t n = 0;
        while (n + 8 <= limit) {
            uint64_t x;
            uint64_t y;
            std::memcpy(&x, a + n, 8);
            std::memcpy(&y, b + n, 8);
            if (x != y) {
                return n + uint32_t(__builtin_ctzll(x ^ y) >> 3);
            }
            n += 8;
        }
        while (n < limit && a[n] == b[n]) {
            ++n;
        }
        return n;
    }

    // The matches at p from the near table and the chains, each longer than the one before and
    // than atLeast; enters p into the tables.
    void FindMatches(uint32_t p, uint32_t limit, uint32_t atLeast, std::vector<Match>& out)
    {
        out.clear();
        InsertUpTo(p);
        uint32_t longest = std::max<uint32_t>(atLeast, 2);
        uint32_t nearOffset = 0;
        const uint32_t nearLength = NearMatch(p, limit, nearOffset);
        if (nearLength > longest) {
            longest = nearLength;
            out.push_back({nearLength, nearOffset, -1});
        }
        if (longest < uint32_t(kNiceLength) && longest < limit && limit >= 4 && p + 3 < translated_) {
            const uint8_t* here = At(p);
            uint32_t candidate = head_[HashAt(p)];
            for (int depth = kChainDepth; candidate != 0 && depth > 0; --depth) {
                const uint32_t c = candidate - 1;
                const uint32_t offset = p - c;
                if (offset > maxOffset_) {
                    break;
                }
                const uint8_t* there = At(c);
                if (there[longest] == here[longest] && there[0] == here[0]) {
                    const uint32_t length = CommonLength(here, there, limit);
                    if (length > longest) {
                        longest = length;
                        out.push_back({length, offset, -1});
                        if (length >= uint32_t(kNiceLength) || length >= limit) {
                            break;
                        }
                        if (length >= uint32_t(kGoodLength)) {
                            depth = std::min(depth, kChainDepthPastGood + 1);
                        }
                    }
                }
                candidate = chain_[c & (windowSize_ - 1)];
            }
        }
        InsertUpTo(p + 1);
    }

    void EmitLiteral(Frame& frame, uint32_t p)
    {
        const uint8_t byte = *At(p);
        frame.items.push_back({byte, kNoLengthSymbol, 0});
        ++frame.stats.main[byte];
    }

    void EmitMatch(Frame& frame, uint32_t length, uint32_t offset)
    {
        const int repeat = RepeatIndex(repeats_, offset);
        int slot;
        uint32_t extra = 0;
        if (repeat >= 0) {
            slot = repeat;
            std::swap(repeats_[0], repeats_[repeat]);
        } else {
            const uint32_t formatted = offset + 2;
            slot = SlotOf(formatted);
            extra = formatted - PositionBase(slot);
            repeats_[2] = repeats_[1];
            repeats_[1] = repeats_[0];
            repeats_[0] = offset;
        }
        const uint32_t header = std::min<uint32_t>(length - kMinMatch, kNumPrimaryLengths);
        Item item{uint16_t(kNumChars + slot * 8 + int(header)), kNoLengthSymbol, extra};
        ++frame.stats.main[item.mainSymbol];
        if (header == kNumPrimaryLengths) {
            item.lengthSymbol = uint16_t(length - kMinMatch - kNumPrimaryLengths);
            ++frame.stats.length[item.lengthSymbol];
        }
        const int extraBits = ExtraBits(slot);
        frame.stats.verbatimExtraBits += uint64_t(extraBits);
        if (extraBits >= 3) {
            ++frame.stats.aligned[extra & 7];
            frame.stats.alignedPlainBits += uint64_t(extraBits - 3);
        } else {
            frame.stats.alignedPlainBits += uint64_t(extraBits);
        }
        frame.items.push_back(item);
    }

    // One position of the parse: the cheapest way found to reach it from the segment's start,
    // how the last step got here, and the repeated offsets after that path.
    struct Node {
        uint32_t cost;
        uint32_t length; // of the last step; 0 for a literal
        uint32_t offset;
        uint32_t repeats[3];
    };

    // Shortest path through the frame: every position may be reached by a literal or by any
    // match found at an earlier position, at every length up to the match's; the price of a
    // repeated offset depends on the path, so each node keeps the repeated offsets of its best
    // path. A match of at least kNiceLength ends the segment: the path so far is emitted, the
    // long match taken, and a new segment starts after it.
    void ParseFrame(Frame& frame)
    {
        const uint32_t end = frame.start + frame.size;
        nodes_.resize(frame.size + 1);
        frame.items.reserve(frame.size / 3);
        uint32_t p = frame.start;
        while (p < end) {
            const uint32_t span = end - p;
            // Nodes are cleared only as far as steps reach: segments are often short.
            uint32_t cleared = 0;
            nodes_[0].cost = 0;
            std::copy(std::begin(repeats_), std::end(repeats_), nodes_[0].repeats);
            uint32_t stop = span;
            Match forced;
            for (uint32_t i = 0; i < span; ++i) {
                const Node node = nodes_[i];
                const uint32_t q = p + i;
                const uint8_t* here = At(q);
                if (q + kPrefetchDistance + 3 < translated_) {
                    // The chains are walked at every position, and each link is a cache miss:
                    // start fetching a position ahead's first link now.
                    const uint32_t ahead = head_[HashAt(q + kPrefetchDistance)];
                    __builtin_prefetch(&chain_[(ahead - 1) & (windowSize_ - 1)]);
                    __builtin_prefetch(At(ahead ? ahead - 1 : q));
                }
                auto relax = [&](uint32_t to, uint32_t cost, uint32_t length, uint32_t offset, int repeat) {
                    while (cleared < to) {
                        nodes_[++cleared].cost = UINT32_MAX;
                    }
                    Node& target = nodes_[to];
                    if (cost >= target.cost) {
                        return;
                    }
                    target.cost = cost;
                    target.length = length;
                    target.offset = offset;
                    std::copy(std::begin(node.repeats), std::end(node.repeats), target.repeats);
                    if (length == 0) {
                        return;
                    }
                    if (repeat >= 0) {
                        std::swap(target.repeats[0], target.repeats[repeat]);
                    } else {
                        target.repeats[2] = target.repeats[1];
                        target.repeats[1] = target.repeats[0];
                        target.repeats[0] = offset;
                    }
                };
                relax(i + 1, node.cost + uint32_t(mainPrice_[*here]), 0, 0, -1);
                const uint32_t limit = std::min<uint32_t>(span - i, kMaxMatch);
                if (limit < uint32_t(kMinMatch)) {
                    InsertUpTo(q + 1);
                    continue;
                }
                Match longestRepeat;
                for (int r = 0; r < 3; ++r) {
                    const uint32_t offset = node.repeats[r];
                    if (offset > q) {
                        continue;
                    }
                    const uint32_t length = CommonLength(here, here - offset, limit);
                    for (uint32_t l = kMinMatch; l <= length; ++l) {
                        relax(i + l, node.cost + uint32_t(MatchPrice(l, r)), l, offset, r);
                    }
                    if (length > longestRepeat.length) {
                        longestRepeat = {length, offset, r};
                    }
                }
                if (longestRepeat.length >= uint32_t(kNiceLength)) {
                    InsertUpTo(q + 1);
                    stop = i;
                    forced = longestRepeat;
                    break;
                }
                FindMatches(q, limit, longestRepeat.length, matches_);
                uint32_t shorter = kMinMatch;
                for (const Match& m : matches_) {
                    const int repeat = RepeatIndex(node.repeats, m.offset);
                    const int slot = repeat >= 0 ? repeat : SlotOf(m.offset + 2);
                    for (uint32_t l = shorter + 1; l <= m.length; ++l) {
                        relax(i + l, node.cost + uint32_t(MatchPrice(l, slot)), l, m.offset, repeat);
                    }
                    shorter = m.length;
                }
                if (!matches_.empty() && matches_.back().length >= uint32_t(kNiceLength)) {
                    stop = i;
                    forced = matches_.back();
                    break;
                }
            }
            path_.clear();
            for (uint32_t at = stop; at > 0; at -= std::max<uint32_t>(nodes_[at].length, 1)) {
                path_.push_back(at);
            }
            uint32_t from = 0;
            for (auto it = path_.rbegin(); it != path_.rend(); ++it) {
                const Node& node = nodes_[*it];
                if (node.length == 0) {
                    EmitLiteral(frame, p + from);
                } else {
                    EmitMatch(frame, node.length, node.offset);
                }
                from = *it;
            }
            p += stop;
            if (forced.length) {
                EmitMatch(frame, forced.length, forced.offset);
                p += forced.length;
            }
        }
    }

    // Prices for the next frame's parse: the code lengths this frame would get on its own.
    void UpdatePrices(const BlockPlan& plan)
    {
        for (int i = 0; i < mainSymbols_; ++i) {
            const int unseen = i < kNumChars ? kUnseenLiteralBits : kUnseenMatchSymbolBits;
            mainPrice_[i] = plan.mainLengths[i] ? plan.mainLengths[i] : unseen;
        }
        for (int i = 0; i < kNumLengthSymbols; ++i) {
            lengthPrice_[i] = plan.lengthLengths[i] ? plan.lengthLengths[i] : kUnseenLengthBits;
        }
    }

    BlockPlan Plan(const Stats& stats) const
    {
        BlockPlan plan;
        BuildCodeLengths(stats.main.data(), mainSymbols_, 16, plan.mainLengths.data());
        BuildCodeLengths(stats.length.data(), kNumLengthSymbols, 16, plan.lengthLengths.data());
        BitCounter trees;
        WriteLengths(previousMain_.data(), plan.mainLengths.data(), 0, kNumChars, trees);
        WriteLengths(previousMain_.data(), plan.mainLengths.data(), kNumChars, mainSymbols_, trees);
        WriteLengths(previousLength_.data(), plan.lengthLengths.data(), 0, kNumLengthSymbols, trees);
        plan.headerBits = 3 + 24 + trees.Bits();
        const uint64_t common = plan.headerBits + SymbolBits(stats.main, plan.mainLengths, mainSymbols_) +
                                SymbolBits(stats.length, plan.lengthLengths, kNumLengthSymbols);
        plan.bits = common + stats.verbatimExtraBits;
        plan.type = kBlockVerbatim;
        uint32_t alignedUses = 0;
        for (uint32_t f : stats.aligned) {
            alignedUses += f;
        }
        if (alignedUses > 0) {
            std::array<uint8_t, kNumAlignedSymbols> alignedLengths{};
            BuildCodeLengths(stats.aligned.data(), kNumAlignedSymbols, 7, alignedLengths.data());
            const uint64_t alignedBits = common + 3 * kNumAlignedSymbols + stats.alignedPlainBits +
                                         SymbolBits(stats.aligned, alignedLengths, kNumAlignedSymbols);
            if (alignedBits < plan.bits) {
                plan.headerBits += 3 * kNumAlignedSymbols;
                plan.bits = alignedBits;
                plan.type = kBlockAligned;
                plan.alignedLengths = alignedLengths;
            }
        }
        return plan;
    }

    // What one frame's symbols and extra bits cost under a block's trees.
    uint64_t FrameBits(const BlockPlan& plan, const Stats& stats) const
    {
        uint64_t bits = SymbolBits(stats.main, plan.mainLengths, mainSymbols_) +
                        SymbolBits(stats.length, plan.lengthLengths, kNumLengthSymbols);
        if (plan.type == kBlockAligned) {
            return bits + stats.alignedPlainBits + SymbolBits(stats.aligned, plan.alignedLengths, kNumAlignedSymbols);
        }
        return bits + stats.verbatimExtraBits;
    }

    static uint64_t StoredBits(uint32_t size)
    {
        // Header, the average padding to a word, the repeated offsets, the bytes and a pad byte.
        return 3 + 24 + 8 + 12 * 8 + uint64_t(size) * 8 + (size & 1) * 8;
    }

    void ParseAndSchedule(uint32_t start, uint32_t end)
    {
        Frame frame;
        frame.start = start;
        frame.size = end - start;
        ParseFrame(frame);
        std::copy(std::begin(repeats_), std::end(repeats_), frame.repeatsAfter);
        parsed_ = end;

        const BlockPlan alone = Plan(frame.stats);
        UpdatePrices(alone);
        if (alone.bits >= StoredBits(frame.size)) {
            FlushBlock();
            WriteStored(frame);
            return;
        }
        if (!openFrames_.empty() && openFrames_.size() < kMaxBlockFrames) {
            Stats merged = openStats_;
            merged.Add(frame.stats);
            const BlockPlan together = Plan(merged);
            if (together.bits <= openBits_ + alone.bits) {
                openStats_ = merged;
                openBits_ = together.bits;
                openFrames_.push_back(std::move(frame));
                return;
            }
        }
        FlushBlock();
        openStats_ = frame.stats;
        openBits_ = alone.bits;
        openFrames_.push_back(std::move(frame));
    }

    void WriteStreamHeader()
    {
        if (headerWritten_) {
            return;
        }
        headerWritten_ = true;
        out_.Put(1, 1);
        out_.Put(uint32_t(kE8TranslationSize) >> 16, 16);
        out_.Put(uint32_t(kE8TranslationSize) & 0xFFFF, 16);
    }

    void WriteBlockHeader(int type, uint32_t size)
    {
        out_.Put(uint32_t(type), 3);
        out_.Put(size >> 8, 16);
        out_.Put(size & 0xFF, 8);
    }

    void EndFrame(uint32_t size)
    {
        out_.AlignToWord();
        frames_.push_back({out_.TakeBytes(), uint16_t(size)});
    }

    void WriteStored(const Frame& frame)
    {
        WriteStreamHeader();
        WriteBlockHeader(kBlockUncompressed, frame.size);
        if (out_.PendingBits() == 0) {
            out_.Put(0, 16);
        } else {
            out_.AlignToWord();
        }
        uint8_t repeats[12];
        for (int r = 0; r < 3; ++r) {
            WriteLE32(repeats + 4 * r, frame.repeatsAfter[r]);
        }
        out_.PutBytes(repeats, sizeof repeats);
        out_.PutBytes(At(frame.start), frame.size);
        if (frame.size & 1) {
            const uint8_t pad = 0;
            out_.PutBytes(&pad, 1);
        }
        EndFrame(frame.size);
    }

    void FlushBlock()
    {
        WriteFrames(openFrames_.data(), openFrames_.data() + openFrames_.size());
        openFrames_.clear();
        openStats_ = Stats{};
        openBits_ = 0;
    }

    // Writes frames as one block, unless under the block's trees a frame would come out larger
    // than stored: then the run is halved, down to single frames, which are stored if need be.
    // That bounds every frame's payload (kLzxMaxFrameOverhead), whatever the merging decided.
    // An uncompressed block can take any frame's place because it carries the repeated offsets
    // the following frames were parsed with.
    void WriteFrames(const Frame* first, const Frame* last)
    {
        if (first == last) {
            return;
        }
        Stats stats;
        for (const Frame* frame = first; frame != last; ++frame) {
            stats.Add(frame->stats);
        }
        const BlockPlan plan = Plan(stats);
        bool fits = true;
        for (const Frame* frame = first; frame != last; ++frame) {
            const uint64_t bits = FrameBits(plan, frame->stats) + (frame == first ? plan.headerBits : 0);
            fits = fits && bits < StoredBits(frame->size);
        }
        if (fits) {
            WriteBlock(first, last, plan);
        } else if (last - first == 1) {
            WriteStored(*first);
        } else {
            const Frame* middle = first + (last - first) / 2;
            WriteFrames(first, middle);
            WriteFrames(middle, last);
        }
    }

    void WriteBlock(const Frame* first, const Frame* last, const BlockPlan& plan)
    {
        uint32_t size = 0;
        for (const Frame* frame = first; frame != last; ++frame) {
            size += frame->size;
        }
        WriteStreamHeader();
        WriteBlockHeader(plan.type, size);
        if (plan.type == kBlockAligned) {
            for (uint8_t length : plan.alignedLengths) {
                out_.Put(length, 3);
            }
        }
        WriteLengths(previousMain_.data(), plan.mainLengths.data(), 0, kNumChars, out_);
        WriteLengths(previousMain_.data(), plan.mainLengths.data(), kNumChars, mainSymbols_, out_);
        WriteLengths(previousLength_.data(), plan.lengthLengths.data(), 0, kNumLengthSymbols, out_);
        previousMain_ = plan.mainLengths;
        previousLength_ = plan.lengthLengths;

        std::array<uint16_t, kMaxMainSymbols> mainCodes{};
        std::array<uint16_t, kNumLengthSymbols> lengthCodes{};
        std::array<uint16_t, kNumAlignedSymbols> alignedCodes{};
        BuildCanonicalCodes(plan.mainLengths.data(), mainSymbols_, mainCodes.data());
        BuildCanonicalCodes(plan.lengthLengths.data(), kNumLengthSymbols, lengthCodes.data());
        BuildCanonicalCodes(plan.alignedLengths.data(), kNumAlignedSymbols, alignedCodes.data());
        const bool aligned = plan.type == kBlockAligned;
        for (const Frame* frame = first; frame != last; ++frame) {
            for (const Item& item : frame->items) {
                out_.Put(mainCodes[item.mainSymbol], plan.mainLengths[item.mainSymbol]);
                if (item.mainSymbol < kNumChars) {
                    continue;
                }
                if (item.lengthSymbol != kNoLengthSymbol) {
                    out_.Put(lengthCodes[item.lengthSymbol], plan.lengthLengths[item.lengthSymbol]);
                }
                const int slot = (item.mainSymbol - kNumChars) >> 3;
                const int extraBits = ExtraBits(slot);
                if (aligned && extraBits >= 3) {
                    out_.Put(item.extra >> 3, extraBits - 3);
                    out_.Put(alignedCodes[item.extra & 7], plan.alignedLengths[item.extra & 7]);
                } else if (extraBits > 0) {
                    out_.Put(item.extra, extraBits);
                }
            }
            EndFrame(frame->size);
        }
    }

    const int windowBits_;
    const uint32_t windowSize_;
    const uint32_t maxOffset_;
    const int mainSymbols_;
    const uint32_t capacity_;

    std::vector<uint8_t> buffer_;
    uint32_t bufferBase_ = 0; // folder offset of buffer_[0]
    uint32_t total_ = 0;      // bytes appended
    uint32_t translated_ = 0; // bytes through the call translation
    uint32_t parsed_ = 0;     // bytes parsed into frames
    uint32_t inserted_ = 0;   // positions entered into the hash chains
    bool finished_ = false;

    std::vector<uint32_t> near_;  // per three-byte hash: the latest position + 1, 0 for none
    std::vector<uint32_t> head_;  // per four-byte hash: the latest position + 1, 0 for none
    std::vector<uint32_t> chain_; // per position modulo the window: the previous one + 1

    uint32_t repeats_[3] = {1, 1, 1};
    std::array<int, kMaxMainSymbols> mainPrice_{};
    std::array<int, kNumLengthSymbols> lengthPrice_{};
    std::vector<Node> nodes_;
    std::vector<uint32_t> path_;
    std::vector<Match> matches_;

    std::vector<Frame> openFrames_;
    Stats openStats_;
    uint64_t openBits_ = 0;
    std::array<uint8_t, kMaxMainSymbols> previousMain_{};
    std::array<uint8_t, kNumLengthSymbols> previousLength_{};

    bool headerWritten_ = false;
    BitWriter out_;
    std::vector<CompressedFrame> frames_;
};

} // namespace

std::unique_ptr<FolderCodec> MakeLzxCodec(int windowBits)
{
    if (windowBits < 15 || windowBits > 21) {
        throw std::invalid_argument("LZX window must be 15 to 21, not " + std::to_string(windowBits));
    }
    return std::make_unique<LzxCodec>(windowBits);
}

} // namespace cabtools
