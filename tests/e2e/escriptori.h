#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// What the end-to-end tests need of a desktop: processes that cannot outlive
// the test, a private X server, the commands a person's hands stand in for
// (xdotool, import), and the close button, which no command-line tool sends.

// A child process. It gets SIGKILL when the object goes, and also when the
// test itself dies, so a CTest timeout leaves nothing running.
class Fill {
public:
    struct Opcions {
        std::vector<std::string> arguments;  // the program first
        std::vector<std::string> entorn;     // NAME=value added to the environment
        std::string directori;               // where it starts; empty: here
        std::string sortida;                 // file for stdout; empty: /dev/null
        std::string errors;                  // file for stderr; empty: /dev/null
        int fdSortida = -1;                  // stdout to this fd instead of a file
        int fd3 = -1;                        // handed to the child as its fd 3
        std::vector<int> tancats;            // of 0, 1 and 2, those it starts without
    };

    explicit Fill(const Opcions& opcions);
    ~Fill();
    Fill(const Fill&) = delete;
    Fill& operator=(const Fill&) = delete;

    // Waits up to limitMs for the end; true once it has ended.
    bool esperar(int limitMs);
    bool viu() { return !esperar(0); }
    // Exit status, or -1 while it runs or when a signal ended it.
    int estat() const { return estat_; }
    int senyal() const { return senyal_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    bool acabat_ = false;
    int estat_ = -1;
    int senyal_ = 0;
};

struct Resultat {
    int estat = -1;  // -1: did not end within its time
    std::string sortida;
};

// Runs a short command to its end (at most limitMs, which only a hang
// reaches) and returns its stdout.
Resultat Ordre(const std::vector<std::string>& arguments, const std::vector<std::string>& entorn,
               int limitMs = 120000);

// An Xvfb of its own on the first free display, with a 24-bit screen.
class ServidorX {
public:
    explicit ServidorX(const std::string& fitxerErrors);
    const std::string& display() const { return display_; }  // ":N"

private:
    std::unique_ptr<Fill> servidor_;
    std::string display_;
};

// Asks condicio every few milliseconds until it holds or limitMs has passed;
// returns its last answer. The tests wait this way, never by fixed sleeps.
template <class Condicio>
bool EsperarQue(Condicio condicio, int limitMs)
{
    const auto fi = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!condicio()) {
        if (std::chrono::steady_clock::now() >= fi)
            return condicio();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// What the close button of a window manager sends: WM_DELETE_WINDOW.
bool EnviarTancament(const std::string& display, const std::string& finestra);

// A window's contents, 8 bits per channel, row by row.
struct Imatge {
    int amplada = 0;
    int altura = 0;
    std::vector<uint8_t> rgb;

    bool blanc(int x, int y) const;
    bool negre(int x, int y) const;
};

// The whole of a file, or nothing when it cannot be read.
std::string LlegirFitxer(const std::string& cami);

// Reads a binary PPM (P6) with 8-bit samples; false when it is not one.
bool LlegirPpm(const std::string& dades, Imatge& imatge);
