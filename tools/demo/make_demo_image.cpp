// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the synthetic demo image:  tarvik_make_demo_image <output file>

#include <cstdio>
#include <fstream>

#include "tools/demo/demo_image.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", argc > 0 ? argv[0] : "tarvik_make_demo_image");
        return 2;
    }
    const tarvik::ImageBytes image = tarvik::MakeDemoImage();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
