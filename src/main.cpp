// The program entry.
#include "ui/Program.h"

int main(int argc, char** argv) { return quilbex::RunProgram(argc, argv); }
