# Libraries of the Windows build. libcurl (Schannel, static), libsodium (static) and GoogleTest
# are built once by scripts/windows-deps.sh into build-deps/windows/ and shared by every Windows
# build directory.
set(ZEFISETUP_WINDOWS_DEPS "${CMAKE_SOURCE_DIR}/build-deps/windows" CACHE PATH
    "Folder with the Windows builds of libcurl, libsodium and GoogleTest (scripts/windows-deps.sh)")
set(_deps "${ZEFISETUP_WINDOWS_DEPS}")
if(NOT EXISTS "${_deps}/curl/lib/libcurl.a" OR NOT EXISTS "${_deps}/googletest/lib/libgtest.a"
   OR NOT EXISTS "${_deps}/libsodium/lib/libsodium.a")
  message(FATAL_ERROR
    "No Windows libcurl/libsodium/GoogleTest in ${_deps}: run scripts/windows-deps.sh")
endif()

add_library(CURL::libcurl STATIC IMPORTED GLOBAL)
set_target_properties(CURL::libcurl PROPERTIES
  IMPORTED_LOCATION "${_deps}/curl/lib/libcurl.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_deps}/curl/include"
  INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
  # What a static libcurl with Schannel needs from Windows.
  INTERFACE_LINK_LIBRARIES "ws2_32;crypt32;bcrypt;secur32;iphlpapi;wldap32;normaliz;advapi32")

# Ed25519 and BLAKE2b for the publisher's signatures; its random source is advapi32's.
add_library(Sodium::sodium STATIC IMPORTED GLOBAL)
set_target_properties(Sodium::sodium PROPERTIES
  IMPORTED_LOCATION "${_deps}/libsodium/lib/libsodium.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_deps}/libsodium/include"
  INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC
  INTERFACE_LINK_LIBRARIES advapi32)

add_library(GTest::gtest STATIC IMPORTED GLOBAL)
set_target_properties(GTest::gtest PROPERTIES
  IMPORTED_LOCATION "${_deps}/googletest/lib/libgtest.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_deps}/googletest/include"
  INTERFACE_LINK_LIBRARIES Threads::Threads)
add_library(GTest::gtest_main STATIC IMPORTED GLOBAL)
set_target_properties(GTest::gtest_main PROPERTIES
  IMPORTED_LOCATION "${_deps}/googletest/lib/libgtest_main.a"
  INTERFACE_LINK_LIBRARIES GTest::gtest)
set(GTest_FOUND TRUE)

# The system libraries behind the win32 backend and the dialog host: files, registry, services
# and CryptoAPI (kernel32, advapi32), windows, dialogs and message boxes (user32, gdi32), progress
# bars (comctl32), shell folders, links and the folder browser (shell32, ole32, oleaut32, uuid),
# DNS (dnsapi), Base64 (crypt32), virtual disks (virtdisk), minidumps (dbghelp); libsodium.
set(zefi_platform_libs Threads::Threads Sodium::sodium kernel32 advapi32 user32 gdi32 comctl32
    shell32 ole32 oleaut32 uuid dnsapi crypt32 virtdisk dbghelp)
