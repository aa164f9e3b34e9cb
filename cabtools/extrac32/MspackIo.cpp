#include "MspackIo.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace cabtools {

namespace {

constexpr size_t kReadBuffer = 256 * 1024;
constexpr size_t kWriteBuffer = 1024 * 1024;

enum class Kind { Input, Output };

struct FileBase : mspack_file {
    Kind kind;
    IoSystem* sys;
};

struct InputFile : FileBase {
    int fd = -1;
    off_t base = 0; // where the cabinet starts in the real file
    off_t size = 0; // bytes from base to the end of the real file
    off_t pos = 0;  // relative to base
    std::vector<uint8_t> buffer;
    off_t bufferStart = 0; // relative to base
    size_t bufferLength = 0;
    std::string path;
};

struct OutputFile : FileBase {
    int fd = -1;
    uint8_t* buffer = nullptr; // IoSystem::outputBuffer, kWriteBuffer bytes
    size_t length = 0;
};

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

bool Flush(OutputFile* out) {
    if (out->length == 0) {
        return true;
    }
    const bool ok = WriteAll(out->fd, out->buffer, out->length);
    out->length = 0;
    if (!ok && out->sys->outputErrno == 0) {
        out->sys->outputErrno = errno;
    }
    return ok;
}

ssize_t ReadAt(int fd, void* data, size_t size, off_t offset) {
    size_t total = 0;
    while (total < size) {
        const ssize_t got = pread(fd, static_cast<uint8_t*>(data) + total, size - total,
                                  offset + static_cast<off_t>(total));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<size_t>(got);
    }
    return static_cast<ssize_t>(total);
}

mspack_file* Open(mspack_system* self, const char* filename, int mode) {
    IoSystem* sys = static_cast<IoSystem*>(self);
    if (mode == MSPACK_SYS_OPEN_WRITE) {
        if (sys->outputFd < 0) {
            return nullptr;
        }
        auto* out = new (std::nothrow) OutputFile;
        if (out == nullptr) {
            return nullptr;
        }
        out->kind = Kind::Output;
        out->sys = sys;
        out->fd = sys->outputFd;
        if (!sys->outputBuffer) {
            sys->outputBuffer.reset(new (std::nothrow) uint8_t[kWriteBuffer]);
            if (!sys->outputBuffer) {
                delete out;
                return nullptr;
            }
        }
        out->buffer = sys->outputBuffer.get();
        return out;
    }
    if (mode != MSPACK_SYS_OPEN_READ) {
        return nullptr;
    }
    const int fd = ::open(filename, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info;
    off_t base = 0;
    if (const auto it = sys->baseOffsets.find(filename); it != sys->baseOffsets.end()) {
        base = it->second;
    }
    if (fstat(fd, &info) != 0 || info.st_size < base) {
        ::close(fd);
        return nullptr;
    }
    auto* in = new (std::nothrow) InputFile;
    if (in == nullptr) {
        ::close(fd);
        return nullptr;
    }
    in->kind = Kind::Input;
    in->sys = sys;
    in->fd = fd;
    in->base = base;
    in->size = info.st_size - base;
    in->path = filename;
    in->buffer.resize(kReadBuffer);
    return in;
}

void Close(mspack_file* file) {
    auto* base = static_cast<FileBase*>(file);
    if (base == nullptr) {
        return;
    }
    if (base->kind == Kind::Output) {
        auto* out = static_cast<OutputFile*>(base);
        Flush(out);
        delete out; // the descriptor belongs to the extractor
    } else {
        auto* in = static_cast<InputFile*>(base);
        ::close(in->fd);
        delete in;
    }
}

int Read(mspack_file* file, void* data, int bytes) {
    auto* base = static_cast<FileBase*>(file);
    if (base == nullptr || base->kind != Kind::Input || bytes < 0) {
        return -1;
    }
    auto* in = static_cast<InputFile*>(base);
    auto* target = static_cast<uint8_t*>(data);
    size_t wanted = static_cast<size_t>(bytes);
    size_t done = 0;
    while (wanted > 0 && in->pos < in->size) {
        if (in->pos >= in->bufferStart &&
            in->pos < in->bufferStart + static_cast<off_t>(in->bufferLength)) {
            const size_t at = static_cast<size_t>(in->pos - in->bufferStart);
            size_t take = in->bufferLength - at;
            if (take > wanted) {
                take = wanted;
            }
            std::memcpy(target + done, in->buffer.data() + at, take);
            done += take;
            wanted -= take;
            in->pos += static_cast<off_t>(take);
            continue;
        }
        if (wanted >= in->buffer.size()) {
            const ssize_t got = ReadAt(in->fd, target + done, wanted, in->base + in->pos);
            if (got < 0) {
                return -1;
            }
            done += static_cast<size_t>(got);
            in->pos += got;
            break;
        }
        const ssize_t got = ReadAt(in->fd, in->buffer.data(), in->buffer.size(), in->base + in->pos);
        if (got < 0) {
            return -1;
        }
        in->bufferStart = in->pos;
        in->bufferLength = static_cast<size_t>(got);
        if (got == 0) {
            break;
        }
    }
    return static_cast<int>(done);
}

int Write(mspack_file* file, void* data, int bytes) {
    auto* base = static_cast<FileBase*>(file);
    if (base == nullptr || base->kind != Kind::Output || bytes < 0) {
        return -1;
    }
    auto* out = static_cast<OutputFile*>(base);
    if (out->sys->outputErrno != 0) {
        return -1;
    }
    const auto* source = static_cast<const uint8_t*>(data);
    const size_t size = static_cast<size_t>(bytes);
    if (out->length + size > kWriteBuffer) {
        if (!Flush(out)) {
            return -1;
        }
        if (size >= kWriteBuffer) {
            if (!WriteAll(out->fd, source, size)) {
                out->sys->outputErrno = errno;
                return -1;
            }
            return bytes;
        }
    }
    std::memcpy(out->buffer + out->length, source, size);
    out->length += size;
    return bytes;
}

int Seek(mspack_file* file, off_t offset, int mode) {
    auto* base = static_cast<FileBase*>(file);
    if (base == nullptr || base->kind != Kind::Input) {
        return -1;
    }
    auto* in = static_cast<InputFile*>(base);
    off_t from;
    switch (mode) {
    case MSPACK_SYS_SEEK_START:
        from = 0;
        break;
    case MSPACK_SYS_SEEK_CUR:
        from = in->pos;
        break;
    case MSPACK_SYS_SEEK_END:
        from = in->size;
        break;
    default:
        return -1;
    }
    if (offset < -from) {
        return -1;
    }
    in->pos = from + offset;
    return 0;
}

off_t Tell(mspack_file* file) {
    auto* base = static_cast<FileBase*>(file);
    if (base == nullptr || base->kind != Kind::Input) {
        return -1;
    }
    return static_cast<InputFile*>(base)->pos;
}

void Message(mspack_file* file, const char* format, ...) {
    std::string name;
    if (auto* base = static_cast<FileBase*>(file); base != nullptr && base->kind == Kind::Input) {
        auto* in = static_cast<InputFile*>(base);
        name = in->sys->DisplayName(in->path) + ": ";
    }
    std::fprintf(stderr, "extrac32: %s", name.c_str());
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

void* Alloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }

void Free(void* memory) { std::free(memory); }

void Copy(void* source, void* destination, size_t bytes) { std::memcpy(destination, source, bytes); }

} // namespace

IoSystem::IoSystem() : mspack_system{} {
    open = Open;
    close = Close;
    read = Read;
    write = Write;
    seek = Seek;
    tell = Tell;
    message = Message;
    alloc = Alloc;
    free = Free;
    copy = Copy;
    null_ptr = nullptr;
}

std::string IoSystem::DisplayName(const std::string& path) const {
    const auto it = displayNames.find(path);
    return it == displayNames.end() ? path : it->second;
}

} // namespace cabtools
