// SPDX-License-Identifier: MIT
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
