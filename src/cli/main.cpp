#include <iostream>

#include "cli/Commands.h"

int main(int argc, char** argv) { return plenum::cli::RunPlenumctl(argc, argv, std::cout, std::cerr); }
