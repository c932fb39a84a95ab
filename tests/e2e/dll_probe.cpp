// Loads each DLL named on its command line the ordinary way (LoadLibraryW, the default search
// order, the program's own folder first), as the helper did before it restricted its search:
// placed beside DLLs planted in a staging folder, it shows that they are loaded from there.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i) {
        if (HMODULE module = LoadLibraryW(argv[i])) FreeLibrary(module);
    }
    return 0;
}
