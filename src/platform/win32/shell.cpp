// The Windows shell: the special programs folders (SHGetSpecialFolderPathA, looked up in
// SHELL32 because older shells lack it), the component library of a thread (CoInitialize) and
// shell links (CLSID_ShellLink through IShellLinkA and IPersistFile). Paths and texts stay ANSI
// code page bytes; only the file name that IPersistFile takes is converted to UTF-16.
#include "platform/shell.h"

#include "platform/win32/win_util.h"
// After <windows.h>, which they need.
#include <objbase.h>
#include <shlobj.h>

namespace platform {

namespace {

// What the link's text fields and the folders can hold (MAX_PATH with the terminating zero).
constexpr size_t kMaxPath = 260;
// Buffers large enough for any field a link file may carry (INFOTIPSIZE).
constexpr size_t kFieldBuffer = 1024;
// ERROR_PROC_NOT_FOUND: the shell has no such function.
constexpr uint32_t kErrorProcNotFound = 127;

using SpecialFolderPathFunction = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);

SpecialFolderPathFunction SpecialFolderPathOfShell() {
    HMODULE shell = ::GetModuleHandleA("SHELL32");
    if (shell == nullptr) shell = ::LoadLibraryA("SHELL32");
    if (shell == nullptr) return nullptr;
    return reinterpret_cast<SpecialFolderPathFunction>(
        reinterpret_cast<void*>(::GetProcAddress(shell, "SHGetSpecialFolderPathA")));
}

thread_local int t_comInitCount = 0;

bool FailWithHresult(HRESULT hr) { return win32::Fail(static_cast<uint32_t>(hr)); }

// A file error of a component call on a link file as its Win32 code; any other failure means
// that the file is not a link the shell can read.
uint32_t LoadError(HRESULT hr) {
    const uint32_t code = win32::ErrorFromHresult(hr, kErrorInvalidData);
    switch (code) {
        case kErrorFileNotFound:
        case kErrorPathNotFound:
        case kErrorAccessDenied:
        case kErrorSharingViolation:
            return code;
        default:
            return kErrorInvalidData;
    }
}

// Reads one text field through a getter of the link (GetPath, GetWorkingDirectory, ...).
template <typename Getter>
HRESULT ReadField(Getter get, std::string* out) {
    char buffer[kFieldBuffer] = {};
    const HRESULT hr = get(buffer, static_cast<int>(sizeof buffer));
    if (SUCCEEDED(hr)) *out = buffer;
    return hr;
}

}  // namespace

bool HasSpecialFolderPath() { return SpecialFolderPathOfShell() != nullptr; }

bool GetSpecialFolderPath(int csidl, std::string* out, bool create) {
    const SpecialFolderPathFunction function = SpecialFolderPathOfShell();
    if (function == nullptr) return win32::Fail(kErrorProcNotFound);
    char buffer[kMaxPath] = {};
    // The function does not always record why it failed; a failure without a code of its own
    // then reads as a folder that is not there.
    ::SetLastError(0);
    if (!function(nullptr, buffer, csidl, create ? TRUE : FALSE) || buffer[0] == '\0') {
        return win32::FailWithSystemError(kErrorFileNotFound);
    }
    std::string path = buffer;
    if (path.size() > 3 && path.back() == '\\') path.pop_back();
    *out = path;
    return true;
}

bool ComInitialize() {
    const HRESULT hr = ::CoInitialize(nullptr);
    // S_FALSE: already initialised on this thread; it still needs its own CoUninitialize.
    if (FAILED(hr)) return FailWithHresult(hr);
    ++t_comInitCount;
    return true;
}

void ComUninitialize() {
    // More releases than initialisations would take the library from under someone else.
    if (t_comInitCount == 0) return;
    --t_comInitCount;
    ::CoUninitialize();
}

struct ShellLink::Impl {
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;

    ~Impl() {
        if (file != nullptr) file->Release();
        if (link != nullptr) link->Release();
    }

    // A new link object with its file interface; the failure's HRESULT otherwise.
    static HRESULT Make(std::unique_ptr<Impl>* made) {
        auto impl = std::make_unique<Impl>();
        HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IShellLinkA, reinterpret_cast<void**>(&impl->link));
        if (FAILED(hr)) {
            impl->link = nullptr;
            return hr;
        }
        hr = impl->link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&impl->file));
        if (FAILED(hr)) {
            impl->file = nullptr;
            return hr;
        }
        *made = std::move(impl);
        return S_OK;
    }
};

ShellLink::ShellLink() = default;
ShellLink::~ShellLink() = default;

bool ShellLink::Create() {
    Release();
    const HRESULT hr = Impl::Make(&m_impl);
    return SUCCEEDED(hr) || FailWithHresult(hr);
}

