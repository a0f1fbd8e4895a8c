// SPDX-License-Identifier: MIT
// Fuzz target: matrix-power on an arbitrary "matice.txt". Any input must end in a clean
// status (0, or 1 with the malformed-file message), never a crash, a hang or a read past
// the data.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "matrix/mocnina.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The program prints every step; the fuzzer's own report goes to standard error.
    if (freopen("/dev/null", "w", stdout) == nullptr)
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An exact-size copy, so that a read past the end is caught by the address sanitizer.
    char *kopie = (char *)malloc(size ? size : 1);
    memcpy(kopie, data, size);
    FILE *fr = fmemopen(kopie, size, "r");
    if (fr == nullptr) {
        free(kopie);
        return 0;
    }
    int status = umocni_ze_souboru(fr);
    if (status != 0 && status != 1)
        abort();
    free(kopie);
    return 0;
}
