// SPDX-License-Identifier: MIT
// farmer: finds every occurrence of a pattern in a text file with PVM worker tasks.
#include "common/standardni_proudy.h"
#include "search/farmer/farmer.h"

int main(int argc, char **argv)
{
    hlidej_standardni_proudy();
    return spust_farmera(pvm_demona(), argc, argv);
}
