// Only the 1.2 interface, which every driver has.
#define CL_TARGET_OPENCL_VERSION 120
#include "physics/pas_opencl.h"

#include <CL/cl.h>

#include <algorithm>
#include <cstddef>

#include "physics/pas_opencl_font.h"
#include "physics/pas_rapid.h"

namespace {

// Work-items per group, and bodies per tile of local memory; fewer where the
// device or the kernel allows fewer.
constexpr std::size_t AMPLADA_GRUP = 128;
// The kernel's columns: new x and y, old x and y, mass term, velocity x and y.
constexpr int COLUMNES = 7;
constexpr int VELOCITATS = 5;  // vx and vy, the last two

// A device's or a platform's name, through clGetDeviceInfo or clGetPlatformInfo.
template <class Id>
std::string Text(cl_int (*consulta)(Id, cl_uint, std::size_t, void*, std::size_t*), Id id, cl_uint que)
{
    std::size_t mida = 0;
    if (consulta(id, que, 0, nullptr, &mida) != CL_SUCCESS || mida == 0)
        return "";
    std::string text(mida, '\0');
    if (consulta(id, que, mida, text.data(), nullptr) != CL_SUCCESS)
        return "";
    text.resize(text.find('\0') == std::string::npos ? mida : text.find('\0'));
    return text;
}

template <class T>
T Valor(cl_device_id d, cl_device_info que)
{
    T valor{};
    if (clGetDeviceInfo(d, que, sizeof valor, &valor, nullptr) != CL_SUCCESS)
        return T{};
    return valor;
}

// Doubles as the literal step has them, and a compiler to build the kernel.
bool Apte(cl_device_id d)
{
    const cl_device_fp_config necessari = CL_FP_DENORM | CL_FP_INF_NAN | CL_FP_ROUND_TO_NEAREST;
    return (Valor<cl_device_fp_config>(d, CL_DEVICE_DOUBLE_FP_CONFIG) & necessari) == necessari &&
           Valor<cl_bool>(d, CL_DEVICE_AVAILABLE) && Valor<cl_bool>(d, CL_DEVICE_COMPILER_AVAILABLE);
}

}  // namespace

