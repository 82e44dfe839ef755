// The shell: special folders of the Start menu (SHGetSpecialFolderPathA), the component library
// initialisation of a thread (CoInitialize) and shell link files (IShellLinkA with IPersistFile).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// CSIDL values of the folders the program asks for.
enum : int {
    kCsidlPrograms = 0x0002,        // the current user's Start menu programs folder
    kCsidlCommonPrograms = 0x0017,  // the all-users Start menu programs folder
};

// ERROR_CALL_NOT_IMPLEMENTED: what a system whose shell has the special-folder function only as
// a stub reports after calling it.
enum : uint32_t { kErrorCallNotImplemented = 120 };

// HRESULT of a component call made on a thread that did not initialise the library
// (CO_E_NOTINITIALIZED); the shell link calls set it as the last error.
enum : uint32_t { kCoENotInitialized = 0x800401F0u };

// Whether the shell exports the special-folder function (GetProcAddress of
// "SHGetSpecialFolderPathA" in "SHELL32"). Any thread.
bool HasSpecialFolderPath();

// SHGetSpecialFolderPathA: the path of folder csidl (kCsidl*) in *out, without a trailing
// backslash. create asks for the folder to be created when missing (the emulated machine has its
// programs folders from the start: they are created the first time they are asked for). False
// when the folder cannot be determined; the last error then tells why (kErrorCallNotImplemented
// on a system whose shell only has a stub). Must not be called when HasSpecialFolderPath() is
// false. Any thread.
bool GetSpecialFolderPath(int csidl, std::string* out, bool create);

// CoInitialize / CoUninitialize of the calling thread (apartment model). Calls nest: the library
// stays initialised for the thread until every successful ComInitialize has its ComUninitialize.
bool ComInitialize();
void ComUninitialize();

// A shell link object (CLSID_ShellLink with IShellLinkA and IPersistFile): a target path, a
// working directory and a description, saved to and loaded from a ".lnk" file. Paths are 8-bit
// strings in the ANSI code page. Each object is used by one thread, which must have called
// ComInitialize. Every call returns false on failure and sets the last error.
class ShellLink {
  public:
    ShellLink();
    ~ShellLink();  // releases the object
    ShellLink(const ShellLink&) = delete;
    ShellLink& operator=(const ShellLink&) = delete;

    // CoCreateInstance (in-process server) and the file persistence interface. Fails with
    // kCoENotInitialized on a thread without ComInitialize. The other calls fail with
    // kErrorInvalidHandle until it succeeded.
    bool Create();
    // Releases the object (as Release on both interfaces); Create may be called again.
    void Release();

    // IShellLinkA::SetPath, SetWorkingDirectory, SetDescription. Longer than 259 characters
    // fails with kErrorInvalidParameter.
    bool SetPath(const std::string& target);
    bool SetWorkingDirectory(const std::string& directory);
    bool SetDescription(const std::string& description);

    // IPersistFile::Save: writes the link to linkPath, which becomes the object's current file.
    // The folder must exist (kErrorPathNotFound otherwise); nothing is left behind on failure.
    bool Save(const std::string& linkPath);
    // IPersistFile::Load (read-only): replaces the object's target, working directory and
    // description by those of the link file. kErrorInvalidData for a file that is not a link.
    bool Load(const std::string& linkPath);

    // IShellLinkA::GetPath into a buffer of bufferSize characters (terminating zero included):
    // the target's local path, in short (8.3) form when shortForm is set and the target exists.
    // False when the link has no local target path or it does not fit the buffer.
    bool GetPath(std::string* out, bool shortForm, size_t bufferSize = 260) const;
    // The working directory and description of the object as they stand.
    bool GetWorkingDirectory(std::string* out) const;
    bool GetDescription(std::string* out) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace platform
