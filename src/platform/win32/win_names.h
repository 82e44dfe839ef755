// The Windows headers map most API names onto their "A" or "W" form with macros, and the files
// and volumes of the platform layer use many of those names (platform::CopyFile, ...).
// Included after every Windows header of a file, this removes those macros, so that the
// platform's names stay as declared; the backend calls the system by the explicit names
// (::CopyFileA).
#pragma once

#include "platform/win32/win_util.h"

#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef GetCurrentDirectory
#undef GetDiskFreeSpace
#undef GetDiskFreeSpaceEx
#undef GetDriveType
#undef GetFileAttributes
#undef GetFullPathName
#undef GetLongPathName
#undef GetModuleFileName
#undef GetShortPathName
#undef GetTempPath
#undef MoveFile
#undef RemoveDirectory
#undef SetCurrentDirectory
#undef SetFileAttributes
