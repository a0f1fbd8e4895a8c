// Prompts for the parameters of a point charge above a plate.
#pragma once

// The answers, in the order they are asked for.
struct ParametryNaboje {
    int z_naboje = 0;
    double hodnota_naboje = 0;
    int x_plochy = 0;
    int y_plochy = 0;
    double permeabilita = 0;
    int pocet_procesu = 0;
};

// Prints the six prompts on standard output, reading one answer from standard input after
// each; an answer that is missing or does not convert leaves its value at 0.
ParametryNaboje zadej_parametry();

// Holds each closed descriptor 0-2 on /dev/null, opened for reading only: a closed standard
// input reads as ended, and printing to a closed output still fails.
void hlidej_standardni_proudy();

// True when every prompt printed has been written.
bool vyzvy_zapsany();
