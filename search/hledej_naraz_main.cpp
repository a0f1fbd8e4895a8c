// hledej_naraz: one in-process pass of read_file and the search, the yardstick of the benchmark.
#include <cstdio>
#include <string>

#include "hledani.h"
#include "hlp.h"

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "pouziti: hledej_naraz <jmeno_souboru> <retezec>\n");
        return 1;
    }
    FILE *fr = open_f(argv[1], "r");
    std::string text = read_file(fr);
    close_f(fr);
    printf("%zu\n", najdi_vyskyty(text, argv[2], 0).size());
    return 0;
}
