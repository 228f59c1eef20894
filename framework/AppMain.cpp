#include "WinApp.h"

// The program's entry: hands over to its one application object.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLineTail, int)
{
    WinApp* app = WinApp::Current();
    return app ? app->Run(instance, commandLineTail) : 1;
}
