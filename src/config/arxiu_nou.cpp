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

constexpr int kSenyals[] = {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM,
                            SIGUSR1, SIGUSR2, SIGVTALRM, SIGXCPU, SIGXFSZ};

extern "C" void Interromput(int senyal)
{
    for (int k = 0; k < kLlocs; ++k)
        if (ocupat[k])
            unlink(noms[k]);
    signal(senyal, SIG_DFL);
    raise(senyal);
}

// The signals above held back while the list changes, so that a handler
// never sees a name half written or a file already renamed.
class SenseSenyals {
public:
    SenseSenyals()
    {
        sigset_t s;
        sigemptyset(&s);
        for (const int senyal : kSenyals)
            sigaddset(&s, senyal);
        pthread_sigmask(SIG_BLOCK, &s, &abans_);
    }
    ~SenseSenyals() { pthread_sigmask(SIG_SETMASK, &abans_, nullptr); }

private:
    sigset_t abans_;
};

// Whether a symbolic link may be followed: one that the user running made,
// or root. The kernel's own guard for shared folders (protected_symlinks)
// does not apply here, since the link is read, not opened.
bool LligamFiable(const struct stat& lligam)
{
    return lligam.st_uid == geteuid() || lligam.st_uid == 0;
}

// The hidden name beside cami's file: ".NAME.XXXXXX", NAME cut short, at a
// whole UTF-8 character, so that the whole fits the folder's longest name.
std::string Plantilla(const std::string& cami)
{
    const size_t barra = cami.rfind('/');
    const std::string carpeta = barra == std::string::npos ? "" : cami.substr(0, barra + 1);
    std::string nom = cami.substr(barra == std::string::npos ? 0 : barra + 1);
    const long maxim = pathconf(carpeta.empty() ? "." : carpeta.c_str(), _PC_NAME_MAX);
    const size_t cap = (maxim > 0 ? static_cast<size_t>(maxim) : NAME_MAX) - 8;
    if (nom.size() > cap) {
        size_t tall = cap;
        while (tall > 0 && (static_cast<unsigned char>(nom[tall]) & 0xC0) == 0x80)
            --tall;
        nom.resize(tall);
    }
    return carpeta + "." + nom + ".XXXXXX";
}

// A device or a pipe is written where it is, never as a terminal of ours,
// and never through a link swapped in since it was looked at. Null, with
// the error, where it cannot be.
std::FILE* ObrirOnEs(const std::string& desti, bool lligam, std::string& error)
{
    const int fd = open(desti.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (lligam ? 0 : O_NOFOLLOW));
    struct stat obert;
    if (fd < 0 || fstat(fd, &obert) != 0 || S_ISREG(obert.st_mode)) {
        error = fd < 0 ? std::strerror(errno) : "changed while it was opened";
        if (fd >= 0)
            close(fd);
        return nullptr;
    }
    std::FILE* flux = fdopen(fd, "wb");
    if (flux == nullptr) {
        error = std::strerror(errno);
        close(fd);
    }
    return flux;
}

// The file a link leads to, every link on the way followed.
bool CamiReal(const std::string& desti, std::string& real, std::string& error)
{
    char* cami = realpath(desti.c_str(), nullptr);
    if (cami == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    real = cami;
    std::free(cami);
    return true;
}

}  // namespace

void AturarEnSenyal()
{
    struct sigaction accio {};
    accio.sa_handler = Interromput;
    sigfillset(&accio.sa_mask);
    for (const int senyal : kSenyals) {
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
    bool existeix = lstat(desti.c_str(), &estat) == 0;
    const bool lligam = existeix && S_ISLNK(estat.st_mode);
    if (lligam) {
        if (!LligamFiable(estat)) {
            error = "is a symbolic link that another user made; preview writes through no link but its "
                    "own user's or root's: name the file itself";
            return false;
        }
        // A link to nothing is replaced by the file.
        existeix = stat(desti.c_str(), &estat) == 0;
    }
    if (!existeix && errno != ENOENT) {
        error = std::strerror(errno);
        return false;
    }
    if (existeix && !S_ISREG(estat.st_mode)) {
        flux_ = ObrirOnEs(desti, lligam, error);
        return flux_ != nullptr;
    }
    mode_t mode;
    if (existeix) {
        mode = estat.st_mode & 07777;
        // Through a link, the file itself is the one replaced.
        if (lligam && !CamiReal(desti, desti_, error))
            return false;
    } else {
        const mode_t mascara = umask(0);
        umask(mascara);
        mode = 0666 & ~mascara;
    }
    return obrirAlCostat(mode, error);
}

// In the target's own folder, so that the rename never crosses file systems.
bool ArxiuNou::obrirAlCostat(mode_t mode, std::string& error)
{
    const std::string plantilla = Plantilla(desti_);
    const SenseSenyals senseSenyals;
    int lloc = 0;
    while (lloc < kLlocs && ocupat[lloc])
        ++lloc;
    if (lloc == kLlocs || plantilla.size() >= PATH_MAX) {
        error = std::strerror(lloc == kLlocs ? EMFILE : ENAMETOOLONG);
        return false;
    }
    std::memcpy(noms[lloc], plantilla.c_str(), plantilla.size() + 1);
    const int fd = mkostemp(noms[lloc], O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    ocupat[lloc] = 1;
    lloc_ = lloc;
    cami_ = noms[lloc];
    if (fchmod(fd, mode) != 0 || (flux_ = fdopen(fd, "wb")) == nullptr) {
        error = std::strerror(errno);
        close(fd);
        return false;
    }
    return true;
}

bool ArxiuNou::tancar(std::string& error)
{
    if (flux_ == nullptr)
        return true;
    // On the disk before its name is: a crash leaves the old file or the new
    // one, never an empty one. A device or a pipe has nothing to keep.
    bool bo = std::fflush(flux_) == 0 && !std::ferror(flux_);
    int errada = errno;
    if (bo && lloc_ >= 0 && fsync(fileno(flux_)) != 0) {
        bo = false;
        errada = errno;
    }
    if (std::fclose(flux_) != 0 && bo) {
        bo = false;
        errada = errno;
    }
    flux_ = nullptr;
    if (!bo)
        error = errada != 0 ? std::strerror(errada) : "cannot be written";
    return bo;
}

bool ArxiuNou::confirmar(std::string& error)
{
    if (!tancar(error))
        return false;
    if (lloc_ < 0)
        return true;
    const SenseSenyals senseSenyals;
    if (rename(cami_.c_str(), desti_.c_str()) != 0) {
        error = std::strerror(errno);
        return false;
    }
    ocupat[lloc_] = 0;
    lloc_ = -1;
    return true;
}

ArxiuNou::~ArxiuNou()
{
    if (flux_ != nullptr)
        std::fclose(flux_);
    if (lloc_ < 0)
        return;
    const SenseSenyals senseSenyals;
    unlink(cami_.c_str());
    ocupat[lloc_] = 0;
}
