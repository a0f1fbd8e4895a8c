// worker: the search task that farmer spawns for one range of the text.
#include "worker.h"

int main(int argc, char **argv) { return spust_workera(argc, argv); }
