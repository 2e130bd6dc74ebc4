#include "app/window/main_program.h"

int main(int argc, char** argv) { return MainProgram(argc, argv); }
