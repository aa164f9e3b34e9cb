// lzxfolder WINDOW INPUT OUTPUT.cab: one file as a one-folder LZX cabinet. A measuring tool
// for the encoder alone (makecab is the real user); data blocks carry no checksum.
#include "cabtools/FolderCodec.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: lzxfolder WINDOW(15-21) INPUT OUTPUT.cab\n");
        return 2;
    }
    const int window = std::atoi(argv[1]);
    if (window < 15 || window > 21) {
        std::fprintf(stderr, "lzxfolder: window must be 15 to 21\n");
        return 2;
    }
    FILE* in = std::fopen(argv[2], "rb");
    if (!in) {
        std::perror(argv[2]);
        return 1;
    }
    auto codec = cabtools::MakeLzxCodec(window);
    std::vector<cabtools::CompressedFrame> frames;
    std::vector<uint8_t> chunk(1 << 20);
    uint64_t size = 0;
    for (size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), in)) > 0;) {
        codec->Append(chunk.data(), got);
        codec->TakeFrames(frames);
        size += got;
    }
    std::fclose(in);
    codec->Finish();
    codec->TakeFrames(frames);

    const std::string name = "data";
    const uint32_t dataStart = 36 + 8 + 16 + uint32_t(name.size()) + 1;
    std::vector<uint8_t> head;
    uint64_t total = dataStart;
    for (const auto& frame : frames) {
        total += 8 + frame.data.size();
    }
    head.insert(head.end(), {'M', 'S', 'C', 'F'});
    Put32(head, 0);
    Put32(head, uint32_t(total));
    Put32(head, 0);
    Put32(head, 44);
    Put32(head, 0);
    head.push_back(3);
    head.push_back(1);
    Put16(head, 1);
    Put16(head, 1);
    Put16(head, 0);
    Put16(head, 0);
    Put16(head, 0);
    Put32(head, dataStart);
    Put16(head, uint32_t(frames.size()));
    Put16(head, codec->TypeCompress());
    Put32(head, uint32_t(size));
    Put32(head, 0);
    Put16(head, 0);
    Put16(head, (45u << 9) | (1u << 5) | 1u);
    Put16(head, 0);
    Put16(head, 0x20);
    head.insert(head.end(), name.begin(), name.end());
    head.push_back(0);
    FILE* out = std::fopen(argv[3], "wb");
    if (!out) {
        std::perror(argv[3]);
        return 1;
    }
    bool ok = std::fwrite(head.data(), 1, head.size(), out) == head.size();
    for (const auto& frame : frames) {
        std::vector<uint8_t> block;
        Put32(block, 0);
        Put16(block, uint32_t(frame.data.size()));
        Put16(block, frame.uncompressedSize);
        block.insert(block.end(), frame.data.begin(), frame.data.end());
        ok = ok && std::fwrite(block.data(), 1, block.size(), out) == block.size();
    }
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "lzxfolder: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
