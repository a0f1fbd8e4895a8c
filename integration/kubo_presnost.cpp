// SPDX-License-Identifier: MIT
// The accurate mass of a run's cells and their reach past the cuboid, in closed form over the
// coordinates the kernel's loops visit.
#include "common/text.h"
#include "integration/kubo_presnost.h"

#include <cmath>

#include "integration/jadro/kubo_osa.h"
#include "integration/jadro/kubo_ro.h"

// A printed total further than this share from the accurate mass is worth a warning.
static const double NEJVETSI_ODCHYLKA = 1e-6;
// As are cells reaching past the cuboid by more than this share of its volume.
static const double NEJVETSI_PRESAH = 0.01;

// The cells along one axis: how many, and the sum of their midpoints.
struct SoucetOsy {
    long double pocet = 0, stredy = 0;
};

// The axis of the loop (od, po, d) in closed form over its stretches: the midpoints of a
// stretch, t + d/2 for t = zacatek + j krok, sum to n (zacatek + d/2) + krok n (n - 1) / 2.
// Rounding each midpoint to double, as the kernel does, moves the sum by a few parts in 10^16.
static bool secti_osu(double od, double po, double d, SoucetOsy &osa)
{
    std::vector<Usek> useky;
    if (!souradnice_na_ose(od, po, d, useky))
        return false;
    osa = SoucetOsy();
    for (const Usek &u : useky) {
        long double n = (long double)u.pocet;
        osa.pocet += n;
        osa.stredy += n * ((long double)u.zacatek + (long double)d / 2) +
                      (long double)u.krok * (n * (n - 1) / 2);
    }
    return true;
}

// The density's value at the origin and its growth along x, y and z. Every density is linear,
// so four values of ro give it whole.
struct LinearniHustota {
    long double a, x, y, z;
};

static LinearniHustota hustota(int funkce)
{
    long double a = ro(0, 0, 0, funkce);
    return {a, ro(1, 0, 0, funkce) - a, ro(0, 1, 0, funkce) - a, ro(0, 0, 1, funkce) - a};
}

// One slab's cells: their number, and their densities summed (each density linear in the
// midpoint, so the axes' sums give it).
static bool secti_vrstvu(const Jednotka &j, double d, const LinearniHustota &h,
                         long double &bunek, long double &hustot)
{
    SoucetOsy x, y, z;
    if (!secti_osu(j.xod, j.xdo, d, x) || !secti_osu(j.yod, j.ydo, d, y) ||
        !secti_osu(j.zod, j.zdo, d, z))
        return false;
    bunek = x.pocet * y.pocet * z.pocet;
    hustot = h.a * bunek + h.x * x.stredy * y.pocet * z.pocet +
             h.y * x.pocet * y.stredy * z.pocet + h.z * x.pocet * y.pocet * z.stredy;
    return true;
}

bool posud_beh(const ParametryBehu &p, PresnostBehu &presnost)
{
    const LinearniHustota h = hustota(p.druh_funkce);
    long double bunek = 0, hustot = 0;
    for (const Vrstva &v : p.plan) {
        long double bunek_vrstvy, hustot_vrstvy;
        if (!secti_vrstvu(v.box, p.d, h, bunek_vrstvy, hustot_vrstvy))
            return false;
        bunek += bunek_vrstvy;
        hustot += hustot_vrstvy;
    }
    // The cell volume as the kernel has it, rounded to double.
    const long double objem = p.d * p.d * p.d;
    const long double kvadr = (long double)p.kvadr.x * p.kvadr.y * p.kvadr.z;
    presnost.presna_hmotnost = (double)(hustot * objem);
    presnost.presah = kvadr > 0 ? (double)((bunek * objem - kvadr) / kvadr) : 0.0;
    return true;
}

// The narrowest slab's width along x.
static double nejuzsi_vrstva(const std::vector<Vrstva> &plan)
{
    double sirka = INFINITY;
    for (const Vrstva &v : plan)
        sirka = std::fmin(sirka, v.box.xdo - v.box.xod);
    return sirka;
}

// Why the cells reach past the cuboid: a step wider than a slab, whose cells then make a whole
// layer however thin the slab, or border cells reaching past the edges a step does not divide.
static std::string varovani_presahu(const ParametryBehu &p, double presah)
{
    double vrstva = nejuzsi_vrstva(p.plan);
    if (p.d > vrstva)
        return naformatuj("Varovani: bunky vypoctu presahuji kvadr o %.1f %% jeho objemu: "
                          "integracni krok %g je sirsi nez vrstva %g, kazda vrstva tak zapocita "
                          "celou vrstvu bunek.",
                          100 * presah, p.d, vrstva);
    return naformatuj("Varovani: bunky vypoctu presahuji kvadr o %.1f %% jeho objemu: integracni "
                      "krok %g nedeli hrany kvadru a vrstev beze zbytku, krajni bunky presahuji "
                      "pres ne.",
                      100 * presah, p.d);
}

std::vector<std::string> varovani_behu(const ParametryBehu &p, double celkem)
{
    std::vector<std::string> varovani;
    PresnostBehu b;
    if (!posud_beh(p, b))
        return varovani;
    double odchylka = std::fabs(celkem - b.presna_hmotnost);
    if (!(odchylka <= NEJVETSI_ODCHYLKA * std::fabs(b.presna_hmotnost)))
        varovani.push_back(naformatuj(
            "Varovani: Hmotnost kvadru vyse se lisi o %.4g %% od presneho souctu tychz bunek "
            "(%.10g): pri scitani po bunkach se v zaokrouhlovani ztratila cast prirustku.",
            100 * odchylka / std::fabs(b.presna_hmotnost), b.presna_hmotnost));
    // Cells of density 0 weigh nothing, wherever they reach.
    if (b.presah > NEJVETSI_PRESAH && b.presna_hmotnost != 0)
        varovani.push_back(varovani_presahu(p, b.presah));
    return varovani;
}
