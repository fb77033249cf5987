#include "e2e/escriptori.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

using Rellotge = std::chrono::steady_clock;

int msFins(Rellotge::time_point fi)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(fi - Rellotge::now());
    return ms.count() > 0 ? static_cast<int>(ms.count()) : 0;
}

// In the child, between fork and exec; a failure ends it with 127.
void redirigir(const std::string& fitxer, int fd, int flags)
{
    const int f = open(fitxer.empty() ? "/dev/null" : fitxer.c_str(), flags, 0644);
    if (f < 0 || dup2(f, fd) < 0)
        _exit(127);
    close(f);
}

[[noreturn]] void executarFill(const Fill::Opcions& o, pid_t pare)
{
    // Dies with the test, even when CTest kills it at its timeout.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != pare)
        _exit(127);
    // As a person's shell starts it: a test run as a background job would
    // otherwise hand down SIGINT ignored.
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    redirigir("", STDIN_FILENO, O_RDONLY);
    if (o.fdSortida >= 0)
        dup2(o.fdSortida, STDOUT_FILENO);
    else
        redirigir(o.sortida, STDOUT_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
    redirigir(o.errors, STDERR_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
    if (o.fd3 >= 0 && dup2(o.fd3, 3) < 0)
        _exit(127);
    for (const int fd : o.tancats)
        close(fd);
    if (!o.directori.empty() && chdir(o.directori.c_str()) != 0)
        _exit(127);
    for (const std::string& e : o.entorn)
        putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv;
    for (const std::string& a : o.arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

}  // namespace

Fill::Fill(const Opcions& opcions)
{
    if (opcions.arguments.empty())
        throw std::invalid_argument("Fill without a program");
    const pid_t pare = getpid();
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork");
    if (pid_ == 0)
        executarFill(opcions, pare);
}

Fill::~Fill()
{
    if (!acabat_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool Fill::esperar(int limitMs)
{
    const auto fi = Rellotge::now() + std::chrono::milliseconds(limitMs);
    while (!acabat_) {
        int s = 0;
        const pid_t r = waitpid(pid_, &s, WNOHANG);
        if (r == pid_) {
            acabat_ = true;
            if (WIFEXITED(s))
                estat_ = WEXITSTATUS(s);
            else if (WIFSIGNALED(s))
                senyal_ = WTERMSIG(s);
        } else if (Rellotge::now() >= fi) {
            break;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return acabat_;
}

Resultat Ordre(const std::vector<std::string>& arguments, const std::vector<std::string>& entorn,
               int limitMs)
{
    int tub[2];
    if (pipe2(tub, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2");
    Fill::Opcions o;
    o.arguments = arguments;
    o.entorn = entorn;
    o.fdSortida = tub[1];
    Fill fill(o);
    close(tub[1]);

    // Read while it runs: a screenshot is larger than a pipe holds.
    Resultat r;
    const auto fi = Rellotge::now() + std::chrono::milliseconds(limitMs);
    pollfd pfd = {tub[0], POLLIN, 0};
    for (;;) {
        const int temps = msFins(fi);
        if (temps == 0 || poll(&pfd, 1, temps) <= 0)
            break;
        char buf[65536];
        const ssize_t n = read(tub[0], buf, sizeof buf);
        if (n <= 0)
            break;
        r.sortida.append(buf, static_cast<size_t>(n));
    }
    close(tub[0]);
    if (fill.esperar(msFins(fi)))
        r.estat = fill.estat();
    return r;
}

ServidorX::ServidorX(const std::string& fitxerErrors)
{
    int tub[2];
    if (pipe2(tub, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2");
    Fill::Opcions o;
    // -displayfd: Xvfb picks a free display and writes its number on fd 3, so
    // tests can run side by side.
    o.arguments = {"Xvfb", "-displayfd", "3", "-noreset", "-nolisten", "tcp",
                   "-screen", "0", "1024x768x24"};
    o.errors = fitxerErrors;
    o.fd3 = tub[1];
    servidor_ = std::make_unique<Fill>(o);
    close(tub[1]);

    std::string numero;
    const auto fi = Rellotge::now() + std::chrono::seconds(120);
    pollfd pfd = {tub[0], POLLIN, 0};
    char c = 0;
    while (numero.find('\n') == std::string::npos && poll(&pfd, 1, msFins(fi)) > 0
           && read(tub[0], &c, 1) == 1)
        numero += c;
    close(tub[0]);
    if (numero.find('\n') == std::string::npos) {
        std::ifstream f(fitxerErrors);
        std::stringstream errors;
        errors << f.rdbuf();
        throw std::runtime_error("Xvfb did not start: " + errors.str());
    }
    display_ = ":" + numero.substr(0, numero.find('\n'));
}

bool EnviarTancament(const std::string& display, const std::string& finestra)
{
    Display* d = XOpenDisplay(display.c_str());
    if (d == nullptr)
        return false;
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = std::stoul(finestra);
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const bool enviat = XSendEvent(d, e.xclient.window, False, NoEventMask, &e) != 0;
    XSync(d, False);
    XCloseDisplay(d);
    return enviat;
}

bool Imatge::blanc(int x, int y) const
{
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * amplada + x) * 3];
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

bool Imatge::negre(int x, int y) const
{
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * amplada + x) * 3];
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

bool LlegirPpm(const std::string& dades, Imatge& imatge)
{
    std::istringstream in(dades);
    std::string magia;
    int maxim = 0;
    in >> magia >> imatge.amplada >> imatge.altura >> maxim;
    if (!in || magia != "P6" || maxim != 255 || imatge.amplada <= 0 || imatge.altura <= 0)
        return false;
    in.get();  // the single blank before the samples
    const size_t mida = static_cast<size_t>(imatge.amplada) * imatge.altura * 3;
    const size_t inici = static_cast<size_t>(in.tellg());
    if (dades.size() - inici != mida)
        return false;
    imatge.rgb.assign(dades.begin() + static_cast<std::ptrdiff_t>(inici), dades.end());
    return true;
}

std::string LlegirFitxer(const std::string& cami)
{
    std::ifstream f(cami, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}
