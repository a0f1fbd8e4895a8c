// Density functions and midpoint integration of one box of the cuboid.
#include "kubo_ro.h"

#include <climits>
#include <cstddef>
#include <cstdio>
#include <vector>

int mytid = 0;

double ro(double x, double y, double z, int funkce)
{
    switch (funkce) {
    case 1:
        return 1.0;
    case 2:
        return x;
    case 3:
        return x + y + z;
    default:
        return 0.0;
    }
}

// Whole percentage of [xod, xdo) below x; an empty or degenerate edge gives values outside
// int, which are clamped rather than converted with undefined behaviour.
static int procento_hotovo(double x, double xod, double xdo)
{
    double p = (x - xod) / ((xdo - xod) / 100.0);
    if (!(p > INT_MIN))
        return p != p ? 0 : INT_MIN;
    return p < INT_MAX ? (int)p : INT_MAX;
}

static void ohlas_postup(double x, double xod, double xdo, int &naposledy)
{
    int p = procento_hotovo(x, xod, xdo);
    if (p != naposledy) {
        printf("Delnik %d: Pocitam dilci hmotnost [%d%%]\n", mytid, p);
        naposledy = p;
    }
}

double vypocti_primo(double xod, double yod, double zod, double xdo, double ydo, double zdo,
                     double d, int funkce)
{
    double objem = d * d * d;
    double soucet = 0.0;
    int naposledy = 0;
    for (double x = xod; x < xdo; x += d) {
        for (double y = yod; y < ydo; y += d)
            for (double z = zod; z < zdo; z += d)
                soucet += ro(x + d / 2.0, y + d / 2.0, z + d / 2.0, funkce) * objem;
        ohlas_postup(x, xod, xdo, naposledy);
    }
    return soucet;
}

// The fast kernel keeps exactly the operations that decide the bits of the result: each
// coordinate made by repeated addition of d, each cell's term rounded to double, and the
// running sum in loop order. Everything else is hoisted: the density choice, and the y and z
// coordinate sequences, which are the same for every row of the box.

// Coordinates up to the largest sequence held in memory; longer ones fall back to
// the cell-by-cell kernel rather than allocate without bound.
static const size_t NEJVIC_SOURADNIC = size_t(1) << 22;

// Midpoints of the cells along one axis, or false when there are more than NEJVIC_SOURADNIC.
static bool stredy_bunek(double od, double po, double d, std::vector<double> &stredy)
{
    stredy.clear();
    for (double t = od; t < po; t += d) {
        if (stredy.size() == NEJVIC_SOURADNIC)
            return false;
        stredy.push_back(t + d / 2.0);
    }
    return true;
}

// The two inner loops below carry the whole cost of a box. They stay out of line: inlined
// into the row loops, the compiler kept the running sum in memory, a store and a load on
// every addition, a third of the speed.

// Adds the same term n times, one rounding per addition as the cell loop does.
__attribute__((noinline)) static double pricti_stejne(double soucet, double clen, size_t n)
{
    for (size_t i = 0; i < n; i++)
        soucet += clen;
    return soucet;
}

// One row of cells along z for density (x + y) + z, with x + y of the row already formed.
__attribute__((noinline)) static double pricti_radek_xyz(double soucet, double xy, const std::vector<double> &zs,
                               double objem)
{
    for (double z : zs)
        soucet += (xy + z) * objem;
    return soucet;
}

// One slab of cells at a fixed x (its midpoint xs): the y and z loops.
static double pricti_vrstvu(double soucet, double xs, const std::vector<double> &ys,
                            const std::vector<double> &zs, double objem, int funkce)
{
    switch (funkce) {
    case 3:
        for (double y : ys)
            soucet = pricti_radek_xyz(soucet, xs + y, zs, objem);
        return soucet;
    case 2:
        return pricti_stejne(soucet, xs * objem, ys.size() * zs.size());
    default: {
        double clen = ro(xs, 0.0, 0.0, funkce) * objem;
        // Adding +0.0 to the sum, which starts at +0.0, never changes it.
        if (clen == 0.0 && soucet == 0.0)
            return soucet;
        return pricti_stejne(soucet, clen, ys.size() * zs.size());
    }
    }
}

double vypocti(double xod, double yod, double zod, double xdo, double ydo, double zdo, double d,
               int funkce)
{
    std::vector<double> ys, zs;
    if (!stredy_bunek(yod, ydo, d, ys) || !stredy_bunek(zod, zdo, d, zs))
        return vypocti_primo(xod, yod, zod, xdo, ydo, zdo, d, funkce);
    double objem = d * d * d;
    double soucet = 0.0;
    int naposledy = 0;
    for (double x = xod; x < xdo; x += d) {
        soucet = pricti_vrstvu(soucet, x + d / 2.0, ys, zs, objem, funkce);
        ohlas_postup(x, xod, xdo, naposledy);
    }
    return soucet;
}
