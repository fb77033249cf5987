#pragma once

#include <atomic>
#include <cstdint>
#include <istream>
#include <streambuf>
#include <string>
#include <vector>

// A configuration file open for reading. Opening never waits: a FIFO with no
// writer reads as an empty file, a directory opens and reads nothing. What
// cannot be opened at all (missing, no permission) is not obert(), and its
// flux() reads nothing either.
class ArxiuConfig {
public:
    explicit ArxiuConfig(const std::string& cami);
    ~ArxiuConfig() { tancar(); }
    ArxiuConfig(const ArxiuConfig&) = delete;
    ArxiuConfig& operator=(const ArxiuConfig&) = delete;

    bool obert() const { return fd_ >= 0; }
    // Why it could not be opened (an errno), 0 when it was.
    int errorObertura() const { return error_; }
    std::istream& flux() { return flux_; }
    void tancar();
    // Bytes read so far, which another thread may ask while this one reads;
    // and the size of a regular file, or -1.
    int64_t llegits() const { return buffer_.llegits.load(std::memory_order_relaxed); }
    int64_t mida() const { return mida_; }

private:
    // Reads straight from the descriptor; a read error ends the file.
    class Buffer : public std::streambuf {
    public:
        int fd = -1;
        std::atomic<int64_t> llegits{0};

    protected:
        int_type underflow() override;

    private:
        std::vector<char> dades_ = std::vector<char>(64 * 1024);
    };

    int fd_ = -1;
    int error_ = 0;
    int64_t mida_ = -1;
    Buffer buffer_;
    std::istream flux_{&buffer_};
};
