// Entry point of the engine.
#include "shell/startup.h"

int main(int argc, char** argv) { return velt::runEngine(argc, argv); }
