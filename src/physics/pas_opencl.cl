// The step's pulls on an OpenCL device, to the literal step's last bit.
// Work-item i is body i: within a step every new position is known before any
// pull, so each item adds its pulls in the literal j order with the literal
// operations. Built with no option that relaxes the arithmetic.

#pragma OPENCL EXTENSION cl_khr_fp64 : enable
// No multiply and add fused into one rounding: the literal step rounds each.
// The tests build it without, as a driver that ignored the pragma would.
#ifndef PAS_AMB_CONTRACCIO
#pragma OPENCL FP_CONTRACT OFF
#endif

// Particula::atraccio from a mass term mg at (ax, ay), in its order of
// operations. A distance not above 0, NaN included, leaves the velocity as it
// is: adding a zero would turn a -0 into +0 and quiet a signalling NaN.
void Estira(double x, double y, double ax, double ay, double mg, double f, int repulsio,
            double* vx, double* vy)
{
    const double dx = ax - x;
    const double dy = ay - y;
    const double r = sqrt(dy * dy + dx * dx);
    if (!(r > 0.0))
        return;
    const double k = mg / (r * r);
    const double dvx = dx / r * k * f;
    const double dvy = dy / r * k * f;
    if (repulsio) {
        *vx = *vx - dvx;
        *vy = *vy - dvy;
    } else {
        *vx = dvx + *vx;
        *vy = dvy + *vy;
    }
}

// The bodies go through local memory a tile at a time, a tile as wide as the
// work-group. Tiles before the group's own have moved and those after it have
// not; in its own each item sees the bodies before itself moved, the rest
// not, and skips itself.
__kernel void Pas(const int n, __global const double* nx, __global const double* ny,
                  __global const double* ox, __global const double* oy,
                  __global const double* mg, __global double* vx, __global double* vy,
                  const double f, const int repulsio, __local double* tnx, __local double* tny,
                  __local double* tox, __local double* toy, __local double* tmg)
{
    const int i = (int)get_global_id(0);
    const int l = (int)get_local_id(0);
    const int amplada = (int)get_local_size(0);
    const int grup = (int)get_group_id(0);
    const int meu = i < n;
    const double x = meu ? nx[i] : 0.0;
    const double y = meu ? ny[i] : 0.0;
    double wx = meu ? vx[i] : 0.0;
    double wy = meu ? vy[i] : 0.0;

    for (int t = 0; t * amplada < n; ++t) {
        const int j0 = t * amplada;
        const int m = n - j0 < amplada ? n - j0 : amplada;
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
        if (t < grup) {
            for (int k = 0; k < m; ++k)
                Estira(x, y, tnx[k], tny[k], tmg[k], f, repulsio, &wx, &wy);
        } else if (t > grup) {
            for (int k = 0; k < m; ++k)
                Estira(x, y, tox[k], toy[k], tmg[k], f, repulsio, &wx, &wy);
        } else {
            for (int k = 0; k < m; ++k) {
                if (k < l)
                    Estira(x, y, tnx[k], tny[k], tmg[k], f, repulsio, &wx, &wy);
                else if (k > l)
                    Estira(x, y, tox[k], toy[k], tmg[k], f, repulsio, &wx, &wy);
            }
        }
    }
    if (meu) {
        vx[i] = wx;
        vy[i] = wy;
    }
}
