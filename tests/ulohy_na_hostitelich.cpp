// SPDX-License-Identifier: MIT
// Test-only PVM task that watches a run from beside it: it asks the virtual machine for its
// tasks again and again and prints on how many hosts tasks of the given program were seen.
//
// usage: ulohy_na_hostitelich PROGRAM COUNT LIMIT_S
// Ends once COUNT different tasks of PROGRAM have been seen, once none is left of those seen
// (a short task may end between two looks, and then the run is over), or after LIMIT_S
// seconds, with the lines "tasks N" and "hosts M".
#include <pvm3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: ulohy_na_hostitelich PROGRAM COUNT LIMIT_S\n");
        return 2;
    }
    const char *program = argv[1];
    size_t pocet = strtoul(argv[2], nullptr, 10);
    auto konec = std::chrono::steady_clock::now() + std::chrono::seconds(atoi(argv[3]));
    if (pvm_mytid() < 0)
        return 1;
    std::set<int> ulohy, hostitele;
    while (ulohy.size() < pocet && std::chrono::steady_clock::now() < konec) {
        int n = 0;
        pvmtaskinfo *info = nullptr;
        if (pvm_tasks(0, &n, &info) < 0)
            break;
        bool nektera_bezi = false;
        for (int i = 0; i < n; i++) {
            const char *jmeno = strrchr(info[i].ti_a_out, '/');
            if (strcmp(jmeno ? jmeno + 1 : info[i].ti_a_out, program) == 0) {
                ulohy.insert(info[i].ti_tid);
                hostitele.insert(info[i].ti_host);
                nektera_bezi = true;
            }
        }
        if (!ulohy.empty() && !nektera_bezi)
            break;
    }
    printf("tasks %zu\nhosts %zu\n", ulohy.size(), hostitele.size());
    pvm_exit();
    return 0;
}
