#include "app/window/main_program.h"

int main() { return MainProgram(); }