void ShellLink::Release() { m_impl.reset(); }

namespace {

// The checks every setter makes before it calls the object.
bool MaySet(bool created, const std::string& value) {
    if (!created) return win32::Fail(kErrorInvalidHandle);
    if (value.size() >= kMaxPath) return win32::Fail(kErrorInvalidParameter);
    return true;
}

}  // namespace

bool ShellLink::SetPath(const std::string& target) {
    if (!MaySet(m_impl != nullptr, target)) return false;
    const HRESULT hr = m_impl->link->SetPath(target.c_str());
    return SUCCEEDED(hr) || FailWithHresult(hr);
}

bool ShellLink::SetWorkingDirectory(const std::string& directory) {
    if (!MaySet(m_impl != nullptr, directory)) return false;
    const HRESULT hr = m_impl->link->SetWorkingDirectory(directory.c_str());
    return SUCCEEDED(hr) || FailWithHresult(hr);
}

bool ShellLink::SetDescription(const std::string& description) {
    if (!MaySet(m_impl != nullptr, description)) return false;
    const HRESULT hr = m_impl->link->SetDescription(description.c_str());
    return SUCCEEDED(hr) || FailWithHresult(hr);
}

bool ShellLink::Save(const std::string& linkPath) {
    if (!m_impl) return win32::Fail(kErrorInvalidHandle);
    std::wstring wide;
    if (!win32::AnsiToWide(linkPath, &wide)) return false;
    const bool existed = ::GetFileAttributesA(linkPath.c_str()) != INVALID_FILE_ATTRIBUTES;
    const HRESULT hr = m_impl->file->Save(wide.c_str(), TRUE);
    if (SUCCEEDED(hr)) return true;
    // A link the shell began to write and did not finish would be read as damaged later; a
    // file that was there before is the shell's to keep or remove.
    if (!existed) ::DeleteFileA(linkPath.c_str());
    return win32::Fail(win32::ErrorFromHresult(hr, static_cast<uint32_t>(hr)));
}

bool ShellLink::Load(const std::string& linkPath) {
    if (!m_impl) return win32::Fail(kErrorInvalidHandle);
    std::wstring wide;
    if (!win32::AnsiToWide(linkPath, &wide)) return false;
    // The system's own code for a file or folder that is not there.
    const DWORD attributes = ::GetFileAttributesA(linkPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return win32::FailWithSystemError(kErrorFileNotFound);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return win32::Fail(kErrorAccessDenied);
    // A fresh object reads the file, so that a file that is not a link leaves this one as it
    // was.
    std::unique_ptr<Impl> loaded;
    HRESULT hr = Impl::Make(&loaded);
    if (FAILED(hr)) return FailWithHresult(hr);
    hr = loaded->file->Load(wide.c_str(), STGM_READ);
    if (FAILED(hr)) return win32::Fail(LoadError(hr));
    m_impl = std::move(loaded);
    return true;
}

bool ShellLink::GetPath(std::string* out, bool shortForm, size_t bufferSize) const {
    if (!m_impl) return win32::Fail(kErrorInvalidHandle);
    std::string path;
    IShellLinkA* link = m_impl->link;
    const HRESULT hr = ReadField(
        [link](char* buffer, int size) { return link->GetPath(buffer, size, nullptr, 0); }, &path);
    // S_FALSE: the link has no path of the file system.
    if (hr != S_OK || path.empty()) return win32::Fail(kErrorFileNotFound);
    if (shortForm) {
        // A target that no longer exists has no short form; the stored path stands for it.
        char shortPath[kFieldBuffer];
        const DWORD length = ::GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
        if (length > 0 && length < sizeof shortPath) path = shortPath;
    }
    if (path.size() + 1 > bufferSize) return win32::Fail(kErrorInsufficientBuffer);
    *out = path;
    return true;
}

bool ShellLink::GetWorkingDirectory(std::string* out) const {
    if (!m_impl) return win32::Fail(kErrorInvalidHandle);
    IShellLinkA* link = m_impl->link;
    const HRESULT hr = ReadField(
        [link](char* buffer, int size) { return link->GetWorkingDirectory(buffer, size); }, out);
    return SUCCEEDED(hr) || FailWithHresult(hr);
}

bool ShellLink::GetDescription(std::string* out) const {
    if (!m_impl) return win32::Fail(kErrorInvalidHandle);
    IShellLinkA* link = m_impl->link;
    const HRESULT hr = ReadField(
        [link](char* buffer, int size) { return link->GetDescription(buffer, size); }, out);
    return SUCCEEDED(hr) || FailWithHresult(hr);
}

}  // namespace platform
