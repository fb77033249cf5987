#include "config/arxiu_nou.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// The files not yet in place, for the signal handler: fixed storage, since a
// handler may not allocate.
constexpr int kLlocs = 4;
char noms[kLlocs][PATH_MAX];
volatile sig_atomic_t ocupat[kLlocs];

extern "C" void Interromput(int senyal)
{
    for (int k = 0; k < kLlocs; ++k)
        if (ocupat[k])
            unlink(noms[k]);
    signal(senyal, SIG_DFL);
    raise(senyal);
}

// SIGINT and SIGTERM held back while the list changes, so that a handler
// never sees a name half written or a file already renamed.
class SenseSenyals {
public:
    SenseSenyals()
    {
        sigset_t s;
        sigemptyset(&s);
        sigaddset(&s, SIGINT);
        sigaddset(&s, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &s, &abans_);
    }
    ~SenseSenyals() { pthread_sigmask(SIG_SETMASK, &abans_, nullptr); }

private:
    sigset_t abans_;
};

}  // namespace

void AturarEnSenyal()
{
    struct sigaction accio {};
    accio.sa_handler = Interromput;
    sigfillset(&accio.sa_mask);
    for (const int senyal : {SIGINT, SIGTERM}) {
        // One ignored from the start (a job in the background, nohup) stays so.
        struct sigaction abans;
        if (sigaction(senyal, nullptr, &abans) == 0 && abans.sa_handler != SIG_IGN)
            sigaction(senyal, &accio, nullptr);
    }
}

bool ArxiuNou::obrir(const std::string& desti, std::string& error)
{
    desti_ = desti;
    struct stat estat;
    mode_t mode;
    if (stat(desti.c_str(), &estat) == 0) {
        if (!S_ISREG(estat.st_mode)) {
            cami_ = desti;
            return true;
        }
        // Through a link, the file itself is the one replaced.
        if (char* real = realpath(desti.c_str(), nullptr)) {
            desti_ = real;
            std::free(real);
        }
        mode = estat.st_mode & 07777;
    } else if (errno == ENOENT) {
        const mode_t mascara = umask(0);
        umask(mascara);
        mode = 0666 & ~mascara;
    } else {
        error = std::strerror(errno);
        return false;
    }

    // In the target's own folder, so that the rename never crosses file systems.
    const size_t barra = desti_.rfind('/');
    const std::string carpeta = barra == std::string::npos ? "" : desti_.substr(0, barra + 1);
    const std::string plantilla =
        carpeta + "." + desti_.substr(barra == std::string::npos ? 0 : barra + 1) + ".XXXXXX";
    const SenseSenyals senseSenyals;
    int lloc = 0;
    while (lloc < kLlocs && ocupat[lloc])
        ++lloc;
    if (lloc == kLlocs || plantilla.size() >= PATH_MAX) {
        error = std::strerror(lloc == kLlocs ? EMFILE : ENAMETOOLONG);
        return false;
    }
    std::memcpy(noms[lloc], plantilla.c_str(), plantilla.size() + 1);
    const int fd = mkstemp(noms[lloc]);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    ocupat[lloc] = 1;
    lloc_ = lloc;
    cami_ = noms[lloc];
    const bool bo = fchmod(fd, mode) == 0;
    const int errada = errno;
    close(fd);
    if (!bo) {
        error = std::strerror(errada);
        return false;
    }
    return true;
}

bool ArxiuNou::confirmar(std::string& error)
{
    if (lloc_ < 0)
        return true;
    // On the disk before its name is: a crash leaves the old file or the new
    // one, never an empty one.
    const int fd = open(cami_.c_str(), O_RDONLY);
    const bool desat = fd >= 0 && fsync(fd) == 0;
    int errada = errno;
    if (fd >= 0)
        close(fd);
    const SenseSenyals senseSenyals;
    if (desat && rename(cami_.c_str(), desti_.c_str()) == 0) {
        ocupat[lloc_] = 0;
        lloc_ = -1;
        return true;
    }
    if (desat)
        errada = errno;
    error = std::strerror(errada);
    return false;
}

ArxiuNou::~ArxiuNou()
{
    if (lloc_ < 0)
        return;
    const SenseSenyals senseSenyals;
    unlink(cami_.c_str());
    ocupat[lloc_] = 0;
}
