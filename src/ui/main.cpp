// plenum: the desktop control application for DSP loudspeaker systems.
#include "ui/Application.h"

int main(int argc, char** argv) { return plenum::ui::RunApplication(argc, argv); }
