// SPDX-License-Identifier: MIT
// Matrix file loading and printing for matrix-power.
#include "matrix/matice.h"

#include <sys/stat.h>

#include <cmath>

int N = 0;

FILE *otevri_soubor(const char *soubor)
{
    FILE *fr = fopen(soubor, "r");
    // A folder opens on Linux but cannot be read; it must not pass for an empty matrix.
    struct stat info;
    if (fr != nullptr && fstat(fileno(fr), &info) == 0 && S_ISDIR(info.st_mode)) {
        fclose(fr);
        fr = nullptr;
    }
    if (fr == nullptr)
        printf("Soubor se nepodarilo '%s' otevrit\n", soubor);
    return fr;
}

static void zavri_soubor(FILE *fr)
{
    if (fclose(fr) == EOF)
        printf("Soubor se nepodarilo uzavrit :( \n");
}

// Counts the values up to the end of the stream. A token that is not a number makes the
// count unusable (-1): neither pass could ever get past it to the end. So does a read
// error, which must not pass for the end of a shorter matrix.
static long long spocitej_hodnoty(FILE *fr)
{
    long long pocet = 0;
    float buff;
    int precteno;
    while ((precteno = fscanf(fr, "%f", &buff)) != EOF) {
        if (precteno != 1)
            return -1;
        pocet++;
    }
    return ferror(fr) ? -1 : pocet;
}

// The dimension whose square is pocet, or -1 when pocet is no perfect square. A file with
// no value at all holds no matrix: squaring nothing would only pass for a computed result.
static int rozmer_z_poctu(long long pocet)
{
    if (pocet <= 0)
        return -1;
    long long n = (long long)sqrt((double)pocet);
    return n * n == pocet ? (int)n : -1;
}

// Second pass: stores the values in row-major order. It never writes past the matrix, even
// if the file grew between the two passes.
static void uloz_hodnoty(FILE *fr, Matice &matice)
{
    int i = 0, j = 0;
    float buff;
    while (i < N && fscanf(fr, "%f", &buff) == 1) {
        matice[i][j] = buff;
        j++;
        if (j == N) {
            j = 0;
            i++;
        }
    }
}

bool nacti_matici(FILE *fr, Matice &matice)
{
    printf("Nacitam matici ze souboru :)\n");
    long long pocet = spocitej_hodnoty(fr);
    // A stream that cannot be rewound (a pipe) has given its values to the count already.
    if (fseek(fr, 0L, SEEK_SET) != 0)
        pocet = -1;
    int rozmer = rozmer_z_poctu(pocet);
    if (rozmer < 0) {
        printf("Chyba ve vstupnim souboru!!\n");
        zavri_soubor(fr);
        return false;
    }
    N = rozmer;
    printf("Rozmer matice:%d\n", N);
    matice = alokuj_matici();
    printf("Nacitam vlastni matici\n");
    uloz_hodnoty(fr, matice);
    zavri_soubor(fr);
    return true;
}

Matice alokuj_matici()
{
    printf("Alokuji misto pro matici\n");
    return Matice(N, std::vector<float>(N));
}

int vypis_matice(const Matice &matice)
{
    printf("Vypis matice:\n");
    for (const std::vector<float> &radek : matice) {
        for (float prvek : radek)
            printf("%f\t", (double)prvek);
        printf("\n");
    }
    return 1;
}
