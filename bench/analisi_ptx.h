#pragma once

// What NVIDIA's OpenCL compiler made of the kernel, read from the PTX its
// driver returns: whether it fused a product into a sum despite
// FP_CONTRACT OFF.

#include <string>

struct AnalisiPtx {
    // fma.rn.f64 (or mad.rn.f64) outside the division and square-root
    // sequences, where each must be one: a product fused into a sum.
    int fusionats = 0;
    // Those inside such sequences, where the exact quotient or root needs them.
    int enSequencies = 0;
    // mul, add and sub of doubles with no rounding written out, which the
    // assembler (ptxas) is free to fuse in its turn.
    int lliures = 0;
    int divisions = 0;  // div.rn.f64
    int arrels = 0;     // sqrt.rn.f64
};

// A sequence is a function whose name speaks of division, square root or
// reciprocal, or the instructions that follow a reciprocal's or a reciprocal
// square root's first approximation.
AnalisiPtx AnalitzarPtx(const std::string& ptx);
