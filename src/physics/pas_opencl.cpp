// Only the 1.2 interface, which every driver has.
#define CL_TARGET_OPENCL_VERSION 120
#include "physics/pas_opencl.h"

#include <CL/cl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "physics/costures_prova.h"
#include "physics/pas_opencl_font.h"
#include "physics/pas_rapid.h"

namespace {

// Work-items per group, and bodies per tile of local memory; fewer where the
// device or the kernel allows fewer.
constexpr std::size_t AMPLADA_GRUP = 128;
// The kernel's columns: new x and y, old x and y, mass term, velocity x and y.
constexpr int COLUMNES = 7;
constexpr int VELOCITATS = 5;  // vx and vy, the last two
// The kernel's arguments: the bodies a launch steps and those that pull
// them, each a first and one past the last, the columns, f, repulsio, then
// the tiles in local memory.
constexpr cl_uint ARG_DESDE = 0, ARG_FINS = 1, ARG_JDESDE = 2, ARG_JFINS = 3, ARG_COLUMNES = 4, ARG_F = 11,
                  ARG_REPULSIO = 12, ARG_TESSELLES = 13;
// The longest a launch should take: far under the seconds after which a
// display driver's watchdog ends a kernel, and short enough that a stop
// waits for no more than one.
constexpr double SEGONS_LLANCAMENT = 0.02;
// The pulls of a device's first launch: a few milliseconds on a processor.
constexpr double PARELLS_INICIALS = 1 << 22;
// Tiles of pulls a launch takes at the start of a row, at least.
constexpr double TESSELLES_PER_FILA = 4.0;

// Extensions' queries, from the vendors' headers.
constexpr cl_device_info CL_DEVICE_UUID_KHR_ = 0x106A;
constexpr cl_device_info CL_DEVICE_PCI_BUS_INFO_KHR_ = 0x410F;
constexpr cl_device_info CL_DEVICE_PCI_BUS_ID_NV_ = 0x4008;
constexpr cl_device_info CL_DEVICE_PCI_SLOT_ID_NV_ = 0x4009;
constexpr cl_device_info CL_DEVICE_PCI_DOMAIN_ID_NV_ = 0x400A;
constexpr cl_device_info CL_DEVICE_TOPOLOGY_AMD_ = 0x4037;

// A text the driver gives through `consulta`(size, buffer, size needed).
template <class Consulta>
std::string Llegir(Consulta consulta)
{
    std::size_t mida = 0;
    if (consulta(0, nullptr, &mida) != CL_SUCCESS || mida == 0)
        return "";
    std::string text(mida, '\0');
    if (consulta(mida, text.data(), nullptr) != CL_SUCCESS)
        return "";
    text.resize(text.find('\0') == std::string::npos ? mida : text.find('\0'));
    return text;
}

// A device's or a platform's name, through clGetDeviceInfo or clGetPlatformInfo.
template <class Id>
std::string Text(cl_int (*consulta)(Id, cl_uint, std::size_t, void*, std::size_t*), Id id, cl_uint que)
{
    return Llegir([&](std::size_t mida, void* dades, std::size_t* cal) { return consulta(id, que, mida, dades, cal); });
}

template <class T>
T Valor(cl_device_id d, cl_device_info que)
{
    T valor{};
    if (clGetDeviceInfo(d, que, sizeof valor, &valor, nullptr) != CL_SUCCESS)
        return T{};
    return valor;
}

// Whether the query answers, its value in `valor`.
template <class T>
bool Consulta(cl_device_id d, cl_device_info que, T& valor)
{
    return clGetDeviceInfo(d, que, sizeof valor, &valor, nullptr) == CL_SUCCESS;
}

std::string Error(const char* crida, cl_int error)
{
    return std::string(crida) + " failed with error " + std::to_string(error);
}

// What the driver said as it built the program.
std::string Registre(cl_program programa, cl_device_id d)
{
    return Llegir([&](std::size_t mida, void* dades, std::size_t* cal) {
        return clGetProgramBuildInfo(programa, d, CL_PROGRAM_BUILD_LOG, mida, dades, cal);
    });
}

std::string Hex(const unsigned char* bytes, std::size_t n)
{
    static const char xifres[] = "0123456789abcdef";
    std::string text;
    for (std::size_t k = 0; k < n; ++k) {
        text += xifres[bytes[k] >> 4];
        text += xifres[bytes[k] & 15];
    }
    return text;
}

// Its PCI address, by whichever extension its driver has, each written its
// own way; empty where none.
std::string Pci(cl_device_id d, const std::string& extensions)
{
    const auto te = [&](const char* nom) { return extensions.find(nom) != std::string::npos; };
    if (te("cl_khr_pci_bus_info")) {
        cl_uint adreca[4] = {};  // domain, bus, device, function
        if (Consulta(d, CL_DEVICE_PCI_BUS_INFO_KHR_, adreca))
            return "khr " + std::to_string(adreca[0]) + ":" + std::to_string(adreca[1]) + ":" +
                   std::to_string(adreca[2]) + "." + std::to_string(adreca[3]);
    }
    if (te("cl_nv_device_attribute_query")) {
        cl_uint bus = 0, ranura = 0, domini = 0;
        if (Consulta(d, CL_DEVICE_PCI_BUS_ID_NV_, bus) && Consulta(d, CL_DEVICE_PCI_SLOT_ID_NV_, ranura)) {
            Consulta(d, CL_DEVICE_PCI_DOMAIN_ID_NV_, domini);
            return "nv " + std::to_string(domini) + ":" + std::to_string(bus) + ":" + std::to_string(ranura);
        }
    }
    if (te("cl_amd_device_attribute_query")) {
        // cl_device_topology_amd: a type, 1 for PCIe, then bus, device and
        // function in its last three bytes.
        unsigned char topologia[24] = {};
        cl_uint tipus = 0;
        if (Consulta(d, CL_DEVICE_TOPOLOGY_AMD_, topologia) &&
            (std::memcpy(&tipus, topologia, sizeof tipus), tipus == 1))
            return "amd " + std::to_string(topologia[21]) + ":" + std::to_string(topologia[22]) + "." +
                   std::to_string(topologia[23]);
    }
    return "";
}

IdentitatOpenCL Identitat(cl_device_id d)
{
    IdentitatOpenCL id;
    const std::string extensions = Text(clGetDeviceInfo, d, CL_DEVICE_EXTENSIONS);
    id.venedor = Valor<cl_uint>(d, CL_DEVICE_VENDOR_ID);
    id.nom = Text(clGetDeviceInfo, d, CL_DEVICE_NAME);
    id.controlador = Text(clGetDeviceInfo, d, CL_DRIVER_VERSION);
    id.memoria = Valor<cl_ulong>(d, CL_DEVICE_GLOBAL_MEM_SIZE);
    unsigned char uuid[16] = {};
    if (extensions.find("cl_khr_device_uuid") != std::string::npos && Consulta(d, CL_DEVICE_UUID_KHR_, uuid))
        id.uuid = Hex(uuid, sizeof uuid);
    id.pci = Pci(d, extensions);
    return id;
}

// Why the literal step's bits cannot be had on this device; empty where they
// can: doubles as the literal step has them, and a compiler to build the
// kernel.
std::string NoApte(cl_device_id d)
{
    if (!Valor<cl_bool>(d, CL_DEVICE_AVAILABLE))
        return "the driver says it is not available";
    if (!Valor<cl_bool>(d, CL_DEVICE_COMPILER_AVAILABLE))
        return "its driver has no compiler for the kernel";
    const cl_device_fp_config doubles = Valor<cl_device_fp_config>(d, CL_DEVICE_DOUBLE_FP_CONFIG);
    if (doubles == 0)
        return "it has no doubles";
    std::string falta;
    const struct {
        cl_device_fp_config bit;
        const char* nom;
    } necessaris[] = {{CL_FP_DENORM, "denormals"},
                      {CL_FP_INF_NAN, "infinities and NaN"},
                      {CL_FP_ROUND_TO_NEAREST, "rounding to nearest"}};
    for (const auto& n : necessaris)
        if ((doubles & n.bit) == 0)
            falta += (falta.empty() ? "" : ", ") + std::string(n.nom);
    return falta.empty() ? "" : "its doubles lack " + falta;
}

}  // namespace

