// The step's pulls on an OpenCL device, to the literal step's last bit.
// Work-item i is body i: within a step every new position is known before any
// pull, so each item adds its pulls in the literal j order with the literal
// operations. Built with no option that relaxes the arithmetic. A launch
// takes the bodies i in [desde, fins) and their pulls from the bodies j in
// [jdesde, jfins), the velocity carried from one launch to the next in the
// device's column: each item's sum is the same however the step is cut.

#pragma OPENCL EXTENSION cl_khr_fp64 : enable
// No multiply and add fused into one rounding: the literal step rounds each.
// The tests build it without, as a driver that ignored the pragma would.
#ifndef PAS_AMB_CONTRACCIO
#pragma OPENCL FP_CONTRACT OFF
#endif

// A compiler that fused products into sums despite the pragma can be kept
// from it here: with -DPARTICULES_PTX_RN every product and sum is NVIDIA's
// PTX instruction with its rounding written out, which its assembler never
// fuses. Off by default: plain operators leave the compiler free to schedule.
#ifdef PARTICULES_PTX_RN
double Mul(double a, double b)
{
    double r;
    __asm__("mul.rn.f64 %0, %1, %2;" : "=d"(r) : "d"(a), "d"(b));
    return r;
}
double Add(double a, double b)
{
    double r;
    __asm__("add.rn.f64 %0, %1, %2;" : "=d"(r) : "d"(a), "d"(b));
    return r;
}
double Sub(double a, double b)
{
    double r;
    __asm__("sub.rn.f64 %0, %1, %2;" : "=d"(r) : "d"(a), "d"(b));
    return r;
}
#define MUL(a, b) Mul(a, b)
#define ADD(a, b) Add(a, b)
#define SUB(a, b) Sub(a, b)
#else
#define MUL(a, b) ((a) * (b))
#define ADD(a, b) ((a) + (b))
#define SUB(a, b) ((a) - (b))
#endif

// Particula::atraccio from a mass term mg at (ax, ay), in its order of
// operations. A distance not above 0, NaN included, leaves the velocity as it
// is: adding a zero would turn a -0 into +0 and quiet a signalling NaN.
void Estira(double x, double y, double ax, double ay, double mg, double f, int repulsio,
            double* vx, double* vy)
{
    const double dx = SUB(ax, x);
    const double dy = SUB(ay, y);
    const double r = sqrt(ADD(MUL(dy, dy), MUL(dx, dx)));
    if (!(r > 0.0))
        return;
    const double k = mg / MUL(r, r);
    const double dvx = MUL(MUL(dx / r, k), f);
    const double dvy = MUL(MUL(dy / r, k), f);
    if (repulsio) {
        *vx = SUB(*vx, dvx);
        *vy = SUB(*vy, dvy);
    } else {
        *vx = ADD(dvx, *vx);
        *vy = ADD(dvy, *vy);
    }
}

// The bodies go through local memory a tile at a time, a tile as wide as the
// work-group. Bodies before i have moved and the rest have not; i skips
// itself. Where a launch starts on a whole group, as the program's do, every
// item of a group is in the same case for each tile.
__kernel void Pas(const int desde, const int fins, const int jdesde, const int jfins,
                  __global const double* nx, __global const double* ny, __global const double* ox,
                  __global const double* oy, __global const double* mg, __global double* vx,
                  __global double* vy, const double f, const int repulsio, __local double* tnx,
                  __local double* tny, __local double* tox, __local double* toy, __local double* tmg)
{
    const int i = desde + (int)get_global_id(0);
    const int l = (int)get_local_id(0);
    const int amplada = (int)get_local_size(0);
    const int meu = i < fins;
    const double x = meu ? nx[i] : 0.0;
    const double y = meu ? ny[i] : 0.0;
    double wx = meu ? vx[i] : 0.0;
    double wy = meu ? vy[i] : 0.0;

    for (int j0 = jdesde; j0 < jfins; j0 += amplada) {
        const int m = jfins - j0 < amplada ? jfins - j0 : amplada;
        barrier(CLK_LOCAL_MEM_FENCE);
        if (l < m) {
            tnx[l] = nx[j0 + l];
            tny[l] = ny[j0 + l];
            tox[l] = ox[j0 + l];
            toy[l] = oy[j0 + l];
            tmg[l] = mg[j0 + l];
        }
        barrier(CLK_LOCAL_MEM_FENCE);
        if (!meu)
            continue;
        // Where i is among this tile's bodies; before it, or past its end.
        const int propi = i - j0;
        const int moguts = propi < 0 ? 0 : propi < m ? propi : m;
        for (int k = 0; k < moguts; ++k)
            Estira(x, y, tnx[k], tny[k], tmg[k], f, repulsio, &wx, &wy);
        for (int k = propi < 0 ? 0 : moguts + 1; k < m; ++k)
            Estira(x, y, tox[k], toy[k], tmg[k], f, repulsio, &wx, &wy);
    }
    if (meu) {
        vx[i] = wx;
        vy[i] = wy;
    }
}
