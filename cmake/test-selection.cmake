# Which test support and which tests each backend builds.
#
# The posix backend builds them all. The win32 backend builds the contract tests of the platform
# layer and the tests of the layers above it that need no feature of the emulated machine: no
# machine.ini (drive table, services, language, admin rights), no host directories behind drive
# letters, no POSIX calls, no helper servers started as Linux programs (dnsmasq, xorriso, the
# test HTTP servers, which are POSIX socket code).
set(support_dir ${CMAKE_SOURCE_DIR}/tests/support)
file(GLOB support_srcs CONFIGURE_DEPENDS ${support_dir}/*.cpp)
if(ZEFISETUP_BACKEND STREQUAL "posix")
  set(test_layers platform resources ui system script download dialogs driver app)
else()
  # The emulated machine's prefix and the POSIX helper servers; the Windows machine of a test
  # comes from tests/support/win32.
  list(REMOVE_ITEM support_srcs
    ${support_dir}/temp_prefix.cpp ${support_dir}/child_process.cpp
    ${support_dir}/dns_server.cpp ${support_dir}/loopback_socket_posix.cpp
    ${support_dir}/https_server.cpp ${support_dir}/iso_image.cpp
    ${support_dir}/run_command.cpp ${support_dir}/minisign.cpp ${support_dir}/terminal_run.cpp ${support_dir}/tmpfs_mount.cpp)
  file(GLOB win32_support CONFIGURE_DEPENDS ${support_dir}/win32/*.cpp)
  list(APPEND support_srcs ${win32_support})
  set(test_layers platform resources ui system script download)
endif()

# Test files of the upper layers that need the emulated machine or a POSIX helper server.
set(zefi_emulation_only_tests
  # The dialog host on a terminal.
  ui/console_host_test.cpp
  # machine.ini drives, services or admin rights; POSIX calls; ISO images made with xorriso.
  system/csystem_test.cpp system/log_test.cpp system/registry_settings_test.cpp
  system/service_ctl_test.cpp system/shortcuts_test.cpp system/text_file_test.cpp
  # The script runs of these use CD-ROM drives E: and F: from the emulated drive table.
  script/actions_test.cpp script/copy_error_test.cpp script/disk_check_test.cpp
  script/engine_test.cpp
  # Commands in the syntax of /bin/sh, the emulated machine's command processor.
  system/exec_test.cpp
  # The HTTP/HTTPS test servers, dnsmasq and ISO images; certificate trust, which Wine's
  # Schannel does not check.
  download/attach_image_test.cpp download/discovery_test.cpp download/disk_images_test.cpp
  download/download_worker_test.cpp download/hash_md5_test.cpp download/https_test.cpp
  download/package_list_test.cpp download/transfer_test.cpp
  # Keys and signatures made by the minisign tool.
  download/signature_test.cpp download/signed_list_test.cpp
  # Scripted download failures through the test HTTP server and the worker fixture.
  download/download_failures_test.cpp
  # Small tmpfs volumes, cut ISO images and read errors that only the emulation can stage;
  # script runs and checks against the emulated drives; the install log's answered boxes.
  system/csystem_replace_test.cpp system/text_file_read_errors_test.cpp
  # Host links staged into the destination, and sparse files of 4 GiB on the host.
  system/csystem_fallbacks_test.cpp system/large_files_test.cpp
  system/answered_messages_test.cpp script/config_actions_test.cpp
  script/script_check_test.cpp)

# The test sources of one layer for this backend, in ${out}. tests/platform/emulation holds the
# emulated machine's own tests, tests/<layer>/win32 those of the real Windows machine;
# tests/platform the contracts every backend keeps.
function(zefi_layer_tests layer out)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${layer}/*_test.cpp)
  if(ZEFISETUP_BACKEND STREQUAL "posix")
    # Tests of what only the real Windows machine has.
    list(FILTER srcs EXCLUDE REGEX "/tests/[a-z]+/win32/")
  else()
    list(FILTER srcs EXCLUDE REGEX "/tests/platform/emulation/")
    foreach(t ${zefi_emulation_only_tests})
      list(REMOVE_ITEM srcs ${CMAKE_SOURCE_DIR}/tests/${t})
    endforeach()
  endif()
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()
