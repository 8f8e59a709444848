// Renders one page for the engine, in a process of its own (see
// ocr/RenderChild.h): started by the engine, never by hand.
#include "ocr/RenderChild.h"

int main(int argc, char** argv) { return xdw::RenderChildMain(argc, argv); }