bool MateixDispositiu(const IdentitatOpenCL& a, const IdentitatOpenCL& b)
{
    if (!a.uuid.empty() && !b.uuid.empty())
        return a.uuid == b.uuid;
    // Two drivers may write one address two ways: only the same way compares.
    if (!a.pci.empty() && !b.pci.empty() && a.pci.substr(0, 3) == b.pci.substr(0, 3))
        return a.venedor == b.venedor && a.pci == b.pci;
    return a.venedor == b.venedor && a.nom == b.nom && a.controlador == b.controlador && a.memoria == b.memoria;
}

std::vector<DispositiuOpenCL> DispositiusOpenCL(bool ambCpu, std::vector<DispositiuDescartat>* descartats)
{
    std::vector<DispositiuOpenCL> dispositius;
    cl_uint nombre = 0;
    if (clGetPlatformIDs(0, nullptr, &nombre) != CL_SUCCESS || nombre == 0)
        return dispositius;
    std::vector<cl_platform_id> plataformes(nombre);
    if (clGetPlatformIDs(nombre, plataformes.data(), nullptr) != CL_SUCCESS)
        return dispositius;
    std::vector<IdentitatOpenCL> vistos;
    for (cl_platform_id p : plataformes) {
        cl_uint n = 0;
        if (clGetDeviceIDs(p, CL_DEVICE_TYPE_ALL, 0, nullptr, &n) != CL_SUCCESS || n == 0)
            continue;
        std::vector<cl_device_id> ids(n);
        if (clGetDeviceIDs(p, CL_DEVICE_TYPE_ALL, n, ids.data(), nullptr) != CL_SUCCESS)
            continue;
        const std::string plataforma = Text(clGetPlatformInfo, p, CL_PLATFORM_NAME);
        for (cl_device_id d : ids) {
            const cl_device_type tipus = Valor<cl_device_type>(d, CL_DEVICE_TYPE);
            const bool cpu = (tipus & CL_DEVICE_TYPE_CPU) != 0;
            const bool candidat = (tipus & (CL_DEVICE_TYPE_GPU | CL_DEVICE_TYPE_ACCELERATOR)) != 0;
            if (!candidat && !(cpu && ambCpu))
                continue;
            // One device that two platforms show, or one platform's library
            // that two ICD files name, is tried once.
            const IdentitatOpenCL identitat = Identitat(d);
            if (std::any_of(vistos.begin(), vistos.end(),
                            [&](const IdentitatOpenCL& v) { return MateixDispositiu(v, identitat); }))
                continue;
            vistos.push_back(identitat);
            const std::string motiu = NoApte(d);
            if (motiu.empty())
                dispositius.push_back({plataforma, identitat.nom, identitat.controlador, cpu && !candidat, d});
            else if (descartats != nullptr)
                descartats->push_back({plataforma, identitat.nom, motiu});
        }
    }
    return dispositius;
}

