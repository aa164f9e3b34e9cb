#include "TestCabinet.h"

#include <mspack.h>

#include <cstdio>

namespace cabtools::lzxtest {
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

std::vector<CompressedFrame> Encode(FolderCodec& codec, const std::vector<uint8_t>& data, size_t chunk)
{
    std::vector<CompressedFrame> frames;
    for (size_t at = 0; at < data.size(); at += chunk) {
        codec.Append(data.data() + at, std::min(chunk, data.size() - at));
        codec.TakeFrames(frames);
    }
    codec.Finish();
    codec.TakeFrames(frames);
    return frames;
}

void WriteCabinet(const std::string& path, const std::vector<TestFolder>& folders)
{
    const uint32_t headerSize = 36;
    const uint32_t folderTable = headerSize;
    const uint32_t fileTable = folderTable + 8 * uint32_t(folders.size());
    uint32_t dataStart = fileTable;
    for (const TestFolder& folder : folders) {
        dataStart += 16 + uint32_t(folder.fileName.size()) + 1;
    }
    std::vector<uint8_t> folderBytes;
    std::vector<uint8_t> fileBytes;
    std::vector<uint8_t> dataBytes;
    for (size_t i = 0; i < folders.size(); ++i) {
        const TestFolder& folder = folders[i];
        Put32(folderBytes, dataStart + uint32_t(dataBytes.size()));
        Put16(folderBytes, uint32_t(folder.frames.size()));
        Put16(folderBytes, folder.typeCompress);
        Put32(fileBytes, folder.fileSize);
        Put32(fileBytes, 0);
        Put16(fileBytes, uint32_t(i));
        Put16(fileBytes, (45u << 9) | (1u << 5) | 1u); // 2025-01-01
        Put16(fileBytes, 12u << 11);
        Put16(fileBytes, 0x20);
        fileBytes.insert(fileBytes.end(), folder.fileName.begin(), folder.fileName.end());
        fileBytes.push_back(0);
        for (const CompressedFrame& frame : folder.frames) {
            Put32(dataBytes, 0); // no checksum
            Put16(dataBytes, uint32_t(frame.data.size()));
            Put16(dataBytes, frame.uncompressedSize);
            dataBytes.insert(dataBytes.end(), frame.data.begin(), frame.data.end());
        }
    }
    std::vector<uint8_t> cab;
    cab.insert(cab.end(), {'M', 'S', 'C', 'F'});
    Put32(cab, 0);
    Put32(cab, dataStart + uint32_t(dataBytes.size()));
    Put32(cab, 0);
    Put32(cab, fileTable);
    Put32(cab, 0);
    cab.push_back(3);
    cab.push_back(1);
    Put16(cab, uint32_t(folders.size()));
    Put16(cab, uint32_t(folders.size()));
    Put16(cab, 0);
    Put16(cab, 0x1234);
    Put16(cab, 0);
    cab.insert(cab.end(), folderBytes.begin(), folderBytes.end());
    cab.insert(cab.end(), fileBytes.begin(), fileBytes.end());
    cab.insert(cab.end(), dataBytes.begin(), dataBytes.end());
    corvex::test::WriteFile(path, std::string(cab.begin(), cab.end()));
}

std::optional<std::vector<std::vector<uint8_t>>> ExtractWithLibmspack(const std::string& path)
{
    mscab_decompressor* cabd = mspack_create_cab_decompressor(nullptr);
    if (!cabd) {
        return std::nullopt;
    }
    std::optional<std::vector<std::vector<uint8_t>>> result;
    if (mscabd_cabinet* cab = cabd->open(cabd, path.c_str())) {
        result.emplace();
        const std::string out = path + ".out";
        for (mscabd_file* file = cab->files; file; file = file->next) {
            if (cabd->extract(cabd, file, out.c_str()) != MSPACK_ERR_OK) {
                result.reset();
                break;
            }
            result->push_back(ReadFile(out));
        }
        std::remove(out.c_str());
        cabd->close(cabd, cab);
    }
    mspack_destroy_cab_decompressor(cabd);
    return result;
}

} // namespace cabtools::lzxtest
