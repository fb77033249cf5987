// make gpu-check's look at the OpenCL devices: each device the step would
// try, its driver, whether the kernel builds, and what the driver made of it.
//
// usage: dispositius_opencl [FOLDER]
//
// One line a device on standard output, its fields split by tabs: the index
// the tests take in PARTICULES_OPENCL_DISPOSITIU, the kind, the platform, the
// name, the driver's version, then for the kernel as the program builds it
// and for the kernel with its products and sums in explicit PTX
// (-DPARTICULES_PTX_RN), each "builds" or "fails" and, where the driver gave
// PTX, its fused products and its free ones (AnalisiPtx). A device left out
// has "-" for index and its reason after its name. In FOLDER, for device i:
// dispositiu-i.txt with everything known of it, and each kernel's build log
// and program (registre-i[-rn].txt, binari-i[-rn].ptx or .bin).

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "analisi_ptx.h"
#include "physics/pas_opencl.h"

namespace {

struct Variant {
    const char* sufix;
    const char* opcions;
};
constexpr Variant kVariants[] = {{"", ""}, {"-rn", "-DPARTICULES_PTX_RN"}};

bool Ptx(const std::string& binari)
{
    return binari.find(".version") != std::string::npos && binari.find(".target") != std::string::npos &&
           binari.find('\0') == std::string::npos;
}

void Escriure(const std::string& cami, const std::string& text)
{
    std::ofstream(cami, std::ios::binary) << text;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string carpeta = argc > 1 ? argv[1] : "";
    std::vector<DispositiuDescartat> descartats;
    const std::vector<DispositiuOpenCL> dispositius = DispositiusOpenCL(true, &descartats);
    for (size_t i = 0; i < dispositius.size(); ++i) {
        const DispositiuOpenCL& d = dispositius[i];
        const std::string base = carpeta + "/dispositiu-" + std::to_string(i);
        std::string linia = std::to_string(i) + '\t' + (d.cpu ? "processor" : "GPU or accelerator") + '\t' +
                            d.plataforma + '\t' + d.nom + '\t' + d.controlador;
        std::string informe = "platform: " + d.plataforma + "\ndevice: " + d.nom + "\ndriver: " + d.controlador +
                              "\n";
        for (const Variant& v : kVariants) {
            std::string motiu;
            const std::unique_ptr<PasOpenCL> pas = PasOpenCL::Crear(d, &motiu, v.opcions);
            const std::string registre = pas ? pas->registre() : motiu;
            const std::string binari = pas ? pas->binari() : "";
            informe += std::string("\nthe kernel with options \"") + v.opcions + "\": " +
                       (pas ? "builds" : "fails: " + motiu) + "\n";
            linia += pas ? "\tbuilds" : "\tfails";
            if (Ptx(binari)) {
                const AnalisiPtx a = AnalitzarPtx(binari);
                informe += "PTX: " + std::to_string(a.fusionats) + " fma.rn.f64 outside division and square root, " +
                           std::to_string(a.enSequencies) + " inside, " + std::to_string(a.lliures) +
                           " mul/add/sub.f64 with no rounding written (ptxas may fuse them), " +
                           std::to_string(a.divisions) + " div.rn.f64, " + std::to_string(a.arrels) +
                           " sqrt.rn.f64\n";
                linia += '\t' + std::to_string(a.fusionats) + '\t' + std::to_string(a.lliures);
            } else {
                linia += "\t-\t-";
            }
            if (!carpeta.empty()) {
                Escriure(carpeta + "/registre-" + std::to_string(i) + v.sufix + ".txt", registre);
                if (!binari.empty())
                    Escriure(carpeta + "/binari-" + std::to_string(i) + v.sufix + (Ptx(binari) ? ".ptx" : ".bin"),
                             binari);
            }
        }
        if (!carpeta.empty())
            Escriure(base + ".txt", informe);
        std::cout << linia << std::endl;
    }
    for (const DispositiuDescartat& d : descartats)
        std::cout << "-\t-\t" << d.plataforma << '\t' << d.nom << '\t' << d.motiu << std::endl;
    return 0;
}
