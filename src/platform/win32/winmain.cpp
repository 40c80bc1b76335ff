// The program's entry point: everything else starts in events::RunProgram.
#include <windows.h>

#include "platform/events.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return events::RunProgram(); }
