#include <gtest/gtest.h>

#include <string>

#include "analisi_ptx.h"

// make gpu-check's reading of the PTX a driver returns, on pieces of PTX as
// NVIDIA's compilers write it.
TEST(AnalisiPtx, CountsFusedProductsOutsideDivisionAndSquareRoot)
{
    std::string llarga = "\trcp.approx.ftz.f64 %fd1, %fd2;\n";
    for (int k = 0; k < 40; ++k)
        llarga += "\tmov.f64 %fd3, %fd4;\n";
    llarga += "\tfma.rn.f64 %fd5, %fd6, %fd7, %fd8;\n";
    const struct {
        const char* cas;
        std::string cos;
        int fusionats, enSequencies, lliures;
    } casos[] = {
        {"rounded products and sums", "\tmul.rn.f64 %fd1, %fd2, %fd3;\n\tadd.rn.f64 %fd4, %fd1, %fd5;\n", 0, 0, 0},
        {"a fused product", "\tfma.rn.f64 %fd1, %fd2, %fd3, %fd4;\n", 1, 0, 0},
        {"a predicated one, and mad", "@%p1 fma.rn.f64 %fd1, %fd2, %fd3, %fd4;\n\tmad.rn.f64 %fd1, %fd2, %fd3, %fd4;\n",
         2, 0, 0},
        {"in a comment", "\t// fma.rn.f64 %fd1, %fd2, %fd3, %fd4;\n", 0, 0, 0},
        {"free to fuse", "\tmul.f64 %fd1, %fd2, %fd3;\n\tadd.f64 %fd4, %fd1, %fd5;\n\tsub.f64 %fd4, %fd1, %fd5;\n",
         0, 0, 3},
        {"refining a reciprocal", "\trcp.approx.ftz.f64 %fd1, %fd2;\n\tfma.rn.f64 %fd3, %fd1, %fd2, %fd4;\n", 0, 1,
         0},
        {"long after a reciprocal", llarga, 1, 0, 0},
    };
    for (const auto& c : casos) {
        const std::string ptx = ".version 8.0\n.target sm_90\n.address_size 64\n\n.visible .entry Pas(\n"
                                "\t.param .u32 Pas_param_0\n)\n{\n" +
                                c.cos + "\tret;\n}\n";
        const AnalisiPtx a = AnalitzarPtx(ptx);
        EXPECT_EQ(a.fusionats, c.fusionats) << c.cas;
        EXPECT_EQ(a.enSequencies, c.enSequencies) << c.cas;
        EXPECT_EQ(a.lliures, c.lliures) << c.cas;
    }
    // A division's own routine, then the kernel that calls it.
    const AnalisiPtx a = AnalitzarPtx(
        ".func  (.param .b64 func_retval0) __internal_accurate_ddiv(\n\t.param .b64 p\n)\n{\n"
        "\tfma.rn.f64 %fd1, %fd2, %fd3, %fd4;\n\t{\n\tfma.rn.f64 %fd1, %fd2, %fd3, %fd4;\n\t}\n}\n"
        ".visible .entry Pas()\n{\n\tdiv.rn.f64 %fd1, %fd2, %fd3;\n\tsqrt.rn.f64 %fd1, %fd2;\n"
        "\tfma.rn.f64 %fd1, %fd2, %fd3, %fd4;\n}\n");
    EXPECT_EQ(a.enSequencies, 2);
    EXPECT_EQ(a.fusionats, 1);
    EXPECT_EQ(a.divisions, 1);
    EXPECT_EQ(a.arrels, 1);
}
