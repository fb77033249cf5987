#pragma once

// Lanes: how many doubles one register holds on each instruction set, and the
// few operations that GCC's vector arithmetic (+ - * / > ?:) does not give.
// Each instruction set's traits exist only in the files compiled for it.
//
// Everything here has internal linkage on purpose: files compiled with wider
// instruction sets include it too, and a shared inline copy could let the
// linker hand a processor without those instructions the wider one.

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

struct CarrilsEscalar {
    using Doble = double;
    static constexpr int W = 1;
    static Doble carregar(const double* p) { return *p; }
    static void desar(double* p, Doble v) { *p = v; }
    static Doble difondre(double s) { return s; }
    static Doble arrel(Doble v) { return __builtin_sqrt(v); }
    static Doble carrils() { return 0.0; }
};

#if defined(__SSE2__)
struct CarrilsSse2 {
    using Doble = __m128d;
    static constexpr int W = 2;
    static Doble carregar(const double* p) { return _mm_loadu_pd(p); }
    static void desar(double* p, Doble v) { _mm_storeu_pd(p, v); }
    static Doble difondre(double s) { return _mm_set1_pd(s); }
    static Doble arrel(Doble v) { return _mm_sqrt_pd(v); }
    static Doble carrils() { return _mm_set_pd(1, 0); }
};
#endif

#if defined(__AVX2__)
struct CarrilsAvx2 {
    using Doble = __m256d;
    static constexpr int W = 4;
    static Doble carregar(const double* p) { return _mm256_loadu_pd(p); }
    static void desar(double* p, Doble v) { _mm256_storeu_pd(p, v); }
    static Doble difondre(double s) { return _mm256_set1_pd(s); }
    static Doble arrel(Doble v) { return _mm256_sqrt_pd(v); }
    static Doble carrils() { return _mm256_set_pd(3, 2, 1, 0); }
};
#endif

#if defined(__AVX512F__)
struct CarrilsAvx512 {
    using Doble = __m512d;
    static constexpr int W = 8;
    static Doble carregar(const double* p) { return _mm512_loadu_pd(p); }
    static void desar(double* p, Doble v) { _mm512_storeu_pd(p, v); }
    static Doble difondre(double s) { return _mm512_set1_pd(s); }
    // The unmasked form trips GCC 12's uninitialised-value warning; with every
    // lane selected this is the same instruction.
    static Doble arrel(Doble v) { return _mm512_maskz_sqrt_pd(0xFF, v); }
    static Doble carrils() { return _mm512_set_pd(7, 6, 5, 4, 3, 2, 1, 0); }
};
#endif

// The pull's factors as the literal step forms them, each by the hardware's
// own instruction: dx / r, dy / r and mg / (r r), and the lanes where the pull
// acts, r > 0 (a NaN distance is skipped too).
struct QuocientsDivisor {
    template <class L, class D>
    static auto calcular(D dx, D dy, D mg, D& ux, D& uy, D& k)
    {
        const D r = L::arrel(dy * dy + dx * dx);
        k = mg / (r * r);
        ux = dx / r;
        uy = dy / r;
        return r > L::difondre(0.0);
    }
};

}  // namespace