struct PasOpenCL::Estat {
    cl_context context = nullptr;
    cl_command_queue cua = nullptr;
    cl_program programa = nullptr;
    cl_kernel nucli = nullptr;
    cl_mem columnes[COLUMNES] = {};
    cl_device_id id = nullptr;
    std::size_t grup = 0;
    int32_t capacitat = 0;
    // Pulls a launch takes, from the launches before it: at first a few,
    // then twice or four times as many while a launch is short, and cut back
    // to half the longest allowed when one overran it.
    double parells = PARELLS_INICIALS;
    // For the tests, the launches' bodies and pulling bodies; 0, as measured.
    int32_t filesFixes = 0, estiradorsFixos = 0;
    // This step's pulls summed, and its bodies counted in CossosSumatsPas.
    int64_t sumats = 0, comptats = 0;

    // The bodies of a row of launches, which take their pulls in turn: all
    // where the budget gives each at least a few tiles of them, so that a
    // launch can still be cut short within the row; else as many whole
    // groups as take those few tiles.
    int32_t files(int32_t n) const
    {
        if (filesFixes > 0)
            return std::min(filesFixes, n);
        const double tesselles = TESSELLES_PER_FILA * static_cast<double>(grup);
        if (parells >= static_cast<double>(n) * tesselles)
            return n;
        const double grups = std::max(1.0, std::floor(parells / tesselles / static_cast<double>(grup)));
        return static_cast<int32_t>(std::min(static_cast<double>(n), grups * static_cast<double>(grup)));
    }
    int32_t estiradors(int32_t n, int32_t files) const
    {
        if (estiradorsFixos > 0)
            return std::min(estiradorsFixos, n);
        const double tesselles = std::max(1.0, std::floor(parells / files / static_cast<double>(grup)));
        return static_cast<int32_t>(std::min(static_cast<double>(n), tesselles * static_cast<double>(grup)));
    }
    void mesurar(double fets, double segons)
    {
        if (segons > SEGONS_LLANCAMENT)
            parells = fets * (SEGONS_LLANCAMENT / 2.0) / segons;
        else if (segons < SEGONS_LLANCAMENT / 8.0)
            parells = std::max(parells, 4.0 * fets);
        else if (segons < SEGONS_LLANCAMENT / 2.5)
            parells = std::max(parells, 2.0 * fets);
    }
    // A launch's pulls, in whole bodies of n pulls, into CossosSumatsPas.
    void comptar(int64_t fets, int32_t n)
    {
        sumats += fets;
        const int64_t cossos = sumats / n - comptats;
        comptats += cossos;
        SumarCossosPas(static_cast<int32_t>(cossos));
    }

