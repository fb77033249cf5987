#pragma once

#include <string>

// A file written beside its target and put in the target's place only once
// whole, so that a run that fails or is interrupted leaves the target as it
// was. A target that is not a regular file (a device, a pipe) is written
// where it is: it cannot be replaced, and nothing written to it can be undone.
class ArxiuNou {
public:
    ArxiuNou() = default;
    // Removes the file written unless it was put in place.
    ~ArxiuNou();
    ArxiuNou(const ArxiuNou&) = delete;
    ArxiuNou& operator=(const ArxiuNou&) = delete;

    // Creates the file beside desti; false, with the reason in error.
    bool obrir(const std::string& desti, std::string& error);
    // Where to write.
    const std::string& cami() const { return cami_; }
    // Puts the whole file in the target's place; false, with the reason.
    bool confirmar(std::string& error);

private:
    std::string desti_, cami_;
    int lloc_ = -1;  // its place in the list that a signal clears
};

// From here on SIGINT and SIGTERM remove every file not yet put in place and
// end the process by the same signal; one ignored from the start stays
// ignored. Set before SDL starts, so that SDL leaves them be.
void AturarEnSenyal();
