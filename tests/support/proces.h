#pragma once

#include <csignal>
#include <optional>
#include <string>
#include <vector>

// Runs the real program the way a user would, from a folder of its own, with
// its output captured and a hard time limit so that no test can hang.
struct Execucio {
    std::string sortida;      // standard output
    std::string errors;       // standard error
    int estat = -1;           // exit status, or -1 when it did not exit
    int senyal = 0;           // the signal that ended it, if any
    bool esgotat = false;     // killed at the time limit
};

struct OpcionsExecucio {
    std::string directori;
    std::vector<std::string> arguments;  // after the program's own name
    std::vector<std::string> entorn;  // NAME=value added to the environment
    // Only a hang reaches it: a loaded machine may take minutes where a
    // quiet one takes a second. Tests wait for what they check, never for it.
    int limitMs = 300000;
    // Once stdout holds this many lines, wait a moment and send SIGTERM (the
    // way to close a running simulation that has no window to click).
    int liniesFinsTancar = -1;
    // Or once standard error holds this text this many times.
    std::string textFinsTancar;
    int vegadesFinsTancar = 1;
    // Or this long after the start.
    int msFinsTancar = -1;
    // The signal that closes it.
    int senyalTancar = SIGTERM;
    // Written to standard input through a pipe, which is then closed; without
    // it the program shares the test's own.
    std::optional<std::string> entrada;
    // Standard error on a terminal of its own (a pseudo-terminal) instead of a pipe.
    bool terminal = false;
};

Execucio Executar(const std::string& programa, const OpcionsExecucio& opcions);

// A temporary folder that disappears with the object.
class DirectoriTemporal {
public:
    DirectoriTemporal();
    ~DirectoriTemporal();
    DirectoriTemporal(const DirectoriTemporal&) = delete;
    DirectoriTemporal& operator=(const DirectoriTemporal&) = delete;

    const std::string& cami() const { return cami_; }
    void escriure(const std::string& nom, const std::string& contingut) const;

private:
    std::string cami_;
};