    // The context, the queue and the kernel built with `opcions`; empty, or
    // why not.
    std::string construir(cl_device_id dispositiu, const std::string& opcions)
    {
        id = dispositiu;
        cl_int error = CL_SUCCESS;
        context = clCreateContext(nullptr, 1, &id, nullptr, nullptr, &error);
        if (error != CL_SUCCESS)
            return Error("clCreateContext", error);
        cua = clCreateCommandQueue(context, id, 0, &error);
        if (error != CL_SUCCESS)
            return Error("clCreateCommandQueue", error);
        const char* font = kFontPasOpenCL;
        programa = clCreateProgramWithSource(context, 1, &font, nullptr, &error);
        if (error != CL_SUCCESS)
            return Error("clCreateProgramWithSource", error);
        error = clBuildProgram(programa, 1, &id, opcions.c_str(), nullptr, nullptr);
        if (error != CL_SUCCESS)
            return "the kernel does not build (" + Error("clBuildProgram", error) + "); the driver's log:\n" +
                   Registre(programa, id);
        nucli = clCreateKernel(programa, "Pas", &error);
        if (error != CL_SUCCESS)
            return Error("clCreateKernel", error);
        std::size_t maxim = 0;
        error = clGetKernelWorkGroupInfo(nucli, id, CL_KERNEL_WORK_GROUP_SIZE, sizeof maxim, &maxim, nullptr);
        if (error != CL_SUCCESS || maxim == 0)
            return Error("clGetKernelWorkGroupInfo", error);
        grup = 1;
        while (grup * 2 <= std::min(maxim, AMPLADA_GRUP))
            grup *= 2;
        for (cl_uint c = 0; c < 5; ++c) {
            error = clSetKernelArg(nucli, ARG_TESSELLES + c, grup * sizeof(double), nullptr);
            if (error != CL_SUCCESS)
                return Error("clSetKernelArg", error);
        }
        return "";
    }

