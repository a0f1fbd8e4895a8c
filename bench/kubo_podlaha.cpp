// SPDX-License-Identifier: MIT
// The yardstick of the kernel's benchmarks: the terms of density 3 made and summed in vector
// lanes, not exactly, at each vector width.
#include "bench/kubo_podlaha.h"

#include <cstring>

#include "common/cesta_cpu.h"
#include "integration/jadro/kubo_binada.h"

// The terms of one x slab of density 3 summed in lanes of vectors V, two sets of them so that
// the additions of one need not wait for the other's, the z's past whole vectors one by one.
template <typename V>
inline __attribute__((always_inline)) double clenu_vrstvy(double xs,
                                                          const std::vector<double> &ys,
                                                          const std::vector<double> &zs,
                                                          double objem)
{
    const size_t sirka = sizeof(V) / sizeof(double);
    V s1 = {}, s2 = {};
    double zbytek = 0;
    for (double y : ys) {
        double xy = xs + y;
        size_t k = 0;
        for (; k + 2 * sirka <= zs.size(); k += 2 * sirka) {
            V z1, z2;
            memcpy(&z1, zs.data() + k, sizeof z1);
            memcpy(&z2, zs.data() + k + sirka, sizeof z2);
            s1 += (xy + z1) * objem;
            s2 += (xy + z2) * objem;
        }
        for (; k < zs.size(); k++)
            zbytek += (xy + zs[k]) * objem;
    }
    s1 += s2;
    for (size_t i = 0; i < sirka; i++)
        zbytek += s1[i];
    return zbytek;
}

static double clenu_sse2(double xs, const std::vector<double> &ys,
                         const std::vector<double> &zs, double objem)
{
    return clenu_vrstvy<v2d>(xs, ys, zs, objem);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) static double
clenu_avx2(double xs, const std::vector<double> &ys, const std::vector<double> &zs, double objem)
{
    return clenu_vrstvy<v4d>(xs, ys, zs, objem);
}

__attribute__((target("avx512f"))) static double
clenu_avx512(double xs, const std::vector<double> &ys, const std::vector<double> &zs, double objem)
{
    return clenu_vrstvy<v8d>(xs, ys, zs, objem);
}
#endif

double cleny_vrstvy(double xs, const std::vector<double> &ys, const std::vector<double> &zs,
                    double objem)
{
#if defined(__x86_64__) || defined(__i386__)
    if (cesta_cpu() == CESTA_AVX512)
        return clenu_avx512(xs, ys, zs, objem);
    if (cesta_cpu() == CESTA_AVX2)
        return clenu_avx2(xs, ys, zs, objem);
#endif
    return clenu_sse2(xs, ys, zs, objem);
}
