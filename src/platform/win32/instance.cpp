// Open setup titles and the run lock of the Windows machine: a registered title is a hidden
// top-level window of that title, which FindWindow finds from any process; the run lock is a
// named mutex in the global namespace, so it spans every session of the machine.
#include "platform/instance.h"

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

#include "platform/errors.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win_util.h"

namespace platform {

namespace {

const wchar_t kTitleWindowClass[] = L"ZefiSetupTitle";
const wchar_t kRunLockName[] = L"Global\\ZefiSetupRun";

// The window text of a title. The titles are the resources' display text (UTF-8); a title
// that is not valid UTF-8 is code-page text.
std::wstring WindowText(const std::string& title) {
    std::wstring wide;
    if (!win32::Utf8ToWide(title, &wide)) win32::AnsiToWide(title, &wide);
    return wide;
}

bool RegisterTitleClass() {
    static const bool registered = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kTitleWindowClass;
        return ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

// The exact title of a window: FindWindow compares without regard to case.
bool HasExactTitle(HWND window, const std::wstring& title) {
    std::wstring text(title.size() + 2, L'\0');
    const int length = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return length >= 0 && text.compare(0, static_cast<size_t>(length), title) == 0 &&
           static_cast<size_t>(length) == title.size();
}

}  // namespace

// The window lives on a thread of its own that answers its messages: a window nobody answers
// would stall every program that broadcasts to the top-level windows (the shell's DDE, setting
// changes) for as long as the dialog is open.
struct TitleRegistration::Impl {
    std::thread thread;
    DWORD threadId = 0;
};

TitleRegistration::TitleRegistration(const std::string& title) : m_impl(std::make_unique<Impl>()) {
    const std::wstring text = WindowText(title);
    std::promise<DWORD> started;
    std::future<DWORD> threadId = started.get_future();
    m_impl->thread = std::thread([text, &started] {
        HWND window = nullptr;
        if (RegisterTitleClass()) {
            window =
                ::CreateWindowExW(WS_EX_TOOLWINDOW, kTitleWindowClass, text.c_str(), WS_POPUP, 0, 0,
                                  0, 0, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        }
        // Without a window (no desktop to create it on) the title is simply not seen.
        started.set_value(window != nullptr ? ::GetCurrentThreadId() : 0);
        if (window == nullptr) return;
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
        ::DestroyWindow(window);
    });
    m_impl->threadId = threadId.get();
}

TitleRegistration::~TitleRegistration() {
    if (m_impl->threadId != 0) ::PostThreadMessageW(m_impl->threadId, WM_QUIT, 0, 0);
    if (m_impl->thread.joinable()) m_impl->thread.join();
}

bool IsTitleOpen(const std::string& title) {
    const std::wstring text = WindowText(title);
    // No window has a title that has no window text.
    if (text.empty() && !title.empty()) return false;
    for (HWND window = ::FindWindowW(nullptr, text.c_str()); window != nullptr;
         window = ::FindWindowExW(nullptr, window, nullptr, text.c_str())) {
        if (HasExactTitle(window, text)) return true;
    }
    return false;
}

namespace {

// A mutex is owned by a thread and can be taken again by its owner, so a second lock of this
// process is refused here, as another process's is by the mutex.
std::atomic<bool> g_heldByThisProcess{false};

}  // namespace

struct RunLock::Impl {
    HANDLE mutex = nullptr;
};

RunLock::RunLock() : m_impl(std::make_unique<Impl>()) {}

RunLock::~RunLock() { Release(); }

bool RunLock::TryAcquire() {
    if (m_impl->mutex != nullptr) return true;
    if (g_heldByThisProcess.load()) return win32::Fail(kErrorAlreadyExists);
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kRunLockName);
    if (mutex == nullptr && ::GetLastError() == ERROR_ACCESS_DENIED) {
        // Made by a process of another user (an elevated setup): its default rights still let
        // everyone wait on it.
        mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, kRunLockName);
    }
    if (mutex == nullptr) return win32::FailWithSystemError();
    const DWORD wait = ::WaitForSingleObject(mutex, 0);
    // An abandoned mutex belonged to a run that ended without releasing it (a crash): the lock
    // is free, and now ours.
    if ((wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) && !g_heldByThisProcess.exchange(true)) {
        m_impl->mutex = mutex;
        SetLastError(kErrorSuccess);
        return true;
    }
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ::ReleaseMutex(mutex);
    const uint32_t error = wait == WAIT_FAILED ? static_cast<uint32_t>(::GetLastError())
                                               : uint32_t{kErrorAlreadyExists};
    ::CloseHandle(mutex);
    return win32::Fail(error);
}

bool RunLock::IsHeld() const { return m_impl->mutex != nullptr; }

void RunLock::Release() {
    if (m_impl->mutex == nullptr) return;
    ::ReleaseMutex(m_impl->mutex);
    ::CloseHandle(m_impl->mutex);
    m_impl->mutex = nullptr;
    g_heldByThisProcess.store(false);
}

}  // namespace platform
