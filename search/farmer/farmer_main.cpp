// SPDX-License-Identifier: MIT
// farmer: finds every occurrence of a pattern in a text file with PVM worker tasks.
#include "search/farmer/farmer.h"
#include "common/standardni_proudy.h"

int main(int argc, char **argv)
{
    hlidej_standardni_proudy();
    return spust_farmera(argc, argv);
}
