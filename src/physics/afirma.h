#pragma once

// An invariant the code relies on, checked in every build: each sits where one
// comparison costs nothing beside the work it guards (once a step, a slice or
// a call, never inside the loop over pairs). A broken one names itself, its
// file and line on standard error and aborts. Only a macro and a declaration,
// so that the kernels' files, built with wider instruction sets, may use it.

[[noreturn]] void FallaAfirmacio(const char* condicio, const char* arxiu, int linia);

#define AFIRMA(condicio) \
    (__builtin_expect(static_cast<bool>(condicio), 1) ? static_cast<void>(0) \
                                                       : FallaAfirmacio(#condicio, __FILE__, __LINE__))
