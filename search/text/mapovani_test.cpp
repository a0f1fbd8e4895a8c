// SPDX-License-Identifier: MIT
// A file cut short under its mapped window: the read that meets it fails and the process goes
// on, with nothing left behind by the jump out of the read. This program counts the blocks
// operator new hands out, so that a skipped destructor shows as a block still alive.
#include "search/text/mapovani.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "search/testy/soubory.h"
#include "search/text/hledani.h"

namespace {

std::atomic<long> zivych_bloku{0};

void uvolni(void *blok)
{
    if (blok != nullptr)
        zivych_bloku--;
    free(blok);
}

}  // namespace

void *operator new(size_t n)
{
    void *blok = malloc(n != 0 ? n : 1);
    if (blok == nullptr)
        throw std::bad_alloc();
    zivych_bloku++;
    return blok;
}

void operator delete(void *blok) noexcept { uvolni(blok); }

void operator delete(void *blok, size_t) noexcept { uvolni(blok); }

namespace {

TEST(PredejOkno, SigbusVeVlaknuJeChybouJehoOkna)
{
    // A file cut short under one thread's window: that thread's read fails, the process goes
    // on, and windows elsewhere read as before.
    FILE *f = soubor_s(std::string(3 * 4096, 'a'));
    struct sigaction pred, po;
    sigaction(SIGBUS, nullptr, &pred);
    {
        HlidaniMapovani hlidani;
        Okno vysledek = Okno::PREDANO;
        std::thread vlakno([&] {
            bool dal = true;
            vysledek = predej_okno(fileno(f), 0, 3 * 4096, [&](const char *data, size_t delka) {
                volatile char posledni = 0;
                if (ftruncate(fileno(f), 0) == 0)
                    posledni = data[delka - 1];
                return posledni != 0;
            }, dal);
        });
        vlakno.join();
        EXPECT_EQ(vysledek, Okno::NECITELNE);
        FILE *g = soubor_s("abc");
        std::string precteno;
        bool dal = false;
        EXPECT_EQ(predej_okno(fileno(g), 0, 3, [&](const char *data, size_t delka) {
            precteno.assign(data, delka);
            return true;
        }, dal), Okno::PREDANO);
        EXPECT_TRUE(dal);
        EXPECT_EQ(precteno, "abc");
        fclose(g);
    }
    sigaction(SIGBUS, nullptr, &po);
    EXPECT_EQ(po.sa_handler, pred.sa_handler);
    fclose(f);
}

TEST(PredejOkno, HledaniNaSouboruZkracenemPodOknemNicNenecha)
{
    // A pattern longer than a string keeps without the heap, found at the start of a block;
    // the file is cut short as the position is handed over, and the search of the block
    // goes on into bytes that are gone.
    const std::string vzor(40, 'v');
    for (size_t blok : {size_t{1} << 16, VELIKOST_BLOKU}) {
        FILE *f = soubor_s("x" + vzor + std::string(3 * blok, 'x') + vzor);
        Pruchod pruchod;
        pruchod.kus = 1;
        pruchod.velikost_bloku = blok;
        pruchod.odber = [f](std::vector<int> &pozice) {
            pozice.clear();
            return ftruncate(fileno(f), 0) == 0;
        };
        std::vector<int> pozice;
        pozice.reserve(4);
        std::string chyba;
        chyba.reserve(64);
        bool cely = true;
        const long pred = zivych_bloku;
        EXPECT_FALSE(hledej_od(f, 0, vzor.size() + 3 * blok + 40, vzor, pruchod, pozice, cely,
                               &chyba));
        EXPECT_EQ(zivych_bloku - pred, 0) << blok;
        EXPECT_EQ(chyba, CHYBA_CTENI);
        EXPECT_FALSE(cely);
        fclose(f);
    }
}

TEST(PredejOkno, TextZkracenyPodOknemNicNenecha)
{
    // The joined text grows as it is read; the file is cut short after its first window.
    FILE *f = soubor_s(std::string(3 << 16, 'a'));
    std::string text, chyba;
    chyba.reserve(64);
    size_t kusu = 0;
    const long pred = zivych_bloku;
    EXPECT_FALSE(cti_spojene(f, [&](const char *kus, size_t delka) {
        if (text.capacity() - text.size() < delka)
            text.reserve(text.size() + delka);
        text.append(kus, delka);
        return ++kusu > 1 || ftruncate(fileno(f), 0) == 0;
    }, 1 << 16, &chyba));
    EXPECT_EQ(chyba, CHYBA_CTENI);
    EXPECT_EQ(text, std::string(1 << 16, 'a'));
    std::string().swap(text);
    EXPECT_EQ(zivych_bloku - pred, 0);
    fclose(f);
}

}  // namespace
