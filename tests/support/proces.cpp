#include "support/proces.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

using Rellotge = std::chrono::steady_clock;

int msDes(Rellotge::time_point t)
{
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Rellotge::now() - t).count());
}

int Vegades(const std::string& text, const std::string& tros)
{
    int n = 0;
    for (size_t i = text.find(tros); i != std::string::npos; i = text.find(tros, i + 1))
        ++n;
    return n;
}

}  // namespace

Execucio Executar(const std::string& programa, const OpcionsExecucio& opcions)
{
    int out[2];
    int err[2];
    int in[2] = {-1, -1};
    if (pipe(out) != 0 || pipe(err) != 0 || (opcions.entrada && pipe(in) != 0))
        throw std::runtime_error("pipe");
    if (opcions.terminal) {
        close(err[0]);
        close(err[1]);
        err[0] = posix_openpt(O_RDWR | O_NOCTTY);
        if (err[0] < 0 || grantpt(err[0]) != 0 || unlockpt(err[0]) != 0)
            throw std::runtime_error("posix_openpt");
        err[1] = open(ptsname(err[0]), O_RDWR | O_NOCTTY);
        if (err[1] < 0)
            throw std::runtime_error("ptsname");
    }

    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork");
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        close(err[0]);
        close(err[1]);
        if (opcions.entrada) {
            dup2(in[0], STDIN_FILENO);
            close(in[0]);
            close(in[1]);
        }
        if (!opcions.directori.empty() && chdir(opcions.directori.c_str()) != 0)
            _exit(127);
        for (const std::string& e : opcions.entorn)
            putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv{const_cast<char*>(programa.c_str())};
        for (const std::string& a : opcions.arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(programa.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (opcions.entrada) {
        // Small inputs only: the pipe must hold it all before the program reads.
        close(in[0]);
        if (write(in[1], opcions.entrada->data(), opcions.entrada->size())
            != static_cast<ssize_t>(opcions.entrada->size()))
            throw std::runtime_error("write");
        close(in[1]);
    }

    Execucio r;
    const auto inici = Rellotge::now();
    Rellotge::time_point tancarA = opcions.msFinsTancar >= 0
                                       ? inici + std::chrono::milliseconds(opcions.msFinsTancar)
                                       : Rellotge::time_point::max();
    bool tancat = false;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int oberts = 2;
    while (oberts > 0) {
        if (msDes(inici) > opcions.limitMs) {
            kill(pid, SIGKILL);
            r.esgotat = true;
            break;
        }
        if (!tancat && Rellotge::now() >= tancarA) {
            kill(pid, opcions.senyalTancar);
            tancat = true;
        }
        if (poll(fds, 2, 50) <= 0)
            continue;
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buf[4096];
            const ssize_t n = read(fds[k].fd, buf, sizeof buf);
            if (n <= 0) {
                close(fds[k].fd);
                fds[k].fd = -1;
                --oberts;
                continue;
            }
            (k == 0 ? r.sortida : r.errors).append(buf, static_cast<size_t>(n));
        }
        const auto linies = std::count(r.sortida.begin(), r.sortida.end(), '\n');
        if (opcions.liniesFinsTancar >= 0 && linies >= opcions.liniesFinsTancar
            && tancarA == Rellotge::time_point::max())
            tancarA = Rellotge::now() + std::chrono::milliseconds(300);
        if (!tancat && !opcions.textFinsTancar.empty()
            && Vegades(r.errors, opcions.textFinsTancar) >= opcions.vegadesFinsTancar)
            tancarA = Rellotge::now();
    }
    for (pollfd& f : fds)
        if (f.fd >= 0)
            close(f.fd);

    int estat = 0;
    waitpid(pid, &estat, 0);
    if (WIFEXITED(estat))
        r.estat = WEXITSTATUS(estat);
    else if (WIFSIGNALED(estat))
        r.senyal = WTERMSIG(estat);
    return r;
}

DirectoriTemporal::DirectoriTemporal()
{
    const char* base = std::getenv("TMPDIR");
    std::string plantilla = std::string(base && *base ? base : "/tmp") + "/particules-XXXXXX";
    if (!mkdtemp(plantilla.data()))
        throw std::runtime_error("mkdtemp");
    cami_ = plantilla;
}

DirectoriTemporal::~DirectoriTemporal()
{
    std::error_code ec;
    std::filesystem::remove_all(cami_, ec);
}

void DirectoriTemporal::escriure(const std::string& nom, const std::string& contingut) const
{
    std::ofstream(cami_ + "/" + nom, std::ios::binary) << contingut;
    // Where PARTICULES_DESA_CONFIGS names a folder, every config.txt a test
    // writes is kept there too, named after the test: the files the browser
    // build must read as the native one does.
    const char* desa = std::getenv("PARTICULES_DESA_CONFIGS");
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (desa == nullptr || nom != "config.txt" || test == nullptr)
        return;
    static int comptador = 0;
    std::string nomTest = std::string(test->test_suite_name()) + "." + test->name();
    std::replace(nomTest.begin(), nomTest.end(), '/', '_');
    std::ofstream(std::string(desa) + "/" + nomTest + "." + std::to_string(++comptador) + ".txt",
                  std::ios::binary)
        << contingut;
}
