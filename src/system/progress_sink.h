// The interface through which the copy engine and the script engine report progress to the copy
// dialog of a run and learn about the user's stop request.
#pragma once

#include <cstdint>
#include <string>

namespace zefi {

// Display modes of the copy dialog, as set through ProgressSink::SetMode.
enum : int32_t {
    kModePreparing = 0,
    kModeCopying = 1,
    kModeChecking = 2,
    kModeSynchronising = 3,
};

// Implemented by the copy dialog. Every operation is called from the copy worker thread while
// the dialog's timer reads the values on the UI thread, so an implementation must take its lock
// for the two texts and the stop request, and store the numbers whole (atomically).
class ProgressSink {
  public:
    virtual ~ProgressSink() = default;

    // One of kModePreparing, kModeCopying, kModeChecking, kModeSynchronising.
    virtual void SetMode(int32_t mode) = 0;
    // The file or directory being read and the one being written; copied under the lock.
    virtual void SetSourceText(const std::string& text) = 0;
    virtual void SetDestinationText(const std::string& text) = 0;
    // Size of the file being copied; 0xFFFFFFFF stands for a file of 4 GiB or more.
    virtual void SetFileSize(uint32_t size) = 0;
    // Bytes of the current file written so far (at most 0xFFFFFFFF).
    virtual void SetBytesDone(uint32_t bytes) = 0;
    // Free bytes on the destination volume.
    virtual void SetFreeSpace(double bytes) = 0;
    // True once the user has asked the run to stop.
    virtual bool GetThreadStop() = 0;
};

}  // namespace zefi
