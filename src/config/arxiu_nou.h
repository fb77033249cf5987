#pragma once

#include <sys/types.h>

#include <cstdio>
#include <streambuf>
#include <string>

// A file written beside its target and put in the target's place only once
// whole, so that a run that fails or is interrupted leaves the target as it
// was. A target that is not a regular file (a device, a pipe) is written
// where it is: it cannot be replaced, and nothing written to it can be undone.
//
// The file is made new (O_EXCL, O_NOFOLLOW) and written through the
// descriptor that made it, never reopened by name; it is renamed over the
// name given, which replaces a link there rather than what it points to. A
// target that is a symbolic link is followed only when its owner is the
// user running or root: a link that someone else planted in a shared folder
// (/tmp) is refused, so that no one steers the output onto another file.
class ArxiuNou {
public:
    ArxiuNou() = default;
    // Removes the file written unless it was put in place.
    ~ArxiuNou();
    ArxiuNou(const ArxiuNou&) = delete;
    ArxiuNou& operator=(const ArxiuNou&) = delete;

    // Creates the file beside desti; false, with the reason in error.
    bool obrir(const std::string& desti, std::string& error);
    // Where to write, once open.
    std::FILE* flux() const { return flux_; }
    // Everything written on the disk and the file closed; false, with the
    // reason, when some of it was not written.
    bool tancar(std::string& error);
    // Puts the closed file in the target's place; false, with the reason.
    bool confirmar(std::string& error);

private:
    bool obrirAlCostat(mode_t mode, std::string& error);

    std::string desti_, cami_;
    std::FILE* flux_ = nullptr;
    int lloc_ = -1;  // its place in the list that a signal clears
};

// A stream onto a C file, for what writes to a std::ostream.
class BufferArxiu : public std::streambuf {
public:
    explicit BufferArxiu(std::FILE* f) : f_(f) {}

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        return std::fputc(c, f_) == EOF ? traits_type::eof() : c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<size_t>(n), f_));
    }
    int sync() override { return std::fflush(f_) == 0 ? 0 : -1; }

private:
    std::FILE* f_;
};

// From here on every signal that ends a process by default without a core
// (SIGHUP, SIGINT, SIGPIPE, SIGTERM, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM,
// SIGXCPU, SIGXFSZ, and SIGQUIT too) removes every file not yet in place and
// ends the process by the same signal; one ignored from the start stays
// ignored. Set before SDL starts, so that SDL leaves them be.
void AturarEnSenyal();
