// farmer: finds every occurrence of a pattern in a text file with PVM worker tasks.
#include "farmer.h"

int main(int argc, char **argv) { return spust_farmera(argc, argv); }
