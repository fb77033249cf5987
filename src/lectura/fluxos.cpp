#include "lectura/fluxos.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

void AssegurarFluxosEstandard()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int nul = open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        // The lower ones are open, so this is fd itself.
        if (nul >= 0 && nul != fd) {
            dup2(nul, fd);
            close(nul);
        }
    }
}
