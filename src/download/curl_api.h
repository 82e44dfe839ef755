// libcurl's API for the download layer. Include this instead of <curl/curl.h>.
//
// For Windows libcurl's header brings in the system's <windows.h>, whose macros rename calls
// such as DeleteFile or MessageBox to their "A"/"W" forms; the program's own functions of those
// names (platform::DeleteFile, ui::MessageBox, CSystem::GetFreeSpace, ...) must keep theirs in
// every file, so the macros are removed again here. Elsewhere the names are no macros and the
// #undef lines change nothing.
#pragma once

#include <curl/curl.h>

#undef CopyFile
#undef CreateDirectory
#undef CreateFile
#undef CreateProcess
#undef DeleteFile
#undef FindFirstFile
#undef FindNextFile
#undef FindWindow
#undef FormatMessage
#undef GetCurrentDirectory
#undef GetDiskFreeSpace
#undef GetDiskFreeSpaceEx
#undef GetDriveType
#undef GetFileAttributes
#undef GetFreeSpace
#undef GetFullPathName
#undef GetLongPathName
#undef GetModuleFileName
#undef GetShortPathName
#undef GetTempPath
#undef GetVolumeInformation
#undef LoadString
#undef MessageBox
#undef MoveFile
#undef MoveFileEx
#undef RemoveDirectory
#undef ReplaceText
#undef SetCurrentDirectory
#undef SetFileAttributes
#undef StartService
