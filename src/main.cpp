// The program entry.
#include "ui/Program.h"
#include "ui/TerminationSignals.h"

int main(int argc, char** argv) {
    // First of all: a termination signal waits for its handler.
    quilbex::BlockTermination();
    return quilbex::RunProgram(argc, argv);
}