std::vector<DispositiuOpenCL> DispositiusOpenCL(bool ambCpu)
{
    std::vector<DispositiuOpenCL> dispositius;
    cl_uint nombre = 0;
    if (clGetPlatformIDs(0, nullptr, &nombre) != CL_SUCCESS || nombre == 0)
        return dispositius;
    std::vector<cl_platform_id> plataformes(nombre);
    if (clGetPlatformIDs(nombre, plataformes.data(), nullptr) != CL_SUCCESS)
        return dispositius;
    for (cl_platform_id p : plataformes) {
        cl_uint n = 0;
        if (clGetDeviceIDs(p, CL_DEVICE_TYPE_ALL, 0, nullptr, &n) != CL_SUCCESS || n == 0)
            continue;
        std::vector<cl_device_id> ids(n);
        if (clGetDeviceIDs(p, CL_DEVICE_TYPE_ALL, n, ids.data(), nullptr) != CL_SUCCESS)
            continue;
        for (cl_device_id d : ids) {
            const cl_device_type tipus = Valor<cl_device_type>(d, CL_DEVICE_TYPE);
            const bool cpu = (tipus & CL_DEVICE_TYPE_CPU) != 0;
            const bool candidat = (tipus & (CL_DEVICE_TYPE_GPU | CL_DEVICE_TYPE_ACCELERATOR)) != 0;
            if ((candidat || (cpu && ambCpu)) && Apte(d))
                dispositius.push_back({Text(clGetPlatformInfo, p, CL_PLATFORM_NAME), Text(clGetDeviceInfo, d, CL_DEVICE_NAME),
                                       cpu && !candidat, d});
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
    std::size_t grup = 0;
    int32_t capacitat = 0;

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

std::unique_ptr<PasOpenCL> PasOpenCL::Crear(const DispositiuOpenCL& d)
{
    auto e = std::make_unique<Estat>();
    cl_device_id id = static_cast<cl_device_id>(d.id);
    cl_int error = CL_SUCCESS;
    e->context = clCreateContext(nullptr, 1, &id, nullptr, nullptr, &error);
    if (error != CL_SUCCESS)
        return nullptr;
    e->cua = clCreateCommandQueue(e->context, id, 0, &error);
    if (error != CL_SUCCESS)
        return nullptr;
    const char* font = kFontPasOpenCL;
    e->programa = clCreateProgramWithSource(e->context, 1, &font, nullptr, &error);
    // No option: none of those that relax the arithmetic.
    if (error != CL_SUCCESS || clBuildProgram(e->programa, 1, &id, "", nullptr, nullptr) != CL_SUCCESS)
        return nullptr;
    e->nucli = clCreateKernel(e->programa, "Pas", &error);
    if (error != CL_SUCCESS)
        return nullptr;
    std::size_t maxim = 0;
    if (clGetKernelWorkGroupInfo(e->nucli, id, CL_KERNEL_WORK_GROUP_SIZE, sizeof maxim, &maxim, nullptr) !=
            CL_SUCCESS ||
        maxim == 0)
        return nullptr;
    e->grup = 1;
    while (e->grup * 2 <= std::min(maxim, AMPLADA_GRUP))
        e->grup *= 2;
    for (int c = 0; c < 5; ++c) {
        if (clSetKernelArg(e->nucli, static_cast<cl_uint>(10 + c), e->grup * sizeof(double), nullptr) != CL_SUCCESS)
            return nullptr;
    }
    return std::unique_ptr<PasOpenCL>(new PasOpenCL(d, std::move(e)));
}

bool PasOpenCL::reservar(int32_t n)
{
    if (!e_ || e_->nucli == nullptr || n <= 0)
        return false;
    if (n <= e_->capacitat)
        return true;
    if (!ReservarPas(n))
        return false;
    e_->alliberarColumnes();
    const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(double);
    for (int c = 0; c < COLUMNES; ++c) {
        cl_int error = CL_SUCCESS;
        const cl_mem_flags us = c < VELOCITATS ? CL_MEM_READ_ONLY : CL_MEM_READ_WRITE;
        e_->columnes[c] = clCreateBuffer(e_->context, us, bytes, nullptr, &error);
        if (error != CL_SUCCESS) {
            e_->alliberarColumnes();
            return false;
        }
        if (clSetKernelArg(e_->nucli, static_cast<cl_uint>(1 + c), sizeof(cl_mem), &e_->columnes[c]) != CL_SUCCESS) {
            e_->alliberarColumnes();
            return false;
        }
    }
    e_->capacitat = n;
    return true;
}

bool PasOpenCL::pas(Particula* particules, int32_t n)
{
    // A signal's stop leaves the bodies as they were, as on the CPU; the
    // device stays the run's.
    if (PasInterromput())
        return true;
    SistemaPas s;
    if (!e_ || e_->nucli == nullptr || n <= 0 || n > e_->capacitat || !OmplirColumnes(particules, n, s))
        return false;
    const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(double);
    const double* columnes[COLUMNES] = {s.nx, s.ny, s.ox, s.oy, s.mg, s.vx, s.vy};
    bool bo = true;
    for (int c = 0; c < COLUMNES && bo; ++c)
        bo = clEnqueueWriteBuffer(e_->cua, e_->columnes[c], CL_FALSE, 0, bytes, columnes[c], 0, nullptr,
                                  nullptr) == CL_SUCCESS;
    const cl_int repulsio = s.repulsio ? 1 : 0;
    const cl_int cossos = n;
    const std::size_t global = (static_cast<std::size_t>(n) + e_->grup - 1) / e_->grup * e_->grup;
    bo = bo && clSetKernelArg(e_->nucli, 0, sizeof cossos, &cossos) == CL_SUCCESS &&
         clSetKernelArg(e_->nucli, 8, sizeof s.f, &s.f) == CL_SUCCESS &&
         clSetKernelArg(e_->nucli, 9, sizeof repulsio, &repulsio) == CL_SUCCESS &&
         clEnqueueNDRangeKernel(e_->cua, e_->nucli, 1, nullptr, &global, &e_->grup, 0, nullptr, nullptr) ==
             CL_SUCCESS &&
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

void PasOpenCL::trencar()
{
    if (e_ && e_->nucli != nullptr) {
        clReleaseKernel(e_->nucli);
        e_->nucli = nullptr;
    }
}