    void alliberarColumnes()
    {
        for (cl_mem& c : columnes) {
            if (c != nullptr)
                clReleaseMemObject(c);
            c = nullptr;
        }
        capacitat = 0;
    }
    ~Estat()
    {
        alliberarColumnes();
        if (nucli != nullptr)
            clReleaseKernel(nucli);
        if (programa != nullptr)
            clReleaseProgram(programa);
        if (cua != nullptr)
            clReleaseCommandQueue(cua);
        if (context != nullptr)
            clReleaseContext(context);
    }
};

PasOpenCL::PasOpenCL(const DispositiuOpenCL& d, std::unique_ptr<Estat> e) : dispositiu_(d), e_(std::move(e)) {}

PasOpenCL::~PasOpenCL() = default;

std::unique_ptr<PasOpenCL> PasOpenCL::Crear(const DispositiuOpenCL& d, std::string* motiu, const std::string& opcions)
{
    auto e = std::make_unique<Estat>();
    const std::string perque = e->construir(static_cast<cl_device_id>(d.id), opcions);
    if (motiu != nullptr)
        *motiu = perque;
    return perque.empty() ? std::unique_ptr<PasOpenCL>(new PasOpenCL(d, std::move(e))) : nullptr;
}

bool PasOpenCL::reservar(int32_t n, std::string* motiu)
{
    const auto fallar = [&](const std::string& perque) {
        if (motiu != nullptr)
            *motiu = perque;
        return false;
    };
    if (!e_ || e_->nucli == nullptr || n <= 0)
        return fallar("the kernel is lost");
    if (motiu != nullptr)
        motiu->clear();
    if (n <= e_->capacitat)
        return true;
    if (!ReservarPas(n))
        return fallar("the host's memory does not hold the columns of " + std::to_string(n) + " bodies");
    e_->alliberarColumnes();
    const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(double);
    for (int c = 0; c < COLUMNES; ++c) {
        cl_int error = CL_SUCCESS;
        const cl_mem_flags us = c < VELOCITATS ? CL_MEM_READ_ONLY : CL_MEM_READ_WRITE;
        e_->columnes[c] = clCreateBuffer(e_->context, us, bytes, nullptr, &error);
        if (error == CL_SUCCESS)
            error = clSetKernelArg(e_->nucli, ARG_COLUMNES + static_cast<cl_uint>(c), sizeof(cl_mem),
                                   &e_->columnes[c]);
        if (error != CL_SUCCESS) {
            e_->alliberarColumnes();
            return fallar("its memory does not hold " + std::to_string(n) + " bodies (" +
                          Error("clCreateBuffer", error) + ")");
        }
    }
    e_->capacitat = n;
    return true;
}

