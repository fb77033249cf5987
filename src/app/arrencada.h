#pragma once

#include <istream>
#include <ostream>
#include <string>

// Reads config.txt from the working directory into the settings, echoes it,
// sets G, builds the bodies and centres the view. False after a failure
// that has already been reported on standard error.
bool arrencada();

// What arrencada reads: the file at cami, echoed on standard output, into
// the settings and the bodies. False after a failure that has already been
// reported on standard error.
bool llegirArxiu(const std::string& cami);

// The two halves of reading an open configuration: the header, echoed in one
// line, and then the bodies, one echoed line each. A read that fails gives 0,
// and so does every read after it.
void llegirCapcalera(std::istream& in, std::ostream& eco);
bool crearParticules(std::istream& in, std::ostream& eco);
