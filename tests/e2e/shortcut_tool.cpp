// Writes one real shell link for the demo's sample installation:
//   test_shortcut.exe <shortcut.lnk> <target>
// Exit status 0 when the link was saved, 1 otherwise.
#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 1;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    HRESULT hr = E_FAIL;
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr)) hr = link->SetPath(argv[2]);
    if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) hr = file->Save(argv[1], TRUE);
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    return SUCCEEDED(hr) ? 0 : 1;
}
