// SPDX-License-Identifier: MIT
// The terms-only floor of density 3, which the kernel's benchmarks measure it against.
#pragma once

#include <vector>

// The sum, in vector lanes of the CPU path in use and so not exact, of the terms
// ((xs + y) + z) * objem of one x slab: the work of any kernel that makes every term, without
// the exact sum.
double cleny_vrstvy(double xs, const std::vector<double> &ys, const std::vector<double> &zs,
                    double objem);
