// tarnwell: the desktop program.
#include "app/startup.h"

int main(int argc, char** argv) { return tnw::gui::runTarnwell(argc, argv); }
