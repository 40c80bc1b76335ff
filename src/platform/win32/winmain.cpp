// The program's entry point: everything else starts in RunProgram.
#include <windows.h>

#include "app/main_bar.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunProgram(); }
