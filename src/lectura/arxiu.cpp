#include "lectura/arxiu.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

ArxiuConfig::ArxiuConfig(const std::string& cami)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer. What was opened
    // is then looked at through the descriptor, so nothing can be swapped in
    // between the look and the open.
    fd_ = open(cami.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    struct stat st;
    if (fstat(fd_, &st) != 0) {
        error_ = errno;
        tancar();
        return;
    }
    if (S_ISDIR(st.st_mode))
        return;
    if (S_ISREG(st.st_mode))
        mida_ = st.st_size;
    // A FIFO (or a pipe behind /dev/stdin) with a writer is read as it comes,
    // like a file; with none, a read finds the end at once.
    const int flags = fcntl(fd_, F_GETFL);
    if (flags < 0 || fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        error_ = errno;
        tancar();
        return;
    }
    buffer_.fd = fd_;
}

void ArxiuConfig::tancar()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    buffer_.fd = -1;
}

ArxiuConfig::Buffer::int_type ArxiuConfig::Buffer::underflow()
{
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    if (fd < 0)
        return traits_type::eof();
    ssize_t n = 0;
    do
        n = read(fd, dades_.data(), dades_.size());
    while (n < 0 && errno == EINTR);
    if (n <= 0)
        return traits_type::eof();
    llegits.store(llegits.load(std::memory_order_relaxed) + n, std::memory_order_relaxed);
    setg(dades_.data(), dades_.data(), dades_.data() + n);
    return traits_type::to_int_type(*gptr());
}
