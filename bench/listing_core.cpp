// Lists a cabinet the way the window does (TCabinet and the listing's six texts per row) and
// prints the rows, one per line, tab-separated. Usage: listing_core CABINET
#include "cabinet/Listing.h"
#include "common/Helpers.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {
// Lines are gathered and written in large pieces: one write call per 64 KiB, not per field.
class Output {
  public:
    ~Output() { Flush(); }
    void Put(const std::string& text) { buffer_ += text; }
    void Put(char c) { buffer_ += c; }
    void EndLine() {
        buffer_ += '\n';
        if (buffer_.size() >= kChunk)
            Flush();
    }
    void Flush() {
        size_t done = 0;
        while (done < buffer_.size()) {
            const ssize_t n = write(1, buffer_.data() + done, buffer_.size() - done);
            if (n <= 0)
                break;
            done += size_t(n);
        }
        buffer_.clear();
    }

  private:
    static constexpr size_t kChunk = 1 << 16;
    std::string buffer_;
};
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CABINET\n", argv[0]);
        return 2;
    }
    const auto listing = corvex::ReadCabinetListing(argv[1]);
    if (!listing) {
        std::fprintf(stderr, "%s: not a cabinet\n", argv[1]);
        return 1;
    }
    Output out;
    for (const corvex::ExtractRow& row : listing->Rows) {
        out.Put(row.FileName);
        out.Put('\t');
        out.Put(row.Directory);
        out.Put('\t');
        out.Put(row.SizeText);
        out.Put('\t');
        out.Put(row.DateText);
        out.Put('\t');
        out.Put(row.TimeText);
        out.Put('\t');
        out.Put(row.AttributesText);
        out.EndLine();
    }
    out.Put(corvex::FormatGrouped(listing->TotalBytes) + " bytes in " +
            std::to_string(listing->Rows.size()) + " files");
    out.EndLine();
    return 0;
}
