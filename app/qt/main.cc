// tarnwell: the desktop program.
#include "app/qt/startup.h"

int main(int argc, char** argv) { return tnw::gui::runTarnwell(argc, argv); }
