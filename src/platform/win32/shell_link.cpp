// Reading a shortcut's target through the shell's link object, in a COM apartment of its
// own for the one read.
#include "platform/win32/win32_platform_impl.h"

#include <objbase.h>
#include <objidl.h>
#include <oleauto.h>
#include <shlguid.h>
#include <shobjidl.h>

#include "platform/text.h"

namespace tu::win32 {

namespace {

// IShellLinkW::GetPath is given this many units; Win32 paths are at most 32767 plus the NUL.
constexpr int target_buffer_units = 32768;

// The description in the thread's COM error information, which the failing call may have
// left there. Taking it clears it, so it is read once, right after the failure.
std::string com_error_description(const ComLibraries& com) {
    ComPtr<IErrorInfo> info;
    if (!com.loaded() || com.get_error_info(0, info.put()) != S_OK || !info) return {};
    BSTR raw = nullptr;
    const HRESULT status = info->GetDescription(&raw);
    const ComString description(raw, com.free_string);
    if (FAILED(status) || !description.get()) return {};
    // A BSTR ends with a NUL; a description holds none before it.
    return to_utf8(trim_trailing_white_space(PStringView(units(description.get()))));
}

std::unexpected<ShortcutError> failure(const ComLibraries& com, ShortcutStep step, HRESULT status) {
    return std::unexpected(ShortcutError{step, static_cast<std::uint32_t>(status), com_error_description(com)});
}

}  // namespace

std::expected<PString, ShortcutError> Win32Platform::read_shortcut_target(PStringView path) {
    // COM's libraries come with the first shortcut: a run that reads none loads none of them.
    // That they cannot be had is COM that cannot be initialised.
    const ComLibraries& com = com_;
    if (!com.loaded()) {
        if (const auto loaded = com_.load(); !loaded)
            return failure(com, ShortcutStep::initialize, HRESULT_FROM_WIN32(loaded.error().code));
    }

    // Declared in this order so that the persist-file interface is released first, then the
    // link, and COM is uninitialised last, once, and only when it was initialised.
    ComApartment apartment(com.initialize(nullptr, COINIT_APARTMENTTHREADED), com.uninitialize);
    if (FAILED(apartment.status())) return failure(com, ShortcutStep::initialize, apartment.status());

    ComPtr<IShellLinkW> link;
    HRESULT status = com.create_instance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void());
    if (FAILED(status)) return failure(com, ShortcutStep::create, status);
    if (!link) return failure(com, ShortcutStep::create, E_POINTER);

    ComPtr<IPersistFile> file;
    status = link->QueryInterface(IID_IPersistFile, file.put_void());
    if (FAILED(status)) return failure(com, ShortcutStep::cast, status);
    if (!file) return failure(com, ShortcutStep::cast, E_POINTER);

    status = file->Load(wide(terminated(path).c_str()), STGM_READ);
    if (FAILED(status)) return failure(com, ShortcutStep::load, status);

    // Zero-filled: a link without a file-system target answers S_FALSE and may leave the
    // buffer untouched, which then reads as the empty target.
    PString target(target_buffer_units, u'\0');
    status = link->GetPath(wide(target.data()), target_buffer_units, nullptr, 0);
    if (FAILED(status)) return failure(com, ShortcutStep::get_path, status);
    target.resize(target.find(u'\0') == PString::npos ? target.size() : target.find(u'\0'));
    return target;
}

}  // namespace tu::win32
