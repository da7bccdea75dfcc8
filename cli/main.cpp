// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli: velmora's project files from the command line.
#include "cli/Commands.h"

int main(int argc, char** argv) {
    return velmora::cli::Main(argc, argv);
}
