// SPDX-License-Identifier: MIT
// quarnel: starts the program and runs until it is asked to end.
#include "shell/qt/QtProgram.h"

int main(int argc, char** argv) {
    return quarnel::qt::RunProgram(argc, argv);
}
