#include "Codecs.h"

#include "cabtools/lzx/LzxEncoder.h"

#include <zlib.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace cabtools {

std::unique_ptr<FolderCodec> MakeCodec(const CompressionSettings& settings, std::string& error) {
    switch (settings.type) {
    case CompressionType::None:
        return MakeStoredCodec();
    case CompressionType::Mszip:
        return MakeMszipCodec();
    case CompressionType::Lzx:
        if (settings.memory < 15 || settings.memory > 21) {
            error = "LZX needs CompressionMemory from 15 to 21, not " + std::to_string(settings.memory);
            return nullptr;
        }
        return MakeLzxCodec(settings.memory);
    case CompressionType::Quantum:
        error = "Quantum compression is not supported";
        return nullptr;
    }
    error = "unknown compression type";
    return nullptr;
}

uint32_t MaxFrameOverhead(uint16_t typeCompress) {
    switch (typeCompress & 0x0F) {
    case 0:
        return 0;
    case 1:
        // "CK" plus deflate's stored-block framing: zlib never emits more than the cheapest of
        // stored, fixed and dynamic coding, and stored costs 5 bytes per 64 KiB.
        return 32;
    case 3:
        return kLzxMaxFrameOverhead;
    default:
        return 4096;
    }
}

namespace {

// Cuts the folder's bytes into frames of kFrameSize; the subclass turns each full frame into
// a CFDATA payload.
class FramingCodec : public FolderCodec {
public:
    void Append(const uint8_t* data, size_t size) override {
        while (size > 0) {
            if (!pending_)
                pending_ = std::make_shared<std::vector<uint8_t>>(), pending_->reserve(kFrameSize);
            size_t take = std::min(size, kFrameSize - pending_->size());
            pending_->insert(pending_->end(), data, data + take);
            data += take;
            size -= take;
            if (pending_->size() == kFrameSize)
                Submit(std::move(pending_));
        }
    }
    void Finish() override {
        if (pending_ && !pending_->empty())
            Submit(std::move(pending_));
        pending_.reset();
        Drain();
    }

protected:
    using Buffer = std::shared_ptr<std::vector<uint8_t>>;
    virtual void Submit(Buffer frame) = 0;
    virtual void Drain() {}

private:
    Buffer pending_;
};

class StoredCodec final : public FramingCodec {
public:
    void TakeFrames(std::vector<CompressedFrame>& out) override {
        for (auto& f : frames_)
            out.push_back(std::move(f));
        frames_.clear();
    }
    uint16_t TypeCompress() const override { return 0; }

private:
    void Submit(Buffer frame) override {
        CompressedFrame f;
        f.uncompressedSize = uint16_t(frame->size());
        f.data = std::move(*frame);
        frames_.push_back(std::move(f));
    }
    std::vector<CompressedFrame> frames_;
};

// One zlib stream per thread, reset per block: initialising a deflate stream allocates about
// 256 KiB, which would otherwise be paid for every 32 KiB block.
class BlockDeflater {
public:
    explicit BlockDeflater(int level) {
        std::memset(&stream_, 0, sizeof stream_);
        // Raw deflate (negative window bits): MSZIP has its own "CK" framing, no zlib header.
        if (deflateInit2(&stream_, level, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::runtime_error("zlib: deflateInit2 failed");
    }
    ~BlockDeflater() { deflateEnd(&stream_); }
    BlockDeflater(const BlockDeflater&) = delete;
    BlockDeflater& operator=(const BlockDeflater&) = delete;

    CompressedFrame Compress(const std::vector<uint8_t>& input, const std::vector<uint8_t>* dictionary) {
        deflateReset(&stream_);
        if (dictionary)
            deflateSetDictionary(&stream_, dictionary->data(), uInt(dictionary->size()));
        CompressedFrame frame;
        frame.uncompressedSize = uint16_t(input.size());
        frame.data.resize(2 + deflateBound(&stream_, uLong(input.size())));
        frame.data[0] = 'C';
        frame.data[1] = 'K';
        stream_.next_in = const_cast<Bytef*>(input.data());
        stream_.avail_in = uInt(input.size());
        stream_.next_out = frame.data.data() + 2;
        stream_.avail_out = uInt(frame.data.size() - 2);
        if (deflate(&stream_, Z_FINISH) != Z_STREAM_END)
            throw std::runtime_error("zlib: deflate did not finish a block");
        frame.data.resize(frame.data.size() - stream_.avail_out);
        return frame;
    }

private:
    z_stream stream_;
};

class MszipCodec final : public FramingCodec {
public:
    MszipCodec(int level, unsigned threads) : level_(level) {
        if (threads == 0)
            threads = std::max(1u, std::thread::hardware_concurrency());
        threads_ = threads;
        if (threads_ == 1)
            inline_ = std::make_unique<BlockDeflater>(level_);
    }
    ~MszipCodec() override { StopWorkers(); }

    void TakeFrames(std::vector<CompressedFrame>& out) override {
        std::lock_guard lock(mutex_);
        RethrowFailure();
        while (!jobs_.empty() && jobs_.front()->done) {
            out.push_back(std::move(jobs_.front()->frame));
            jobs_.pop_front();
        }
    }
    uint16_t TypeCompress() const override { return 1; }

private:
    struct Job {
        Buffer input;
        Buffer dictionary;
        CompressedFrame frame;
        bool done = false;
    };

    void Submit(Buffer frame) override {
        auto job = std::make_unique<Job>();
        job->input = frame;
        job->dictionary = std::move(previous_);
        previous_ = std::move(frame);
        if (inline_) {
            job->frame = inline_->Compress(*job->input, job->dictionary.get());
            job->done = true;
            job->input.reset();
            job->dictionary.reset();
            std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
            return;
        }
        if (workers_.empty())
            for (unsigned i = 0; i < threads_; ++i)
                workers_.emplace_back([this] { Work(); });
        std::unique_lock lock(mutex_);
        todo_.push_back(job.get());
        jobs_.push_back(std::move(job));
        workAvailable_.notify_one();
        // Bound the memory held by blocks in flight; the caller drains with TakeFrames.
        jobDone_.wait(lock, [this] { return failure_ || jobs_.size() <= 4 * threads_ || jobs_.front()->done; });
        RethrowFailure();
    }

    void Drain() override {
        if (workers_.empty())
            return;
        std::unique_lock lock(mutex_);
        jobDone_.wait(lock, [this] { return failure_ || (todo_.empty() && running_ == 0); });
        RethrowFailure();
        lock.unlock();
        StopWorkers();
    }

    void Work() {
        std::unique_ptr<BlockDeflater> deflater;
        try {
            deflater = std::make_unique<BlockDeflater>(level_);
        } catch (...) {
            std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
            jobDone_.notify_all();
            return;
        }
        std::unique_lock lock(mutex_);
        for (;;) {
            workAvailable_.wait(lock, [this] { return stop_ || !todo_.empty(); });
            if (todo_.empty())
                return;
            Job* job = todo_.front();
            todo_.pop_front();
            ++running_;
            lock.unlock();
            CompressedFrame frame;
            std::exception_ptr failure;
            try {
                frame = deflater->Compress(*job->input, job->dictionary.get());
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            --running_;
            job->frame = std::move(frame);
            job->input.reset();
            job->dictionary.reset();
            job->done = true;
            if (failure && !failure_)
                failure_ = failure;
            jobDone_.notify_all();
        }
    }

    void StopWorkers() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
            workAvailable_.notify_all();
        }
        for (auto& t : workers_)
            t.join();
        workers_.clear();
        stop_ = false;
    }

    void RethrowFailure() {
        if (failure_)
            std::rethrow_exception(failure_);
    }

    int level_;
    unsigned threads_ = 1;
    std::unique_ptr<BlockDeflater> inline_;
    Buffer previous_;
    std::mutex mutex_;
    std::condition_variable workAvailable_, jobDone_;
    std::deque<std::unique_ptr<Job>> jobs_; // in folder order; the front is the oldest not taken
    std::deque<Job*> todo_;
    unsigned running_ = 0;
    bool stop_ = false;
    std::exception_ptr failure_;
    std::vector<std::thread> workers_;
};

} // namespace

std::unique_ptr<FolderCodec> MakeStoredCodec() { return std::make_unique<StoredCodec>(); }

std::unique_ptr<FolderCodec> MakeMszipCodec(int level, unsigned threads) {
    return std::make_unique<MszipCodec>(level, threads);
}

} // namespace cabtools
