// SPDX-License-Identifier: MIT
// Matrix square and row-vector product for matrix-power.
#include "matrix/mocnina.h"

#include <cstdio>
#include <vector>

// The power loop and the vector loop both run while the pass counter, starting at 1, is
// below this bound: one pass each, giving A squared and (last row of A) times A.
static const int MEZ_MOCNINY = 2;

static void vypis_vektor(const std::vector<float> &vektor)
{
    for (float prvek : vektor)
        printf("%f\t", (double)prvek);
    printf("\n");
}

// Copies A into both working matrices; the vectors keep the last row of A.
static void pocatecni_kopie(const Matice &n_matice, Matice &k_matice, Matice &pom_matice,
                            std::vector<float> &vysledek, std::vector<float> &pomoc)
{
    for (int i = 0; i < N; i++)
        for (int j = 0; j < N; j++) {
            pom_matice[i][j] = n_matice[i][j];
            k_matice[i][j] = pom_matice[i][j];
            vysledek[j] = pom_matice[i][j];
            pomoc[j] = pom_matice[i][j];
        }
}

static void umocni(const Matice &n_matice, Matice &k_matice, Matice &pom_matice)
{
    for (int mocnina = 1; mocnina < MEZ_MOCNINY; mocnina++) {
        for (int pom_i = 0; pom_i < N; pom_i++)
            for (int pom_j = 0, n_i = 0; pom_j < N; pom_j++, n_i++) {
                float pomocna = 0;
                for (int n_j = 0; n_j < N; n_j++)
                    pomocna = pricti_soucin(pom_matice[pom_i][n_j], n_matice[n_j][n_i], pomocna);
                k_matice[pom_i][pom_j] = pomocna;
            }
        pom_matice = k_matice;
    }
}

static void vynasob_vektor(const Matice &n_matice, std::vector<float> &vysledek,
                           std::vector<float> &pomoc)
{
    for (int mocnina = 1; mocnina < MEZ_MOCNINY; mocnina++) {
        for (int pom_j = 0, n_i = 0; pom_j < N; pom_j++, n_i++) {
            float pomocna = 0;
            for (int n_j = 0; n_j < N; n_j++) {
                pomocna = pricti_soucin(pomoc[n_j], n_matice[n_j][n_i], pomocna);
                printf("nasobim pomoc[%d]*n_matice[%d][%d]=%f\n", n_j, n_j, n_i, (double)pomocna);
            }
            vysledek[pom_j] = pomocna;
        }
        pomoc = vysledek;
    }
}

int spust_mocninu_matice()
{
    FILE *fr = otevri_soubor("matice.txt");
    return fr == nullptr ? 1 : umocni_ze_souboru(fr);
}

int umocni_ze_souboru(FILE *fr)
{
    Matice n_matice;
    if (!nacti_matici(fr, n_matice))
        return 1;
    vypis_matice(n_matice);

    Matice k_matice = alokuj_matici();
    Matice pom_matice = alokuj_matici();
    std::vector<float> pomoc(N), vysledek(N);
    pocatecni_kopie(n_matice, k_matice, pom_matice, vysledek, pomoc);
    printf("Vypis pocatecniho vysledku\n");
    vypis_vektor(vysledek);

    umocni(n_matice, k_matice, pom_matice);
    vynasob_vektor(n_matice, vysledek, pomoc);

    printf("Vysledek:\n");
    vypis_vektor(vysledek);
    vypis_matice(n_matice);
    vypis_matice(k_matice);
    return 0;
}
