// pv_close_paneveil wait|close: waits up to 10 s for Paneveil's main window; "close" then closes it
// as its close box does and waits up to 10 s for the program to end. A program ended from outside
// would leave its running atom to the tests after it. Exit code 0 when done, 1 without the window,
// 2 if the program did not end.
#include <windows.h>
#include <string.h>

#include "resource.h"

int main(int argc, char** argv)
{
    HWND window = NULL;
    for (int tries = 0; tries < 100 && !window; ++tries) {
        // A message box of the program has the same class and caption, but not the tab.
        while ((window = FindWindowExW(NULL, window, L"#32770", L"Paneveil")) && !GetDlgItem(window, IDC_MAIN_TAB_GLOBAL))
            ;
        if (!window)
            Sleep(100);
    }
    if (!window)
        return 1;
    if (argc < 2 || strcmp(argv[1], "close") != 0)
        return 0;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    PostMessageW(window, WM_CLOSE, 0, 0);
    return process && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0 ? 0 : 2;
}
