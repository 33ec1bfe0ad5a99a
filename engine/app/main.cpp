// The executable's entry; the game links it with its CreateApplication.
#include "engine/app/maemo_main.h"

int main(int argc, char** argv) { return Voke::RunMaemoMain(argc, argv); }