bool PasOpenCL::pas(Particula* particules, int32_t n, const ParametresPas& p)
{
    // A signal's stop leaves the bodies as they were, as on the CPU; the
    // device stays the run's.
    if (PasInterromput())
        return true;
    SistemaPas s;
    if (!e_ || e_->nucli == nullptr || n <= 0 || n > e_->capacitat || !OmplirColumnes(particules, n, p, s))
        return false;
    using Rellotge = std::chrono::steady_clock;
    const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(double);
    const double* columnes[COLUMNES] = {s.nx, s.ny, s.ox, s.oy, s.mg, s.vx, s.vy};
    bool bo = true;
    for (int c = 0; c < COLUMNES && bo; ++c)
        bo = clEnqueueWriteBuffer(e_->cua, e_->columnes[c], CL_FALSE, 0, bytes, columnes[c], 0, nullptr,
                                  nullptr) == CL_SUCCESS;
    const cl_int repulsio = s.repulsio ? 1 : 0;
    // The columns are on the device before the first launch is timed.
    bo = bo && clSetKernelArg(e_->nucli, ARG_F, sizeof s.f, &s.f) == CL_SUCCESS &&
         clSetKernelArg(e_->nucli, ARG_REPULSIO, sizeof repulsio, &repulsio) == CL_SUCCESS &&
         clFinish(e_->cua) == CL_SUCCESS;
    e_->sumats = e_->comptats = 0;
    for (cl_int desde = 0, fins = 0; bo && desde < n; desde = fins) {
        fins = desde + std::min(e_->files(n), n - desde);
        const std::size_t global = (static_cast<std::size_t>(fins - desde) + e_->grup - 1) / e_->grup * e_->grup;
        for (cl_int jdesde = 0, jfins = 0; bo && jdesde < n; jdesde = jfins) {
            jfins = jdesde + std::min(e_->estiradors(n, fins - desde), n - jdesde);
            const Rellotge::time_point inici = Rellotge::now();
            bo = clSetKernelArg(e_->nucli, ARG_DESDE, sizeof desde, &desde) == CL_SUCCESS &&
                 clSetKernelArg(e_->nucli, ARG_FINS, sizeof fins, &fins) == CL_SUCCESS &&
                 clSetKernelArg(e_->nucli, ARG_JDESDE, sizeof jdesde, &jdesde) == CL_SUCCESS &&
                 clSetKernelArg(e_->nucli, ARG_JFINS, sizeof jfins, &jfins) == CL_SUCCESS &&
                 clEnqueueNDRangeKernel(e_->cua, e_->nucli, 1, nullptr, &global, &e_->grup, 0, nullptr,
                                        nullptr) == CL_SUCCESS &&
                 clFinish(e_->cua) == CL_SUCCESS;
            if (!bo)
                break;
            const int64_t fets = int64_t{fins - desde} * (jfins - jdesde);
            e_->mesurar(static_cast<double>(fets), std::chrono::duration<double>(Rellotge::now() - inici).count());
            e_->comptar(fets, n);
            // Nothing is left on the device's queue: the step ends here.
            if (PasInterromput())
                return true;
        }
    }
    bo = bo &&
         clEnqueueReadBuffer(e_->cua, e_->columnes[VELOCITATS], CL_TRUE, 0, bytes, s.vx, 0, nullptr, nullptr) ==
             CL_SUCCESS &&
         clEnqueueReadBuffer(e_->cua, e_->columnes[VELOCITATS + 1], CL_TRUE, 0, bytes, s.vy, 0, nullptr,
                             nullptr) == CL_SUCCESS;
    if (!bo) {
        // Nothing of this step may still be reading the columns when the CPU
        // step fills them again.
        clFinish(e_->cua);
        return false;
    }
    if (PasInterromput())
        return true;
    TornarColumnes(particules, s);
    return true;
}

void CosturaPasOpenCL::trencar(PasOpenCL& opencl)
{
    const std::unique_ptr<PasOpenCL::Estat>& e = opencl.e_;
    if (e && e->nucli != nullptr) {
        clReleaseKernel(e->nucli);
        e->nucli = nullptr;
    }
}

void CosturaPasOpenCL::fixarTros(PasOpenCL& opencl, int32_t cossos, int32_t estiradors)
{
    if (opencl.e_) {
        opencl.e_->filesFixes = cossos;
        opencl.e_->estiradorsFixos = estiradors;
    }
}

std::string PasOpenCL::registre() const
{
    return e_ && e_->programa != nullptr ? Registre(e_->programa, e_->id) : "";
}

std::string PasOpenCL::binari() const
{
    std::size_t mida = 0;
    if (!e_ || e_->programa == nullptr ||
        clGetProgramInfo(e_->programa, CL_PROGRAM_BINARY_SIZES, sizeof mida, &mida, nullptr) != CL_SUCCESS)
        return "";
    std::string binari(mida, '\0');
    unsigned char* dades = reinterpret_cast<unsigned char*>(binari.data());
    if (clGetProgramInfo(e_->programa, CL_PROGRAM_BINARIES, sizeof dades, &dades, nullptr) != CL_SUCCESS)
        return "";
    return binari;
}
